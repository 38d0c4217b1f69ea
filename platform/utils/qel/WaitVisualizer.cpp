#include "qel/WaitVisualizer.hpp"

#include <algorithm>

WaitVisualizer::WaitVisualizer(Window* pParent, const String& rTitle, const String& rText, bool bAbortable,
                               bool bShowNow)
{
    maState.pParent = pParent;
    maState.aTitle = rTitle;
    maState.aText = rText;
    maState.bAbortable = bAbortable;
    if (bShowNow)
        Begin();
}

WaitVisualizer::~WaitVisualizer()
{
    if (mpResponder)
        mpResponder->ProgressEnd(maState);
}

void WaitVisualizer::Begin()
{
    // The responder that showed the dialog also closes it, even if another
    // became current meanwhile.
    mpResponder = Responder::Current();
    mpResponder->ProgressBegin(maState);
}

void WaitVisualizer::Display(double fFraction)
{
    if (!mpResponder)
        Begin();
    maState.fFraction = std::clamp(fFraction, 0.0, 1.0);
    mpResponder->ProgressUpdate(maState);
}
