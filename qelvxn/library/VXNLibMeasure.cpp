// The measuring chain of the library object: Measure settles the filter (and
// for one form the whole condition) and the calibration, Mehrfachmessung
// decides between one measurement and a series, SingleMeasure measures once
// and moves the table around the measurement, CheckSettings downloads the
// conditions that differ.
#include "qelvxn/library/VXNLib.hpp"

#include "qel/ConditionText.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/RegisterTopWindow.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/backends/MeasurementSimulation.hpp"
#include "qelvxn/conditions/VxnSet.hpp"
#include "qelvxn/library/InfoMehrfachmessung.hpp"
#include "qelvxn/library/LibraryTexts.hpp"
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"
#include "sv/MessBox.hpp"
#include "sv/Sound.hpp"

namespace {

constexpr int DEVICE_TYPE_2 = 2;
constexpr int DEVICE_TYPE_32 = 32;
constexpr int MSG_LOCK = 2;
constexpr int MSG_UNLOCK = 3;

// The error box of a filter that could not be brought into place.
void FilterNotInPlaceBox(ValueFilterType eFilter)
{
    String text = vxntext::Get(vxntext::FILTER_M0_M2) + " " + ConditionText::Filter(eFilter);
    ErrorBox(RegisterTopWindow::GetActiveTopWindow(), 16, text).Execute();
}

} // namespace

unsigned char VXNLib::LockVXN()
{
    MyMemoryBlock aRequest, aReply;
    return PostOffice::Instance()->SendAndReceive(0, MSG_LOCK, aRequest, aReply, DE_NORMAL);
}

void VXNLib::UnlockVXN()
{
    MyMemoryBlock aRequest, aReply;
    PostOffice::Instance()->SendAndReceive(0, MSG_UNLOCK, aRequest, aReply, DE_NORMAL);
}

unsigned char VXNLib::Measure(MessBox* pBox, Spectrum& rSpectrum, ValueFilterType eFilter)
{
    meMeasFilter = eFilter;
    if (!CheckCalOK(eFilter, 0))
        return 0;
    short nAnswer = pBox ? pBox->Execute() : RET_OK;
    switch (nAnswer) {
    case RET_CANCEL:
        return 0;
    case RET_OK:
    case RET_YES:
        break;
    case RET_NO:
        // "No" stands for "no sample": the spectrum is marked as not measured.
        for (int i = 0; i < Spectrum::COUNT; ++i)
            rSpectrum[i] = -1.0f;
        return 1;
    default:
        return 1;
    }
    // The box is no window of its own here: the simulator opens over the
    // box's parent.
    Window* pParent = pBox ? pBox->GetParent() : nullptr;
    if (mbSimulator) {
        MeasurementSimulation::SimulateMeasurement(pParent, rSpectrum);
        return 1;
    }
    return Mehrfachmessung(pBox ? pParent : RegisterTopWindow::GetActiveTopWindow(), rSpectrum, 0);
}

unsigned char VXNLib::Measure(Window* pParent, Spectrum& rSpectrum, ValueFilterType eFilter)
{
    if (mbSimulator) {
        MeasurementSimulation::SimulateMeasurement(pParent, rSpectrum);
        return 1;
    }
    meMeasFilter = eFilter;
    if (!CheckCalOK(eFilter, 0))
        return 0;
    return Mehrfachmessung(pParent, rSpectrum, 0);
}

unsigned char VXNLib::Measure(Window* pParent, Spectrum& rSpectrum, const MeasuringCondition& rCondition)
{
    if (mbSimulator) {
        MeasurementSimulation::SimulateMeasurement(pParent, rSpectrum);
        return 1;
    }
    ValueFilterType eFilter = rCondition.GetFilter().GetType();
    if (GetDeviceType() == DEVICE_TYPE_2) {
        // These instruments take their other conditions from the instrument
        // itself; only the filter matters.
        meMeasFilter = eFilter;
        return CheckCalOK(eFilter, 0) && Mehrfachmessung(pParent, rSpectrum, 0) ? 1 : 0;
    }
    if (!CheckSettings(rCondition))
        return 0;
    if (!CheckCalOK(eFilter, 0))
        return 0;
    return Mehrfachmessung(pParent, rSpectrum, 0);
}

unsigned char VXNLib::Mehrfachmessung(Window* pParent, Spectrum& rSpectrum, unsigned char bFirstGiven)
{
    // Read at every call: the application may change the count between
    // measurements.
    if (GetVXNMeanCount() <= 1)
        return SingleMeasure(rSpectrum);  // a new measurement replaces a given one
    InfoMehrfachmessung aDialog(pParent);
    if (bFirstGiven) {
        aDialog.AddMeasurement(rSpectrum);
        Sound::Beep(0);
    }
    short nResult = aDialog.Execute();
    // Cancel or a failed measurement leaves the caller's spectrum as it was.
    if (nResult)
        rSpectrum = aDialog.GetMeanSpectrum();
    return static_cast<unsigned char>(nResult & 0xFF);
}

unsigned char VXNLib::MeasureSpectrum(float* pValues)
{
    unsigned char nFlag = 0;
    return ExecuteMeasurement() && SpectrumRequestNew(VALUE_SAMPLE_SPECTRUM, SPECT_REMISSION, pValues, nFlag) ? 1 : 0;
}

