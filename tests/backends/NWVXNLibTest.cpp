// The driver-module library over a scripted driver module: what each
// override answers, what reaches the module, and the shared instance pointer.
#include "qel/AppConfig.hpp"
#include "qel/ConditionClasses.hpp"
#include "qelvxn/backends/CInstrumentWrapper.hpp"
#include "qelvxn/backends/CSerialPort.hpp"
#include "qelvxn/backends/CvGeDr.hpp"
#include "qelvxn/backends/NWVXNLib.hpp"
#include "sv/ScriptedResponder.hpp"
#include "support/TestEnv.hpp"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <functional>
#include <string>

namespace {

// One loaded scripted module; the library's handle is put back afterwards.
class ScriptedModule {
public:
    explicit ScriptedModule(const char* pName = "scripted_driver.so")
    {
        mpHandle = dlopen((std::string(VXN_BIN_DIR) + "/" + pName).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (mpHandle)
            Call<void (*)()>("Scripted_Reset")();
    }
    ~ScriptedModule()
    {
        if (CInstrumentWrapper::GetDriverHandle() == Handle())
            CInstrumentWrapper::SetDriverHandle(nullptr);
        if (mpHandle)
            dlclose(mpHandle);
    }
    HINSTANCE Handle() const { return static_cast<HINSTANCE>(mpHandle); }
    template <typename Fn>
    Fn Call(const char* pName) const
    {
        return reinterpret_cast<Fn>(dlsym(mpHandle, pName));
    }
    std::string Log() const { return Call<const char* (*)()>("Scripted_Log")(); }
    void ClearLog() const { Call<void (*)()>("Scripted_ClearLog")(); }
    void Set(const char* pName, int n) const { Call<void (*)(int)>(pName)(n); }
    void Status(const char* p) const { Call<void (*)(const char*)>("Scripted_SetStatus")(p); }
    void Grid(int s, int e, int i) const { Call<void (*)(int, int, int)>("Scripted_SetGrid")(s, e, i); }
    void Value(int k, double v) const { Call<void (*)(int, double)>("Scripted_SetValue")(k, v); }

private:
    void* mpHandle = nullptr;
};

class NWVXNLibTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(mod.Handle(), nullptr) << dlerror();
        AppConfig::SetPathName(String(testenv::FreshConfigPath()));
        // No port: the library's open fails quietly.
        Write("Ports", "COM1", "/nonexistent/ttyS0");
        Write("VXN", "Type", "cv-test");
    }
    void TearDown() override
    {
        NWVXNLib::DestroyNWVXNLib();
        VXNLib* p = VXNLib::mpInstance;
        if (p) {
            QelSingleton::Remove(p);
            delete p;
        }
    }
    static void Write(const char* g, const char* k, const char* v)
    {
        AppConfig::Instance()->WriteKey(String(g), String(k), String(v));
    }

    ScriptedResponder boxes;
    ScopedResponder use{boxes};
    ScriptedModule mod;
};

