// Reading requests and writing replies of the virtual instrument.
//
// The emulator decodes the wire blocks on its own (little-endian, int and
// long 4 bytes, float 4 raw IEEE-754 bytes, String a 2-byte byte count and
// UTF-8 bytes) so that it checks the library's encoding instead of sharing it.
// Reads are bounded: a read past the end marks the reader failed and yields
// zeros, so a short request is detected once, after all fields were read.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vxnemu {

using Spectrum36 = std::array<float, 36>;

class PayloadReader {
public:
    explicit PayloadReader(const std::vector<uint8_t>& rData) : mrData(rData) {}

    int32_t Int()
    {
        uint8_t b[4] = {};
        Take(b, 4);
        return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                    (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
    }
    int16_t Short() { return static_cast<int16_t>(UShort()); }
    uint16_t UShort()
    {
        uint8_t b[2] = {};
        Take(b, 2);
        return static_cast<uint16_t>(b[0] | (b[1] << 8));
    }
    uint8_t Byte()
    {
        uint8_t b = 0;
        Take(&b, 1);
        return b;
    }
    float Float()
    {
        uint32_t u = static_cast<uint32_t>(Int());
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    void Floats(float* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            p[i] = Float();
    }
    void Raw(uint8_t* p, size_t n) { Take(p, n); }
    // The rest of the request as bytes (variable-length fields).
    std::vector<uint8_t> Rest()
    {
        std::vector<uint8_t> r(mrData.begin() + static_cast<std::ptrdiff_t>(mnPos), mrData.end());
        mnPos = mrData.size();
        return r;
    }

    size_t Remaining() const { return mrData.size() - mnPos; }
    // True when every field could be read and nothing is left over: the
    // request had exactly the shape the command expects.
    bool Complete() const { return !mbFailed && mnPos == mrData.size(); }
    bool Failed() const { return mbFailed; }

private:
    void Take(uint8_t* p, size_t n)
    {
        if (mbFailed || mrData.size() - mnPos < n) {
            mbFailed = true;
            std::memset(p, 0, n);
            return;
        }
        std::memcpy(p, mrData.data() + mnPos, n);
        mnPos += n;
    }

    const std::vector<uint8_t>& mrData;
    size_t mnPos = 0;
    bool mbFailed = false;
};

class PayloadWriter {
public:
    PayloadWriter& Byte(uint8_t v)
    {
        maData.push_back(v);
        return *this;
    }
    PayloadWriter& Int(int32_t v)
    {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            maData.push_back(static_cast<uint8_t>(u >> (8 * i)));
        return *this;
    }
    PayloadWriter& UShort(uint16_t v)
    {
        maData.push_back(static_cast<uint8_t>(v));
        maData.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    PayloadWriter& Float(float f)
    {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return Int(static_cast<int32_t>(u));
    }
    PayloadWriter& Floats(const float* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            Float(p[i]);
        return *this;
    }
    PayloadWriter& Raw(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        maData.insert(maData.end(), b, b + n);
        return *this;
    }
    // A text field of exactly n bytes: the text cut to n and padded with zeros.
    PayloadWriter& Fixed(const std::string& s, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            maData.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
        return *this;
    }
    PayloadWriter& Text(const std::string& s)
    {
        size_t n = s.size() > 0xFFFF ? 0xFFFF : s.size();
        UShort(static_cast<uint16_t>(n));
        return Raw(s.data(), n);
    }

    std::vector<uint8_t>& Data() { return maData; }

private:
    std::vector<uint8_t> maData;
};

} // namespace vxnemu