unsigned char VXNLib::SingleMeasure(Spectrum& rSpectrum)
{
    // A failed measurement leaves the old values in the rebuilt spectrum.
    float aValues[Spectrum::COUNT];
    for (int i = 0; i < Spectrum::COUNT; ++i)
        aValues[i] = rSpectrum[i];
    MeasuringCondition aCondition;
    unsigned char nResult = 0;

    if (GetDeviceType() != DEVICE_TYPE_2) {
        ControlType eAnswer = static_cast<ControlType>(0);
        MeasureControlRequest(CONTROL_MEASURE, eAnswer);
        // The table lowers the head onto the sample under it and lifts it
        // again, unless the instrument says it measures where it stands.
        TABLEWALKERProtokoll aTable;
        unsigned short nX = 0, nY = 0;
        ZKoordTYPE eZ{};
        if (HasaTableWalker() && eAnswer != CONTROL_ANSWER_NO_TABLE_MOVE) {
            aTable.OutputActualPosition(REFERENCE_SHEET, nX, nY, eZ);
            aTable.MoveAbsolut(REFERENCE_TABLE, nX, nY);
            aTable.MoveDown();
        }
        nResult = ExecuteMeasurement();
        if (HasaTableWalker() && eAnswer != CONTROL_ANSWER_NO_TABLE_MOVE) {
            aTable.MoveUp();
            aTable.MoveAbsolut(REFERENCE_SHEET, nX, nY);
        }
        if (nResult) {
            unsigned char nFlag = 0;
            nResult = SpectrumRequestNew(VALUE_SAMPLE_SPECTRUM, SPECT_REMISSION, aValues, nFlag);
        }
        if (mbAskCondition) {
            if (nResult)
                nResult = ParameterRequest(aCondition);
            maLastCondition = aCondition;
        } else {
            aCondition = maLastCondition;
        }
        rSpectrum = Spectrum(aCondition.GetPhysicalConditions(), aValues);
        return nResult;
    }

    // Device type 2: the filter may have been changed at the instrument
    // since the measurement was asked for; measure again once it is back.
    nResult = MeasureSpectrum(aValues);
    DStdType eDStd{};
    StoredWBaseType eWBase{};
    IllumType eIllum{};
    ObserverType eObserver{};
    ValueFilterType eFilter = FILTER_NOT_SET;
    ParameterRequest(eDStd, eWBase, eIllum, eObserver, eFilter);
    if (eFilter == meMeasFilter) {
        if (nResult)
            nResult = ParameterRequest(aCondition);
    } else if (WaitFilterrad(meMeasFilter)) {
        nResult = MeasureSpectrum(aValues) && ParameterRequest(aCondition) ? 1 : 0;
    } else {
        if (IsaHuepointer())
            FilterNotInPlaceBox(meMeasFilter);
        return 0;
    }
    rSpectrum = Spectrum(aCondition.GetPhysicalConditions(), aValues);
    return nResult;
}

unsigned char VXNLib::CheckSettings(const MeasuringCondition& rCondition)
{
    return CheckSettings(rCondition.GetIllum().GetType(), rCondition.GetIllum().GetTempNr(),
                         rCondition.GetObserver().GetType(), rCondition.GetWBase().GetType(),
                         rCondition.GetFilter().GetType());
}

unsigned char VXNLib::CheckSettings(VxnSet& rSet)
{
    return CheckSettings(rSet.GetIllumination(), rSet.GetDxxTempNr(), rSet.GetObserver(), rSet.GetWhiteBase(),
                         rSet.GetFilter());
}

unsigned char VXNLib::CheckSettings(IllumType eIllum, short nDxxTempNr, ObserverType eObserver,
                                    StoredWBaseType eWBase, ValueFilterType eFilter)
{
    DStdType eDStd{};
    StoredWBaseType eRepWBase{};
    IllumType eRepIllum{};
    ObserverType eRepObserver{};
    ValueFilterType eRepFilter{};
    if (!ParameterRequest(eDStd, eRepWBase, eRepIllum, eRepObserver, eRepFilter))
        return 0;

    if (eRepFilter != eFilter && !WaitFilterrad(eFilter)) {
        if (IsaHuepointer())
            FilterNotInPlaceBox(eFilter);
        return 0;
    }

    // One line per difference; it only tells whether anything differs (no
    // message is shown for the differences themselves).
    String aDifferences;
    auto note = [&](USHORT nText, const String& rValue) {
        aDifferences += String("\n") + vxntext::Get(nText) + " " + rValue + " ";
    };
    if (eRepWBase != eWBase)
        note(vxntext::DIFF_WHITE_BASE, WBaseClass(eWBase).GetText());
    if (GetDeviceType() != DEVICE_TYPE_32) {
        IllumClass aReported(eRepIllum, 65);
        if (IsDxx(eRepIllum)) {
            short nNr = 0;
            if (!GetValNr(static_cast<TabValueType>(eRepIllum + 80), nNr))
                return 0;
            aReported = IllumClass(static_cast<IllumType>(ILLUM_DXX_FIRST), nNr);
        }
        IllumClass aWanted(eIllum, nDxxTempNr);
        if (!(aReported.GetText() == aWanted.GetText()))
            note(vxntext::DIFF_ILLUMINANT, aWanted.GetText());
        if (eRepObserver != eObserver)
            note(vxntext::DIFF_OBSERVER, ObserverClass(eObserver).GetText());
    }
    if (aDifferences.IsEmpty())
        return 1;

    if (eIllum == ILLUM_DXX_FIRST && !SetValNr(TABVALUE_DXX_FIRST, nDxxTempNr))
        return 0;
    return ParameterDownloadNew(eDStd, eWBase, eIllum, eObserver);
}
