// vxn convert: spectra from CSV to colour values.
//
// Input: the files named on the command line, in order, or standard input
// ("-" or no file). One spectrum a line, "name,v380,v390,...,v730" (36
// reflectance values, 0..1, or 0..100 with --percent); the name may be left
// out (36 numbers only). A file's first line of that shape holding only words
// or the wavelengths 380..730 is a header; empty lines and lines starting
// with '#' are skipped. Each spectrum gives XYZ, L*a*b*, LCh, DIN99 and 8-bit
// sRGB under the chosen illuminant and observer.
//
// Nothing is dropped or made up without a word on standard error, each
// message naming the file and line:
//  - a malformed line (wrong number of fields, a value that is not a finite
//    number) is an error: it is left out, the others are still converted and
//    the exit status is then 2;
//  - a value far outside a reflectance's range is converted, with a warning
//    (a negative reflectance from a badly calibrated instrument is still
//    data, but a spectrum of 5s is more likely the wrong unit);
//  - an output number that has no value for this spectrum (DIN99 lightness
//    below L* = -63.29, where its logarithm is undefined) is printed as "-"
//    (null in JSON), with a warning, never as "nan".
#include "Commands.hpp"
#include "ConditionArgs.hpp"

#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/Spectrum.hpp"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace vxn {

namespace {

struct Options {
    std::vector<std::string> files;   // none or "-" = standard input
    std::string illuminant = "D65";
    std::string observer = "10";
    bool json = false;
    bool percent = false;
};

// Reflectances (as fractions) beyond these are converted with a warning.
constexpr double LOWEST_PLAUSIBLE = -0.1, HIGHEST_PLAUSIBLE = 2.0;
// DIN99 lightness is 105.509 ln(1 + 0.0158 L*): defined above this L*.
constexpr double DIN99_LOWEST_L = -1.0 / 0.0158;

// The numbers of one colour value, in output order, and how the text table
// shows them.
enum Field { X, Y, Z, L, A, B, C, H, L99, A99, B99, C99, H99, FIELD_COUNT };
struct Column {
    const char* name;
    int width, decimals;
};
constexpr Column kColumns[FIELD_COUNT] = {{"X", 9, 4},   {"Y", 9, 4},   {"Z", 9, 4},   {"L*", 8, 3},  {"a*", 8, 3},
                                          {"b*", 8, 3},  {"C*", 8, 3},  {"h", 7, 2},   {"L99", 8, 3}, {"a99", 8, 3},
                                          {"b99", 8, 3}, {"C99", 8, 3}, {"h99", 7, 2}};

// Where a line came from; an empty file name is standard input.
struct Place {
    std::string file;
    int line = 0;   // 0: the file as a whole
};

std::string Describe(const Place& p)
{
    std::string s = p.file;
    if (p.line > 0)
        s += (s.empty() ? "" : ", ") + std::string("line ") + std::to_string(p.line);
    return s;
}

struct Note {
    Place place;
    std::string message;
};

struct Result {
    Place place;
    std::string name;
    std::array<double, FIELD_COUNT> v;   // not finite: no value
    Color rgb;
    bool inGamut;
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

// What a cell holds. "nan", "inf" and numbers too large for a double are
// numbers without a finite value, not words: a line of them is an error,
// never a header.
enum class Cell { Empty, Word, NonFinite, Number };

Cell Classify(const std::string& s, double& rValue)
{
    if (s.empty())
        return Cell::Empty;
    char* end = nullptr;
    rValue = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size())
        return Cell::Word;
    return std::isfinite(rValue) ? Cell::Number : Cell::NonFinite;
}

std::string Band(int i) { return "value " + std::to_string(i + 1) + " (" + std::to_string(380 + 10 * i) + " nm)"; }

// A header: every value cell a word, or the wavelengths 380..730.
bool IsHeader(const std::vector<std::string>& f, size_t off)
{
    bool words = true, wavelengths = true;
    for (int i = 0; i < 36; ++i) {
        double v = 0;
        Cell k = Classify(f[off + i], v);
        words = words && k == Cell::Word;
        wavelengths = wavelengths && k == Cell::Number && v == 380 + 10 * i;
    }
    return words || wavelengths;
}

std::string Fixed(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// Rounded to the decimals shown, without a "-0".
double Round(double v, int decimals)
{
    double f = std::pow(10.0, decimals);
    if (!std::isfinite(v * f))
        return v;
    double r = std::round(v * f) / f;
    return r == 0.0 ? 0.0 : r;
}

std::string Hex(const Color& c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.GetRed(), c.GetGreen(), c.GetBlue());
    return buf;
}

// Reads spectra line by line and turns them into results, errors and
// warnings, in the order of the input.
class Converter {
public:
    Converter(const MeasuringCondition& rCond, bool bPercent) : maCond(rCond), mbPercent(bPercent) {}

