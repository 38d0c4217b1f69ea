// The text form of a measured value: arbitrary bytes read as an ASCIIFile
// and a "MeasValue" section read from it (GPtMesswert::read), and the same
// bytes as the payload of message 43, the value an instrument sends when
// measuring is triggered at the unit (ReadMeasValueMessage): once as they
// come (count field included) and once behind a count that fits.
//
// Must hold, besides no crash and no sanitizer report:
//  - a failed read leaves the value unchanged;
//  - a value that was read writes a section that reads back, and writing
//    that again gives the same text, the same type and the same numbers.
#include "FuzzSupport.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "qelvxn/value/MeasValueMessage.hpp"

#include <cstring>
#include <string>

namespace {

std::string Written(GPtMesswert& v)
{
    ASCIIFile out;
    v.write(out);
    FUZZ_REQUIRE(out.IsGood());
    return out.GetText();
}

bool SameValue(const GPtMesswert& a, const GPtMesswert& b)
{
    return a.IsA() == b.IsA() && std::memcmp(a.GetValues(), b.GetValues(), sizeof(float) * GPtMesswert::VALUE_COUNT) == 0 &&
           a.GetBezeichnung().str() == b.GetBezeichnung().str();
}

void CheckRoundTrip(GPtMesswert& v)
{
    std::string text = Written(v);
    ASCIIFile in(text);
    GPtMesswert back;
    FUZZ_REQUIRE(back.read(in));
    FUZZ_REQUIRE(Written(back) == text);
    if (back.IsA() != GPtMesswert::TYPE_NONE)
        FUZZ_REQUIRE(SameValue(v, back));
}

void ReadText(std::string_view text)
{
    ASCIIFile file(text);
    GPtMesswert v;
    const std::string before = Written(v);
    if (!v.read(file)) {
        FUZZ_REQUIRE(Written(v) == before);
        return;
    }
    CheckRoundTrip(v);
    // Later sections of the same text, as a file of several values is read.
    for (int n = 0; n < 4 && v.read(file); ++n)
        CheckRoundTrip(v);
}

void ReadMessage(const uint8_t* data, size_t size)
{
    GPtMesswert v;
    const std::string before = Written(v);
    MyMemoryBlock raw(data, static_cast<long>(size));
    if (ReadMeasValueMessage(raw, v))
        CheckRoundTrip(v);
    else
        FUZZ_REQUIRE(Written(v) == before);

    MyMemoryBlock framed;
    framed << static_cast<int>(size);
    framed.Put(data, static_cast<long>(size));
    GPtMesswert w;
    if (ReadMeasValueMessage(framed, w))
        CheckRoundTrip(w);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadText(std::string_view(reinterpret_cast<const char*>(data), size));
    ReadMessage(data, size);
    return 0;
}
