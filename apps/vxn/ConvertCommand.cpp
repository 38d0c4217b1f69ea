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

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
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

std::string_view Trim(std::string_view s)
{
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string_view::npos)
        return {};
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

// The fields of a line, trimmed; rCount is how many there are, of which the
// first MAX_FIELDS are kept (a line with more is wrong anyway).
constexpr size_t MAX_FIELDS = 38;
size_t Split(std::string_view line, std::array<std::string_view, MAX_FIELDS>& rFields)
{
    size_t n = 0, start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != ',')
            continue;
        if (n < MAX_FIELDS)
            rFields[n] = Trim(line.substr(start, i - start));
        ++n;
        start = i + 1;
    }
    return n;
}

// What a cell holds. "nan", "inf" and numbers too large for a double are
// numbers without a finite value, not words: a line of them is an error,
// never a header.
enum class Cell { Empty, Word, NonFinite, Number };

Cell Classify(std::string_view s, double& rValue)
{
    if (s.empty())
        return Cell::Empty;
    // The common case at speed; strtod decides what from_chars leaves
    // (a leading '+', hexadecimal numbers), so both read the same numbers.
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), rValue);
    if (ec != std::errc() || end != s.data() + s.size()) {
        std::string t(s);
        char* e = nullptr;
        rValue = std::strtod(t.c_str(), &e);
        if (e != t.c_str() + t.size())
            return Cell::Word;
    }
    return std::isfinite(rValue) ? Cell::Number : Cell::NonFinite;
}

std::string Band(int i) { return "value " + std::to_string(i + 1) + " (" + std::to_string(380 + 10 * i) + " nm)"; }

// A header: every value cell a word, or the wavelengths 380..730.
bool IsHeader(const std::array<std::string_view, MAX_FIELDS>& f, size_t off)
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
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buf, end) : std::string("-");
}

