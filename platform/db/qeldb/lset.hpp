// lset<T*>: a set of stored objects of class T (derived from objectId), as
// objectIdSet with the element type named. It grows in blocks of 1024 and
// carries one number of the application's own (0 until set), which copies
// keep. Copies hold copies of the objects.
#pragma once

#include "qeldb/objectIdSet.hpp"

#include <cstdint>

template <class T> class lset;

template <class T> class lset<T*> : public objectIdSet {
public:
    lset() : objectIdSet(1024, 16, 16) {}
    lset(const lset& r) : objectIdSet(r), mnUserData(r.mnUserData) { CopyObjectsFrom(r); }
    lset& operator=(const lset& r)
    {
        if (this != &r) {
            CopyObjectsFrom(r);
            mnUserData = r.mnUserData;
        }
        return *this;
    }
    ~lset() override { Clear(); }

    PtErrorCode Append(T* pObject) { return objectIdSet::Append(pObject); }
    PtErrorCode Get(T*& rpObject, long nOffset, PtSeekMode eMode)
    {
        objectId* p = nullptr;
        PtErrorCode e = objectIdSet::Get(p, nOffset, eMode);
        if (e == PT_OK)
            rpObject = static_cast<T*>(p);
        return e;
    }
    PtErrorCode Unget(T*& rpObject)
    {
        objectId* p = rpObject;
        PtErrorCode e = objectIdSet::Unget(p);
        if (e == PT_OK)
            rpObject = nullptr;
        return e;
    }
    // The i-th object (0-based), null past the end.
    T* At(long n) const { return static_cast<T*>(objectIdSet::At(n)); }
    T* Find(long nId) const { return static_cast<T*>(objectIdSet::Find(nId)); }

    int32_t GetUserData() const { return mnUserData; }
    void SetUserData(int32_t n) { mnUserData = n; }

    objectId* NewObject() const override { return new T; }

private:
    int32_t mnUserData = 0;
};
