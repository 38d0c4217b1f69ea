// objectIdSet: an ordered set of stored objects of one class, the unit a
// store saves and loads. The set owns its objects: Append hands one over,
// Clear and the destructor delete them. Get hands out a pointer that stays
// valid while the object is in the set; Unget gives it back (the pointer is
// cleared so it is not used past that point).
//
// The set builds objects of its class itself (NewObject) when a store loads
// it or a set is copied; typed sets (lset<T*>) name the class.
#pragma once

#include "qeldb/objectId.hpp"
#include "sv/Container.hpp"

class objectIdSet {
public:
    virtual ~objectIdSet();
    objectIdSet& operator=(const objectIdSet&) = delete;

    // Takes ownership. PT_INVALID for a null object, one already in the set
    // or one of another class.
    PtErrorCode Append(objectId* pObject);
    // The object at nOffset counted as eMode says (see PtSeekMode); it
    // becomes the current one. PT_NOT_FOUND past either end (rpObject is
    // left as it was).
    PtErrorCode Get(objectId*& rpObject, long nOffset, PtSeekMode eMode);
    // Gives back an object handed out by Get and clears the pointer;
    // PT_NOT_FOUND for an object not in the set.
    PtErrorCode Unget(objectId*& rpObject);
    // The object with that identity, or null.
    objectId* Find(long nId) const;
    // Takes the object out of the set and deletes it.
    PtErrorCode Remove(objectId* pObject);
    long Count() const { return static_cast<long>(maContainer.Count()); }
    // Deletes every object.
    void Clear();

    // A new, empty object of the set's class.
    virtual objectId* NewObject() const = 0;
    int GetClassID() const;

protected:
    objectIdSet(unsigned short nBlockSize, unsigned short nInitSize, unsigned short nReSize);
    // An empty set that grows as r does.
    objectIdSet(const objectIdSet& r);
    // Replaces the objects by copies of r's, built by NewObject (so it is for
    // derived classes, whose NewObject is known once they are built).
    void CopyObjectsFrom(const objectIdSet& r);
    objectId* At(long n) const { return static_cast<objectId*>(maContainer.GetObject(static_cast<unsigned long>(n))); }

private:
    Container maContainer;
    long mnCurrent = -1;
    mutable int mnClassId = -1;  // asked of NewObject once
};
