// vxn info: identifies the instrument: model queries, device type, software
// version, serial number, name and the current measuring conditions.
#include "Commands.hpp"
#include "Session.hpp"

#include "qel/ConditionClasses.hpp"
#include "qel/PostOffice.hpp"
#include "qelvxn/protocol/VXNProtokoll.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iostream>

namespace vxn {

namespace {

struct Identity {
    unsigned int swVersion = 0;
    long deviceType = 0;
    std::string serial, name;
    std::vector<std::pair<std::string, bool>> models;
    bool haveConditions = false;
    DStdType dstd{};
    StoredWBaseType wbase{};
    IllumType illum{};
    short tempNr = 65;
    ObserverType observer{};
    ValueFilterType filter{};
};

int RunInfo(const Globals& g, bool json)
{
    Session s(g);
    if (!s.Connect())
        return 1;
    PostOffice* po = PostOffice::Instance();
    VXNProtokoll p;
    Identity id;
    // The first question tells whether anything answers at all.
    id.deviceType = p.GetDeviceType();
    if (!po->GetLastError().IsEmpty()) {
        Error("no instrument answers at " + s.Endpoint() + ": " + po->GetLastError().str());
        return 1;
    }
    id.swVersion = p.GetSWVersion();
    id.serial = p.GetSerieNr().str();
    id.name = p.GetDeviceName().str();
    id.models = {{"vxn", p.IsaVXN() != 0},
                 {"densitometer", p.IsaDensitometer() != 0},
                 {"chromalette", p.IsaChromalette() != 0},
                 {"lumovista", p.IsaLumovista() != 0},
                 {"huepointer", p.IsaHuepointer() != 0},
                 {"tablewalker", p.HasaTableWalker() != 0},
                 {"tablewalker_t", p.HasaTableWalkerT() != 0}};
    id.haveConditions = p.ParameterRequest(id.dstd, id.wbase, id.illum, id.observer, id.filter) != 0;
    if (id.haveConditions && IsDxx(id.illum))
        p.GetValNr(static_cast<TabValueType>(id.illum + 80), id.tempNr);
    if (!po->GetLastError().IsEmpty()) {
        Error("the instrument stopped answering: " + po->GetLastError().str());
        return 1;
    }

    IllumClass illum(id.illum, id.tempNr);
    if (json) {
        nlohmann::json j;
        j["endpoint"] = s.Endpoint();
        j["device_type"] = id.deviceType;
        j["software_version"] = id.swVersion;
        j["serial_number"] = id.serial;
        j["device_name"] = id.name;
        for (auto& [k, v] : id.models)
            j["models"][k] = v;
        if (id.haveConditions) {
            j["conditions"] = {
                {"illuminant", {{"code", static_cast<int>(id.illum)}, {"text", illum.GetText().str()}}},
                {"dxx_temperature_number", id.tempNr},
                {"observer", {{"code", static_cast<int>(id.observer)}, {"text", ObserverClass(id.observer).GetText().str()}}},
                {"density_standard", {{"code", static_cast<int>(id.dstd)}, {"text", DStdClass(id.dstd).GetText().str()}}},
                {"white_base", {{"code", static_cast<int>(id.wbase)}, {"text", WBaseClass(id.wbase).GetText().str()}}},
                {"filter", {{"code", static_cast<int>(id.filter)}, {"text", ActualFilterClass(id.filter).GetText().str()}}},
            };
        } else {
            j["conditions"] = nullptr;
        }
        std::cout << j.dump(2) << std::endl;
        return 0;
    }
    std::cout << "Endpoint          " << s.Endpoint() << "\n"
              << "Device name       " << id.name << "\n"
              << "Serial number     " << id.serial << "\n"
              << "Device type       " << id.deviceType << "\n"
              << "Software version  " << id.swVersion << "\n"
              << "Models           ";
    for (auto& [k, v] : id.models)
        if (v)
            std::cout << " " << k;
    std::cout << "\n";
    if (id.haveConditions)
        std::cout << "Conditions        illuminant " << illum.GetText().str() << ", observer "
                  << ObserverClass(id.observer).GetText().str() << ", density standard "
                  << DStdClass(id.dstd).GetText().str() << ", white base " << WBaseClass(id.wbase).GetText().str()
                  << ", filter " << ActualFilterClass(id.filter).GetText().str() << "\n";
    else
        std::cout << "Conditions        (the instrument refused the request)\n";
    return 0;
}

} // namespace

Command AddInfoCommand(CLI::App& app, const Globals& g)
{
    Command c;
    c.sub = app.add_subcommand("info", "identify the instrument: model, device type, software, serial number, conditions");
    auto json = std::make_shared<bool>(false);
    c.sub->add_flag("--json", *json, "machine-readable output");
    c.run = [&g, json] { return RunInfo(g, *json); };
    return c;
}

} // namespace vxn
