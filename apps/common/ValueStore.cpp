#include "ValueStore.hpp"

#include "qel/AppConfig.hpp"
#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <cstdlib>
#include <filesystem>

namespace vxn {

std::string StorePath(const std::string& rStore)
{
    if (!rStore.empty())
        return rStore;
    // A station may default to a shared store.
    std::string configured = AppConfig::Instance()->ReadKey(String("Store"), String("Location"), String("")).str();
    if (!configured.empty())
        return configured;
    std::string base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.local/share";
    else
        base = ".";
    return base + "/QelVXN/values.db";
}

std::unique_ptr<ObjectStore> OpenValueStore(const std::string& rStore, bool bCreate, std::string& rError,
                                            bool* pbMissing)
{
    std::string path = StorePath(rStore);
    namespace fs = std::filesystem;
    std::error_code ec;
    // A database server (postgresql://…) has no folder; a file ("sqlite:"
    // or a plain path) must have one.
    bool bServer = path.rfind("postgresql:", 0) == 0 || path.rfind("postgres:", 0) == 0;
    std::string file = path.rfind("sqlite:", 0) == 0 ? path.substr(7) : path;
    fs::path dir = fs::path(file).has_parent_path() ? fs::path(file).parent_path() : fs::path(".");
    if (!bServer && bCreate && rStore.empty())
        fs::create_directories(dir, ec);
    if (!bServer && bCreate && !fs::is_directory(dir, ec)) {
        rError = "cannot keep values in " + file + ": folder " + dir.string() + " does not exist";
        return nullptr;
    }
    PtErrorCode code = PT_OK;
    String err;
    auto store = ObjectStore::Open(String(path), bCreate ? ObjectStore::OPEN_OR_CREATE : ObjectStore::OPEN_EXISTING,
                                   code, err);
    if (!store) {
        if (pbMissing)
            *pbMissing = code == PT_NOT_FOUND;
        rError = err.str();
    }
    return store;
}

std::unique_ptr<ObjectStore> OpenStoreOfGivenValues(const std::string& rStore, std::string& rError)
{
    bool missing = false;
    std::unique_ptr<ObjectStore> store = OpenValueStore(rStore, false, rError, &missing);
    if (!store && missing)
        rError = "there is no value store yet (vxn measure --save keeps values)";
    return store;
}

bool SaveMeasurement(ObjectStore& rStore, const Spectrum& rSpectrum, const MeasuringCondition& rCond,
                     const std::string& rName, long& rId, std::string& rError)
{
    GPtMesswert value;
    value.SetMeasuringCondition(rCond);
    value.SetSpectrum(rSpectrum, 0);
    value.SetBezeichnung(String(rName));
    if (rStore.Save(value) != PT_OK) {
        rError = "the measurement was not kept: " + rStore.GetLastError().str();
        return false;
    }
    rId = value.GetId();
    return true;
}

} // namespace vxn
