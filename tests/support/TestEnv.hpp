// Helpers every test program shares.
#pragma once

#include <string>

namespace testenv {
// A new, empty configuration file path in a private temporary folder.
std::string FreshConfigPath();
// Folder for files a reviewer may look at (PNGs, CGATS files): build/test-output.
std::string OutputDir();
// Path of a program built beside the tests (vxn, vxn-emulator).
std::string Program(const std::string& name);
// The whole contents of a file ("" when it cannot be read).
std::string Slurp(const std::string& path);
} // namespace testenv
