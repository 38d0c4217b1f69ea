// vxn convert: spectra from CSV to colour values.
//
// Input: one spectrum a line, "name,v380,v390,...,v730" (36 reflectance
// values, 0..1, or 0..100 with --percent); the name may be left out (36
// numbers only). A first line of that shape holding only words or the
// wavelengths 380..730 is a header;
// empty lines and lines starting with '#' are skipped. Each spectrum gives
// XYZ, L*a*b*, LCh, DIN99 and 8-bit sRGB under the chosen illuminant and
// observer. A malformed line is reported on standard error with its number;
// the others are still converted and the exit status is then 2.
#include "Commands.hpp"
#include "ConditionArgs.hpp"

#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/Spectrum.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace vxn {

namespace {

struct Options {
    std::string file;   // "" or "-" = standard input
    std::string illuminant = "D65";
    std::string observer = "10";
    bool json = false;
    bool percent = false;
};

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, ','))
        f.push_back(Trim(cell));
    if (!line.empty() && line.back() == ',')
        f.push_back("");
    return f;
}

std::optional<double> Number(const std::string& s)
{
    if (s.empty())
        return std::nullopt;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

struct Result {
    int line;
    std::string name;
    XYZVector xyz;
    LABVector lab;
    LChVector lch;
    LABmgVector lab99;
    LCHmgVector lch99;
    Color rgb;
    bool inGamut;
};

std::string Hex(const Color& c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.GetRed(), c.GetGreen(), c.GetBlue());
    return buf;
}

double Round(double v, int decimals)
{
    double f = std::pow(10.0, decimals);
    double r = std::round(v * f) / f;
    return r == 0.0 ? 0.0 : r;   // no -0
}

void PrintText(const std::vector<Result>& results, const MeasuringCondition& cond)
{
    size_t w = 4;
    for (auto& r : results)
        w = std::max(w, r.name.size());
    std::printf("# %s/%s\n", cond.GetIllum().GetText().GetStr(), cond.GetObserver().GetText().GetStr());
    std::printf("%-*s %9s %9s %9s %8s %8s %8s %8s %7s %8s %8s %8s %8s %7s %4s %4s %4s\n", static_cast<int>(w), "name",
                "X", "Y", "Z", "L*", "a*", "b*", "C*", "h", "L99", "a99", "b99", "C99", "h99", "R", "G", "B");
    for (auto& r : results) {
        std::printf("%-*s %9.4f %9.4f %9.4f %8.3f %8.3f %8.3f %8.3f %7.2f %8.3f %8.3f %8.3f %8.3f %7.2f %4d %4d %4d%s\n",
                    static_cast<int>(w), r.name.c_str(), r.xyz.GetX(), r.xyz.GetY(), r.xyz.GetZ(), Round(r.lab.GetL(), 3),
                    Round(r.lab.GetA(), 3), Round(r.lab.GetB(), 3), Round(r.lch.GetC(), 3), Round(r.lch.GetH(), 2),
                    Round(r.lab99.GetL(), 3), Round(r.lab99.GetA(), 3), Round(r.lab99.GetB(), 3),
                    Round(r.lch99.GetC(), 3), Round(r.lch99.GetH(), 2), r.rgb.GetRed(), r.rgb.GetGreen(),
                    r.rgb.GetBlue(), r.inGamut ? "" : " *");
    }
    bool anyOut = false;
    for (auto& r : results)
        anyOut = anyOut || !r.inGamut;
    if (anyOut)
        std::printf("# * outside the sRGB gamut, clamped\n");
}

void PrintJson(const std::vector<Result>& results, const std::vector<std::pair<int, std::string>>& errors,
               const MeasuringCondition& cond)
{
    using nlohmann::json;
    json samples = json::array();
    for (auto& r : results) {
        samples.push_back({
            {"line", r.line},
            {"name", r.name},
            {"XYZ", {r.xyz.GetX(), r.xyz.GetY(), r.xyz.GetZ()}},
            {"Lab", {r.lab.GetL(), r.lab.GetA(), r.lab.GetB()}},
            {"LCh", {r.lch.GetL(), r.lch.GetC(), r.lch.GetH()}},
            {"DIN99",
             {{"L", r.lab99.GetL()}, {"a", r.lab99.GetA()}, {"b", r.lab99.GetB()}, {"C", r.lch99.GetC()}, {"h", r.lch99.GetH()}}},
            {"sRGB", {r.rgb.GetRed(), r.rgb.GetGreen(), r.rgb.GetBlue()}},
            {"hex", Hex(r.rgb)},
            {"in_gamut", r.inGamut},
        });
    }
    json errs = json::array();
    for (auto& e : errors)
        errs.push_back({{"line", e.first}, {"message", e.second}});
    json out = {
        {"illuminant", cond.GetIllum().GetText().str()},
        {"observer", cond.GetObserver().GetText().str()},
        {"samples", samples},
        {"errors", errs},
    };
    std::cout << out.dump(2) << "\n";
}

