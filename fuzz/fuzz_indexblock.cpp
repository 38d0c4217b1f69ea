// A row of the value store: arbitrary bytes as the index block of a
// measured value (GPtMesswert::SetIndexBlock: the objectId part, then 36
// floats, type and condition codes), then the value used as the programs
// use a stored one: its L*a*b* under its own conditions and its text form.
//
// Must hold, besides no crash and no sanitizer report (whatever codes and
// numbers the row holds):
//  - a block that is refused leaves the value unchanged;
//  - a block that is taken writes back a block that reads as the same value.
#include "FuzzSupport.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/ColorVector.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Block(GPtMesswert& v)
{
    MyMemoryBlock b;
    FUZZ_REQUIRE(v.GetIndexBlock(b));
    return std::vector<unsigned char>(b.GetData(), b.GetData() + b.GetSize());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GPtMesswert v;
    const std::vector<unsigned char> fresh = Block(v);
    MyMemoryBlock row(data, static_cast<long>(size));
    if (!v.SetIndexBlock(row)) {
        FUZZ_REQUIRE(Block(v) == fresh);
        return 0;
    }
    std::vector<unsigned char> written = Block(v);
    MyMemoryBlock again(written.data(), static_cast<long>(written.size()));
    GPtMesswert w;
    FUZZ_REQUIRE(w.SetIndexBlock(again));
    FUZZ_REQUIRE(Block(w) == written);

    if (v.IsA() != GPtMesswert::TYPE_NONE) {
        LABVector lab;
        v.GetLab(lab);
    }
    ASCIIFile text;
    v.write(text);
    return 0;
}
