#include "sv/ResMgr.hpp"

#include <algorithm>

namespace {
int gnAttached = 0;
}

ResMgr* ResMgr::Get()
{
    static ResMgr mgr;
    return &mgr;
}

int ResMgr::AttachDetachDll(int nAttach)
{
    if (nAttach)
        ++gnAttached;
    else if (gnAttached > 0)
        --gnAttached;
    return gnAttached;
}

int ResMgr::GetAttachCount() { return gnAttached; }

void ResMgr::Register(const ResEntry& rEntry)
{
    for (ResEntry& e : maEntries)
        if (e.eType == rEntry.eType && e.nId == rEntry.nId && e.nContext == rEntry.nContext) {
            e = rEntry;
            return;
        }
    maEntries.push_back(rEntry);
}

void ResMgr::RemoveModule(const String& rModule)
{
    std::erase_if(maEntries, [&](const ResEntry& e) { return e.aModule == rModule; });
}

const ResEntry* ResMgr::Find(ResType eType, unsigned short nId, unsigned short nContext) const
{
    for (const ResEntry& e : maEntries)
        if (e.eType == eType && e.nId == nId && e.nContext == nContext)
            return &e;
    return nullptr;
}

const ResEntry* ResMgr::Find(ResType eType, unsigned short nId) const
{
    for (auto it = maContexts.rbegin(); it != maContexts.rend(); ++it)
        if (const ResEntry* e = Find(eType, nId, it->nContext))
            return e;
    return Find(eType, nId, 0);
}

void ResMgr::PushContext(unsigned short nContext, const void* pOwner)
{
    maContexts.push_back({nContext, pOwner});
}

void ResMgr::PopContext(const void* pOwner)
{
    if (maContexts.empty())
        return;
    if (!pOwner) {
        maContexts.pop_back();
        return;
    }
    auto it = std::find_if(maContexts.begin(), maContexts.end(), [&](const Context& c) { return c.pOwner == pOwner; });
    if (it != maContexts.end())
        maContexts.erase(it, maContexts.end());
}
