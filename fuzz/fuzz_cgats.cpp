// The CGATS file of vxn measurements, as the programs use it: arbitrary
// bytes as the file, read with CgatsFile::Read (Little CMS's IT8 reader,
// then the columns and rows vxn wrote), checked with CgatsFile::Check
// against a keyword as before a measurement, and when the check passes one
// row appended.
//
// Must hold, besides no crash and no sanitizer report (and no endless loop
// or unbounded allocation from a count the file claims): a file that was
// read keeps its rows through an append, and the appended row is read back
// after them.
#include "FuzzSupport.hpp"

#include "CgatsFile.hpp"

#include <map>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteTempFile("fuzz.cgats", data, size);
    std::vector<vxn::CgatsRow> rows;
    std::map<std::string, std::string> keys;
    std::string error;
    bool read = vxn::CgatsFile::Read(path, rows, keys, error);

    vxn::CgatsFile file(path);
    file.SetKeyword("ILLUMINANT", "D65");
    if (!file.Check(error) || size == 0)
        return 0;
    vxn::CgatsRow row;
    row.name = "fuzz";
    for (int i = 0; i < 36; ++i)
        row.spectrum[i] = 0.25 + i / 100.0;
    row.lab[0] = 50;
    if (!file.Append({row}, error))
        return 0;
    if (!read)
        return 0;
    std::vector<vxn::CgatsRow> after;
    std::map<std::string, std::string> keysAfter;
    FUZZ_REQUIRE(vxn::CgatsFile::Read(path, after, keysAfter, error));
    FUZZ_REQUIRE(after.size() == rows.size() + 1);
    FUZZ_REQUIRE(after.back().name == "fuzz" && after.back().spectrum[35] == row.spectrum[35]);
    return 0;
}
