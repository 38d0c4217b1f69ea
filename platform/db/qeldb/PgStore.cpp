#include "qeldb/PgStore.hpp"

#include "qel/MyMemoryBlock.hpp"

#include <libpq-fe.h>

#include <iterator>
#include <vector>

namespace {

// The key of the advisory lock under which stations create the tables.
constexpr long long SETUP_LOCK = 0x51444231;

// The first format's tables; a new store is set up as that and brought up
// to date like any old store, so both end up with the same layout.
const char* const SCHEMA =
    "CREATE TABLE qelvxn_store (format integer NOT NULL);"
    "INSERT INTO qelvxn_store(format) VALUES (1);"
    "CREATE TABLE qelvxn_objects ("
    " id bigserial PRIMARY KEY,"
    " class_id integer NOT NULL,"
    " designation text NOT NULL,"
    " created text NOT NULL,"
    " index_block bytea NOT NULL);"
    "CREATE INDEX qelvxn_objects_by_class ON qelvxn_objects(class_id, id);";

// UPGRADES[n - 1] brings format n to n + 1.
const char* const UPGRADES[] = {
    // 2: where each object came from (objects stored before get a new
    // universal identity each), and a revision every write takes from a
    // sequence, for views that follow the store.
    "ALTER TABLE qelvxn_objects ADD COLUMN uid text NOT NULL DEFAULT '';"
    "ALTER TABLE qelvxn_objects ADD COLUMN station text NOT NULL DEFAULT '';"
    "ALTER TABLE qelvxn_objects ADD COLUMN instrument text NOT NULL DEFAULT '';"
    "CREATE SEQUENCE qelvxn_revision;"
    "ALTER TABLE qelvxn_objects ADD COLUMN revision bigint NOT NULL DEFAULT nextval('qelvxn_revision');"
    "UPDATE qelvxn_objects SET uid = md5(random()::text || clock_timestamp()::text || id::text);"
    "CREATE UNIQUE INDEX qelvxn_objects_by_uid ON qelvxn_objects(uid);",
};
static_assert(std::size(UPGRADES) == PgStore::FORMAT - 1);

const char* const INSERT =
    "INSERT INTO qelvxn_objects(class_id, designation, created, uid, station, instrument, index_block) "
    "VALUES ($1::integer, $2, $3, $4, $5, $6, $7::bytea)";

// The columns ReadRow reads, in this order.
const char* const COLUMNS = "SELECT id, index_block, uid, station, instrument FROM qelvxn_objects ";

// Text of libpq's without the line end it gives.
std::string Trimmed(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

// The index block a text-format bytea column holds.
MyMemoryBlock Block(const char* pText)
{
    size_t n = 0;
    unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(pText), &n);
    MyMemoryBlock b(raw, static_cast<long>(n));
    PQfreemem(raw);
    return b;
}

} // namespace

PgStore::Result::~Result()
{
    PQclear(p);
}

