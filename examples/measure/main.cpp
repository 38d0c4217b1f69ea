// measure [ENDPOINT]: measures one sample under the instrument's current
// conditions and prints its L*a*b*.
//
// ENDPOINT is where the instrument answers: "emulator:" (the default, the
// virtual instrument, loaded by the library when first asked for),
// "tcp:HOST:PORT" or "serial:/dev/ttyUSB0". The library asks its questions
// (calibrate now?) through the toolkit's responder; this program lets the
// terminal responder take every default answer, so nothing waits for a user,
// and shows the questions on standard error.
#include "qel/ColorVector.hpp"
#include "qel/PostOffice.hpp"
#include "qel/QelSingleton.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/library/VXNLib.hpp"
#include "sv/TerminalResponder.hpp"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

int MeasureOnce()
{
    VXNLib* pLib = VXNLib::CreateVXNLib(0);
    if (!pLib) {
        std::fprintf(stderr, "measure: the library could not be created\n");
        return 1;
    }
    // The instrument's own conditions: nothing needs downloading and no
    // filter needs changing by hand.
    MeasuringCondition aCondition;
    if (pLib->ParameterRequest(aCondition) != 1) {
        std::fprintf(stderr, "measure: the instrument does not report its conditions: %s\n",
                     PostOffice::Instance()->GetLastError().str().c_str());
        return 1;
    }
    Spectrum aSpectrum;
    if (pLib->Measure(static_cast<Window*>(nullptr), aSpectrum, aCondition) != 1) {
        std::fprintf(stderr, "measure: the measurement failed\n");
        return 1;
    }
    LABVector aLab(aSpectrum, aCondition);
    std::printf("Conditions %s\n", aCondition.GetText().str().c_str());
    std::printf("L*a*b*     L*=%.2f a*=%.2f b*=%.2f\n", aLab.GetL(), aLab.GetA(), aLab.GetB());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Without a screen the toolkit runs offscreen; all it shows here are
    // questions, and those go to the terminal responder.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    TerminalResponder aResponder(0, stderr);
    aResponder.SetMode(TerminalResponder::Mode::Defaults);
    ScopedResponder aUse(aResponder);

    PostOffice* pPost = PostOffice::Instance();
    pPost->SetEndpoint(String(argc > 1 ? argv[1] : "emulator:"));
    int nResult = 1;
    if (pPost->Open())
        nResult = MeasureOnce();
    else
        std::fprintf(stderr, "measure: cannot reach the instrument: %s\n", pPost->GetLastError().str().c_str());

    // The library's process-wide objects go while the toolkit still runs.
    QelSingleton::DestroyAll();
    PostOffice::Destroy();
    return nResult;
}