TEST_F(NWVXNLibTest, EachOverrideAnswersFromTheDriverOrWithItsFixedValue)
{
    Write("Corvane", "Illuminant", "2");
    Write("Corvane", "Observer", "1");
    mod.Set("Scripted_SetGeometry", 0); // device type 4
    NWVXNLib* lib = NWVXNLib::CreateNWVXNLib(mod.Handle());
    ASSERT_NE(lib, nullptr);
    char dir[129] = "keep";
    char name[13] = "keep";
    unsigned char data[512] = {42};
    unsigned long size = 77;
    unsigned char s4[4] = {9, 9, 9, 9}, s3[3] = {8, 8, 8}, last = 5;
    unsigned short count = 66, index = 1;
    FileTypeType type{};
    ControlType answer{};

    struct Row {
        const char* op;
        std::function<long()> call;
        long want;
    } rows[] = {
        {"GetSWVersion", [&] { return long(lib->GetSWVersion()); }, 100},
        {"GetDeviceType", [&] { return lib->GetDeviceType(); }, 4},
        {"DeviceReady", [&] { return long(lib->DeviceReady()); }, 1},
        {"IsaVXN", [&] { return long(lib->IsaVXN()); }, 1},
        {"IsaDensitometer", [&] { return long(lib->IsaDensitometer()); }, 0},
        {"IsaChromalette", [&] { return long(lib->IsaChromalette()); }, 0},
        {"IsaLumovista", [&] { return long(lib->IsaLumovista()); }, 0},
        {"IsaHuepointer", [&] { return long(lib->IsaHuepointer()); }, 0},
        {"HasaTableWalker", [&] { return long(lib->HasaTableWalker()); }, 0},
        {"HasaTableWalkerT", [&] { return long(lib->HasaTableWalkerT()); }, 0},
        {"FilterDownload on type 4", [&] { return long(lib->FilterDownload(ValueFilterType(8))); }, 0},
        {"FileActDriveRequest", [&] { return long(lib->FileActDriveRequest(dir)); }, 0},
        {"FileChangeDrive", [&] { return long(lib->FileChangeDrive(dir)); }, 0},
        {"FileActDirRequest", [&] { return long(lib->FileActDirRequest(dir)); }, 0},
        {"FileChangeDir", [&] { return long(lib->FileChangeDir(dir)); }, 0},
        {"FileDOSStatusRequest", [&] { return long(lib->FileDOSStatusRequest(name, size, s4, s3, last)); }, 0},
        {"FileEntryCount", [&] { return long(lib->FileEntryCount(count)); }, 0},
        {"FileDOSEntryRequest", [&] { return long(lib->FileDOSEntryRequest(index, name, type)); }, 0},
        {"FileCreateDOSFile", [&] { return long(lib->FileCreateDOSFile(name, FileWriteType{}, 10)); }, 0},
        {"FileDOSAccessStart", [&] { return long(lib->FileDOSAccessStart(name, FileAccessType{})); }, 0},
        {"FileDOSAccessEnd", [&] { return long(lib->FileDOSAccessEnd(name)); }, 0},
        {"FileWriteToDOSFile", [&] { return long(lib->FileWriteToDOSFile(name, 0, data)); }, 0},
        {"FileReadFromDOSFile", [&] { return long(lib->FileReadFromDOSFile(name, 0, data, last)); }, 0},
        {"ParameterDownloadNew", [&] { return long(lib->ParameterDownloadNew(DStdType(2), StoredWBaseType(0), IllumType(0), ObserverType(1))); }, 1},
        {"ExecuteWhiteMeasurement", [&] { return long(lib->ExecuteWhiteMeasurement()); }, 1},
        {"ExecuteMeasurement", [&] { return long(lib->ExecuteMeasurement()); }, 1},
        {"MeasureControlRequest", [&] { return long(lib->MeasureControlRequest(ControlType{}, answer)); }, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.op);
        EXPECT_EQ(r.call(), r.want);
    }
    // The file-system operations left every out-argument as it was.
    EXPECT_STREQ(dir, "keep");
    EXPECT_STREQ(name, "keep");
    EXPECT_EQ(data[0], 42);
    EXPECT_EQ(size, 77u);
    EXPECT_EQ(s4[0], 9);
    EXPECT_EQ(s3[2], 8);
    EXPECT_EQ(last, 5);
    EXPECT_EQ(count, 66);

    EXPECT_EQ(lib->GetVXNLibType().str(), "NWVXNLib");
    EXPECT_EQ(lib->GetDeviceName().str(), "CV-TEST");
    EXPECT_EQ(lib->GetSerieNr().str(), "");
    EXPECT_EQ(lib->GetDriver()->SerieNrRequest(), 1);
    EXPECT_EQ(lib->GetSerieNr().str(), "SN-4711");

    DStdType d = DStdType(3);
    StoredWBaseType w = StoredWBaseType(0);
    IllumType i = IllumType(0);
    ObserverType o = ObserverType(0);
    ValueFilterType f = ValueFilterType(0);
    EXPECT_EQ(lib->ParameterRequest(d, w, i, o, f), 1);
    EXPECT_EQ(d, DStdType(3)); // as the caller passed it
    EXPECT_EQ(f, ValueFilterType(1));
    EXPECT_EQ(i, IllumType(2));
    EXPECT_EQ(o, ObserverType(1));
    EXPECT_EQ(w, StoredWBaseType(1));

    ActualFilterClass current(ValueFilterType(3));
    EXPECT_FALSE(lib->GetCurrentFilter(current));
    EXPECT_EQ(current.GetType(), ValueFilterType(3));
    // A plug-in instrument was never asked to open a port it does not use.
    EXPECT_FALSE(lib->GetPort()->IsOpen());
}

