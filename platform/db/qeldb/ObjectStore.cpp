#include "qeldb/ObjectStore.hpp"

#include "qeldb/PgStore.hpp"
#include "qeldb/SqliteStore.hpp"

std::unique_ptr<ObjectStore> ObjectStore::Open(const String& rLocation, OpenMode eMode, PtErrorCode& rCode,
                                               String& rError)
{
    const std::string& loc = rLocation.str();
    if (loc.rfind("postgresql:", 0) == 0 || loc.rfind("postgres:", 0) == 0)
        return PgStore::Open(rLocation, eMode, rCode, rError);
    if (loc.rfind("sqlite:", 0) == 0)
        return SqliteStore::Open(String(loc.substr(7)), eMode, rCode, rError);
    return SqliteStore::Open(rLocation, eMode, rCode, rError);
}
