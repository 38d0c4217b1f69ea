#include "qeldb/ObjectStore.hpp"

#include "qeldb/SqliteStore.hpp"

std::unique_ptr<ObjectStore> ObjectStore::Open(const String& rLocation, OpenMode eMode, PtErrorCode& rCode,
                                               String& rError)
{
    const std::string& loc = rLocation.str();
    if (loc.rfind("postgresql:", 0) == 0 || loc.rfind("postgres:", 0) == 0) {
        rCode = PT_IO_ERROR;
        rError = String("this build keeps stores in files only; " + loc + " names a database server");
        return nullptr;
    }
    return SqliteStore::Open(rLocation, eMode, rCode, rError);
}
