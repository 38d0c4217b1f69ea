#include "support/TestEnv.hpp"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace testenv {

std::string FreshConfigPath()
{
    static std::atomic<int> counter{0};
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("vxn-test-" + std::to_string(getpid()));
    fs::create_directories(dir);
    fs::path p = dir / ("config-" + std::to_string(counter++) + ".ini");
    fs::remove(p);
    return p.string();
}

std::string OutputDir()
{
    std::filesystem::create_directories(VXN_TEST_OUTPUT_DIR);
    return VXN_TEST_OUTPUT_DIR;
}

std::string Program(const std::string& name)
{
    return std::string(VXN_BIN_DIR) + "/" + name;
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace testenv
