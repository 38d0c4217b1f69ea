// SqliteStore: an object store in one SQLite file.
//
// The file is marked as an object store by its SQLite application id; a file
// that is not an SQLite database, an SQLite database of another program and
// a store that fails SQLite's quick check are refused when opened, with
// their path in the message, and nothing is written to them. A new store
// (or an empty file) is set up under a write lock, so two programs creating
// the same store at once both end up using it.
//
// Write-ahead logging lets readers go on while one program writes; writes
// wait up to BUSY_TIMEOUT_MS for each other, and each commit reaches the
// disk before Save returns (synchronous FULL).
#pragma once

#include "qeldb/ObjectStore.hpp"

#include <string>

struct sqlite3;
struct sqlite3_stmt;
class MyMemoryBlock;

class SqliteStore : public ObjectStore {
public:
    // Application id in the file's header: "QDB1".
    static constexpr int APPLICATION_ID = 0x51444231;
    // Layout of the tables; a store of a later layout is refused.
    static constexpr int FORMAT = 2;

    static std::unique_ptr<SqliteStore> Open(const String& rPath, OpenMode eMode, PtErrorCode& rCode,
                                             String& rError);
    ~SqliteStore() override;

    using ObjectStore::Save;
    PtErrorCode Save(objectId& rObject) override;
    using ObjectStore::Load;
    PtErrorCode Load(objectIdSet& rSet, const Selection& rWhich) override;
    PtErrorCode Load(long nId, objectId& rObject) override;
    PtErrorCode Remove(long nId, int nClassId) override;
    PtErrorCode GetChangeMark(int nClassId, std::string& rMark) override;
    String GetLastError() const override { return String(maError); }
    String GetLocation() const override { return String(maPath); }

private:
    SqliteStore(sqlite3* pDb, std::string aPath) : mpDb(pDb), maPath(std::move(aPath)) {}

    // Checks what the file is and sets up a new store; PT_OK when it is one.
    PtErrorCode Prepare(OpenMode eMode);
    PtErrorCode Setup();
    // Brings a store of an earlier format up to date, in one transaction.
    PtErrorCode Upgrade();
    // An integer the statement's first row gives.
    int QueryInt(const char* pSql, long long& rValue);
    int Exec(const char* pSql);
    // Maps an SQLite result to a code and a message naming the store.
    PtErrorCode Fail(int nRc, const std::string& rWhat);
    PtErrorCode BeginWrite() override;
    PtErrorCode CommitWrite() override;
    void RollbackWrite() override;
    PtErrorCode Put(objectId& rObject, bool& rbNew) override;
    PtErrorCode PutCopy(objectId& rObject, bool& rbAdded) override;
    // Runs an INSERT of one object's row (INSERT's parameters); the step's result.
    int Insert(const std::string& rSql, objectId& rObject, const MyMemoryBlock& rBlock, const std::string& rUid);
    // One row of COLUMNS into rObject; false (saying why) when it cannot be read.
    bool Read(sqlite3_stmt* pStmt, objectId& rObject);
    PtErrorCode Delete(long nId, int nClassId);
    PtErrorCode Rollback(PtErrorCode e);

    sqlite3* mpDb;
    std::string maPath;
    std::string maError;
    bool mbEmpty = false;  // an empty file opened to read: holds nothing yet
};
