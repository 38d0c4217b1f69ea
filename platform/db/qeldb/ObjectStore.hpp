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
// designation, creation date and time, the object's index block
// (GetIndexBlock), from which SetIndexBlock rebuilds it, and where it came
// from (universal identity, station, instrument; see objectId). Identities
// start at 1 and are never given twice, also after a removal; they belong
// to one store, while the universal identity is the same in every store
// that holds a copy.
//
// The layout of a store carries a format number: a store written by a newer
// program is refused and left untouched, an older one is brought up to date
// in one transaction when it is opened.
#pragma once

#include "qeldb/objectIdSet.hpp"

#include <memory>

class MyMemoryBlock;
#include <string>

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
    PtErrorCode Save(objectIdSet& rSet);
    // Which stored objects a Load gives: those made at one station (every
    // station when empty) and created at or after a time ("YYYY-MM-DD" or
    // "YYYY-MM-DD HH:MM:SS"; no limit when empty).
    struct Selection {
        std::string station;
        std::string since;
    };
    // Replaces the set's objects by every stored object of its class that
    // rWhich selects, in the order of their identities. The set is
    // unchanged on failure.
    virtual PtErrorCode Load(objectIdSet& rSet, const Selection& rWhich) = 0;
    PtErrorCode Load(objectIdSet& rSet) { return Load(rSet, Selection()); }
    // The stored object with that identity into rObject, which must be of
    // its class; rObject is unchanged on failure.
    virtual PtErrorCode Load(long nId, objectId& rObject) = 0;
    // Removes the stored object of that class and identity.
    virtual PtErrorCode Remove(long nId, int nClassId) = 0;
    // Keeps copies of objects from another store, all or none: each object
    // whose universal identity this store does not hold yet is added under
    // a new identity here, with its designation, date and origin; one it
    // holds is left as it is, so copying again adds nothing. rnAdded counts
    // the added ones. The set's objects are not changed.
    PtErrorCode Adopt(objectIdSet& rSet, long& rnAdded);
    // A text that changes whenever any program adds, changes or removes an
    // object of the class (it may change for other classes too): what a view
    // of a shared store polls to know when to reload.
    virtual PtErrorCode GetChangeMark(int nClassId, std::string& rMark) = 0;

    // Why the most recent failure happened, naming the store.
    virtual String GetLastError() const = 0;
    virtual String GetLocation() const = 0;

protected:
    ObjectStore() = default;

    // What a back end gives the set operations above: a write transaction,
    // and the writing of one object inside it.
    virtual PtErrorCode BeginWrite() = 0;
    virtual PtErrorCode CommitWrite() = 0;
    virtual void RollbackWrite() = 0;
    // Stores, replaces or removes the object as Save does; rbNew when it was
    // given its identity now.
    virtual PtErrorCode Put(objectId& rObject, bool& rbNew) = 0;
    // Adds a copy of the object unless its universal identity is stored
    // (see Adopt); rbAdded when it was added.
    virtual PtErrorCode PutCopy(objectId& rObject, bool& rbAdded) = 0;

    // The object's index block, as both back ends store it; false, with
    // rError naming the object and the store, for data that cannot be stored.
    bool IndexBlockOf(objectId& rObject, MyMemoryBlock& rBlock, std::string& rError) const;
};
