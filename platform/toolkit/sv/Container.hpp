// Container: the toolkit's ordered list of untyped pointers. It never owns
// what its entries point to; typed collections (the object database's sets)
// are built on it and decide that themselves.
//
// The three sizes of the constructor are the block size the list grows in,
// the room reserved at the start and the step of later growth; they only
// tune allocation and are kept so that a copy grows the same way.
#pragma once

#include <vector>

class Container {
public:
    static constexpr unsigned long APPEND = 0xFFFFFFFF;
    static constexpr unsigned long ENTRY_NOTFOUND = 0xFFFFFFFF;

    Container(unsigned short nBlockSize, unsigned short nInitSize, unsigned short nReSize);

    // Inserts before position nPos (APPEND or a position past the end: at the end).
    void Insert(void* p, unsigned long nPos = APPEND);
    // Takes the entry out and returns it; null for a position past the end.
    void* Remove(unsigned long nPos);
    // The entry at the position, null past the end.
    void* GetObject(unsigned long nPos) const;
    // Position of the first entry equal to p, ENTRY_NOTFOUND when none is.
    unsigned long GetPos(const void* p) const;
    unsigned long Count() const { return static_cast<unsigned long>(maEntries.size()); }
    void Clear() { maEntries.clear(); }

    unsigned short GetBlockSize() const { return mnBlockSize; }
    unsigned short GetInitSize() const { return mnInitSize; }
    unsigned short GetReSize() const { return mnReSize; }

private:
    std::vector<void*> maEntries;
    unsigned short mnBlockSize;
    unsigned short mnInitSize;
    unsigned short mnReSize;
};
