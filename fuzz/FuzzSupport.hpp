// What every fuzz target shares: a process set up like a headless test run
// (the source tree's data folder, a private configuration file, message
// boxes answered with their default button, no Qt application unless a
// target asks for one) and a reader that takes typed values off the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

// Call once from LLVMFuzzerInitialize. With bQtApplication a QApplication on
// the offscreen platform is created (for targets that build windows).
void Setup(bool bQtApplication = false);

// A private folder for the files a target writes (removed at exit).
const std::string& TempDir();

// Writes the bytes to a file in TempDir() and returns its path.
std::string WriteTempFile(const std::string& rName, const uint8_t* p, size_t n);

// Takes typed values off the front of the input; when it runs out it gives
// zeros and empty strings, so a target never reads past its input.
class Input {
public:
    Input(const uint8_t* p, size_t n) : mp(p), mn(n) {}
    bool Empty() const { return mn == 0; }
    size_t Left() const { return mn; }
    uint8_t Byte();
    uint16_t U16();
    uint32_t U32();
    // Up to nMax bytes, the count taken from the input first.
    std::string_view Bytes(size_t nMax);
    // Whatever is left.
    std::string_view Rest();

private:
    const uint8_t* mp;
    size_t mn;
};

} // namespace fuzz

// An invariant of a target: when it does not hold, the condition and its
// line are printed and the run aborts, so libFuzzer keeps the input.
#define FUZZ_REQUIRE(cond) \
    ((cond) ? (void)0 : ::fuzz::Violated(#cond, __FILE__, __LINE__))

namespace fuzz {
[[noreturn]] void Violated(const char* pCond, const char* pFile, int nLine);
}
