// AppDir: the folders the application reads its own files from.
//
// The data folder (text groups, SimuSpec.dat, colorimetric tables) is, first
// that exists: $VXN_DATA_DIR; "data" beside the program or one or two levels
// above it; the source tree's data folder the program was built from.
#pragma once

#include "sv/String.hpp"

class AppDir {
public:
    static String GetDataDir();
    // The data folder joined with a relative path ("texts/en.txt").
    static String GetDataFile(const String& rRelative);
    // Folder of the running program.
    static String GetProgramDir();
    // For tests and embedding applications: use this folder from now on.
    static void SetDataDir(const String& rDir);
};
