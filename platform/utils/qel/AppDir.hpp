// AppDir: the folders the application reads its own files from.
//
// The data folder (text groups, SimuSpec.dat, the chart, named colours) is,
// first that exists: $VXN_DATA_DIR; "data" beside the program or one or two
// levels above it (an application may ship its own); the installed data
// folder, found from where this library itself lies (VXN_LIBDIR_TO_DATADIR,
// e.g. <libdir>/../share/qelvxn), so that an installed library works
// wherever its prefix is; the source tree's data folder the library was built
// from (the build tree and its tests).
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
