// vxn info: identifies the instrument: model queries, device type, software
// version, serial number, name and the current measuring conditions.
#include "Commands.hpp"
#include "DriverLibrary.hpp"
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
    if (DriverMode(g))
        return RunDriverInfo(g, json);
    if (!s.Connect())
        return EXIT_FAILED;
    PostOffice* po = PostOffice::Instance();
    VXNProtokoll p;
    Identity id;
    // A value that could not be read is never shown as a value: the first
    // query that fails ends the command, naming it.
    std::string failed;
    auto ask = [&](const char* pWhat, auto query) {
        if (!failed.empty())
            return;
        po->ClearLastRefusal();
        query();
        if (!po->GetLastError().IsEmpty())
            failed = std::string(pWhat) + ": " + po->GetLastError().str();
        else if (po->GetLastRefusal().nMessage)
            failed = std::string(pWhat) + ": the instrument refused command " +
                     std::to_string(po->GetLastRefusal().nMessage) + " (status " +
                     std::to_string(po->GetLastRefusal().nStatus) + ")";
    };
    ask("device type", [&] { id.deviceType = p.GetDeviceType(); });
    if (!failed.empty() && po->GetLastRefusal().nMessage == 0) {
        Error("no instrument answers at " + s.Endpoint() + ": " + po->GetLastError().str());
        return EXIT_FAILED;
    }
    ask("software version", [&] { id.swVersion = p.GetSWVersion(); });
    ask("serial number", [&] { id.serial = p.GetSerieNr().str(); });
    ask("device name", [&] { id.name = p.GetDeviceName().str(); });
    const std::pair<const char*, unsigned char (VXNProtokoll::*)()> models[] = {
        {"vxn", &VXNProtokoll::IsaVXN},
        {"densitometer", &VXNProtokoll::IsaDensitometer},
        {"chromalette", &VXNProtokoll::IsaChromalette},
        {"lumovista", &VXNProtokoll::IsaLumovista},
        {"huepointer", &VXNProtokoll::IsaHuepointer},
        {"tablewalker", &VXNProtokoll::HasaTableWalker},
        {"tablewalker_t", &VXNProtokoll::HasaTableWalkerT},
    };
    for (const auto& [name, query] : models)
        ask((std::string("model query ") + name).c_str(), [&] { id.models.emplace_back(name, (p.*query)() != 0); });
    ask("measuring conditions",
        [&] { id.haveConditions = p.ParameterRequest(id.dstd, id.wbase, id.illum, id.observer, id.filter) != 0; });
    if (failed.empty() && !id.haveConditions)
        failed = "measuring conditions: the reply could not be read";
    if (id.haveConditions && IsDxx(id.illum))
        ask("Dxx temperature number", [&] { p.GetValNr(static_cast<TabValueType>(id.illum + 80), id.tempNr); });
    if (!failed.empty()) {
        Error("could not read the " + failed);
        if (json)
            std::cout << nlohmann::json({{"endpoint", s.Endpoint()}, {"error", "could not read the " + failed}}).dump(2)
                      << std::endl;
        return EXIT_FAILED;
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
        }
        std::cout << j.dump(2) << std::endl;
        return EXIT_DONE;
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
    std::cout << "Conditions        illuminant " << illum.GetText().str() << ", observer "
                  << ObserverClass(id.observer).GetText().str() << ", density standard "
                  << DStdClass(id.dstd).GetText().str() << ", white base " << WBaseClass(id.wbase).GetText().str()
                  << ", filter " << ActualFilterClass(id.filter).GetText().str() << "\n";
    return EXIT_DONE;
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
