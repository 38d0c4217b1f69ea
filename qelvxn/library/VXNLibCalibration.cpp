// Filter wait and white calibration: before it measures under a filter the
// library makes sure the filter is in place and that a white calibration
// under that filter has taken place, comparing the instrument's stored white
// reference with a fresh measurement first.
#include "qelvxn/library/VXNLib.hpp"

#include "qel/AppName.hpp"
#include "qel/ColorVector.hpp"
#include "qel/DeltaE.hpp"
#include "qel/RegisterTopWindow.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/library/LibraryTexts.hpp"
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"
#include "sv/MessBox.hpp"

namespace {
constexpr long DEVICE_TYPE_2 = 2;
constexpr long DEVICE_TYPE_32 = 32;
constexpr long DEVICE_TYPE_TABLE_WHITE = 4194304;
// Above this CIELAB difference the stored white reference and the tile's
// measurement disagree enough to warn the user.
constexpr float WHITE_REFERENCE_TOLERANCE = 0.5f;

Window* Top()
{
    return RegisterTopWindow::GetActiveTopWindow();
}
} // namespace

unsigned char VXNLib::WaitFilterrad(ValueFilterType eFilter)
{
    if (mbSimulator)
        return 1;
    for (;;) {
        // A failed request reports no filter, so the wanted one is not taken
        // as in place.
        DStdType eDStd = DSTD_DIN;
        StoredWBaseType eWBase = WBASE_ABSOLUTE;
        IllumType eIllum = ILLUM_D65;
        ObserverType eObserver = OBSERVER_2;
        ValueFilterType eReported = FILTER_NOT_SET;
        ParameterRequest(eDStd, eWBase, eIllum, eObserver, eReported);
        if (eReported == eFilter)
            return 1;
        bool bMotorised = eFilter == FILTER_M0 || eFilter == FILTER_M1 || eFilter == FILTER_M2;
        if (bMotorised && FilterDownload(eFilter) == 1)
            return 1;

        String aInstruction;
        if (eFilter == FILTER_M0 || eFilter == FILTER_M2)
            // Text 20 ends in a colon and is shared by M0 and M2: the
            // filter's name completes it, as in the error box that uses it.
            aInstruction = vxntext::Get(vxntext::FILTER_BY_HAND) + vxntext::Get(vxntext::FILTER_M0_M2) + " " +
                           ActualFilterClass(eFilter).GetText();
        else if (eFilter == FILTER_M1)
            aInstruction = vxntext::Get(vxntext::FILTER_BY_HAND) + vxntext::Get(vxntext::FILTER_M1);
        else
            aInstruction = vxntext::Get(vxntext::FILTER_PUT_PREFIX) + ActualFilterClass(eFilter).GetText() +
                           vxntext::Get(vxntext::FILTER_PUT_SUFFIX);

        if (IsaHuepointer())
            return FilterDownload(eFilter) == 1 ? 1 : 0;

        if (GetDeviceType() == DEVICE_TYPE_TABLE_WHITE) {
            // These instruments need a white measurement after every filter
            // change: on the table at its white reference, else on the tile.
            String aText = HasaTableWalker() ? aInstruction
                                             : String("1. ") + aInstruction + " !\n\n2. " +
                                                   vxntext::Get(vxntext::SECOND_STEP_WHITE_TILE);
            if (WarningBox(Top(), 32, aText).Execute() != RET_OK)
                return 0;
            ControlType eControl = static_cast<ControlType>(0);
            MeasureControlRequest(CONTROL_MEASURE, eControl);
            if (eWBase == WBASE_PAPER)
                ParameterDownloadNew(eDStd, WBASE_ABSOLUTE, eIllum, eObserver);
            if (eControl == CONTROL_ANSWER_157)
                MeasControlDownload(CONTROL_MEASURE, 0);
            TABLEWALKERProtokoll aTable;
            unsigned short nX = 0, nY = 0;
            ZKoordTYPE eZ{};
            if (HasaTableWalker()) {
                if (eControl == CONTROL_ANSWER_NO_TABLE_MOVE)
                    aTable.SetTableMode(TABLEMODE_0);
                aTable.OutputActualPosition(REFERENCE_TABLE, nX, nY, eZ);
                aTable.MoveToWhiteRefPos(0);
                aTable.MoveDown();
            }
            ExecuteWhiteMeasurement();
            if (HasaTableWalker()) {
                aTable.MoveUp();
                aTable.MoveAbsolut(REFERENCE_TABLE, nX, nY);
                if (eControl == CONTROL_ANSWER_NO_TABLE_MOVE)
                    aTable.SetTableMode(TABLEMODE_1);
            }
            if (eControl == CONTROL_ANSWER_157)
                MeasControlDownload(CONTROL_ANSWER_157, 0);
            if (eWBase == WBASE_PAPER)
                ParameterDownloadNew(eDStd, WBASE_PAPER, eIllum, eObserver);
            continue;
        }

        if (WarningBox(Top(), 32, aInstruction).Execute() == RET_CANCEL)
            return 0;
    }
}

