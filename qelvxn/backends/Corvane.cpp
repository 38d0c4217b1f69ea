// Corvane and CvGeDr: the photometer side of a driver module. Every call
// into the module goes through the one CInstrumentWrapper, which looks the
// entry point up on the process-wide handle; without a module every call
// answers -1 and the photometer reports "not ready" / defaults.
#include "qelvxn/backends/CvGeDr.hpp"

#include "qel/AppConfig.hpp"
#include "qel/ConditionClasses.hpp"
#include "qel/RegisterTopWindow.hpp"
#include "qelvxn/backends/CInstrumentWrapper.hpp"
#include "qelvxn/backends/CSerialPort.hpp"
#include "qelvxn/backends/DriverEntryPoints.hpp"
#include "qelvxn/backends/SpectrumGrid.hpp"
#include "sv/MessBox.hpp"
#include "win32/Win32Api.hpp"

#include <cctype>
#include <cstring>
#include <new>
#include <string>

namespace {

CInstrumentWrapper& Module()
{
    // The wrapper exists while the library is loaded; a stand-in keeps calls
    // harmless should the library be used during its own unload.
    static CInstrumentWrapper aFallback;
    CInstrumentWrapper* p = CInstrumentWrapper::Instance();
    return p ? *p : aFallback;
}

int Head(int nCommand, char* pBuffer)
{
    return Module().ReadHead(nCommand, 0, 0, pBuffer);
}

String Upper(const String& r)
{
    std::string s = r.str();
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return String(s);
}

} // namespace

// ---- Corvane ------------------------------------------------------------------

bool Corvane::IsValidType(const String& rType)
{
    const std::string& s = rType.str();
    if (s.empty())
        return false;
    for (unsigned char c : s)
        if (!std::isalnum(c) && c != '_' && c != '-')
            return false;
    return true;
}

Corvane::Corvane(CSerialPort* pPort, const String& rType)
    : mpPort(pPort), maName(rType), maTexts(String("Corvane"))
{
    // From now on the module uses the line itself.
    if (mpPort)
        mpPort->Close();
    mbOnline = 0;
    mbModuleAcquired = 0;
    if (IsValidType(rType)) {
        // The configuration file's folder, then Drivers/<type>/<type>.dll;
        // both separators count in the configured path.
        std::string cfg = AppConfig::Instance()->GetPathName().str();
        size_t cut = cfg.find_last_of("/\\");
        std::string folder = cut == std::string::npos ? "" : cfg.substr(0, cut + 1);
        for (char& c : folder)
            if (c == '\\')
                c = '/';
        const std::string& t = rType.str();
        maDriverPath = String(folder + "Drivers/" + t + "/" + t + ".dll");
    }
}

Corvane::~Corvane()
{
    if (mbModuleAcquired)
        Module().Release();
    if (mpPort && mpPort->IsOpen())
        mpPort->Reopen();
}

unsigned char Corvane::DeviceReady()
{
    char name[corvane::NAME_BUFFER_SIZE] = {};
    Module().GetInstrumentName(name);
    char reply[corvane::HEAD_BUFFER_SIZE] = {};
    return Head(corvane::HEAD_STATUS, reply) == 0;
}

unsigned char Corvane::Open()
{
    char buffer[corvane::HEAD_BUFFER_SIZE] = {};
    lstrcpyA(buffer, "english");
    if (mnLanguageStart == 0)
        return 0;
    if (Head(corvane::HEAD_START, buffer) != 0)
        return 0;
    Head(corvane::HEAD_AFTER_START, buffer);
    return 1;
}

long Corvane::GetIllumination()
{
    String s = AppConfig::Instance()->ReadKey(String("Corvane"), String("Illuminant"));
    return s.str().empty() ? 1 : s.ToLong();
}

long Corvane::GetObserver()
{
    String s = AppConfig::Instance()->ReadKey(String("Corvane"), String("Observer"));
    return s.str().empty() ? 0 : s.ToLong();
}

unsigned char Corvane::SpectrumRequest(float* pValues)
{
    if (pValues)
        std::memcpy(pValues, maSpectrum, sizeof maSpectrum);
    return 1;
}

String Corvane::DriverDialogCommandLine() const
{
    String line = Upper(String(std::string("Dialog.exe ") + maDriverPath.str() + " " + maDialogParameter));
    long baud = mpPort ? mpPort->GetBaudRate() : 0;
    return String(line.str() + " " + std::to_string(baud));
}

void Corvane::ShowDriverDialog()
{
    WinExec(DriverDialogCommandLine().str().c_str(), SW_SHOW);
}

// ---- CvGeDr -------------------------------------------------------------------

unsigned char CvGeDr::Reconnect()
{
    return mbOnline ? Open() : 0;
}

unsigned char CvGeDr::Open()
{
    if (!Corvane::Open())
        return 0;
    char reply[corvane::HEAD_BUFFER_SIZE] = {};
    if (Head(mnExtendedStart ? corvane::HEAD_EXTENDED_START : corvane::HEAD_STATUS, reply) != 0)
        return 0;
    return Head(corvane::HEAD_STATUS, reply) == 0;
}

