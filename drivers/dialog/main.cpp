// The driver dialog program a plug-in driver's ShowDriverDialog starts:
// "DIALOG.EXE <module path> [parameter] <baud rate>". The sample drivers
// have nothing to set up, so it reports what it was started for, on
// standard error and, when VXN_DRIVER_DIALOG_LOG names a file, in that file.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i)
        line += (i > 1 ? " " : "") + std::string(argv[i]);
    if (argc < 3) {
        std::fprintf(stderr, "driver dialog: expected the module path and the baud rate, got '%s'\n", line.c_str());
        return 2;
    }
    std::fprintf(stderr, "driver dialog: module %s at %s baud\n", argv[1], argv[argc - 1]);
    if (const char* log = std::getenv("VXN_DRIVER_DIALOG_LOG")) {
        if (FILE* f = std::fopen(log, "a")) {
            std::fprintf(f, "%s\n", line.c_str());
            std::fclose(f);
        }
    }
    return 0;
}