// Rounded to the decimals shown, without a "-0".
constexpr double kPow10[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};
double Round(double v, int decimals)
{
    double f = kPow10[decimals];
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
// warnings, in the order of the input. The spectra are converted a block at
// a time through the colour mathematics' batch conversion; the messages of
// a block are said once it is converted, in the order of its lines.
class Converter {
public:
    Converter(const MeasuringCondition& rCond, bool bPercent) : maCond(rCond), mbPercent(bPercent) {}

    void ReadFile(const std::string& rFile)
    {
        if (rFile.empty() || rFile == "-") {
            std::string data;
            if (!ReadAll(std::cin, data))
                Error({"", 0}, "reading stopped before the end of the input");
            Parse(data, "");
            Flush();
            return;
        }
        // A folder opens like a file; reading it then fails with no word of
        // why, so it is named as what it is.
        std::error_code ec;
        if (std::filesystem::is_directory(rFile, ec)) {
            Error({rFile, 0}, "is a folder, not a file");
            Flush();
            return;
        }
        // A regular file is read where it lies (mapped); anything else (a
        // pipe, a device) through reads.
        int fd = ::open(rFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            Error({rFile, 0}, std::string("cannot read the file: ") + std::strerror(errno));
            Flush();
            return;
        }
        struct stat st{};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            size_t n = static_cast<size_t>(st.st_size);
            void* p = ::mmap(nullptr, n, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (p != MAP_FAILED) {
                ::close(fd);
                Parse(std::string_view(static_cast<const char*>(p), n), rFile);
                ::munmap(p, n);
                Flush();
                return;
            }
        }
        std::string data;
        std::string why = ReadAllFd(fd, data);
        ::close(fd);
        Parse(data, rFile);
        if (!why.empty())
            Error({rFile, 0}, "reading stopped before the end of the file: " + why);
        Flush();
    }

    const std::vector<Result>& Results() const { return maResults; }
    const std::vector<Note>& Errors() const { return maErrors; }
    const std::vector<Note>& Warnings() const { return maWarnings; }

private:
    static constexpr size_t BLOCK = 4096;

    // What is left to read of the descriptor; "" or why reading stopped.
    static std::string ReadAllFd(int fd, std::string& rData)
    {
        char buf[1 << 16];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                rData.append(buf, static_cast<size_t>(n));
            else if (n == 0)
                return "";
            else if (errno != EINTR)
                return std::strerror(errno);
        }
    }

    static bool ReadAll(std::istream& rIn, std::string& rData)
    {
        char buf[1 << 16];
        while (rIn.read(buf, sizeof buf) || rIn.gcount() > 0)
            rData.append(buf, static_cast<size_t>(rIn.gcount()));
        return !rIn.bad();
    }

    void Parse(std::string_view data, const std::string& rFile)
    {
        // Room for about as many results as the data has lines of the
        // first line's length.
        size_t firstLine = data.find('\n');
        if (firstLine != std::string_view::npos && firstLine > 0)
            maResults.reserve(maResults.size() + data.size() / (firstLine + 1) + 16);
        Place place{rFile, 0};
        bool first = true;
        size_t pos = 0;
        while (pos < data.size()) {
            size_t eol = data.find('\n', pos);
            std::string_view line = data.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
            pos = eol == std::string_view::npos ? data.size() : eol + 1;
            ++place.line;
            if (place.line == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
                line.remove_prefix(3);   // a byte-order mark some spreadsheets write
            std::string_view t = Trim(line);
            if (t.empty() || t[0] == '#')
                continue;
            bool wasFirst = first;
            first = false;
            Line(t, place, wasFirst);
            if (maPending.size() >= BLOCK)
                Flush();
        }
    }

    void Line(std::string_view t, const Place& place, bool bMayBeHeader)
    {
        std::array<std::string_view, MAX_FIELDS> f;
        size_t n = Split(t, f);
        if (n != 36 && n != 37) {
            Error(place, "expected a name and 36 values, found " + std::to_string(n) + " fields");
            return;
        }
        size_t off = n == 36 ? 0 : 1;   // 36 numbers without a name
        if (bMayBeHeader && IsHeader(f, off))
            return;
        std::array<float, 36> values;
        int nFar = 0, nFirstFar = -1;
        for (int i = 0; i < 36; ++i) {
            std::string_view cell = f[off + i];
            double v = 0;
            switch (Classify(cell, v)) {
            case Cell::Empty: Error(place, Band(i) + " is empty"); return;
            case Cell::Word: Error(place, Band(i) + " is not a number: \"" + std::string(cell) + "\""); return;
            case Cell::NonFinite: Error(place, Band(i) + " is not a finite number: \"" + std::string(cell) + "\""); return;
            case Cell::Number: break;
            }
            double r = mbPercent ? v / 100.0 : v;
            if (!std::isfinite(static_cast<float>(r))) {
                Error(place, Band(i) + " is beyond the range of a measured value: \"" + std::string(cell) + "\"");
                return;
            }
            values[static_cast<size_t>(i)] = static_cast<float>(r);
            if (r < LOWEST_PLAUSIBLE || r > HIGHEST_PLAUSIBLE) {
                if (nFar++ == 0)
                    nFirstFar = i;
            }
        }
        if (nFar > 0) {
            const char* range = mbPercent ? "-10 to 200" : "-0.1 to 2";
            Warning(place, std::to_string(nFar) + (nFar == 1 ? " value" : " values") + " far outside a reflectance's range " +
                               range + " (" + Band(nFirstFar) + " is " + std::string(f[off + nFirstFar]) +
                               "); converted anyway");
        }
        std::string name = off ? std::string(f[0]) : Describe(place);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        maPending.push_back(maResults.size());
        maResults.push_back({place, std::move(name), {}, Color(), false});
        maBlock.insert(maBlock.end(), values.begin(), values.end());
    }

    // Converts the spectra read since the last block, then says the block's
    // messages in the order of its lines.
    void Flush()
    {
        std::vector<double> xyz(maPending.size() * 3);
        CMetry::SpectraToXYZ(maBlock.data(), maPending.size(), maCond, xyz.data());
        const double* white = CMetry::GetWeights(maCond).White;
        for (size_t k = 0; k < maPending.size(); ++k) {
            Result& r = maResults[maPending[k]];
            double lab3[3];
            LABVector::FromXYZ(&xyz[3 * k], white, lab3);
            LABVector lab(lab3[0], lab3[1], lab3[2], maCond);
            LChVector lch(lab);
            LABmgVector lab99(lab);
            LCHmgVector lch99(lab99);
            double rgb[3];
            r.inGamut = ColorConverter::LabToRGB(lab, rgb);
            r.rgb = ColorConverter::RGBToColor(rgb);
            r.v = {xyz[3 * k], xyz[3 * k + 1], xyz[3 * k + 2], lab.GetL(), lab.GetA(), lab.GetB(), lch.GetC(), lch.GetH(),
                   lab99.GetL(), lab99.GetA(), lab99.GetB(), lch99.GetC(), lch99.GetH()};
            CheckFields(r);
        }
        maPending.clear();
        maBlock.clear();
        // Messages of one file in the order of its lines (a whole-file
        // message first); the two lists for --json likewise.
        auto byLine = [](const auto& a, const auto& b) { return a.place.line < b.place.line; };
        std::stable_sort(maSay.begin(), maSay.end(), byLine);
        for (const Said& m : maSay)
            std::cerr << m.text << "\n";
        maSay.clear();
        std::stable_sort(maErrors.begin() + static_cast<long>(mnErrorsSaid), maErrors.end(), byLine);
        std::stable_sort(maWarnings.begin() + static_cast<long>(mnWarningsSaid), maWarnings.end(), byLine);
        mnErrorsSaid = maErrors.size();
        mnWarningsSaid = maWarnings.size();
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
        maSay.push_back({place, "vxn convert: " + Describe(place) + ": " + rMessage});
        maErrors.push_back({place, rMessage});
    }

    void Warning(const Place& place, const std::string& rMessage)
    {
        maSay.push_back({place, "vxn convert: warning: " + Describe(place) + ": " + rMessage});
        maWarnings.push_back({place, rMessage});
    }

    struct Said {
        Place place;
        std::string text;
    };

    MeasuringCondition maCond;
    bool mbPercent;
    std::vector<Result> maResults;
    std::vector<Note> maErrors, maWarnings;
    size_t mnErrorsSaid = 0, mnWarningsSaid = 0;
    std::vector<size_t> maPending;   // results whose spectra wait in maBlock
    std::vector<float> maBlock;      // 36 values per pending result
    std::vector<Said> maSay;         // messages of the block, said at Flush
};

// Appends the text right-aligned in a field of the width.
void AppendRight(std::string& rOut, std::string_view text, size_t width)
{
    if (text.size() < width)
        rOut.append(width - text.size(), ' ');
    rOut.append(text);
}

void PrintText(const std::vector<Result>& results, const MeasuringCondition& cond)
{
    size_t w = 4;
    for (auto& r : results)
        w = std::max(w, r.name.size());
    std::string out = "# " + cond.GetIllum().GetText().str() + "/" + cond.GetObserver().GetText().str() + "\n";
    out += "name" + std::string(w - 4, ' ');
    for (auto& c : kColumns) {
        out += ' ';
        AppendRight(out, c.name, static_cast<size_t>(c.width));
    }
    out += "    R    G    B\n";
    bool anyOut = false;
    // Written a part at a time: a large conversion needs no second copy of
    // its whole output.
    for (size_t k = 0; k < results.size(); ++k) {
        const Result& r = results[k];
        out += r.name;
        out.append(w - r.name.size(), ' ');
        for (int i = 0; i < FIELD_COUNT; ++i) {
            const Column& c = kColumns[i];
            char buf[64];
            std::string_view cell = "-";
            if (std::isfinite(r.v[i])) {
                auto [end, ec] = std::to_chars(buf, buf + sizeof buf, Round(r.v[i], c.decimals), std::chars_format::fixed,
                                               c.decimals);
                if (ec == std::errc())
                    cell = std::string_view(buf, static_cast<size_t>(end - buf));
            }
            out += ' ';
            AppendRight(out, cell, static_cast<size_t>(c.width));
        }
        for (int v : {r.rgb.GetRed(), r.rgb.GetGreen(), r.rgb.GetBlue()}) {
            out += ' ';
            AppendRight(out, std::to_string(v), 4);
        }
        out += r.inGamut ? "\n" : " *\n";
        anyOut = anyOut || !r.inGamut;
        if (out.size() > (1u << 20) || k + 1 == results.size()) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    if (anyOut)
        out += "# * outside the sRGB gamut, clamped\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
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
    std::optional<IllumClass> illum = Illuminant(std::string(Trim(o.illuminant)), err);
    ObserverType obs{};
    if (!illum || !ParseObserver(std::string(Trim(o.observer)), obs, err)) {
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
