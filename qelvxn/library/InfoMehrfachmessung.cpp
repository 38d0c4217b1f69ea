#include "qelvxn/library/InfoMehrfachmessung.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ColorVector.hpp"
#include "qel/GString.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/PostOffice.hpp"
#include "qel/WindowPlacer.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "qelvxn/value/MeasValueMessage.hpp"
#include "sv/Application.hpp"
#include "sv/Responder.hpp"
#include "sv/Sound.hpp"

#include <algorithm>
#include <cmath>

namespace {

// Entries of the text group "InfoMehrfachmessung": 0 to 5 those of the
// dialog, 6 to 9 the pieces of the line a terminal shows per measurement.
constexpr USHORT TXT_TITLE = 0;
constexpr USHORT TXT_HINT = 1;
constexpr USHORT TXT_LATEST = 2;
constexpr USHORT TXT_MEAN = 3;
constexpr USHORT TXT_COUNTER_BEFORE = 4;
constexpr USHORT TXT_COUNTER_OF = 5;
constexpr USHORT TXT_LINE_MEASUREMENT = 6;
constexpr USHORT TXT_LINE_OF = 7;
constexpr USHORT TXT_LINE_MEAN = 8;
constexpr USHORT TXT_LINE_SPREAD = 9;

// The button bar: three buttons right-aligned with the button place of the
// resource, which is narrower than three readable buttons.
constexpr short BUTTON_WIDTH = 60;
constexpr short BUTTON_SPACING = 4;
constexpr int GAP_AFTER_OK = 3;
constexpr int GAP_AFTER_CANCEL = 10;

Point BarPosition(const Window& rPlace)
{
    int nBar = 3 * BUTTON_WIDTH + 2 * BUTTON_SPACING + GAP_AFTER_OK + GAP_AFTER_CANCEL;
    int nRight = rPlace.GetPosPixel().X() + rPlace.GetSizePixel().Width();
    return Point(static_cast<short>(nRight - nBar), rPlace.GetPosPixel().Y());
}

String Lab(const LABVector& r)
{
    return GString(r.GetL(), 6, 2) + " " + GString(r.GetA(), 6, 2) + " " + GString(r.GetB(), 6, 2);
}

ScanLib* Library() { return VXNLib::Instance(); }

} // namespace

InfoMehrfachmessung::InfoMehrfachmessung(Window* pParent)
    : ModalDialogMEHRFACHMESSUNG(pParent, ResId(RID_DIALOG), 1),
      RegisterTopWindow(this),
      maTexts(String("InfoMehrfachmessung")),
      maButtons(this, BarPosition(maButtonPlace), Size(BUTTON_WIDTH, maButtonPlace.GetSizePixel().Height()), 1,
                Size(BUTTON_SPACING, 0)),
      maLatest(maTexts.GetText(TXT_LATEST), &maSwatch1, 1, 1, 1, 1),
      maMeanSwatch(maTexts.GetText(TXT_MEAN), &maSwatch2, 1, 1, 0, 1)
{
    maButtonPlace.Hide();
    WindowPlacer(pParent, this, 1);

    mnMeanCount = AppConfig::Instance()->ReadKey(String("VXN"), String("MEAN"), String("1")).ToInt();
    maSum.Init(0.0f);
    maMean.Init(0.0f);

    ScanLib* pLib = Library();
    if (pLib) {
        maLatest.SetFormel(pLib->GetColorSystem());
        maMeanSwatch.SetFormel(pLib->GetColorSystem());
    }

    SetText(maTexts.GetText(TXT_TITLE));
    maHint.SetText(maTexts.GetText(TXT_HINT));
    maHint.Show(MeasuresAtUnit());
    ShowCounter();
    maCounter.Show();

    maButtons.AddButton(LINK(this, InfoMehrfachmessung, OKHdl), BTN_OK, 0);
    maButtons.AddGap(GAP_AFTER_OK);
    maButtons.AddButton(LINK(this, InfoMehrfachmessung, CancelHdl), BTN_CANCEL, 0);
    maButtons.AddGap(GAP_AFTER_CANCEL);
    maButtons.AddButton(LINK(this, InfoMehrfachmessung, MeasureHdl), BTN_MEASURE, 0);
    maButtons.DisableButton(BTN_OK);
    maButtons.Show();
    maLatest.Hide();
    maMeanSwatch.Hide();

    maAccel.InsertItem(ACCEL_MEASURE, KeyCode(ACCEL_MEASURE));

    if (MeasuresAtUnit() && PostOffice::Exists()) {
        Link aHdl = LINK(this, InfoMehrfachmessung, MeasValueHdl);
        maOldMeasValueHdl = PostOffice::Instance()->ChangeMessageHdl(MSG_MEASURED_VALUE, aHdl, 0);
        mbOwnsMeasValueHdl = true;
    }
    mbTable = pLib && pLib->HasaTableWalker();
    if (mbTable && PostOffice::Exists()) {
        // Manual measuring on the table: the operator positions the head and
        // presses the key, which the table reports as message 81.
        pLib->SetDeviceOnline();
        pLib->SetDigitizingMode();
        pLib->ClearStatus(1);
        MyMemoryBlock aRequest, aReply;
        PostOffice::Instance()->SendAndReceive(0, MSG_KEY_REPORT_ON, aRequest, aReply, DE_PROBE);
        Link aHdl = LINK(this, InfoMehrfachmessung, MeasureHdl);
        maOldKeyHdl = PostOffice::Instance()->ChangeMessageHdl(MSG_KEY, aHdl, 0);
        mbOwnsKeyHdl = true;
    }

    maAccel.SetSelectHdl(LINK(this, InfoMehrfachmessung, AccelSelectHdl));
    Application::InsertAccel(&maAccel, 1);
    mbInAccel = 0;
}