    void ReadFile(const std::string& rFile)
    {
        if (rFile.empty() || rFile == "-") {
            Read(std::cin, "");
            return;
        }
        // A folder opens like a file; reading it then fails with no word of
        // why, so it is named as what it is.
        std::error_code ec;
        if (std::filesystem::is_directory(rFile, ec)) {
            Error({rFile, 0}, "is a folder, not a file");
            return;
        }
        std::ifstream in(rFile);
        if (!in) {
            Error({rFile, 0}, std::string("cannot read the file: ") + std::strerror(errno));
            return;
        }
        Read(in, rFile);
        if (in.bad())
            Error({rFile, 0}, "reading stopped before the end of the file");
    }

    const std::vector<Result>& Results() const { return maResults; }
    const std::vector<Note>& Errors() const { return maErrors; }
    const std::vector<Note>& Warnings() const { return maWarnings; }

private:
    void Read(std::istream& rIn, const std::string& rFile)
    {
        std::string line;
        Place place{rFile, 0};
        bool first = true;
        while (std::getline(rIn, line)) {
            ++place.line;
            if (place.line == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
                line.erase(0, 3);   // a byte-order mark some spreadsheets write
            std::string t = Trim(line);
            if (t.empty() || t[0] == '#')
                continue;
            bool wasFirst = first;
            first = false;
            Line(Split(t), place, wasFirst);
        }
    }

    void Line(const std::vector<std::string>& f, const Place& place, bool bMayBeHeader)
    {
        if (f.size() != 36 && f.size() != 37) {
            Error(place, "expected a name and 36 values, found " + std::to_string(f.size()) + " fields");
            return;
        }
        size_t off = f.size() == 36 ? 0 : 1;   // 36 numbers without a name
        if (bMayBeHeader && IsHeader(f, off))
            return;
        Spectrum spectrum;
        int nFar = 0, nFirstFar = -1;
        for (int i = 0; i < 36; ++i) {
            const std::string& cell = f[off + i];
            double v = 0;
            switch (Classify(cell, v)) {
            case Cell::Empty: Error(place, Band(i) + " is empty"); return;
            case Cell::Word: Error(place, Band(i) + " is not a number: \"" + cell + "\""); return;
            case Cell::NonFinite: Error(place, Band(i) + " is not a finite number: \"" + cell + "\""); return;
            case Cell::Number: break;
            }
            double r = mbPercent ? v / 100.0 : v;
            if (!std::isfinite(static_cast<float>(r))) {
                Error(place, Band(i) + " is beyond the range of a measured value: \"" + cell + "\"");
                return;
            }
            spectrum[i] = static_cast<float>(r);
            if (r < LOWEST_PLAUSIBLE || r > HIGHEST_PLAUSIBLE) {
                if (nFar++ == 0)
                    nFirstFar = i;
            }
        }
        if (nFar > 0) {
            const char* range = mbPercent ? "-10 to 200" : "-0.1 to 2";
            Warning(place, std::to_string(nFar) + (nFar == 1 ? " value" : " values") + " far outside a reflectance's range " +
                               range + " (" + Band(nFirstFar) + " is " + f[off + nFirstFar] + "); converted anyway");
        }
        std::string name = off ? f[0] : Describe(place);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        maResults.push_back(Convert(spectrum, place, name));
        CheckFields(maResults.back());
    }

    Result Convert(const Spectrum& rSpectrum, const Place& place, const std::string& rName) const
    {
        XYZVector xyz(rSpectrum, maCond);
        LABVector lab(xyz);
        LChVector lch(lab);
        LABmgVector lab99(lab);
        LCHmgVector lch99(lab99);
        double rgb[3];
        bool inside = ColorConverter::LabToRGB(lab, rgb);
        return {place,
                rName,
                {xyz.GetX(), xyz.GetY(), xyz.GetZ(), lab.GetL(), lab.GetA(), lab.GetB(), lch.GetC(), lch.GetH(),
                 lab99.GetL(), lab99.GetA(), lab99.GetB(), lch99.GetC(), lch99.GetH()},
                ColorConverter::LabToColor(lab),
                inside};
    }

    // Every number that has no value is said so once per line; the output
    // shows it empty.
    void CheckFields(const Result& r)
    {
        std::string others;
        for (int i = 0; i < FIELD_COUNT; ++i) {
            if (std::isfinite(r.v[i]))
                continue;
            if (i == L99 && r.v[L] <= DIN99_LOWEST_L)
                Warning(r.place, "L99 left empty: DIN99 lightness needs L* above " + Fixed(DIN99_LOWEST_L, 2) +
                                     ", here L* is " + Fixed(r.v[L], 2));
            else
                others += (others.empty() ? "" : ", ") + std::string(kColumns[i].name);
        }
        if (!others.empty())
            Warning(r.place, others + " left empty: no finite value for this spectrum");
    }

    void Error(const Place& place, const std::string& rMessage)
    {
        std::cerr << "vxn convert: " << Describe(place) << ": " << rMessage << "\n";
        maErrors.push_back({place, rMessage});
    }

    void Warning(const Place& place, const std::string& rMessage)
    {
        std::cerr << "vxn convert: warning: " << Describe(place) << ": " << rMessage << "\n";
        maWarnings.push_back({place, rMessage});
    }

    MeasuringCondition maCond;
    bool mbPercent;
    std::vector<Result> maResults;
    std::vector<Note> maErrors, maWarnings;
};

void PrintText(const std::vector<Result>& results, const MeasuringCondition& cond)
{
    size_t w = 4;
    for (auto& r : results)
        w = std::max(w, r.name.size());
    std::printf("# %s/%s\n", cond.GetIllum().GetText().GetStr(), cond.GetObserver().GetText().GetStr());
    std::printf("%-*s", static_cast<int>(w), "name");
    for (auto& c : kColumns)
        std::printf(" %*s", c.width, c.name);
    std::printf(" %4s %4s %4s\n", "R", "G", "B");
    bool anyOut = false;
    for (auto& r : results) {
        std::printf("%-*s", static_cast<int>(w), r.name.c_str());
        for (int i = 0; i < FIELD_COUNT; ++i) {
            const Column& c = kColumns[i];
            std::string cell = std::isfinite(r.v[i]) ? Fixed(Round(r.v[i], c.decimals), c.decimals) : "-";
            std::printf(" %*s", c.width, cell.c_str());
        }
        std::printf(" %4d %4d %4d%s\n", r.rgb.GetRed(), r.rgb.GetGreen(), r.rgb.GetBlue(), r.inGamut ? "" : " *");
        anyOut = anyOut || !r.inGamut;
    }
    if (anyOut)
        std::printf("# * outside the sRGB gamut, clamped\n");
}

nlohmann::json Value(double v) { return std::isfinite(v) ? nlohmann::json(v) : nlohmann::json(nullptr); }

nlohmann::json Notes(const std::vector<Note>& notes)
{
    nlohmann::json a = nlohmann::json::array();
    for (auto& n : notes) {
        nlohmann::json o = {{"file", n.place.file.empty() ? "-" : n.place.file}};
        if (n.place.line > 0)
            o["line"] = n.place.line;
        o["message"] = n.message;
        a.push_back(o);
    }
    return a;
}

void PrintJson(const Converter& conv, const MeasuringCondition& cond)
{
    using nlohmann::json;
    json samples = json::array();
    for (auto& r : conv.Results()) {
        auto& v = r.v;
        samples.push_back({
            {"file", r.place.file.empty() ? "-" : r.place.file},
            {"line", r.place.line},
            {"name", r.name},
            {"XYZ", {Value(v[X]), Value(v[Y]), Value(v[Z])}},
            {"Lab", {Value(v[L]), Value(v[A]), Value(v[B])}},
            {"LCh", {Value(v[L]), Value(v[C]), Value(v[H])}},
            {"DIN99",
             {{"L", Value(v[L99])}, {"a", Value(v[A99])}, {"b", Value(v[B99])}, {"C", Value(v[C99])}, {"h", Value(v[H99])}}},
            {"sRGB", {r.rgb.GetRed(), r.rgb.GetGreen(), r.rgb.GetBlue()}},
            {"hex", Hex(r.rgb)},
            {"in_gamut", r.inGamut},
        });
    }
    json out = {
        {"illuminant", cond.GetIllum().GetText().str()},
        {"observer", cond.GetObserver().GetText().str()},
        {"samples", samples},
        {"errors", Notes(conv.Errors())},
        {"warnings", Notes(conv.Warnings())},
    };
    std::cout << out.dump(2) << "\n";
}

// The illuminant as vxn measure takes it, less what has no colorimetry
// without an instrument: a bare "Dxx" (measure uses the stored number) and
// Custom (a light defined inside the instrument, with no spectral table here).
std::optional<IllumClass> Illuminant(const std::string& rText, std::string& rError)
{
    IllumType illum{};
    short dxx = 0;
    if (!ParseIlluminant(rText, illum, dxx, rError))
        return std::nullopt;
    if (IsDxx(illum) && dxx == 0) {
        rError = "illuminant Dxx needs its temperature number, such as D93";
        return std::nullopt;
    }
    if (illum == ILLUM_CUSTOM) {
        rError = "illuminant Custom is a light defined in the instrument and has no spectral table here; "
                 "name a standard illuminant such as D65";
        return std::nullopt;
    }
    return IllumClass(illum, IsDxx(illum) ? dxx : 65);
}

int Run(const Options& o)
{
    std::string err;
    std::optional<IllumClass> illum = Illuminant(Trim(o.illuminant), err);
    ObserverType obs{};
    if (!illum || !ParseObserver(Trim(o.observer), obs, err)) {
        std::cerr << "vxn convert: " << err << "\n";
        return 2;
    }
    MeasuringCondition cond(PhysicalConditions(), *illum, ObserverClass(obs));

    Converter conv(cond, o.percent);
    if (o.files.empty())
        conv.ReadFile("-");
    for (auto& f : o.files)
        conv.ReadFile(f);

    if (o.json)
        PrintJson(conv, cond);
    else
        PrintText(conv.Results(), cond);
    return conv.Errors().empty() ? 0 : 2;
}

} // namespace

Command AddConvertCommand(CLI::App& app, const Globals&)
{
    auto opts = std::make_shared<Options>();
    Command c;
    c.sub = app.add_subcommand("convert", "convert spectra (CSV) to XYZ, L*a*b*, LCh, DIN99 and sRGB");
    c.sub->add_option("file", opts->files,
                      "CSV files, converted in order: name,v380,...,v730 per line (none or -: standard input)");
    c.sub->add_option("--illuminant,-i", opts->illuminant,
                      "illuminant: A, C, D50, D55, D65, D75, E, F1..F12, or D and a number 30..300 such as D93 (default D65)");
    c.sub->add_option("--observer,-o", opts->observer, "standard observer in degrees: 2 or 10 (default 10)");
    c.sub->add_flag("--json", opts->json, "machine-readable output");
    c.sub->add_flag("--percent", opts->percent, "values are in percent (0..100) instead of 0..1");
    c.run = [opts] { return Run(*opts); };
    return c;
}

} // namespace vxn