long CvGeDr::GetDeviceType()
{
    return Module().GetGeometry() == 0 ? 4 : 2;
}

long CvGeDr::FilterFromStatus(const char* pReply)
{
    if (pReply[1] == 'T')
        return 9;
    if (pReply[2] == 'E')
        return 8;
    return 7;
}

long CvGeDr::GetFilter()
{
    char reply[corvane::HEAD_BUFFER_SIZE] = {};
    Head(corvane::HEAD_STATUS, reply);
    if (GetDeviceType() != 2)
        return 1;
    return FilterFromStatus(reply);
}

unsigned char CvGeDr::GetCurrentFilter(ActualFilterClass& rFilter)
{
    char reply[corvane::HEAD_BUFFER_SIZE] = {};
    Head(corvane::HEAD_STATUS, reply);
    if (GetDeviceType() != 2)
        return 0;
    rFilter = ActualFilterClass(static_cast<ValueFilterType>(FilterFromStatus(reply)));
    return 1;
}

unsigned char CvGeDr::FilterDownload(ValueFilterType eFilter)
{
    if (GetDeviceType() != 2)
        return 0;
    char buffer[corvane::HEAD_BUFFER_SIZE] = {};
    const long code = eFilter;
    auto engage = [&] {
        long now = GetFilter();
        if (now != 9 && now != 7)
            Head(corvane::HEAD_FILTER_ENGAGE, buffer);
    };
    switch (code) {
    case 7:
        Head(corvane::HEAD_FILTER_BASE, buffer);
        engage();
        break;
    case 8:
        Head(corvane::HEAD_FILTER_BASE, buffer);
        Head(corvane::HEAD_FILTER_E, buffer);
        break;
    case 9:
        Head(corvane::HEAD_FILTER_T, buffer);
        engage();
        break;
    default:
        return 0;
    }
    // The head takes the new filter with the next measurement.
    if (GetFilter() != code)
        ExecuteMeasurement();
    return GetFilter() == code;
}

unsigned char CvGeDr::ExecuteWhiteMeasurement()
{
    if (!DeviceReady())
        return 0;
    char reply[corvane::HEAD_BUFFER_SIZE] = {};
    Head(corvane::HEAD_STATUS, reply);
    int r = 0;
    if (GetDeviceType() == 2) {
        if (reply[1] == 'T')
            Head(corvane::HEAD_FILTER_T, reply);
        char work[corvane::WHITE_WORK_AREA_SIZE] = {};
        std::int32_t zero = 0;
        r = Module().ReadHead(corvane::HEAD_WHITE, reinterpret_cast<std::intptr_t>(work),
                              reinterpret_cast<std::intptr_t>(&zero), reply);
    }
    if (r == 0)
        Module().Calibrated();
    return 1;
}

unsigned char CvGeDr::ExecuteMeasurement()
{
    maLastError = String();
    return Measure(0);
}

unsigned char CvGeDr::Measure(int nRound)
{
    if (!DeviceReady()) {
        maLastError = String("the instrument is not ready");
        return 0;
    }
    if (Module().Calibrated() == 0) {
        // Bounded, so that a module that never reports "calibrated" cannot
        // keep the user confirming forever; the outer rounds measure all the same.
        if (nRound >= MAX_CALIBRATION_ROUNDS)
            return 0;
        WarningBox(RegisterTopWindow::GetActiveTopWindow(), 16, maTexts.GetText(0)).Execute();
        if (!ExecuteWhiteMeasurement()) {
            maLastError = String("the white calibration failed");
            return 0;
        }
        InfoBox(RegisterTopWindow::GetActiveTopWindow(), maTexts.GetText(5)).Execute();
        Measure(nRound + 1);
    }
    double values[corvane::MEASUREMENT_CAPACITY] = {};
    if (Module().PerformMeasurement(values) != 0) {
        maLastError = String("the instrument did not measure");
        return 0;
    }
    corvane::Grid grid;
    grid.nInterval = Module().GetWavelengthInterval();
    grid.nStart = Module().GetStartingWavelength();
    grid.nEnd = Module().GetEndingWavelength();
    String why;
    if (!corvane::ResampleToLibrary(grid, values, corvane::MEASUREMENT_CAPACITY, maSpectrum, why)) {
        maLastError = why;
        return 0;
    }
    return 1;
}

unsigned char CvGeDr::SerieNrRequest()
{
    char reply[corvane::HEAD_BUFFER_SIZE] = {};
    if (Head(corvane::HEAD_SERIAL_NUMBER, reply) != 0)
        return 0;
    reply[corvane::HEAD_BUFFER_SIZE - 1] = '\0';
    maSerieNr = String(reply);
    return 1;
}

// ---- factory ----------------------------------------------------------------------

SpectralPhotometer* CreatePhotometer(CSerialPort* pPort, String aType, HINSTANCE)
{
    return new (std::nothrow) CvGeDr(pPort, Upper(aType));
}
