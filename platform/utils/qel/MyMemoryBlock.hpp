// MyMemoryBlock: the sequential byte buffer into which instrument requests are
// written and from which replies are read.
//
// Encoding: little-endian, two's complement. char/unsigned char 1 byte,
// short/unsigned short 2, int and long 4 (also where the C++ long has 8 bytes:
// the block always carries 32 bits for it), float 4 raw IEEE-754 bytes, String
// a 2-byte byte count followed by its UTF-8 bytes without terminator.
//
// Reading past the end never touches memory outside the buffer: the read
// yields nothing, the target keeps its value and the block remembers the
// failure (Failed()), so a caller can read a whole reply and check once.
#pragma once

#include "sv/String.hpp"

#include <cstdint>
#include <vector>

class MyMemoryBlock {
public:
    MyMemoryBlock() = default;
    MyMemoryBlock(const void* pData, long nLen) { SetData(pData, nLen); }

    MyMemoryBlock& operator<<(char v) { return PutRaw(&v, 1); }
    MyMemoryBlock& operator<<(signed char v) { return PutRaw(&v, 1); }
    MyMemoryBlock& operator<<(unsigned char v) { return PutRaw(&v, 1); }
    MyMemoryBlock& operator<<(short v) { return PutLE(static_cast<uint16_t>(v), 2); }
    MyMemoryBlock& operator<<(unsigned short v) { return PutLE(v, 2); }
    MyMemoryBlock& operator<<(int v) { return PutLE(static_cast<uint32_t>(v), 4); }
    MyMemoryBlock& operator<<(unsigned int v) { return PutLE(v, 4); }
    MyMemoryBlock& operator<<(long v) { return PutLE(static_cast<uint32_t>(v), 4); }
    MyMemoryBlock& operator<<(unsigned long v) { return PutLE(static_cast<uint32_t>(v), 4); }
    MyMemoryBlock& operator<<(float v);
    MyMemoryBlock& operator<<(const String& s);

    MyMemoryBlock& operator>>(char& v) { return GetRaw(&v, 1); }
    MyMemoryBlock& operator>>(signed char& v) { return GetRaw(&v, 1); }
    MyMemoryBlock& operator>>(unsigned char& v) { return GetRaw(&v, 1); }
    MyMemoryBlock& operator>>(short& v);
    MyMemoryBlock& operator>>(unsigned short& v);
    MyMemoryBlock& operator>>(int& v);
    MyMemoryBlock& operator>>(unsigned int& v);
    MyMemoryBlock& operator>>(long& v);          // sign-extends the 32 bits
    MyMemoryBlock& operator>>(unsigned long& v);  // zero-extends the 32 bits
    MyMemoryBlock& operator>>(float& v);
    MyMemoryBlock& operator>>(String& s);

    // n raw bytes; the result is the number of bytes moved (0 when fewer than
    // n are left to read, in which case nothing is read).
    long Put(const void* pData, long n);
    long Get(void* pData, long n);

    // Whole content (what was written, or the received reply).
    const unsigned char* GetData() const { return maData.data(); }
    long GetSize() const { return static_cast<long>(maData.size()); }
    long GetReadPos() const { return static_cast<long>(mnRead); }
    long GetRemaining() const { return static_cast<long>(maData.size() - mnRead); }
    void SetData(const void* pData, long nLen);
    void Clear();
    void Rewind() { mnRead = 0; mbFailed = false; }
    bool Failed() const { return mbFailed; }

private:
    MyMemoryBlock& PutRaw(const void* p, size_t n);
    MyMemoryBlock& GetRaw(void* p, size_t n);
    MyMemoryBlock& PutLE(uint32_t v, int n);
    bool GetLE(uint32_t& v, int n);

    std::vector<unsigned char> maData;
    size_t mnRead = 0;
    bool mbFailed = false;
};