TEST_F(NWVXNLibTest, SpectrumRequestNewHandsOutTheConvertedMeasurement)
{
    mod.Grid(400, 700, 20);
    for (int k = 0; k < 16; ++k)
        mod.Value(k, 0.1 * (k + 1));
    NWVXNLib* lib = NWVXNLib::CreateNWVXNLib(mod.Handle());
    ASSERT_EQ(lib->ExecuteMeasurement(), 1);
    float v[36];
    unsigned char flag = 0;
    EXPECT_EQ(lib->SpectrumRequestNew(ValueType{}, SpectType{}, v, flag), 1);
    EXPECT_FLOAT_EQ(v[0], 0);
    EXPECT_FLOAT_EQ(v[2], 0.1f);
    EXPECT_FLOAT_EQ(v[3], 0.15f);
    EXPECT_FLOAT_EQ(v[32], 1.6f);
    // A bad grid fails with a reason and keeps the previous spectrum.
    mod.Grid(380, 730, 5);
    EXPECT_EQ(lib->ExecuteMeasurement(), 0);
    EXPECT_NE(lib->GetDriver()->GetLastError().str().find("interval of 5 nm"), std::string::npos);
    float again[36];
    lib->SpectrumRequestNew(ValueType{}, SpectType{}, again, flag);
    EXPECT_FLOAT_EQ(again[3], 0.15f);
    // The measurement itself failing.
    mod.Grid(380, 730, 10);
    mod.Set("Scripted_SetMeasureResult", 3);
    EXPECT_EQ(lib->ExecuteMeasurement(), 0);
}

TEST_F(NWVXNLibTest, FilterSwitchingSendsTheHeadCommandsOfEachFilter)
{
    mod.Set("Scripted_SetGeometry", 1); // device type 2
    NWVXNLib* lib = NWVXNLib::CreateNWVXNLib(mod.Handle());
    struct Case {
        const char* status;
        int code;
        const char* sent;
        long result;
    } cases[] = {
        // 8 when 'E' already shows: 5 and 50 all the same, no measurement.
        {"R-E", 8, "5,50,2,2", 1},
        {"R--", 9, "4,2,2,2", 1},
        // 7 from E: the base command leaves E on, so it is taken off.
        {"R-E", 7, "5,2,49,2,2", 1},
        {"RT-", 7, "5,2,2,2", 1},
        {"R--", 3, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " from " + c.status);
        mod.Status(c.status);
        mod.ClearLog();
        EXPECT_EQ(lib->FilterDownload(ValueFilterType(c.code)), c.result);
        EXPECT_EQ(mod.Log(), c.sent);
    }
    mod.Status("RT-");
    ActualFilterClass current;
    EXPECT_TRUE(lib->GetCurrentFilter(current));
    EXPECT_EQ(current.GetType(), ValueFilterType(9));
}

