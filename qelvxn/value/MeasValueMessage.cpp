#include "qelvxn/value/MeasValueMessage.hpp"

#include "qel/ASCIIFile.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <string>

unsigned char ReadMeasValueMessage(MyMemoryBlock& rBlock, GPtMesswert& rValue)
{
    int n = 0;
    rBlock >> n;
    if (rBlock.Failed() || n <= 0 || n > rBlock.GetRemaining())
        return 0;
    std::string text(static_cast<size_t>(n), '\0');
    if (rBlock.Get(text.data(), n) != n)
        return 0;
    // The instrument speaks version 2, whose texts open with their version
    // line; a text of version 1 (no such line) or of another version would
    // be read wrongly (escapes), so it is no value. CheckVersion alone would
    // take a text without the line for the version asked.
    if (text.rfind("Version=", 0) != 0)
        return 0;
    ASCIIFile file(text);
    if (!file.CheckVersion(2))
        return 0;
    return rValue.read(file);
}
