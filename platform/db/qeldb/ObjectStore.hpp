// ObjectStore: where sets of objects persist between runs, one interface for
// every back end. SqliteStore keeps a store in one file and is what a plain
// path (or "sqlite:PATH") opens; PgStore keeps it in a PostgreSQL database
// named by a libpq URI ("postgresql://…", "postgres://…"), for several
// stations at once. Open is the one place that chooses the back end from
// the location.
//
// Each Save is one transaction: after a crash, or when the program is
// killed halfway, the store holds everything saved before and either all or
// none of the interrupted save. Several programs may use one store at once;
// one that finds the store busy waits up to BUSY_TIMEOUT_MS before it gives
// up with PT_BUSY.
//
// A store keeps each object as one row: class identifier, identity,
// designation, creation date and time, and the object's index block
// (GetIndexBlock), from which SetIndexBlock rebuilds it. Identities start at
// 1 and are never given twice, also after a removal.
#pragma once

#include "qeldb/objectIdSet.hpp"

#include <memory>

class ObjectStore {
public:
    static constexpr int BUSY_TIMEOUT_MS = 10000;

    enum OpenMode {
        OPEN_EXISTING,  // a store that exists; nothing is created
        OPEN_OR_CREATE  // a new store where there is none
    };

    // The store at rLocation, or null with rCode and rError (naming the
    // location): PT_NOT_FOUND when OPEN_EXISTING finds none, PT_NOT_A_STORE
    // for something else or a damaged store (left untouched), PT_BUSY,
    // PT_IO_ERROR.
    static std::unique_ptr<ObjectStore> Open(const String& rLocation, OpenMode eMode, PtErrorCode& rCode,
                                             String& rError);

    virtual ~ObjectStore() = default;
    ObjectStore(const ObjectStore&) = delete;
    ObjectStore& operator=(const ObjectStore&) = delete;

    // Stores the object. A new one (identity 0) gets its identity; one with
    // an identity replaces what is stored under it (PT_NOT_FOUND when the
    // store no longer has it); one marked for removal is removed.
    virtual PtErrorCode Save(objectId& rObject) = 0;
    // The same for every object of the set, all or none. Objects marked for
    // removal leave the store and the set; identities given to new objects
    // are taken back when the save fails.
    virtual PtErrorCode Save(objectIdSet& rSet) = 0;
    // Replaces the set's objects by every stored object of its class, in
    // the order of their identities. The set is unchanged on failure.
    virtual PtErrorCode Load(objectIdSet& rSet) = 0;
    // The stored object with that identity into rObject, which must be of
    // its class; rObject is unchanged on failure.
    virtual PtErrorCode Load(long nId, objectId& rObject) = 0;
    // Removes the stored object of that class and identity.
    virtual PtErrorCode Remove(long nId, int nClassId) = 0;

    // Why the most recent failure happened, naming the store.
    virtual String GetLastError() const = 0;
    virtual String GetLocation() const = 0;

protected:
    ObjectStore() = default;
};