TEST_F(NWVXNLibTest, AnUncalibratedInstrumentIsCalibratedBeforeItMeasures)
{
    mod.Set("Scripted_SetGeometry", 1);
    mod.Set("Scripted_SetCalibrated", 0);
    NWVXNLib* lib = NWVXNLib::CreateNWVXNLib(mod.Handle());
    EXPECT_EQ(lib->ExecuteMeasurement(), 1);
    EXPECT_EQ(mod.Call<int (*)()>("Scripted_WhiteCount")(), 1);
    ASSERT_EQ(boxes.Boxes().size(), 2u); // the warning, then the note
    EXPECT_EQ(boxes.Boxes()[0].nStyle, 16);
    // A module that never becomes calibrated: the rounds of questions are
    // bounded, and the module is asked to measure as it is.
    boxes.Clear();
    mod.Set("Scripted_SetCalibrated", 0);
    mod.Set("Scripted_SetCalibrateOnWhite", 0);
    EXPECT_EQ(lib->ExecuteMeasurement(), 1);
    EXPECT_EQ(boxes.Boxes().size(), 2u * CvGeDr::MAX_CALIBRATION_ROUNDS);
    EXPECT_EQ(mod.Call<int (*)()>("Scripted_WhiteCount")(), 1 + CvGeDr::MAX_CALIBRATION_ROUNDS);
}

TEST_F(NWVXNLibTest, InstancePointerRules)
{
    // None yet: no message.
    EXPECT_EQ(NWVXNLib::Instance(), nullptr);
    NWVXNLib::DestroyNWVXNLib();
    EXPECT_TRUE(boxes.Boxes().empty());

    // A ScanLib exists: it is replaced, the registry holds only the new object.
    size_t before = QelSingleton::Count();
    VXNLib* scan = VXNLib::CreateVXNLib(0);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(NWVXNLib::Instance(), nullptr); // a ScanLib is no NWVXNLib
    NWVXNLib::DestroyNWVXNLib();              // and is not destroyed by it
    EXPECT_EQ(static_cast<VXNLib*>(VXNLib::mpInstance), scan);
    NWVXNLib* first = NWVXNLib::CreateNWVXNLib(mod.Handle());
    EXPECT_EQ(NWVXNLib::Instance(), first);
    EXPECT_EQ(static_cast<VXNLib*>(VXNLib::Instance()), static_cast<VXNLib*>(first));
    EXPECT_EQ(QelSingleton::Count(), before + 1);

    // An NWVXNLib exists: a second creation replaces it.
    NWVXNLib* second = NWVXNLib::CreateNWVXNLib(mod.Handle());
    EXPECT_EQ(NWVXNLib::Instance(), second);
    EXPECT_EQ(QelSingleton::Count(), before + 1);
    EXPECT_TRUE(QelSingleton::IsRegistered(static_cast<VXNLib*>(second)));

    // CreateVXNLib replaces an NWVXNLib in turn.
    VXNLib* back = VXNLib::CreateVXNLib(0);
    EXPECT_EQ(NWVXNLib::Instance(), nullptr);
    EXPECT_EQ(static_cast<VXNLib*>(VXNLib::mpInstance), back);

    // Destroying clears the pointer; the module handle outlives the library.
    NWVXNLib::CreateNWVXNLib(mod.Handle());
    NWVXNLib::DestroyNWVXNLib();
    EXPECT_EQ(VXNLib::mpInstance, nullptr);
    EXPECT_EQ(QelSingleton::Count(), before);
    EXPECT_EQ(CInstrumentWrapper::GetDriverHandle(), mod.Handle());
}

TEST_F(NWVXNLibTest, ANullHandleUsesTheHandleSetBeforeAndStartsTheDriver)
{
    CInstrumentWrapper::SetDriverHandle(mod.Handle());
    NWVXNLib::CreateNWVXNLib(nullptr);
    EXPECT_EQ(mod.Log().rfind("0,38,2,2", 0), 0u) << mod.Log(); // start, after start, status twice
    mod.ClearLog();
    NWVXNLib::CreateNWVXNLib(mod.Handle());
    EXPECT_EQ(mod.Log().find('0'), std::string::npos) << mod.Log(); // no start with a given handle
}

