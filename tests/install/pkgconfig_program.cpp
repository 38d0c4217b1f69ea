// Built by the install test from the installed tree with nothing but
// `pkg-config --cflags --libs qelvxn_m2`: a header of every folder compiles
// from the installed include folder, the libraries link, and at run time the
// library finds the installed data folder. Prints the data folder and then
// the text of illuminant D50 from the text catalogue read from it.
#include "qel/AppDir.hpp"
#include "qel/ConditionClasses.hpp"
#include "qel/Text.hpp"
#include "qeldb/objectId.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "sv/String.hpp"

#include <cstdio>

int main()
{
    Language::Set(String("en"));
    std::printf("%s\n", AppDir::GetDataDir().str().c_str());
    std::printf("%s\n", IllumClass(ILLUM_D50).GetText().str().c_str());
    // Nothing of the instrument library has run, but it is linked.
    return VXNLib::mpInstance == nullptr ? 0 : 1;
}
