// Reads typed fields out of a MyMemoryBlock holding arbitrary bytes, in an
// order the input chooses, as the library reads a reply's layout: chars,
// shorts, ints, longs, floats, strings and raw runs.
//
// Must hold, besides no crash and no sanitizer report (a read outside the
// buffer is an ASan report):
//  - a read that succeeds moves the read position by the field's size and
//    yields the little-endian value of those bytes;
//  - a read that fails leaves its target as it was, and every read after it
//    fails too (a caller checks Failed() once at the end);
//  - the read position never passes the end of the block;
//  - what a block writes reads back the same (the round trip of the request
//    side).
#include "FuzzSupport.hpp"

#include "qel/MyMemoryBlock.hpp"

#include <cstring>
#include <vector>

namespace {

uint32_t Le(const unsigned char* p, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

// One typed read; checks its outcome against the bytes it should have taken.
template <class T>
void ReadChecked(MyMemoryBlock& b, int nSize, const T& rSentinel, bool& rFailed)
{
    long at = b.GetReadPos();
    bool fits = !rFailed && b.GetSize() - at >= nSize;
    T v = rSentinel;
    b >> v;
    if (!fits) {
        FUZZ_REQUIRE(b.Failed() && b.GetReadPos() == at && std::memcmp(&v, &rSentinel, sizeof v) == 0);
        rFailed = true;
        return;
    }
    FUZZ_REQUIRE(!b.Failed() && b.GetReadPos() == at + nSize);
    uint32_t raw = Le(b.GetData() + at, nSize);
    if constexpr (std::is_same_v<T, float>) {
        uint32_t got;
        std::memcpy(&got, &v, 4);
        FUZZ_REQUIRE(got == raw);
    } else if constexpr (std::is_signed_v<T>) {
        // Sign-extended from the field's width.
        int64_t want = nSize == 1 ? static_cast<int8_t>(raw) : nSize == 2 ? static_cast<int16_t>(raw) : static_cast<int32_t>(raw);
        FUZZ_REQUIRE(static_cast<int64_t>(v) == want);
    } else {
        FUZZ_REQUIRE(static_cast<uint64_t>(v) == raw);
    }
}

void ReadCase(fuzz::Input& in)
{
    std::string_view script = in.Bytes(64);
    std::string_view bytes = in.Rest();
    MyMemoryBlock b(bytes.data(), static_cast<long>(bytes.size()));
    FUZZ_REQUIRE(b.GetSize() == static_cast<long>(bytes.size()));
    bool failed = false;
    for (unsigned char op : script) {
        switch (op % 12) {
        case 0: ReadChecked<char>(b, 1, 'x', failed); break;
        case 1: ReadChecked<unsigned char>(b, 1, 0xA5, failed); break;
        case 2: ReadChecked<short>(b, 2, -12345, failed); break;
        case 3: ReadChecked<unsigned short>(b, 2, 54321, failed); break;
        case 4: ReadChecked<int>(b, 4, -7, failed); break;
        case 5: ReadChecked<unsigned int>(b, 4, 7u, failed); break;
        case 6: ReadChecked<long>(b, 4, -123456789012L, failed); break;
        case 7: ReadChecked<unsigned long>(b, 4, 123456789012UL, failed); break;
        case 8: ReadChecked<float>(b, 4, 1.5f, failed); break;
        case 9: {
            long at = b.GetReadPos();
            String s("unchanged");
            b >> s;
            size_t n = at + 2 <= b.GetSize() ? Le(b.GetData() + at, 2) : 0;
            bool fits = !failed && at + 2 <= b.GetSize() && static_cast<size_t>(b.GetSize() - at - 2) >= n;
            if (fits) {
                FUZZ_REQUIRE(!b.Failed() && b.GetReadPos() == at + 2 + static_cast<long>(n));
                FUZZ_REQUIRE(s.str() == std::string(reinterpret_cast<const char*>(b.GetData()) + at + 2, n));
            } else {
                FUZZ_REQUIRE(b.Failed() && s.str() == "unchanged");
                failed = true;
            }
            break;
        }
        default: {
            // A raw run of the size the op names, as the spectra (144 bytes)
            // and file blocks (512 bytes) are read.
            long n = (op / 12) * 8 - 64;
            long at = b.GetReadPos();
            std::vector<unsigned char> out(n > 0 ? static_cast<size_t>(n) : 1, 0xEE);
            long got = b.Get(out.data(), n);
            if (n <= 0) {
                FUZZ_REQUIRE(got == 0 && b.GetReadPos() == at);
            } else if (!failed && b.GetSize() - at >= n) {
                FUZZ_REQUIRE(got == n && b.GetReadPos() == at + n);
                FUZZ_REQUIRE(std::memcmp(out.data(), b.GetData() + at, static_cast<size_t>(n)) == 0);
            } else {
                FUZZ_REQUIRE(got == 0 && b.Failed() && b.GetReadPos() == at);
                failed = true;
            }
            break;
        }
        }
        FUZZ_REQUIRE(b.Failed() == failed);
        FUZZ_REQUIRE(b.GetReadPos() <= b.GetSize() && b.GetRemaining() == b.GetSize() - b.GetReadPos());
    }
    b.Rewind();
    FUZZ_REQUIRE(!b.Failed() && b.GetReadPos() == 0);
}

void WriteCase(fuzz::Input& in)
{
    short s = static_cast<short>(in.U16());
    unsigned int u = in.U32();
    long l = static_cast<int32_t>(in.U32());
    uint32_t fbits = in.U32();
    float f;
    std::memcpy(&f, &fbits, 4);
    std::string_view text = in.Bytes(300);
    String str{std::string(text)};
    char c = static_cast<char>(in.Byte());

    MyMemoryBlock w;
    w << c << s << u << l << f << str;
    MyMemoryBlock r(w.GetData(), w.GetSize());
    char c2 = 0;
    short s2 = 0;
    unsigned int u2 = 0;
    long l2 = 0;
    float f2 = 0;
    String str2;
    r >> c2 >> s2 >> u2 >> l2 >> f2 >> str2;
    FUZZ_REQUIRE(!r.Failed() && r.GetRemaining() == 0);
    FUZZ_REQUIRE(c2 == c && s2 == s && u2 == u && l2 == l && std::memcmp(&f2, &f, 4) == 0 && str2.str() == str.str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    fuzz::Input again(data, size);
    ReadCase(in);
    WriteCase(again);
    return 0;
}
