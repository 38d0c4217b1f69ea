// vxn refs put: puts a measured value into one of the instrument's reference
// slots with a name and the value's date: either a value kept in the value
// store (--value ID, see `vxn values`) or a fresh measurement of what lies
// under the instrument now (taken under the instrument's own conditions,
// which a reference keeps).
#include "Commands.hpp"
#include "InstrumentRun.hpp"
#include "ValueStore.hpp"

#include "qel/MeasuringCondition.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <CLI/CLI.hpp>

#include <ctime>
#include <iostream>

namespace vxn {

namespace {

struct RefOptions {
    long slot = 0;
    std::string name;
    long valueId = 0;
};

// The value of now as a fresh measurement, dated now.
bool MeasureNow(VXNLib& lib, GPtMesswert& rValue)
{
    MeasuringCondition cond;
    Spectrum spectrum;
    if (!lib.ParameterRequest(cond) || !lib.SingleMeasure(spectrum))
        return false;
    rValue.SetMeasuringCondition(cond);
    rValue.SetSpectrum(spectrum, 0);
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    rValue.SetDateTime((tm.tm_year + 1900) * 10000L + (tm.tm_mon + 1) * 100L + tm.tm_mday,
                       tm.tm_hour * 10000L + tm.tm_min * 100L + tm.tm_sec);
    return true;
}

int RunPut(const Globals& g, const RefOptions& o)
{
    std::string bad = CheckName16(o.name);
    if (!bad.empty()) {
        Error(bad);
        return EXIT_USAGE;
    }
    GPtMesswert value;
    if (o.valueId > 0) {
        // The stored value is read before the instrument is touched.
        std::string storeError;
        std::unique_ptr<ObjectStore> store = OpenStoreOfGivenValues(g.store, storeError);
        if (!store) {
            Error(storeError);
            return EXIT_USAGE;
        }
        if (store->Load(o.valueId, value) != PT_OK) {
            Error("the value store holds no value " + std::to_string(o.valueId));
            return EXIT_USAGE;
        }
        if (value.IsA() != GPtMesswert::TYPE_SPECTRUM && value.IsA() != GPtMesswert::TYPE_LAB) {
            Error("value " + std::to_string(o.valueId) + " holds neither a spectrum nor an L*a*b* value");
            return EXIT_USAGE;
        }
    }
    InstrumentRun run(g);
    if (!run.Connect())
        return run.ConnectFailure();
    VXNLib& lib = run.Lib();
    if (o.valueId <= 0 && !MeasureNow(lib, value)) {
        std::string why = InstrumentRun::LastFailure();
        Error("the measurement failed" + (why.empty() ? "" : ": " + why));
        return EXIT_FAILED;
    }
    value.SetBezeichnung(String(o.name));
    if (!lib.ReferenzDownload(o.slot, value)) {
        std::string why = InstrumentRun::LastFailure();
        Error("could not put the reference into slot " + std::to_string(o.slot) + (why.empty() ? "" : ": " + why));
        return EXIT_FAILED;
    }
    std::cout << "reference " << o.slot << " \"" << o.name << "\"" << std::endl;
    return EXIT_DONE;
}

} // namespace

Command AddRefsCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("refs", "the instrument's reference values");
    c.sub->require_subcommand(1);
    auto o = std::make_shared<RefOptions>();
    CLI::App* put = c.sub->add_subcommand("put", "put a value into reference slot SLOT under NAME (at most 16 characters)");
    put->add_option("SLOT", o->slot, "reference slot, from 0")->required()->check(CLI::Range(0L, 32766L));
    put->add_option("NAME", o->name, "the reference's name")->required();
    put->add_option("--value", o->valueId, "a value of the value store (vxn values) instead of a fresh measurement")
        ->check(CLI::Range(1L, 2147483647L));
    c.run = [&g, o] { return RunPut(g, *o); };
    return c;
}

} // namespace vxn
