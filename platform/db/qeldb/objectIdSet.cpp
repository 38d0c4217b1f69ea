#include "qeldb/objectIdSet.hpp"

#include <memory>

objectIdSet::objectIdSet(unsigned short nBlockSize, unsigned short nInitSize, unsigned short nReSize)
    : maContainer(nBlockSize, nInitSize, nReSize)
{
}

objectIdSet::objectIdSet(const objectIdSet& r)
    : maContainer(r.maContainer.GetBlockSize(), r.maContainer.GetInitSize(), r.maContainer.GetReSize())
{
}

objectIdSet::~objectIdSet()
{
    Clear();
}

int objectIdSet::GetClassID() const
{
    if (mnClassId < 0) {
        std::unique_ptr<objectId> p(NewObject());
        mnClassId = p ? p->GetClassID() : 0;
    }
    return mnClassId;
}

PtErrorCode objectIdSet::Append(objectId* pObject)
{
    if (!pObject || maContainer.GetPos(pObject) != Container::ENTRY_NOTFOUND || pObject->GetClassID() != GetClassID())
        return PT_INVALID;
    maContainer.Insert(pObject);
    return PT_OK;
}

PtErrorCode objectIdSet::Get(objectId*& rpObject, long nOffset, PtSeekMode eMode)
{
    long n = Count();
    long pos = 0;
    switch (eMode) {
    case PT_START: pos = nOffset; break;
    case PT_CURRENT: pos = mnCurrent + nOffset; break;
    case PT_END: pos = n - 1 + nOffset; break;
    default: return PT_INVALID;
    }
    if (pos < 0 || pos >= n)
        return PT_NOT_FOUND;
    mnCurrent = pos;
    rpObject = At(pos);
    return PT_OK;
}

PtErrorCode objectIdSet::Unget(objectId*& rpObject)
{
    if (!rpObject || maContainer.GetPos(rpObject) == Container::ENTRY_NOTFOUND)
        return PT_NOT_FOUND;
    rpObject = nullptr;
    return PT_OK;
}

objectId* objectIdSet::Find(long nId) const
{
    for (long i = 0; i < Count(); ++i)
        if (At(i)->GetId() == nId)
            return At(i);
    return nullptr;
}

PtErrorCode objectIdSet::Remove(objectId* pObject)
{
    unsigned long pos = maContainer.GetPos(pObject);
    if (!pObject || pos == Container::ENTRY_NOTFOUND)
        return PT_NOT_FOUND;
    maContainer.Remove(pos);
    if (mnCurrent >= static_cast<long>(pos))
        --mnCurrent;
    delete pObject;
    return PT_OK;
}

void objectIdSet::Clear()
{
    for (long i = 0; i < Count(); ++i)
        delete At(i);
    maContainer.Clear();
    mnCurrent = -1;
}

void objectIdSet::CopyObjectsFrom(const objectIdSet& r)
{
    if (&r == this)
        return;
    Clear();
    for (long i = 0; i < r.Count(); ++i) {
        objectId* p = NewObject();
        r.At(i)->CopyThisTo(p);
        maContainer.Insert(p);
    }
}