int Run(const Options& o)
{
    // The colorimetry covers daylight up to D330; a bare "Dxx" names no light.
    IllumType illum{};
    short dxx = 0;
    ObserverType obs{};
    std::string err;
    if (!ParseIlluminant(Trim(o.illuminant), illum, dxx, err, 330) || (IsDxx(illum) && dxx == 0)) {
        if (err.empty())
            err = "illuminant Dxx needs its temperature number, such as D93";
        std::cerr << "vxn convert: " << err << "\n";
        return 2;
    }
    if (!ParseObserver(Trim(o.observer), obs, err)) {
        std::cerr << "vxn convert: " << err << "\n";
        return 2;
    }
    MeasuringCondition cond(PhysicalConditions(), IllumClass(illum, IsDxx(illum) ? dxx : 65), ObserverClass(obs));

    std::ifstream file;
    std::istream* in = &std::cin;
    if (!o.file.empty() && o.file != "-") {
        file.open(o.file);
        if (!file) {
            std::cerr << "vxn convert: cannot read " << o.file << "\n";
            return 2;
        }
        in = &file;
    }

    std::vector<Result> results;
    std::vector<std::pair<int, std::string>> errors;
    std::string line;
    int nr = 0;
    bool first = true;
    while (std::getline(*in, line)) {
        ++nr;
        std::string t = Trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        std::vector<std::string> f = Split(t);
        bool wasFirst = first;
        first = false;
        size_t off = f.size() == 36 ? 0 : 1;   // 36 numbers without a name
        std::string error;
        Spectrum spectrum;
        if (f.size() != 36 && f.size() != 37) {
            error = "expected a name and 36 values, found " + std::to_string(f.size()) + " fields";
        } else {
            for (int i = 0; i < 36 && error.empty(); ++i) {
                auto v = Number(f[off + i]);
                if (v && !std::isfinite(static_cast<float>(o.percent ? *v / 100.0 : *v)))
                    v.reset();   // beyond the range of a measured value
                if (!v)
                    error = "value " + std::to_string(i + 1) + " (" + std::to_string(380 + 10 * i) + " nm) is not a usable number: \"" +
                            f[off + i] + "\"";
                else
                    spectrum[i] = static_cast<float>(o.percent ? *v / 100.0 : *v);
            }
        }
        // The first line is a header when it has the shape of a spectrum
        // line but holds words or the wavelengths 380..730.
        if (wasFirst && (f.size() == 36 || f.size() == 37)) {
            bool wavelengths = error.empty(), words = true;
            for (int i = 0; i < 36; ++i) {
                auto v = Number(f[off + i]);
                wavelengths = wavelengths && v && *v == 380 + 10 * i;
                words = words && !v;
            }
            if (wavelengths || words)
                continue;
        }
        if (!error.empty()) {
            errors.emplace_back(nr, error);
            std::cerr << "vxn convert: line " << nr << ": " << error << "\n";
            continue;
        }
        std::string name = off ? f[0] : "line " + std::to_string(nr);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        XYZVector xyz(spectrum, cond);
        LABVector lab(xyz);
        LABmgVector lab99(lab);
        double rgb[3];
        bool inside = ColorConverter::LabToRGB(lab, rgb);
        results.push_back({nr, name, xyz, lab, LChVector(lab), lab99, LCHmgVector(lab99), ColorConverter::LabToColor(lab),
                           inside});
    }

    if (o.json)
        PrintJson(results, errors, cond);
    else
        PrintText(results, cond);
    return errors.empty() ? 0 : 2;
}

} // namespace

Command AddConvertCommand(CLI::App& app, const Globals&)
{
    auto opts = std::make_shared<Options>();
    Command c;
    c.sub = app.add_subcommand("convert", "convert spectra (CSV) to XYZ, L*a*b*, LCh, DIN99 and sRGB");
    c.sub->add_option("file", opts->file, "CSV file: name,v380,...,v730 per line (default: standard input)");
    c.sub->add_option("--illuminant,-i", opts->illuminant,
                      "illuminant: A, C, D50, D55, D65, D75, E, F1..F12, or D and a number 30..330 such as D93 (default D65)");
    c.sub->add_option("--observer,-o", opts->observer, "standard observer in degrees: 2 or 10 (default 10)");
    c.sub->add_flag("--json", opts->json, "machine-readable output");
    c.sub->add_flag("--percent", opts->percent, "values are in percent (0..100) instead of 0..1");
    c.run = [opts] { return Run(*opts); };
    return c;
}

} // namespace vxn
