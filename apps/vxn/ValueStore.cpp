#include "ValueStore.hpp"

#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <cstdlib>
#include <filesystem>

namespace vxn {

namespace {

bool IsDefault(const Globals& g)
{
    return g.store.empty();
}

} // namespace

std::string StorePath(const Globals& g)
{
    if (!g.store.empty())
        return g.store;
    std::string base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.local/share";
    else
        base = ".";
    return base + "/QelVXN/values.db";
}

std::unique_ptr<ObjectStore> OpenValueStore(const Globals& g, bool bCreate, std::string& rError, bool* pbMissing)
{
    std::string path = StorePath(g);
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : fs::path(".");
    if (bCreate && IsDefault(g))
        fs::create_directories(dir, ec);
    if (bCreate && !fs::is_directory(dir, ec)) {
        rError = "cannot keep values in " + path + ": folder " + dir.string() + " does not exist";
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

std::unique_ptr<ObjectStore> OpenStoreOfGivenValues(const Globals& g)
{
    std::string err;
    bool missing = false;
    std::unique_ptr<ObjectStore> store = OpenValueStore(g, false, err, &missing);
    if (!store)
        Error(missing ? "there is no value store yet (vxn measure --save keeps values)" : err);
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