InfoMehrfachmessung::~InfoMehrfachmessung()
{
    Application::RemoveAccel(&maAccel);
    // The handlers go back whatever the setting says now: a handler left
    // pointing at this object would be called after it is gone.
    if (mbOwnsMeasValueHdl && PostOffice::Exists())
        PostOffice::Instance()->ChangeMessageHdl(MSG_MEASURED_VALUE, maOldMeasValueHdl, 1);
    if (mbOwnsKeyHdl && PostOffice::Exists()) {
        MyMemoryBlock aRequest, aReply;
        PostOffice::Instance()->SendAndReceive(0, MSG_KEY_REPORT_OFF, aRequest, aReply, DE_PROBE);
        if (ScanLib* pLib = VXNLib::mpInstance)
            pLib->SetDeviceOnline();
        PostOffice::Instance()->ChangeMessageHdl(MSG_KEY, maOldKeyHdl, 1);
    }
}

bool InfoMehrfachmessung::MeasuresAtUnit() const
{
    return AppConfig::Instance()->ReadKey(String("VXN"), String("MeasAtUnit"), String("1")).ToLong() != 0;
}

void InfoMehrfachmessung::ShowCounter()
{
    maCounter.SetText(maTexts.GetText(TXT_COUNTER_BEFORE) + String(mnCount + 1) + maTexts.GetText(TXT_COUNTER_OF) +
                      String(mnMeanCount));
}

void InfoMehrfachmessung::AddMeasurement(Spectrum& rSpectrum)
{
    ++mnCount;
    if (mnCount > 0)
        maButtons.EnableButton(BTN_OK);
    float aMean[Spectrum::COUNT];
    for (int i = 0; i < Spectrum::COUNT; ++i) {
        maSum[i] += rSpectrum[i];
        aMean[i] = maSum[i] / static_cast<float>(mnCount);
    }
    maMean = Spectrum(rSpectrum.GetPhysicalConditions(), aMean);
    maSingles.push_back(rSpectrum);
    Responder::Current()->DialogNote(*this, MeasurementLine());

    if (mnCount == mnMeanCount) {
        EndDialog(1);
        return;
    }
    ShowCounter();
    maLatest.ReferenzSpektrum(maMean);
    maLatest.ZeigeSpektrum(rSpectrum);
    maMeanSwatch.ZeigeSpektrum(maMean);
    maLatest.Show();
    maMeanSwatch.Show();
}

