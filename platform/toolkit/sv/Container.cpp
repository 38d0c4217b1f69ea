#include "sv/Container.hpp"

#include <algorithm>

Container::Container(unsigned short nBlockSize, unsigned short nInitSize, unsigned short nReSize)
    : mnBlockSize(nBlockSize), mnInitSize(nInitSize), mnReSize(nReSize)
{
    maEntries.reserve(nInitSize);
}

void Container::Insert(void* p, unsigned long nPos)
{
    if (nPos >= maEntries.size())
        maEntries.push_back(p);
    else
        maEntries.insert(maEntries.begin() + static_cast<std::ptrdiff_t>(nPos), p);
}

void* Container::Remove(unsigned long nPos)
{
    if (nPos >= maEntries.size())
        return nullptr;
    void* p = maEntries[nPos];
    maEntries.erase(maEntries.begin() + static_cast<std::ptrdiff_t>(nPos));
    return p;
}

void* Container::GetObject(unsigned long nPos) const
{
    return nPos < maEntries.size() ? maEntries[nPos] : nullptr;
}

unsigned long Container::GetPos(const void* p) const
{
    auto it = std::find(maEntries.begin(), maEntries.end(), p);
    return it == maEntries.end() ? ENTRY_NOTFOUND : static_cast<unsigned long>(it - maEntries.begin());
}
