#include "ValueStore.hpp"

#include "qel/AppConfig.hpp"
#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "qeldb/PgStore.hpp"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

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

namespace {

bool IsServer(const std::string& rPath)
{
    return rPath.rfind("postgresql:", 0) == 0 || rPath.rfind("postgres:", 0) == 0;
}

} // namespace

bool SameStore(const std::string& rA, const std::string& rB)
{
    std::string a = StorePath(rA), b = StorePath(rB);
    if (IsServer(a) || IsServer(b))
        return a == b;
    namespace fs = std::filesystem;
    std::error_code ec;
    auto file = [&](const std::string& s) { return fs::weakly_canonical(s.rfind("sqlite:", 0) == 0 ? s.substr(7) : s, ec); };
    return file(a) == file(b);
}

std::unique_ptr<ObjectStore> OpenValueStore(const std::string& rStore, bool bCreate, std::string& rError,
                                            bool* pbMissing)
{
    std::string path = StorePath(rStore);
    namespace fs = std::filesystem;
    std::error_code ec;
    // A database server (postgresql://…) has no folder; a file ("sqlite:"
    // or a plain path) must have one.
    bool bServer = IsServer(path);
    std::string file = path.rfind("sqlite:", 0) == 0 ? path.substr(7) : path;
    fs::path dir = fs::path(file).has_parent_path() ? fs::path(file).parent_path() : fs::path(".");
    if (!bServer && bCreate && rStore.empty())
        fs::create_directories(dir, ec);
    if (!bServer && bCreate && !fs::is_directory(dir, ec)) {
        rError = "cannot keep values in " + file + ": folder " + dir.string() + " does not exist";
        return nullptr;
    }
    // A password written into the location stands in the shell's history
    // and the process list, or in clear in the configuration.
    if (bServer && PgStore::WithoutPassword(path) != path) {
        rError = "the store's location " + PgStore::WithoutPassword(path) +
                 " holds a password; keep it in ~/.pgpass (or PGPASSFILE, PGPASSWORD) instead";
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

std::string StationName(const std::string& rStation)
{
    if (!rStation.empty())
        return rStation;
    std::string configured = AppConfig::Instance()->ReadKey(String("Store"), String("Station"), String("")).str();
    if (!configured.empty())
        return configured;
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        return "";
    return host;
}

bool SaveMeasurement(ObjectStore& rStore, const Spectrum& rSpectrum, const MeasuringCondition& rCond,
                     const std::string& rName, const Origin& rOrigin, long& rId, std::string& rError)
{
    GPtMesswert value;
    value.SetOrigin(rOrigin.station, rOrigin.instrument);
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
