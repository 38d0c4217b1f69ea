#include "qel/AppDir.hpp"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <unistd.h>

#ifndef VXN_SOURCE_DATA_DIR
#define VXN_SOURCE_DATA_DIR "data"
#endif

namespace fs = std::filesystem;

namespace {
String& Chosen()
{
    static String s;
    return s;
}

bool IsDataDir(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p / "texts" / "en.txt", ec);
}

// The data folder of an installation: the install rules compile in where it
// lies relative to the library folder; the library finds its own folder from
// the file the dynamic loader mapped it from. Empty when not known.
fs::path InstalledDataDir()
{
#ifdef VXN_LIBDIR_TO_DATADIR
    Dl_info info;
    if (::dladdr(reinterpret_cast<void*>(&AppDir::GetDataDir), &info) && info.dli_fname && *info.dli_fname)
        return fs::path(info.dli_fname).parent_path() / VXN_LIBDIR_TO_DATADIR;
#endif
    return {};
}
} // namespace

String AppDir::GetProgramDir()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return String(".");
    return String(exe.parent_path().string());
}

void AppDir::SetDataDir(const String& rDir)
{
    Chosen() = rDir;
}

String AppDir::GetDataDir()
{
    if (!Chosen().IsEmpty())
        return Chosen();
    if (const char* e = std::getenv("VXN_DATA_DIR"); e && *e)
        return String(e);
    fs::path prog(GetProgramDir().str());
    for (const fs::path& c : {prog / "data", prog.parent_path() / "data", prog.parent_path().parent_path() / "data"})
        if (IsDataDir(c))
            return String(c.string());
    if (fs::path installed = InstalledDataDir(); !installed.empty() && IsDataDir(installed))
        return String(installed.lexically_normal().string());
    return String(VXN_SOURCE_DATA_DIR);
}

String AppDir::GetDataFile(const String& rRelative)
{
    return String((fs::path(GetDataDir().str()) / rRelative.str()).string());
}