unsigned char VXNLib::CheckCalOK(ValueFilterType eFilter, unsigned char bQuiet)
{
    if (mbSimulator || GetCalibration() == 0 || GetDeviceType() == DEVICE_TYPE_32 || eFilter == mnCalFilter)
        return 1;
    if (!WhiteCalibration(eFilter, 1, 0, bQuiet, 0, 1))
        return 0;
    // Also after the user declined: the question is not asked again for this
    // filter until another one has been calibrated.
    mnCalFilter = eFilter;
    if (!bQuiet && !HasaTableWalker() && !IsaHuepointer())
        MessBox(Top(), 16, AppName::Instance()->GetTitel(), vxntext::Get(vxntext::CALIBRATED_NOTE)).Execute();
    return 1;
}

unsigned char VXNLib::WhiteCalibration(const ValueFilterType& rFilter, unsigned char bWaitFilter,
                                       unsigned char bExtraText, unsigned char bNoQuestion, int nWhiteRefPos,
                                       unsigned char bMoveBack)
{
    if (mbSimulator || IsaHuepointer())
        return 1;
    if (!DeviceReady()) {
        ErrorBox(Top(), 16, vxntext::Get(vxntext::NOT_READY)).Execute();
        return 0;
    }
    if (bWaitFilter && !WaitFilterrad(rFilter))
        return 0;

    String aQuestion;
    if (HasaTableWalker()) {
        aQuestion = vxntext::Get(vxntext::CALIBRATE_QUESTION);
    } else {
        aQuestion = vxntext::Get(vxntext::CALIBRATE_PLACE_ON_TILE);
        if (bExtraText)
            aQuestion += vxntext::Get(vxntext::CALIBRATE_EXTRA);
        aQuestion += "\n\n";
        aQuestion += vxntext::Get(vxntext::CALIBRATE_QUESTION);
    }
    short nAnswer;
    if (GetDeviceType() == DEVICE_TYPE_2) {
        nAnswer = RET_NO;
    } else if (bNoQuestion) {
        nAnswer = RET_YES;
    } else {
        QueryBox aBox(Top(), 4160, aQuestion);
        aBox.ChangeHelpId(0);
        nAnswer = aBox.Execute();
    }

    DStdType eDStd{};
    StoredWBaseType eWBase{};
    IllumType eIllum{};
    ObserverType eObserver{};
    ValueFilterType eReported{};
    if (nAnswer == RET_NO)
        return ParameterRequest(eDStd, eWBase, eIllum, eObserver, eReported);
    if (nAnswer != RET_YES)
        return 0;

    if (!ParameterRequest(eDStd, eWBase, eIllum, eObserver, eReported))
        return 0;
    if (!WhiteRefOk(eReported))
        return 0;

    TABLEWALKERProtokoll aTable;
    unsigned short nX = 0, nY = 0;
    ZKoordTYPE eZ{};
    bool bMoved = false;
    if (HasaTableWalker()) {
        ControlType eControl = static_cast<ControlType>(0);
        MeasureControlRequest(CONTROL_MEASURE, eControl);
        aTable.OutputActualPosition(REFERENCE_TABLE, nX, nY, eZ);
        // Against paper white, or where the instrument measures in place, the
        // white measurement is taken where the head stands.
        if (eControl != CONTROL_ANSWER_NO_TABLE_MOVE && eWBase != WBASE_PAPER) {
            if (!aTable.MoveToWhiteRefPos(static_cast<short>(nWhiteRefPos)))
                return 0;
            aTable.MoveDown();
            bMoved = true;
        }
    }
    unsigned char nResult = ExecuteWhiteMeasurement();
    if (bMoved) {
        aTable.MoveUp();
        if (bMoveBack)
            aTable.MoveAbsolut(REFERENCE_TABLE, nX, nY);
    }
    if (nResult)
        mnCalFilter = rFilter;
    return nResult;
}

unsigned char VXNLib::WhiteRefOk(ValueFilterType eFilter)
{
    if (GetSWVersion() < 199)
        return 1;
    // The instrument keeps white references for filters 1 to 3 only; for any
    // other filter there is nothing to compare with and the check passes
    // without a request.
    if (eFilter < FILTER_NONE || eFilter > FILTER_D65)
        return 1;
    float aWhiteRefs[108];
    if (!WhiteRefRequest(aWhiteRefs))
        return 0;
    PhysicalConditions aPhys{ActualFilterClass(eFilter), WBaseClass(WBASE_ABSOLUTE)};
    Spectrum aReference(aPhys, aWhiteRefs + (eFilter - 1) * Spectrum::COUNT);
    float aValues[Spectrum::COUNT];
    if (!MeasureSpectrum(aValues))
        return 0;
    Spectrum aMeasured(aPhys, aValues);
    float fDeltaE = DeltaE::CIELAB(LABVector(aReference), LABVector(aMeasured));
    if (fDeltaE > WHITE_REFERENCE_TOLERANCE)
        WarningBox(Top(), 16, vxntext::Get(vxntext::WHITE_REFERENCE_DEVIATES)).Execute();
    return 1;
}