bool PgStore::Result::Ok() const
{
    ExecStatusType s = PQresultStatus(p);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

std::string PgStore::WithoutPassword(const std::string& rUri)
{
    std::string s = rUri;
    // user:password@host -> user@host
    size_t scheme = s.find("://");
    if (scheme != std::string::npos) {
        size_t start = scheme + 3;
        size_t at = s.find('@', start), slash = s.find('/', start);
        if (at != std::string::npos && (slash == std::string::npos || at < slash)) {
            size_t colon = s.find(':', start);
            if (colon != std::string::npos && colon < at)
                s.erase(colon, at - colon);
        }
    }
    // ...?password=secret&... -> ...?password=***&...
    for (size_t p = s.find("password="); p != std::string::npos; p = s.find("password=", p + 1)) {
        size_t end = s.find('&', p);
        s.replace(p + 9, (end == std::string::npos ? s.size() : end) - (p + 9), "***");
    }
    return s;
}

std::unique_ptr<PgStore> PgStore::Open(const String& rUri, OpenMode eMode, PtErrorCode& rCode, String& rError)
{
    std::string shown = WithoutPassword(rUri.str());
    PGconn* conn = PQconnectdb(rUri.GetStr());
    std::unique_ptr<PgStore> store(new PgStore(conn, shown));
    if (!conn || PQstatus(conn) != CONNECTION_OK) {
        rCode = PT_IO_ERROR;
        std::string why = conn ? Trimmed(PQerrorMessage(conn)) : "out of memory";
        rError = String("cannot reach the store at " + shown + ": " + why);
        return nullptr;
    }
    PQsetClientEncoding(conn, "UTF8");
    rCode = store->Prepare(eMode);
    if (rCode != PT_OK) {
        rError = store->GetLastError();
        return nullptr;
    }
    return store;
}

PgStore::~PgStore()
{
    PQfinish(mpConn);
}

bool PgStore::Check(const Result& rResult)
{
    if (rResult.Ok())
        return true;
    const char* reason = PQresultErrorField(rResult.p, PG_DIAG_MESSAGE_PRIMARY);
    maReason = reason ? reason : "";
    return false;
}

PgStore::Result PgStore::Query(const char* pSql, std::initializer_list<std::string> aParams,
                               const std::string* pBlock)
{
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (const std::string& p : aParams) {
        values.push_back(p.c_str());
        lengths.push_back(static_cast<int>(p.size()));
        formats.push_back(0);
    }
    if (pBlock) {
        values.push_back(pBlock->data());
        lengths.push_back(static_cast<int>(pBlock->size()));
        formats.push_back(1);
    }
    Result r(PQexecParams(mpConn, pSql, static_cast<int>(values.size()), nullptr, values.data(), lengths.data(),
                          formats.data(), 0));
    Check(r);
    return r;
}

bool PgStore::Run(const char* pSql, std::initializer_list<std::string> aParams, const std::string* pBlock, long* pId,
                  long* pRows)
{
    Result r = Query(pSql, aParams, pBlock);
    if (!r.Ok())
        return false;
    if (pId && PQntuples(r.p) > 0)
        *pId = std::stol(PQgetvalue(r.p, 0, 0));
    if (pRows) {
        const char* n = PQcmdTuples(r.p);
        *pRows = n && *n ? std::stol(n) : 0;
    }
    return true;
}

PtErrorCode PgStore::Fail(const std::string& rWhat)
{
    // The server's own words ("permission denied for table …") where it
    // gave a reason, else the connection's.
    std::string why = Trimmed(maReason.empty() ? PQerrorMessage(mpConn) : maReason);
    maReason.clear();
    if (PQstatus(mpConn) != CONNECTION_OK)
        why = "the server went away (" + why + ")";
    maError = rWhat + " " + maShown + ": " + why;
    return PT_IO_ERROR;
}

PtErrorCode PgStore::ReadFormat(int& rFormat)
{
    rFormat = 0;
    Result exists = Query("SELECT to_regclass('qelvxn_store') IS NOT NULL", {});
    if (!exists.Ok())
        return Fail("cannot read");
    if (std::string(PQgetvalue(exists.p, 0, 0)) != "t")
        return PT_OK;
    Result r = Query("SELECT max(format) FROM qelvxn_store", {});
    if (!r.Ok())
        return Fail("cannot read");
    rFormat = PQgetisnull(r.p, 0, 0) ? 0 : std::stoi(PQgetvalue(r.p, 0, 0));
    if (rFormat > FORMAT) {
        maError = maShown + " was written by a newer program (store format " + std::to_string(rFormat) +
                  "; this program knows " + std::to_string(FORMAT) + ")";
        return PT_NOT_A_STORE;
    }
    return PT_OK;
}

PtErrorCode PgStore::Prepare(OpenMode eMode)
{
    int format = 0;
    if (PtErrorCode e = ReadFormat(format); e != PT_OK)
        return e;
    if (format == FORMAT)
        return PT_OK;
    if (format == 0 && eMode == OPEN_EXISTING) {
        mbEmpty = true;
        return PT_OK;
    }
    // Set up or brought up to date once, by whichever station comes first.
    // The lock is the session's and taken before the transaction begins: a
    // transaction that began before the other station's commit would still
    // take the tables for missing (the server's name lookups are refreshed
    // when a transaction begins, not when an advisory lock is granted).
    const std::string what = format == 0 ? "cannot create a store in"
                                         : "cannot bring up to date (store format " + std::to_string(format) + " to " +
                                               std::to_string(FORMAT) + ")";
    const std::string key = std::to_string(SETUP_LOCK);
    if (!Run(("SELECT pg_advisory_lock(" + key + ")").c_str(), {}))
        return Fail(what);
    PtErrorCode e = BeginWrite();
    if (e == PT_OK)
        e = ReadFormat(format);
    if (e == PT_OK && format < FORMAT) {
        std::string steps = format == 0 ? SCHEMA : "";
        for (int n = format == 0 ? 1 : format; n < FORMAT; ++n)
            steps += UPGRADES[n - 1];
        steps += "UPDATE qelvxn_store SET format = " + std::to_string(FORMAT) + ";";
        // Several statements at once: no parameters, so the simple protocol.
        if (!Check(Result(PQexec(mpConn, steps.c_str()))))
            e = Fail(what);
    }
    if (e == PT_OK)
        e = CommitWrite();
    else
        RollbackWrite();
    Run(("SELECT pg_advisory_unlock(" + key + ")").c_str(), {});
    return e;
}

PtErrorCode PgStore::BeginWrite()
{
    if (mbEmpty) {
        maError = maShown + " was opened to be read";
        return PT_IO_ERROR;
    }
    return Run("BEGIN", {}) ? PT_OK : Fail("cannot write");
}

PtErrorCode PgStore::CommitWrite()
{
    return Run("COMMIT", {}) ? PT_OK : Fail("cannot write");
}

void PgStore::RollbackWrite()
{
    if (PQtransactionStatus(mpConn) != PQTRANS_IDLE)
        Run("ROLLBACK", {});
}

PtErrorCode PgStore::Delete(long nId, int nClassId)
{
    long rows = 0;
    if (!Run("DELETE FROM qelvxn_objects WHERE id = $1::bigint AND class_id = $2::integer",
             {std::to_string(nId), std::to_string(nClassId)}, nullptr, nullptr, &rows))
        return Fail("cannot write");
    if (rows == 0) {
        maError = "no object " + std::to_string(nId) + " in " + maShown;
        return PT_NOT_FOUND;
    }
    return PT_OK;
}

bool PgStore::Encode(objectId& rObject, std::string& rBytes)
{
    MyMemoryBlock block;
    if (!IndexBlockOf(rObject, block, maError))
        return false;
    rBytes.assign(reinterpret_cast<const char*>(block.GetData()), static_cast<size_t>(block.GetSize()));
    return true;
}

bool PgStore::Insert(const std::string& rSql, objectId& rObject, const std::string& rUid, const std::string& rBytes,
                     long* pId, long* pRows)
{
    return Run(rSql.c_str(),
               {std::to_string(rObject.GetClassID()), rObject.GetBezeichnung().str(), rObject.GetDateTimeText().str(),
                rUid, rObject.GetStation(), rObject.GetInstrument()},
               &rBytes, pId, pRows);
}

PtErrorCode PgStore::Put(objectId& rObject, bool& rbNew)
{
    rbNew = false;
    if (rObject.IsDeleted())
        return rObject.GetId() ? Delete(rObject.GetId(), rObject.GetClassID()) : PT_OK;
    std::string bytes;
    if (!Encode(rObject, bytes))
        return PT_INVALID;
    if (rObject.GetId() == 0) {
        long id = 0;
        std::string uid = rObject.GetUid().empty() ? objectId::NewUid() : rObject.GetUid();
        if (!Insert(std::string(INSERT) + " RETURNING id", rObject, uid, bytes, &id, nullptr))
            return Fail("cannot write");
        rObject.SetId(id);
        rObject.SetUid(uid);
        rbNew = true;
        return PT_OK;
    }
    long rows = 0;
    if (!Run("UPDATE qelvxn_objects SET designation = $3, created = $4, index_block = $5::bytea, "
             "revision = nextval('qelvxn_revision') "
             "WHERE id = $1::bigint AND class_id = $2::integer",
             {std::to_string(rObject.GetId()), std::to_string(rObject.GetClassID()), rObject.GetBezeichnung().str(),
              rObject.GetDateTimeText().str()},
             &bytes, nullptr, &rows))
        return Fail("cannot write");
    if (rows == 0) {
        maError = "no object " + std::to_string(rObject.GetId()) + " in " + maShown;
        return PT_NOT_FOUND;
    }
    return PT_OK;
}

PtErrorCode PgStore::Save(objectId& rObject)
{
    // Put runs one statement, which is a transaction of its own: no
    // round trips for BEGIN and COMMIT.
    if (mbEmpty) {
        maError = maShown + " was opened to be read";
        return PT_IO_ERROR;
    }
    bool bNew = false;
    return Put(rObject, bNew);
}

bool PgStore::ReadRow(PGresult* pResult, int nRow, objectId& rObject)
{
    long id = std::stol(PQgetvalue(pResult, nRow, 0));
    MyMemoryBlock block = Block(PQgetvalue(pResult, nRow, 1));
    if (!rObject.SetIndexBlock(block)) {
        maError = maShown + " is damaged (object " + std::to_string(id) + " cannot be read)";
        return false;
    }
    rObject.SetId(id);
    rObject.SetUid(PQgetvalue(pResult, nRow, 2));
    rObject.SetOrigin(PQgetvalue(pResult, nRow, 3), PQgetvalue(pResult, nRow, 4));
    return true;
}

PtErrorCode PgStore::Load(objectIdSet& rSet, const Selection& rWhich)
{
    if (mbEmpty) {
        rSet.Clear();
        return PT_OK;
    }
    std::string sql =
        std::string(COLUMNS) + "WHERE class_id = $1::integer AND ($2 = '' OR station = $2) AND created >= $3 ORDER BY id";
    Result r = Query(sql.c_str(), {std::to_string(rSet.GetClassID()), rWhich.station, rWhich.since});
    if (!r.Ok())
        return Fail("cannot read");
    std::vector<std::unique_ptr<objectId>> loaded;
    for (int row = 0; row < PQntuples(r.p); ++row) {
        std::unique_ptr<objectId> obj(rSet.NewObject());
        if (!obj || !ReadRow(r.p, row, *obj))
            return PT_NOT_A_STORE;
        loaded.push_back(std::move(obj));
    }
    rSet.Clear();
    for (auto& obj : loaded)
        rSet.Append(obj.release());
    return PT_OK;
}

PtErrorCode PgStore::Load(long nId, objectId& rObject)
{
    maError = "no object " + std::to_string(nId) + " in " + maShown;
    if (mbEmpty)
        return PT_NOT_FOUND;
    std::string sql = std::string(COLUMNS) + "WHERE id = $1::bigint AND class_id = $2::integer";
    Result r = Query(sql.c_str(), {std::to_string(nId), std::to_string(rObject.GetClassID())});
    if (!r.Ok())
        return Fail("cannot read");
    if (PQntuples(r.p) == 0)
        return PT_NOT_FOUND;
    return ReadRow(r.p, 0, rObject) ? PT_OK : PT_NOT_A_STORE;
}

PtErrorCode PgStore::Remove(long nId, int nClassId)
{
    if (mbEmpty) {
        maError = "no object " + std::to_string(nId) + " in " + maShown;
        return PT_NOT_FOUND;
    }
    if (PtErrorCode e = BeginWrite(); e != PT_OK)
        return e;
    PtErrorCode e = Delete(nId, nClassId);
    if (e == PT_OK)
        e = CommitWrite();
    if (e != PT_OK)
        RollbackWrite();
    return e;
}

PtErrorCode PgStore::PutCopy(objectId& rObject, bool& rbAdded)
{
    rbAdded = false;
    std::string bytes;
    if (!Encode(rObject, bytes))
        return PT_INVALID;
    long rows = 0;
    if (!Insert(std::string(INSERT) + " ON CONFLICT (uid) DO NOTHING", rObject,
                rObject.GetUid().empty() ? objectId::NewUid() : rObject.GetUid(), bytes, nullptr, &rows))
        return Fail("cannot write");
    rbAdded = rows > 0;
    return PT_OK;
}

PtErrorCode PgStore::GetChangeMark(int nClassId, std::string& rMark)
{
    if (mbEmpty) {
        int format = 0;
        if (PtErrorCode e = ReadFormat(format); e != PT_OK)
            return e;
        if (format == 0) {
            rMark = "empty";
            return PT_OK;
        }
        mbEmpty = false;  // another station set it up meanwhile
    }
    Result r = Query("SELECT count(*), coalesce(max(revision), 0) FROM qelvxn_objects WHERE class_id = $1::integer",
                     {std::to_string(nClassId)});
    if (!r.Ok())
        return Fail("cannot read");
    rMark = std::string(PQgetvalue(r.p, 0, 0)) + ":" + PQgetvalue(r.p, 0, 1);
    return PT_OK;
}
