#include "qeldb/SqliteStore.hpp"

#include "qel/MyMemoryBlock.hpp"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <vector>

namespace {

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3* pDb, const char* pSql) { mnRc = sqlite3_prepare_v2(pDb, pSql, -1, &mpStmt, nullptr); }
    ~Statement() { sqlite3_finalize(mpStmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int Rc() const { return mnRc; }
    sqlite3_stmt* operator*() const { return mpStmt; }
    void Bind(int n, long long v) { sqlite3_bind_int64(mpStmt, n, v); }
    void Bind(int n, const std::string& s) { sqlite3_bind_text(mpStmt, n, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT); }
    void BindBlob(int n, const MyMemoryBlock& b)
    {
        sqlite3_bind_blob(mpStmt, n, b.GetData(), static_cast<int>(b.GetSize()), SQLITE_TRANSIENT);
    }
    int Step() { return mnRc == SQLITE_OK ? sqlite3_step(mpStmt) : mnRc; }

private:
    sqlite3_stmt* mpStmt = nullptr;
    int mnRc;
};

// The first format's tables; a new store is set up as that and brought up
// to date like any old store, so both end up with the same layout.
const char* const SCHEMA =
    "CREATE TABLE objects ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " class_id INTEGER NOT NULL,"
    " designation TEXT NOT NULL,"
    " created TEXT NOT NULL,"
    " index_block BLOB NOT NULL);"
    "CREATE INDEX objects_by_class ON objects(class_id, id);";

// UPGRADES[n - 1] brings format n to n + 1.
const char* const UPGRADES[] = {
    // 2: where each object came from; objects stored before get a new
    // universal identity each.
    "ALTER TABLE objects ADD COLUMN uid TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE objects ADD COLUMN station TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE objects ADD COLUMN instrument TEXT NOT NULL DEFAULT '';"
    "UPDATE objects SET uid = lower(hex(randomblob(16)));"
    "CREATE UNIQUE INDEX objects_by_uid ON objects(uid);",
};
static_assert(std::size(UPGRADES) == SqliteStore::FORMAT - 1);

const char* const INSERT =
    "INSERT INTO objects(class_id, designation, created, index_block, uid, station, instrument) "
    "VALUES(?,?,?,?,?,?,?)";

// The columns Load reads, in this order.
const char* const COLUMNS = "SELECT id, index_block, uid, station, instrument FROM objects ";

std::string Text(sqlite3_stmt* pStmt, int nColumn)
{
    const unsigned char* p = sqlite3_column_text(pStmt, nColumn);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(pStmt, nColumn)))
             : std::string();
}

} // namespace

std::unique_ptr<SqliteStore> SqliteStore::Open(const String& rPath, OpenMode eMode, PtErrorCode& rCode,
                                               String& rError)
{
    const std::string& path = rPath.str();
    struct stat st{};
    if (path.empty()) {
        rCode = PT_NOT_FOUND;
        rError = String("no store named (an empty path)");
        return nullptr;
    }
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        rCode = PT_NOT_A_STORE;
        rError = String(path + " is not a regular file, so not a store");
        return nullptr;
    }
    // Whatever is in the file, SQLite is shown only a file that says it is
    // an SQLite database (or an empty one).
    if (::stat(path.c_str(), &st) == 0 && st.st_size > 0) {
        char magic[16] = {};
        std::ifstream in(path, std::ios::binary);
        if (!in.read(magic, sizeof magic) || std::memcmp(magic, "SQLite format 3", sizeof magic) != 0) {
            rCode = in || st.st_size < 16 ? PT_NOT_A_STORE : PT_IO_ERROR;
            rError = String(rCode == PT_NOT_A_STORE ? path + " is not a store (not an SQLite database)"
                                                    : "cannot read " + path + ": " + std::strerror(errno));
            return nullptr;
        }
    }
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (eMode == OPEN_OR_CREATE ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    std::unique_ptr<SqliteStore> store(new SqliteStore(db, path));
    if (rc != SQLITE_OK) {
        rCode = rc == SQLITE_CANTOPEN && eMode == OPEN_EXISTING ? PT_NOT_FOUND : PT_IO_ERROR;
        rError = String(rCode == PT_NOT_FOUND ? "no store at " + path
                                              : "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
        return nullptr;
    }
    rCode = store->Prepare(eMode);
    if (rCode != PT_OK) {
        rError = store->GetLastError();
        return nullptr;
    }
    return store;
}

SqliteStore::~SqliteStore()
{
    sqlite3_close_v2(mpDb);
}

int SqliteStore::Exec(const char* pSql)
{
    return sqlite3_exec(mpDb, pSql, nullptr, nullptr, nullptr);
}

int SqliteStore::QueryInt(const char* pSql, long long& rValue)
{
    Statement s(mpDb, pSql);
    int rc = s.Step();
    if (rc == SQLITE_ROW) {
        rValue = sqlite3_column_int64(*s, 0);
        return SQLITE_OK;
    }
    return rc == SQLITE_DONE ? SQLITE_ERROR : rc;
}

PtErrorCode SqliteStore::Fail(int nRc, const std::string& rWhat)
{
    int rc = nRc & 0xFF;
    std::string msg = sqlite3_errstr(nRc);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        maError = maPath + " is busy: another program kept it locked for more than " +
                  std::to_string(BUSY_TIMEOUT_MS / 1000) + " s";
        return PT_BUSY;
    }
    if (rc == SQLITE_NOTADB) {
        maError = maPath + " is not a store (not an SQLite database)";
        return PT_NOT_A_STORE;
    }
    if (rc == SQLITE_CORRUPT) {
        maError = maPath + " is damaged (" + msg + ")";
        return PT_NOT_A_STORE;
    }
    maError = rWhat + " " + maPath + ": " + msg;
    return PT_IO_ERROR;
}

