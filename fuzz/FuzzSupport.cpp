#include "FuzzSupport.hpp"

#include "qel/AppConfig.hpp"
#include "qel/AppDir.hpp"
#include "sv/Responder.hpp"
#include "sv/ScriptedResponder.hpp"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fuzz {

namespace fs = std::filesystem;

const std::string& TempDir()
{
    static const std::string dir = [] {
        // Memory rather than disk where there is one: the configuration and
        // the CGATS writer flush every file they replace.
        std::error_code ec;
        fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm")
                                                                                          : fs::temp_directory_path();
        fs::path d = base / ("vxn-fuzz-" + std::to_string(getpid()));
        fs::create_directories(d);
        return d.string();
    }();
    return dir;
}

void Setup(bool bQtApplication)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    fs::path runtime = fs::temp_directory_path() / ("vxn-fuzz-runtime-" + std::to_string(getuid()));
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    unsetenv("VXN_TRACE");
    AppDir::SetDataDir(VXN_SOURCE_DATA_DIR);
    AppConfig::SetPathName(TempDir() + "/QelVXN.ini");
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(TempDir(), ec);
    });

    // Boxes a parser might raise are answered at once, never at a prompt.
    static ScriptedResponder responder;
    Responder::SetCurrent(&responder);

    if (bQtApplication) {
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
    }
}

std::string WriteTempFile(const std::string& rName, const uint8_t* p, size_t n)
{
    std::string path = TempDir() + "/" + rName;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(p), static_cast<std::streamsize>(n));
    return path;
}

uint8_t Input::Byte()
{
    if (!mn)
        return 0;
    --mn;
    return *mp++;
}

uint16_t Input::U16()
{
    uint16_t lo = Byte();
    return static_cast<uint16_t>(lo | (Byte() << 8));
}

uint32_t Input::U32()
{
    uint32_t lo = U16();
    return lo | (static_cast<uint32_t>(U16()) << 16);
}

std::string_view Input::Bytes(size_t nMax)
{
    size_t n = U16() % (nMax + 1);
    if (n > mn)
        n = mn;
    std::string_view v(reinterpret_cast<const char*>(mp), n);
    mp += n;
    mn -= n;
    return v;
}

std::string_view Input::Rest()
{
    std::string_view v(reinterpret_cast<const char*>(mp), mn);
    mp += mn;
    mn = 0;
    return v;
}

} // namespace fuzz

namespace fuzz {

void Violated(const char* pCond, const char* pFile, int nLine)
{
    std::fprintf(stderr, "%s:%d: invariant does not hold: %s\n", pFile, nLine, pCond);
    std::abort();
}

} // namespace fuzz
