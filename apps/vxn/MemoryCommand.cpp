// vxn memory: the instrument's memory: free, in all, and the part references
// and samples take. Instruments before software version 355 report no sizes
// (the library gives 0 for them); vxn says so instead of printing zeros.
#include "Commands.hpp"
#include "InstrumentRun.hpp"

#include "qelvxn/library/ScanLib.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>

namespace vxn {

namespace {

int RunMemory(const Globals& g, bool json)
{
    InstrumentRun run(g);
    if (!run.Connect())
        return run.ConnectFailure();
    VXNLib& lib = run.Lib();
    float freeSize = 0, total = 0, refs = 0;
    const char* failed = !lib.GetFreeMemorySize(freeSize)          ? "free memory"
                         : !lib.GetTotalRAMSize(total)             ? "total memory"
                         : !lib.GetMemorySizeOfRefAndSpl(refs)     ? "memory of references and samples"
                                                                   : nullptr;
    if (failed) {
        std::string why = InstrumentRun::LastFailure();
        Error(std::string("could not read the ") + failed + (why.empty() ? "" : ": " + why));
        return EXIT_FAILED;
    }
    bool reported = lib.GetSWVersion() >= 355;
    if (json) {
        nlohmann::json j = {{"reported", reported}};
        if (reported)
            j.update({{"free", static_cast<long>(freeSize)},
                      {"total", static_cast<long>(total)},
                      {"references_and_samples", static_cast<long>(refs)}});
        std::cout << j.dump(2) << std::endl;
        return EXIT_DONE;
    }
    if (!reported) {
        std::cout << "The instrument reports no memory sizes (software version below 355)." << std::endl;
        return EXIT_DONE;
    }
    std::cout << "Free                        " << static_cast<long>(freeSize) << " bytes\n"
              << "Total                       " << static_cast<long>(total) << " bytes\n"
              << "References and samples      " << static_cast<long>(refs) << " bytes\n";
    return EXIT_DONE;
}

} // namespace

Command AddMemoryCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("memory", "the instrument's memory: free, total, references and samples");
    auto json = std::make_shared<bool>(false);
    c.sub->add_flag("--json", *json, "machine-readable output");
    c.run = [&g, json] { return RunMemory(g, *json); };
    return c;
}

} // namespace vxn