PtErrorCode SqliteStore::Prepare(OpenMode eMode)
{
    // Until the file is known to be a store, closing must not write to it
    // (a checkpoint would copy another program's log into its file).
    sqlite3_db_config(mpDb, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(mpDb, BUSY_TIMEOUT_MS);

    // Both in one read transaction: another program may be setting the
    // store up right now, and its tables without its mark would look like
    // another program's database.
    long long appId = 0, tables = 0, format = 0;
    int rc = Exec("BEGIN");
    if (rc == SQLITE_OK)
        rc = QueryInt("PRAGMA application_id", appId);
    if (rc == SQLITE_OK && appId == 0)
        rc = QueryInt("SELECT count(*) FROM sqlite_master", tables);
    if (!sqlite3_get_autocommit(mpDb))
        Exec("COMMIT");
    if (rc != SQLITE_OK)
        return Fail(rc, "cannot read");
    if (appId != APPLICATION_ID && (appId != 0 || tables != 0)) {
        maError = maPath + " is an SQLite database of another program, not a store";
        return PT_NOT_A_STORE;
    }
    if (appId == 0) {
        if (eMode == OPEN_EXISTING) {
            mbEmpty = true;
            return PT_OK;
        }
        PtErrorCode e = Setup();
        if (e != PT_OK)
            return e;
    } else {
        if ((rc = QueryInt("PRAGMA user_version", format)) != SQLITE_OK)
            return Fail(rc, "cannot read");
        if (format > FORMAT) {
            maError = maPath + " was written by a newer program (store format " + std::to_string(format) +
                      "; this program knows " + std::to_string(FORMAT) + ")";
            return PT_NOT_A_STORE;
        }
        Statement check(mpDb, "PRAGMA quick_check(1)");
        rc = check.Step();
        if (rc != SQLITE_ROW)
            return Fail(rc, "cannot read");
        const unsigned char* verdict = sqlite3_column_text(*check, 0);
        std::string v = verdict ? reinterpret_cast<const char*>(verdict) : "";
        if (v != "ok") {
            maError = maPath + " is damaged (" + v + ")";
            return PT_NOT_A_STORE;
        }
    }
    if ((rc = Exec("PRAGMA journal_mode=WAL")) != SQLITE_OK || (rc = Exec("PRAGMA synchronous=FULL")) != SQLITE_OK)
        return Fail(rc, "cannot open");
    if (format > 0 && format < FORMAT)
        if (PtErrorCode e = Upgrade(); e != PT_OK)
            return e;
    sqlite3_db_config(mpDb, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    return PT_OK;
}

PtErrorCode SqliteStore::Setup()
{
    int rc = Exec("PRAGMA journal_mode=WAL");
    if (rc == SQLITE_OK)
        rc = Exec("BEGIN IMMEDIATE");
    if (rc != SQLITE_OK)
        return Fail(rc, "cannot create a store in");
    // Another program may have set the store up while this one waited.
    long long appId = 0, tables = 0;
    rc = QueryInt("PRAGMA application_id", appId);
    if (rc == SQLITE_OK)
        rc = QueryInt("SELECT count(*) FROM sqlite_master", tables);
    if (rc != SQLITE_OK)
        return Rollback(Fail(rc, "cannot create a store in"));
    if (appId == APPLICATION_ID)
        return (rc = Exec("COMMIT")) == SQLITE_OK ? PT_OK : Rollback(Fail(rc, "cannot create a store in"));
    if (appId != 0 || tables != 0) {
        maError = maPath + " is an SQLite database of another program, not a store";
        return Rollback(PT_NOT_A_STORE);
    }
    std::string setup = std::string(SCHEMA) + "PRAGMA application_id=" + std::to_string(APPLICATION_ID) + ";";
    for (const char* step : UPGRADES)
        setup += step;
    setup += "PRAGMA user_version=" + std::to_string(FORMAT) + ";";
    if ((rc = Exec(setup.c_str())) != SQLITE_OK || (rc = Exec("COMMIT")) != SQLITE_OK)
        return Rollback(Fail(rc, "cannot create a store in"));
    return PT_OK;
}

PtErrorCode SqliteStore::Upgrade()
{
    int rc = Exec("BEGIN IMMEDIATE");
    // Another program may have brought it up to date while this one waited.
    long long format = 0;
    if (rc == SQLITE_OK)
        rc = QueryInt("PRAGMA user_version", format);
    std::string steps;
    for (long long n = format; n > 0 && n < FORMAT; ++n)
        steps += UPGRADES[n - 1];
    steps += "PRAGMA user_version=" + std::to_string(FORMAT) + ";";
    if (rc == SQLITE_OK)
        rc = Exec(steps.c_str());
    if (rc == SQLITE_OK)
        rc = Exec("COMMIT");
    if (rc != SQLITE_OK)
        return Rollback(Fail(rc, "cannot bring up to date (store format " + std::to_string(format) + " to " +
                                     std::to_string(FORMAT) + ")"));
    return PT_OK;
}

PtErrorCode SqliteStore::Rollback(PtErrorCode e)
{
    if (!sqlite3_get_autocommit(mpDb))
        Exec("ROLLBACK");
    return e;
}

PtErrorCode SqliteStore::Delete(long nId, int nClassId)
{
    Statement s(mpDb, "DELETE FROM objects WHERE id=? AND class_id=?");
    s.Bind(1, nId);
    s.Bind(2, nClassId);
    int rc = s.Step();
    if (rc != SQLITE_DONE)
        return Fail(rc, "cannot write");
    if (sqlite3_changes(mpDb) == 0) {
        maError = "no object " + std::to_string(nId) + " in " + maPath;
        return PT_NOT_FOUND;
    }
    return PT_OK;
}

int SqliteStore::Insert(const std::string& rSql, objectId& rObject, const MyMemoryBlock& rBlock, const std::string& rUid)
{
    Statement s(mpDb, rSql.c_str());
    s.Bind(1, rObject.GetClassID());
    s.Bind(2, rObject.GetBezeichnung().str());
    s.Bind(3, rObject.GetDateTimeText().str());
    s.BindBlob(4, rBlock);
    s.Bind(5, rUid);
    s.Bind(6, rObject.GetStation());
    s.Bind(7, rObject.GetInstrument());
    return s.Step();
}

PtErrorCode SqliteStore::Put(objectId& rObject, bool& rbNew)
{
    rbNew = false;
    if (rObject.IsDeleted())
        return rObject.GetId() ? Delete(rObject.GetId(), rObject.GetClassID()) : PT_OK;
    MyMemoryBlock block;
    if (!IndexBlockOf(rObject, block, maError))
        return PT_INVALID;
    if (rObject.GetId() == 0) {
        std::string uid = rObject.GetUid().empty() ? objectId::NewUid() : rObject.GetUid();
        int rc = Insert(INSERT, rObject, block, uid);
        if (rc != SQLITE_DONE)
            return Fail(rc, "cannot write");
        rObject.SetId(static_cast<long>(sqlite3_last_insert_rowid(mpDb)));
        rObject.SetUid(uid);
        rbNew = true;
        return PT_OK;
    }
    Statement s(mpDb, "UPDATE objects SET designation=?, created=?, index_block=? WHERE id=? AND class_id=?");
    s.Bind(1, rObject.GetBezeichnung().str());
    s.Bind(2, rObject.GetDateTimeText().str());
    s.BindBlob(3, block);
    s.Bind(4, rObject.GetId());
    s.Bind(5, rObject.GetClassID());
    int rc = s.Step();
    if (rc != SQLITE_DONE)
        return Fail(rc, "cannot write");
    if (sqlite3_changes(mpDb) == 0) {
        maError = "no object " + std::to_string(rObject.GetId()) + " in " + maPath;
        return PT_NOT_FOUND;
    }
    return PT_OK;
}

PtErrorCode SqliteStore::BeginWrite()
{
    if (mbEmpty) {
        maError = maPath + " was opened to be read";
        return PT_IO_ERROR;
    }
    int rc = Exec("BEGIN IMMEDIATE");
    return rc == SQLITE_OK ? PT_OK : Fail(rc, "cannot write");
}

PtErrorCode SqliteStore::Save(objectId& rObject)
{
    if (PtErrorCode e = BeginWrite(); e != PT_OK)
        return e;
    bool bNew = false;
    PtErrorCode e = Put(rObject, bNew);
    if (e == PT_OK)
        e = CommitWrite();
    if (e != PT_OK && bNew)
        rObject.SetId(0);
    return e == PT_OK ? e : Rollback(e);
}

bool SqliteStore::Read(sqlite3_stmt* pStmt, objectId& rObject)
{
    long id = static_cast<long>(sqlite3_column_int64(pStmt, 0));
    MyMemoryBlock block(sqlite3_column_blob(pStmt, 1), sqlite3_column_bytes(pStmt, 1));
    if (!rObject.SetIndexBlock(block)) {
        maError = maPath + " is damaged (object " + std::to_string(id) + " cannot be read)";
        return false;
    }
    rObject.SetId(id);
    rObject.SetUid(Text(pStmt, 2));
    rObject.SetOrigin(Text(pStmt, 3), Text(pStmt, 4));
    return true;
}

PtErrorCode SqliteStore::Load(objectIdSet& rSet, const Selection& rWhich)
{
    if (mbEmpty) {
        rSet.Clear();
        return PT_OK;
    }
    Statement s(mpDb, (std::string(COLUMNS) + "WHERE class_id=?1 AND (?2='' OR station=?2) AND created>=?3 ORDER BY id").c_str());
    s.Bind(1, rSet.GetClassID());
    s.Bind(2, rWhich.station);
    s.Bind(3, rWhich.since);
    std::vector<std::unique_ptr<objectId>> loaded;
    int rc;
    while ((rc = s.Step()) == SQLITE_ROW) {
        std::unique_ptr<objectId> p(rSet.NewObject());
        if (!p || !Read(*s, *p))
            return PT_NOT_A_STORE;
        loaded.push_back(std::move(p));
    }
    if (rc != SQLITE_DONE)
        return Fail(rc, "cannot read");
    rSet.Clear();
    for (auto& p : loaded)
        rSet.Append(p.release());
    return PT_OK;
}

PtErrorCode SqliteStore::Load(long nId, objectId& rObject)
{
    maError = "no object " + std::to_string(nId) + " in " + maPath;
    if (mbEmpty)
        return PT_NOT_FOUND;
    Statement s(mpDb, (std::string(COLUMNS) + "WHERE id=? AND class_id=?").c_str());
    s.Bind(1, nId);
    s.Bind(2, rObject.GetClassID());
    int rc = s.Step();
    if (rc == SQLITE_DONE)
        return PT_NOT_FOUND;
    if (rc != SQLITE_ROW)
        return Fail(rc, "cannot read");
    return Read(*s, rObject) ? PT_OK : PT_NOT_A_STORE;
}

PtErrorCode SqliteStore::Remove(long nId, int nClassId)
{
    if (mbEmpty) {
        maError = "no object " + std::to_string(nId) + " in " + maPath;
        return PT_NOT_FOUND;
    }
    return Delete(nId, nClassId);
}

PtErrorCode SqliteStore::PutCopy(objectId& rObject, bool& rbAdded)
{
    rbAdded = false;
    MyMemoryBlock block;
    if (!IndexBlockOf(rObject, block, maError))
        return PT_INVALID;
    int rc = Insert(std::string(INSERT) + " ON CONFLICT(uid) DO NOTHING", rObject, block,
                    rObject.GetUid().empty() ? objectId::NewUid() : rObject.GetUid());
    if (rc != SQLITE_DONE)
        return Fail(rc, "cannot write");
    rbAdded = sqlite3_changes(mpDb) > 0;
    return PT_OK;
}

PtErrorCode SqliteStore::CommitWrite()
{
    int rc = Exec("COMMIT");
    return rc == SQLITE_OK ? PT_OK : Fail(rc, "cannot write");
}

void SqliteStore::RollbackWrite()
{
    Rollback(PT_OK);
}

PtErrorCode SqliteStore::GetChangeMark(int, std::string& rMark)
{
    // data_version moves when another connection commits, total_changes
    // when this one writes.
    long long version = 0;
    if (int rc = QueryInt("PRAGMA data_version", version); rc != SQLITE_OK)
        return Fail(rc, "cannot read");
    rMark = std::to_string(version) + ":" + std::to_string(sqlite3_total_changes64(mpDb));
    return PT_OK;
}
