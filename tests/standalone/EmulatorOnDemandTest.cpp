// A program written against the library alone (it neither links the virtual
// instrument nor registers its endpoint) reaches it with "emulator:": the
// transport loads the instrument's module on demand. This program therefore
// links QelVXN_M2 and nothing of the emulator, and has a main of its own.
#include "qel/AppConfig.hpp"
#include "qel/PostOffice.hpp"
#include "qelvxn/protocol/VXNProtokoll.hpp"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <unistd.h>

namespace {

TEST(EmulatorOnDemand, EmulatorEndpointWorksWithoutLinkingTheEmulator)
{
    // Nothing of the emulator is in the process yet.
    ASSERT_EQ(::dlsym(RTLD_DEFAULT, "vxnemu_RegisterEmulatorEndpoint"), nullptr);
    PostOffice* po = PostOffice::Instance();
    po->SetEndpoint(String("emulator:"));
    ASSERT_TRUE(po->Open()) << po->GetLastError().str();
    VXNProtokoll p;
    EXPECT_NE(p.GetDeviceType(), 0);
    EXPECT_TRUE(po->GetLastError().IsEmpty()) << po->GetLastError().str();
    EXPECT_NE(p.GetSWVersion(), 0u);
    PostOffice::Destroy();
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string dir = std::filesystem::temp_directory_path().string() + "/vxn-ondemand-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    AppConfig::SetPathName(String(dir + "/QelVXN.ini"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return rc;
}
