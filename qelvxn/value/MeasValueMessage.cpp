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
    ASCIIFile file(text);
    file.CheckVersion(2);
    return rValue.read(file);
}
