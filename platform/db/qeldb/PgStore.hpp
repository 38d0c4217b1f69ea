// PgStore: an object store in a PostgreSQL database, for several stations
// sharing one set of objects. The location is a libpq connection URI
// (postgresql://… or postgres://…, also with ?host=/socket/folder);
// passwords come from libpq's own means (~/.pgpass, PGPASSFILE,
// PGPASSWORD), and no message of the store shows one.
//
// The tables are created on first use, under an advisory lock so that
// stations starting together create them once; the store's format is kept in
// a table of its own, and a store of a later format is refused and left
// untouched. Every Save is one transaction of parameterised statements (no
// statement is built from an object's text), so a server that goes away in
// the middle leaves nothing half-written.
#pragma once

#include "qeldb/ObjectStore.hpp"

#include <string>

struct pg_conn;

class PgStore : public ObjectStore {
public:
    // Layout of the tables; a store of a later layout is refused.
    static constexpr int FORMAT = 1;

    static std::unique_ptr<PgStore> Open(const String& rUri, OpenMode eMode, PtErrorCode& rCode, String& rError);
    ~PgStore() override;

    PtErrorCode Save(objectId& rObject) override;
    PtErrorCode Save(objectIdSet& rSet) override;
    PtErrorCode Load(objectIdSet& rSet) override;
    PtErrorCode Load(long nId, objectId& rObject) override;
    PtErrorCode Remove(long nId, int nClassId) override;
    String GetLastError() const override { return String(maError); }
    String GetLocation() const override { return String(maShown); }

    // The location as messages show it: without a password.
    static std::string WithoutPassword(const std::string& rUri);

private:
    PgStore(pg_conn* pConn, std::string aShown) : mpConn(pConn), maShown(std::move(aShown)) {}

    PtErrorCode Prepare(OpenMode eMode);
    // Runs a statement with text parameters (and one binary one, the index
    // block, when given); true when it did what it should.
    bool Run(const char* pSql, std::initializer_list<std::string> aParams, const std::string* pBlock = nullptr,
             long* pId = nullptr, long* pRows = nullptr);
    PtErrorCode Fail(const std::string& rWhat);
    PtErrorCode Put(objectId& rObject, bool& rbNew);
    PtErrorCode Delete(long nId, int nClassId);
    PtErrorCode Begin();
    PtErrorCode Commit();
    void Rollback();

    pg_conn* mpConn;
    std::string maShown;
    std::string maError;
    bool mbEmpty = false;  // opened to be read and no tables yet
};
