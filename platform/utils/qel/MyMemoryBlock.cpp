#include "qel/MyMemoryBlock.hpp"

#include <cstring>

MyMemoryBlock& MyMemoryBlock::PutRaw(const void* p, size_t n)
{
    const auto* b = static_cast<const unsigned char*>(p);
    maData.insert(maData.end(), b, b + n);
    return *this;
}

MyMemoryBlock& MyMemoryBlock::GetRaw(void* p, size_t n)
{
    if (mbFailed || maData.size() - mnRead < n) {
        mbFailed = true;
        return *this;
    }
    std::memcpy(p, maData.data() + mnRead, n);
    mnRead += n;
    return *this;
}

MyMemoryBlock& MyMemoryBlock::PutLE(uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        maData.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return *this;
}

bool MyMemoryBlock::GetLE(uint32_t& v, int n)
{
    if (mbFailed || maData.size() - mnRead < static_cast<size_t>(n)) {
        mbFailed = true;
        return false;
    }
    v = 0;
    for (int i = 0; i < n; ++i)
        v |= static_cast<uint32_t>(maData[mnRead + i]) << (8 * i);
    mnRead += n;
    return true;
}

MyMemoryBlock& MyMemoryBlock::operator<<(float v)
{
    uint32_t u;
    std::memcpy(&u, &v, 4);
    return PutLE(u, 4);
}

MyMemoryBlock& MyMemoryBlock::operator<<(const String& s)
{
    size_t n = s.str().size();
    if (n > 0xFFFF)
        n = 0xFFFF;
    PutLE(static_cast<uint32_t>(n), 2);
    return PutRaw(s.str().data(), n);
}

MyMemoryBlock& MyMemoryBlock::operator>>(short& v)
{
    uint32_t u;
    if (GetLE(u, 2))
        v = static_cast<short>(static_cast<uint16_t>(u));
    return *this;
}

MyMemoryBlock& MyMemoryBlock::operator>>(unsigned short& v)
{
    uint32_t u;
    if (GetLE(u, 2))
        v = static_cast<unsigned short>(u);
    return *this;
}

MyMemoryBlock& MyMemoryBlock::operator>>(int& v)
{
    uint32_t u;
    if (GetLE(u, 4))
        v = static_cast<int>(u);
    return *this;
}

MyMemoryBlock& MyMemoryBlock::operator>>(unsigned int& v)
{
    uint32_t u;
    if (GetLE(u, 4))
        v = u;
    return *this;
}

MyMemoryBlock& MyMemoryBlock::operator>>(long& v)
{
    uint32_t u;
    if (GetLE(u, 4))
        v = static_cast<long>(static_cast<int32_t>(u));
    return *this;
}

MyMemoryBlock& MyMemoryBlock::operator>>(unsigned long& v)
{
    uint32_t u;
    if (GetLE(u, 4))
        v = u;
    return *this;
}

MyMemoryBlock& MyMemoryBlock::operator>>(float& v)
{
    uint32_t u;
    if (GetLE(u, 4))
        std::memcpy(&v, &u, 4);
    return *this;
}

MyMemoryBlock& MyMemoryBlock::operator>>(String& s)
{
    uint32_t n;
    size_t save = mnRead;
    if (!GetLE(n, 2))
        return *this;
    if (maData.size() - mnRead < n) {
        mnRead = save;
        mbFailed = true;
        return *this;
    }
    s = String(std::string(reinterpret_cast<const char*>(maData.data() + mnRead), n));
    mnRead += n;
    return *this;
}

long MyMemoryBlock::Put(const void* pData, long n)
{
    if (n <= 0)
        return 0;
    PutRaw(pData, static_cast<size_t>(n));
    return n;
}

long MyMemoryBlock::Get(void* pData, long n)
{
    if (n <= 0)
        return 0;
    if (mbFailed || maData.size() - mnRead < static_cast<size_t>(n)) {
        mbFailed = true;
        return 0;
    }
    GetRaw(pData, static_cast<size_t>(n));
    return n;
}

void MyMemoryBlock::SetData(const void* pData, long nLen)
{
    const auto* b = static_cast<const unsigned char*>(pData);
    maData.assign(b, b + (nLen > 0 ? nLen : 0));
    mnRead = 0;
    mbFailed = false;
}

void MyMemoryBlock::Clear()
{
    maData.clear();
    mnRead = 0;
    mbFailed = false;
}