TEST_F(NWVXNLibTest, WithoutAModuleEveryCallFailsOrAnswersItsDefault)
{
    CInstrumentWrapper::SetDriverHandle(nullptr);
    NWVXNLib* lib = NWVXNLib::CreateNWVXNLib(nullptr);
    ASSERT_NE(lib, nullptr);
    EXPECT_FALSE(lib->DeviceReady());
    EXPECT_EQ(lib->GetDeviceType(), 2);
    EXPECT_EQ(lib->ExecuteMeasurement(), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(CInstrumentWrapper, ReleaseFreesTheModuleWhenTheLastUseIsGone)
{
    struct Case {
        int refCount;
        bool freed;
        int countAfter;
    } cases[] = {{1, true, 0}, {2, false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refCount);
        // Loaded twice so that the module outlives the library's FreeLibrary.
        ScriptedModule keep;
        void* h = dlopen((std::string(VXN_BIN_DIR) + "/scripted_driver.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        keep.Set("Scripted_SetRefCount", c.refCount);
        CInstrumentWrapper::SetDriverHandle(static_cast<HINSTANCE>(h));
        EXPECT_EQ(CInstrumentWrapper::Instance()->Release(), 0);
        EXPECT_EQ(CInstrumentWrapper::GetDriverHandle() == nullptr, c.freed);
        EXPECT_EQ(keep.Call<int (*)()>("Scripted_RefCount")(), c.countAfter);
        EXPECT_EQ(keep.Log(), c.freed ? "19" : "");
        if (!c.freed)
            dlclose(h);
        CInstrumentWrapper::SetDriverHandle(nullptr);
    }
    // Without a use count nothing is freed.
    ScriptedModule partial("scripted_partial_driver.so");
    CInstrumentWrapper::SetDriverHandle(partial.Handle());
    CInstrumentWrapper::Instance()->Release();
    EXPECT_EQ(CInstrumentWrapper::GetDriverHandle(), partial.Handle());
}

TEST(CInstrumentWrapper, NamesTheMissingEntryPointsAndFindsEitherGeometrySpelling)
{
    ScriptedModule full, partial("scripted_partial_driver.so");
    EXPECT_TRUE(CInstrumentWrapper::MissingEntryPoints(full.Handle()).empty());
    std::vector<std::string> want = {"GetReferenceCount", "PerformMeasurement"};
    EXPECT_EQ(CInstrumentWrapper::MissingEntryPoints(partial.Handle()), want);
    CInstrumentWrapper::SetDriverHandle(partial.Handle());
    partial.Set("Scripted_SetGeometry", 0);
    EXPECT_EQ(CInstrumentWrapper::Instance()->GetGeometry(), 0);
    double values[200];
    EXPECT_EQ(CInstrumentWrapper::Instance()->PerformMeasurement(values), -1);
    CInstrumentWrapper::SetDriverHandle(nullptr);
    EXPECT_EQ(CInstrumentWrapper::Instance()->GetGeometry(), -1);
}

TEST(Corvane, DriverPathAndDialogCommandLine)
{
    struct Case {
        const char* type;
        bool valid;
    } cases[] = {{"CX7", true}, {"cv_10-b", true}, {"", false}, {"../evil", false}, {"a b", false}, {"x;rm", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(Corvane::IsValidType(String(c.type)), c.valid);
    }
    AppConfig::SetPathName(String("/opt/app/conf/app.ini"));
    std::unique_ptr<SpectralPhotometer> p(CreatePhotometer(nullptr, String("cx7"), nullptr));
    auto* cv = dynamic_cast<CvGeDr*>(p.get());
    ASSERT_NE(cv, nullptr);
    EXPECT_EQ(cv->GetDriverPath().str(), "/opt/app/conf/Drivers/CX7/CX7.dll");
    EXPECT_EQ(cv->DriverDialogCommandLine().str(), "DIALOG.EXE /OPT/APP/CONF/DRIVERS/CX7/CX7.DLL  0");
    std::unique_ptr<SpectralPhotometer> bad(CreatePhotometer(nullptr, String("../x"), nullptr));
    EXPECT_EQ(dynamic_cast<CvGeDr*>(bad.get())->GetDriverPath().str(), "");
    AppConfig::SetPathName(String(testenv::FreshConfigPath()));
}

} // namespace
