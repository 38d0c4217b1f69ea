#include "qeldb/PgStore.hpp"

#include "qel/MyMemoryBlock.hpp"

#include <libpq-fe.h>

#include <vector>

namespace {

// The key of the advisory lock under which stations create the tables.
constexpr long long SETUP_LOCK = 0x51444231;

const char* const SCHEMA =
    "CREATE TABLE IF NOT EXISTS qelvxn_store (format integer NOT NULL);"
    "CREATE TABLE IF NOT EXISTS qelvxn_objects ("
    " id bigserial PRIMARY KEY,"
    " class_id integer NOT NULL,"
    " designation text NOT NULL,"
    " created text NOT NULL,"
    " index_block bytea NOT NULL);"
    "CREATE INDEX IF NOT EXISTS qelvxn_objects_by_class ON qelvxn_objects(class_id, id);";

// A result that clears itself.
struct Result {
    PGresult* p;
    explicit Result(PGresult* r) : p(r) {}
    ~Result() { PQclear(p); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    bool Ok() const
    {
        ExecStatusType s = PQresultStatus(p);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
};

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
        std::string why = conn ? PQerrorMessage(conn) : "out of memory";
        while (!why.empty() && (why.back() == '\n' || why.back() == ' '))
            why.pop_back();
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

bool PgStore::Run(const char* pSql, std::initializer_list<std::string> aParams, const std::string* pBlock, long* pId,
                  long* pRows)
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
    std::string why = PQerrorMessage(mpConn);
    while (!why.empty() && (why.back() == '\n' || why.back() == ' '))
        why.pop_back();
    if (PQstatus(mpConn) != CONNECTION_OK)
        why = "the server went away (" + why + ")";
    maError = rWhat + " " + maShown + ": " + why;
    return PT_IO_ERROR;
}

PtErrorCode PgStore::Prepare(OpenMode eMode)
{
    long exists = 0;
    {
        Result r(PQexec(mpConn, "SELECT count(*) FROM pg_tables WHERE tablename = 'qelvxn_store'"));
        if (!r.Ok())
            return Fail("cannot read");
        exists = std::stol(PQgetvalue(r.p, 0, 0));
    }
    if (!exists) {
        if (eMode == OPEN_EXISTING) {
            mbEmpty = true;
            return PT_OK;
        }
        if (Begin() != PT_OK)
            return PT_IO_ERROR;
        std::string lock = "SELECT pg_advisory_xact_lock(" + std::to_string(SETUP_LOCK) + ")";
        std::string format = std::to_string(FORMAT);
        if (!Run(lock.c_str(), {}) || !Result(PQexec(mpConn, SCHEMA)).Ok() ||
            !Run("INSERT INTO qelvxn_store(format) SELECT $1::integer WHERE NOT EXISTS (SELECT 1 FROM qelvxn_store)",
                 {format})) {
            PtErrorCode e = Fail("cannot create a store in");
            Rollback();
            return e;
        }
        if (Commit() != PT_OK)
            return PT_IO_ERROR;
    }
    Result r(PQexec(mpConn, "SELECT max(format) FROM qelvxn_store"));
    if (!r.Ok())
        return Fail("cannot read");
    int found = PQgetisnull(r.p, 0, 0) ? 0 : std::stoi(PQgetvalue(r.p, 0, 0));
    if (found > FORMAT) {
        maError = maShown + " was written by a newer program (store format " + std::to_string(found) +
                  "; this program knows " + std::to_string(FORMAT) + ")";
        return PT_NOT_A_STORE;
    }
    return PT_OK;
}

PtErrorCode PgStore::Begin()
{
    if (mbEmpty) {
        maError = maShown + " was opened to be read";
        return PT_IO_ERROR;
    }
    return Run("BEGIN", {}) ? PT_OK : Fail("cannot write");
}

PtErrorCode PgStore::Commit()
{
    return Run("COMMIT", {}) ? PT_OK : Fail("cannot write");
}

void PgStore::Rollback()
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

PtErrorCode PgStore::Put(objectId& rObject, bool& rbNew)
{
    rbNew = false;
    if (rObject.IsDeleted())
        return rObject.GetId() ? Delete(rObject.GetId(), rObject.GetClassID()) : PT_OK;
    if (!rObject.CheckData()) {
        maError = "object " + std::to_string(rObject.GetId()) + " holds data that cannot be stored in " + maShown;
        return PT_INVALID;
    }
    MyMemoryBlock block;
    rObject.GetIndexBlock(block);
    std::string bytes(reinterpret_cast<const char*>(block.GetData()), static_cast<size_t>(block.GetSize()));
    std::string name = rObject.GetBezeichnung().str(), created = rObject.GetDateTimeText().str();
    if (rObject.GetId() == 0) {
        long id = 0;
        if (!Run("INSERT INTO qelvxn_objects(class_id, designation, created, index_block) "
                 "VALUES ($1::integer, $2, $3, $4::bytea) RETURNING id",
                 {std::to_string(rObject.GetClassID()), name, created}, &bytes, &id))
            return Fail("cannot write");
        rObject.SetId(id);
        rbNew = true;
        return PT_OK;
    }
    long rows = 0;
    if (!Run("UPDATE qelvxn_objects SET designation = $3, created = $4, index_block = $5::bytea "
             "WHERE id = $1::bigint AND class_id = $2::integer",
             {std::to_string(rObject.GetId()), std::to_string(rObject.GetClassID()), name, created}, &bytes, nullptr,
             &rows))
        return Fail("cannot write");
    if (rows == 0) {
        maError = "no object " + std::to_string(rObject.GetId()) + " in " + maShown;
        return PT_NOT_FOUND;
    }
    return PT_OK;
}

PtErrorCode PgStore::Save(objectId& rObject)
{
    if (PtErrorCode e = Begin(); e != PT_OK)
        return e;
    bool bNew = false;
    PtErrorCode e = Put(rObject, bNew);
    if (e == PT_OK)
        e = Commit();
    if (e != PT_OK) {
        if (bNew)
            rObject.SetId(0);
        Rollback();
    }
    return e;
}

PtErrorCode PgStore::Save(objectIdSet& rSet)
{
    if (PtErrorCode e = Begin(); e != PT_OK)
        return e;
    std::vector<objectId*> added, removed;
    PtErrorCode e = PT_OK;
    objectId* p = nullptr;
    for (long i = 0; e == PT_OK && rSet.Get(p, i, PT_START) == PT_OK; ++i) {
        bool bNew = false;
        e = Put(*p, bNew);
        if (bNew)
            added.push_back(p);
        if (e == PT_OK && p->IsDeleted())
            removed.push_back(p);
    }
    if (e == PT_OK)
        e = Commit();
    if (e != PT_OK) {
        for (objectId* q : added)
            q->SetId(0);
        Rollback();
        return e;
    }
    for (objectId* q : removed)
        rSet.Remove(q);
    return PT_OK;
}

PtErrorCode PgStore::Load(objectIdSet& rSet)
{
    if (mbEmpty) {
        rSet.Clear();
        return PT_OK;
    }
    std::string cls = std::to_string(rSet.GetClassID());
    const char* values[] = {cls.c_str()};
    Result r(PQexecParams(mpConn, "SELECT id, index_block FROM qelvxn_objects WHERE class_id = $1::integer ORDER BY id",
                          1, nullptr, values, nullptr, nullptr, 0));
    if (!r.Ok())
        return Fail("cannot read");
    std::vector<std::unique_ptr<objectId>> loaded;
    for (int row = 0; row < PQntuples(r.p); ++row) {
        long id = std::stol(PQgetvalue(r.p, row, 0));
        MyMemoryBlock block = Block(PQgetvalue(r.p, row, 1));
        std::unique_ptr<objectId> obj(rSet.NewObject());
        if (!obj || !obj->SetIndexBlock(block)) {
            maError = maShown + " is damaged (object " + std::to_string(id) + " cannot be read)";
            return PT_NOT_A_STORE;
        }
        obj->SetId(id);
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
    std::string id = std::to_string(nId), cls = std::to_string(rObject.GetClassID());
    const char* values[] = {id.c_str(), cls.c_str()};
    Result r(PQexecParams(mpConn, "SELECT index_block FROM qelvxn_objects WHERE id = $1::bigint AND class_id = $2::integer",
                          2, nullptr, values, nullptr, nullptr, 0));
    if (!r.Ok())
        return Fail("cannot read");
    if (PQntuples(r.p) == 0)
        return PT_NOT_FOUND;
    MyMemoryBlock block = Block(PQgetvalue(r.p, 0, 0));
    if (!rObject.SetIndexBlock(block)) {
        maError = maShown + " is damaged (object " + std::to_string(nId) + " cannot be read)";
        return PT_NOT_A_STORE;
    }
    rObject.SetId(nId);
    return PT_OK;
}

PtErrorCode PgStore::Remove(long nId, int nClassId)
{
    if (mbEmpty) {
        maError = "no object " + std::to_string(nId) + " in " + maShown;
        return PT_NOT_FOUND;
    }
    if (PtErrorCode e = Begin(); e != PT_OK)
        return e;
    PtErrorCode e = Delete(nId, nClassId);
    if (e == PT_OK)
        e = Commit();
    if (e != PT_OK)
        Rollback();
    return e;
}