String InfoMehrfachmessung::MeasurementLine() const
{
    LABVector aMean(maMean);
    double fSpread = 0.0;
    for (const Spectrum& s : maSingles) {
        LABVector v(s);
        double dL = v.GetL() - aMean.GetL(), da = v.GetA() - aMean.GetA(), db = v.GetB() - aMean.GetB();
        fSpread = std::max(fSpread, std::sqrt(dL * dL + da * da + db * db));
    }
    return maTexts.GetText(TXT_LINE_MEASUREMENT) + String(mnCount) + maTexts.GetText(TXT_LINE_OF) +
           String(mnMeanCount) + ":  L*a*b* " + Lab(LABVector(maSingles.back())) + "   " +
           maTexts.GetText(TXT_LINE_MEAN) + " " + Lab(aMean) + "   " + maTexts.GetText(TXT_LINE_SPREAD) + " " +
           GString(fSpread, 4, 2);
}

long InfoMehrfachmessung::OKHdl(void*)
{
    EndDialog(1);
    return 0;
}

long InfoMehrfachmessung::CancelHdl(void*)
{
    EndDialog(0);
    return 0;
}

long InfoMehrfachmessung::MeasureHdl(void*)
{
    if (mbBusy)
        return 0;
    mbBusy = 1;
    ScanLib* pLib = Library();
    if (!pLib) {
        mbBusy = 0;
        return 0;
    }
    if (mbTable)
        pLib->SetDeviceOnline();
    Spectrum aSpectrum;
    if (pLib->SingleMeasure(aSpectrum))
        AddMeasurement(aSpectrum);
    else
        EndDialog(0);  // the whole series is abandoned
    if (mbTable) {
        pLib->SetDigitizingMode();
        pLib->ClearStatus(1);
    }
    mbBusy = 0;
    return 0;
}

long InfoMehrfachmessung::MeasValueHdl(MyMemoryBlock* pBlock)
{
    if (mbBusy || !pBlock)
        return 0;
    mbBusy = 1;
    // A copy: the transport's block stays as it was for whoever reads it
    // after this handler.
    MyMemoryBlock aCopy(*pBlock);
    GPtMesswert aValue;
    // A value that cannot be read, or that is no spectrum, is left out; the
    // series goes on with the next one.
    if (ReadMeasValueMessage(aCopy, aValue) && aValue.IsA() == GPtMesswert::TYPE_SPECTRUM) {
        Sound::Beep(0);
        Spectrum aSpectrum;
        aValue.GetSpectrum(aSpectrum);
        AddMeasurement(aSpectrum);
    }
    mbBusy = 0;
    return 0;
}

long InfoMehrfachmessung::AccelSelectHdl(Accelerator* pAccel)
{
    if (IsActive() && !mbInAccel) {
        mbInAccel = 1;
        HandleAccel(pAccel);
        mbInAccel = 0;
    }
    return 1;
}

void InfoMehrfachmessung::HandleAccel(Accelerator* pAccel)
{
    if (pAccel && pAccel->GetCurItemId() == ACCEL_MEASURE && maButtons.IsButtonEnabled(BTN_MEASURE))
        MeasureHdl(nullptr);
}

std::vector<DialogChoice> InfoMehrfachmessung::GetChoices()
{
    // Measure is the default, so that Enter (and a program's --yes) takes
    // the next measurement; OK only once there is a mean to return.
    std::vector<DialogChoice> out;
    auto add = [&](unsigned short nId, bool bDefault) {
        PushButton* b = maButtons.GetButton(nId);
        if (b && maButtons.IsButtonEnabled(nId))
            out.push_back({b->GetText(), [this, nId] { maButtons.ClickButton(nId); }, bDefault});
    };
    add(BTN_MEASURE, true);
    add(BTN_OK, false);
    add(BTN_CANCEL, false);
    return out;
}

String InfoMehrfachmessung::GetDescription()
{
    String s = GetText();
    if (maHint.IsVisible())
        s += String("\n") + maHint.GetText();
    return s + String("\n") + maCounter.GetText();
}
