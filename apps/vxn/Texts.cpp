#include "Texts.hpp"

#include "qel/Text.hpp"

#include <vector>

namespace vxn::text {

namespace {
constexpr size_t LABEL_WIDTH = 12;

// Characters, not bytes: a UTF-8 continuation byte begins no character.
size_t Width(const std::string& s)
{
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}
} // namespace

std::string Get(Id n)
{
    return TextSegment(String("vxn")).GetText(n).str();
}

std::string Format(Id n, std::initializer_list<std::string> aValues)
{
    std::vector<std::string> values(aValues);
    std::string t = Get(n), out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '%' && i + 1 < t.size() && t[i + 1] >= '1' && t[i + 1] <= '9') {
            size_t k = static_cast<size_t>(t[i + 1] - '1');
            out += k < values.size() ? values[k] : std::string();
            ++i;
        } else {
            out += t[i];
        }
    }
    return out;
}

std::string Label(Id n)
{
    std::string s = Get(n);
    size_t w = Width(s);
    return s + std::string(w < LABEL_WIDTH ? LABEL_WIDTH - w : 1, ' ');
}

} // namespace vxn::text
