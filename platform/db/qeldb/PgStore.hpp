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

#include <initializer_list>
#include <string>

struct pg_conn;
struct pg_result;

class PgStore : public ObjectStore {
public:
    // Layout of the tables; a store of a later layout is refused.
    static constexpr int FORMAT = 2;

    static std::unique_ptr<PgStore> Open(const String& rUri, OpenMode eMode, PtErrorCode& rCode, String& rError);
    ~PgStore() override;

    using ObjectStore::Save;
    PtErrorCode Save(objectId& rObject) override;
    using ObjectStore::Load;
    PtErrorCode Load(objectIdSet& rSet, const Selection& rWhich) override;
    PtErrorCode Load(long nId, objectId& rObject) override;
    PtErrorCode Remove(long nId, int nClassId) override;
    PtErrorCode GetChangeMark(int nClassId, std::string& rMark) override;
    String GetLastError() const override { return String(maError); }
    String GetLocation() const override { return String(maShown); }

    // The location as messages show it: without a password.
    static std::string WithoutPassword(const std::string& rUri);

private:
    PgStore(pg_conn* pConn, std::string aShown) : mpConn(pConn), maShown(std::move(aShown)) {}

    // Sets up a new store or brings an old one up to date, in one
    // transaction; PT_OK when the store is of this program's format.
    PtErrorCode Prepare(OpenMode eMode);
    // The store's format, 0 when there is none yet; a later one is refused.
    PtErrorCode ReadFormat(int& rFormat);
    // One row of COLUMNS into rObject; false (saying why) when it cannot be read.
    bool ReadRow(pg_result* pResult, int nRow, objectId& rObject);
    // A result that clears itself.
    struct Result {
        pg_result* p;
        explicit Result(pg_result* r) : p(r) {}
        Result(Result&& r) noexcept : p(r.p) { r.p = nullptr; }
        Result(const Result&) = delete;
        Result& operator=(const Result&) = delete;
        ~Result();
        bool Ok() const;
    };
    // Whether the statement did what it should; if not, the server's reason
    // is kept for Fail.
    bool Check(const Result& rResult);
    // Runs a statement with text parameters (and one binary one, the index
    // block, when given).
    Result Query(const char* pSql, std::initializer_list<std::string> aParams, const std::string* pBlock = nullptr);
    // Query for statements whose rows are not read: the identity a RETURNING
    // gave, or the number of rows touched.
    bool Run(const char* pSql, std::initializer_list<std::string> aParams, const std::string* pBlock = nullptr,
             long* pId = nullptr, long* pRows = nullptr);
    // The object's index block as bytes; false (saying why) for data that
    // cannot be stored.
    bool Encode(objectId& rObject, std::string& rBytes);
    // An INSERT of the object's row (INSERT's parameters) under rUid.
    bool Insert(const std::string& rSql, objectId& rObject, const std::string& rUid, const std::string& rBytes,
                long* pId, long* pRows);
    PtErrorCode Fail(const std::string& rWhat);
    PtErrorCode BeginWrite() override;
    PtErrorCode CommitWrite() override;
    void RollbackWrite() override;
    PtErrorCode Put(objectId& rObject, bool& rbNew) override;
    PtErrorCode PutCopy(objectId& rObject, bool& rbAdded) override;
    PtErrorCode Delete(long nId, int nClassId);

    pg_conn* mpConn;
    std::string maShown;
    std::string maError;
    std::string maReason;  // the server's reason for the last failed statement
    bool mbEmpty = false;  // opened to be read and no tables yet
};
