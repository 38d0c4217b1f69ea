// Test main: every test program runs headless (Qt offscreen), reads the
// source tree's data folder and writes its configuration into a private file,
// so tests never touch the user's settings.
#include "support/TestEnv.hpp"

#include "qel/AppConfig.hpp"
#include "qel/AppDir.hpp"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string runtime = std::filesystem::temp_directory_path().string() + "/vxn-test-runtime-" + std::to_string(getuid());
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 0);
    unsetenv("VXN_TRACE");
    AppDir::SetDataDir(VXN_SOURCE_DATA_DIR);
    AppConfig::SetPathName(testenv::FreshConfigPath());

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
