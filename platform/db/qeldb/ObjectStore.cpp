#include "qeldb/ObjectStore.hpp"

#include "qeldb/PgStore.hpp"
#include "qeldb/SqliteStore.hpp"
#include "qel/MyMemoryBlock.hpp"

#include <vector>

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

bool ObjectStore::IndexBlockOf(objectId& rObject, MyMemoryBlock& rBlock, std::string& rError) const
{
    if (!rObject.CheckData()) {
        rError = "object " + (rObject.GetId() ? std::to_string(rObject.GetId()) : rObject.GetUid()) +
                 " holds data that cannot be stored in " + GetLocation().str();
        return false;
    }
    rObject.GetIndexBlock(rBlock);
    return true;
}

PtErrorCode ObjectStore::Save(objectIdSet& rSet)
{
    if (PtErrorCode e = BeginWrite(); e != PT_OK)
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
        e = CommitWrite();
    if (e != PT_OK) {
        for (objectId* q : added)
            q->SetId(0);
        RollbackWrite();
        return e;
    }
    for (objectId* q : removed)
        rSet.Remove(q);
    return PT_OK;
}

PtErrorCode ObjectStore::Adopt(objectIdSet& rSet, long& rnAdded)
{
    rnAdded = 0;
    if (PtErrorCode e = BeginWrite(); e != PT_OK)
        return e;
    long added = 0;
    PtErrorCode e = PT_OK;
    objectId* p = nullptr;
    for (long i = 0; e == PT_OK && rSet.Get(p, i, PT_START) == PT_OK; ++i) {
        bool bAdded = false;
        if (!p->IsDeleted())
            e = PutCopy(*p, bAdded);
        added += bAdded ? 1 : 0;
    }
    if (e == PT_OK)
        e = CommitWrite();
    if (e != PT_OK) {
        RollbackWrite();
        return e;
    }
    rnAdded = added;
    return PT_OK;
}
