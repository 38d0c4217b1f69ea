// The "MeasValue" text section: the bytes each version writes, every field
// back through both versions, how conditions are recognised, what the
// virtual instrument sends, and sections that are damaged or not a value at
// all, which change nothing.
#include "qel/ASCIIFile.hpp"
#include "qel/ColorVector.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/Spectrum.hpp"
#include "qel/Text.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "qelvxn/value/MeasValueMessage.hpp"
#include "vxnemu/Chart.hpp"
#include "vxnemu/MeasValueText.hpp"

#include <gtest/gtest.h>

#include <random>

namespace {

// The condition texts are wording of the text groups: English for the run.
class MeasValueSection : public ::testing::Test {
protected:
    void SetUp() override { Language::Set(String("en")); }
    void TearDown() override { Language::Set(String()); }
};

// k/40 for k = 1..36: floats whose shortest texts are the decimals.
GPtMesswert SpectralValue()
{
    Spectrum s{PhysicalConditions(ActualFilterClass(FILTER_POL), WBaseClass(WBASE_PAPER))};
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = static_cast<float>(i + 1) / 40.0f;
    GPtMesswert v;
    v.SetSpectrum(s, 0);
    v.SetBezeichnung(String("Probe 1"));
    v.SetDateTime(20240305, 140709);
    return v;
}

GPtMesswert LabValue(const char* pName)
{
    MeasuringCondition cond(PhysicalConditions(ActualFilterClass(FILTER_M1), WBaseClass(WBASE_ABSOLUTE)),
                            IllumClass(static_cast<IllumType>(20), 93), ObserverClass(OBSERVER_10));
    GPtMesswert v;
    v.SetLab(LABVector(52.31f, -3.1f, 12.0f, cond));
    v.SetBezeichnung(String(pName));
    v.SetDateTime(20231231, 235959);
    return v;
}

GPtMesswert EmptyValue()
{
    GPtMesswert v;
    v.SetBezeichnung(String("empty"));
    v.SetDateTime(20000101, 0);
    return v;
}

std::string Written(GPtMesswert v, int nVersion)
{
    ASCIIFile f;
    f.SetVersion(nVersion);
    v.write(f);
    EXPECT_TRUE(f.IsGood()) << f.GetError().str();
    return f.GetText();
}

std::vector<unsigned char> Block(GPtMesswert& v)
{
    MyMemoryBlock b;
    v.GetIndexBlock(b);
    return std::vector<unsigned char>(b.GetData(), b.GetData() + b.GetSize());
}

const char* const REMISSION = "Remission=0.025 0.05 0.075 0.1 0.125 0.15 0.175 0.2 0.225 0.25 0.275 0.3 0.325 0.35 "
                              "0.375 0.4 0.425 0.45 0.475 0.5 0.525 0.55 0.575 0.6 0.625 0.65 0.675 0.7 0.725 0.75 "
                              "0.775 0.8 0.825 0.85 0.875 0.9\n";

// Version 1 has no version line, and names on one line unescaped.
TEST_F(MeasValueSection, EachVersionWritesTheseBytesAndReadsEveryFieldBack)
{
    const std::string spectral = "[MeasValue]\nName=Probe 1\nCreated=2024-03-05 14:07:09\nM_Cond=Pol\tPap\n";
    const std::string lab = "Created=2023-12-31 23:59:59\nM_Cond=M1\tAbs\tD93\t10\xC2\xB0\nLab=52.31 -3.1 12\n";
    const std::string empty = "[MeasValue]\nName=empty\nCreated=2000-01-01 00:00:00\n";
    const struct {
        GPtMesswert value;
        int version;
        std::string text;
        const char* name;  // as read back
    } cases[] = {
        {SpectralValue(), 2, "Version=2\n" + spectral + REMISSION, "Probe 1"},
        {LabValue("Proof A\nline 2 \\ end"), 2, "Version=2\n[MeasValue]\nName=Proof A\\nline 2 \\\\ end\n" + lab,
         "Proof A\nline 2 \\ end"},
        {EmptyValue(), 2, "Version=2\n" + empty, "empty"},
        {SpectralValue(), 1, spectral + REMISSION, "Probe 1"},
        {LabValue("Proof A\nline 2 \\ end"), 1, "[MeasValue]\nName=Proof A line 2 \\ end\n" + lab, "Proof A line 2 \\ end"},
        {EmptyValue(), 1, empty, "empty"},
    };
    for (const auto& c : cases) {
        GPtMesswert source = c.value;
        SCOPED_TRACE("type " + std::to_string(source.IsA()) + ", version " + std::to_string(c.version));
        ASSERT_EQ(Written(source, c.version), c.text);
        ASCIIFile file(c.text);
        EXPECT_EQ(file.GetVersion(), c.version);
        GPtMesswert back;
        ASSERT_TRUE(back.read(file)) << file.GetError().str();
        EXPECT_EQ(back.IsA(), source.IsA());
        EXPECT_EQ(back.GetBezeichnung(), c.name);
        EXPECT_EQ(back.GetDateTimeText(), source.GetDateTimeText());
        EXPECT_EQ(back.GetFilter(), source.GetFilter());
        EXPECT_EQ(back.GetWBase(), source.GetWBase());
        int n = source.IsA() == GPtMesswert::TYPE_SPECTRUM ? 36 : source.IsA() == GPtMesswert::TYPE_LAB ? 3 : 0;
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(back.GetValues()[i], source.GetValues()[i]) << "value " << i;
        if (source.IsA() == GPtMesswert::TYPE_LAB) {
            // A Dxx illuminant comes back as code 23 with its number.
            EXPECT_EQ(back.GetIllum(), 23);
            EXPECT_EQ(back.GetDxx(), 93);
            EXPECT_EQ(back.GetObserver(), OBSERVER_10);
        } else {
            // A spectrum's section names no illuminant and observer.
            EXPECT_EQ(back.GetIllum(), CONDITION_NOT_SET);
            EXPECT_EQ(back.GetObserver(), CONDITION_NOT_SET);
        }
    }
}

TEST_F(MeasValueSection, ConditionsAreRecognisedByTheFirstTextTheyContain)
{
    const std::string head = "Version=2\n[MeasValue]\nName=n\nCreated=2024-01-02 03:04:05\n";
    const std::string lab = "Lab=50 10 -20\n";
    const struct {
        const char* what;
        std::string body;
        int type, filter, wbase, illum, dxx, observer;
    } cases[] = {
        {"all known", "M_Cond=UV\tAbs\tF11\t2\xC2\xB0\n" + lab, 4, 4, 1, 34, 0, 0},
        {"Custom holds C first", "M_Cond=Pol\tPap\tCustom\t10\xC2\xB0\n" + lab, 4, 2, 0, 1, 0, 1},
        {"Dxx by its number", "M_Cond=Pol\tPap\tD123\t10\n" + lab, 4, 2, 0, 23, 123, 1},
        {"Dxx number out of range", "M_Cond=Pol\tPap\tD20\t10\n" + lab, 0, 2, 0, CONDITION_NOT_SET, 0, 1},
        {"observer neither 2 nor 10", "M_Cond=Pol\tPap\tD65\t5\xC2\xB0\n" + lab, 0, 2, 0, 2, 0, CONDITION_NOT_SET},
        {"unknown filter", "M_Cond=Red\tAbs\tD65\t2\n" + lab, 4, 0, 1, 2, 0, 0},
        {"unknown white base", "M_Cond=Pol\tnone\tD65\t2\n" + lab, 4, 0, CONDITION_NOT_SET, 2, 0, 0},
        {"no conditions", lab, 0, CONDITION_NOT_SET, CONDITION_NOT_SET, CONDITION_NOT_SET, 0, CONDITION_NOT_SET},
        {"conditions without values", "M_Cond=Pol\tPap\n", 0, 2, 0, CONDITION_NOT_SET, 0, CONDITION_NOT_SET},
    };
    for (const auto& c : cases) {
        ASCIIFile file(head + c.body);
        GPtMesswert v;
        ASSERT_TRUE(v.read(file)) << c.what << ": " << file.GetError().str();
        EXPECT_EQ(v.IsA(), c.type) << c.what;
        EXPECT_EQ(v.GetFilter(), c.filter) << c.what;
        EXPECT_EQ(v.GetWBase(), c.wbase) << c.what;
        EXPECT_EQ(v.GetIllum(), c.illum) << c.what;
        if (c.dxx) {
            EXPECT_EQ(v.GetDxx(), c.dxx) << c.what;
        }
        EXPECT_EQ(v.GetObserver(), c.observer) << c.what;
        if (c.body.find("Lab=") != std::string::npos && c.body.find("M_Cond") != std::string::npos) {
            EXPECT_EQ(v.GetValues()[2], -20.0f) << c.what << ": the numbers are kept whatever the type";
        }
    }
}

TEST_F(MeasValueSection, MalformedSectionsChangeNothing)
{
    const std::string good = Written(SpectralValue(), 2);
    auto without = [&](const std::string& rKey) {
        size_t at = good.find("\n" + rKey + "=");
        return good.substr(0, at + 1) + good.substr(good.find('\n', at + 1) + 1);
    };
    auto remission = [&](const std::string& rNumbers) {
        return good.substr(0, good.find("Remission=")) + "Remission=" + rNumbers + "\n";
    };
    auto numbers = [](int n, const char* pLast = nullptr) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += (i ? " " : "") + std::string(pLast && i == n - 1 ? pLast : "0.5");
        return s;
    };
    std::mt19937 rng(17);
    std::string garbage;
    for (int i = 0; i < 600; ++i)
        garbage += static_cast<char>(rng());

    const std::pair<const char*, std::string> cases[] = {
        {"no Name", without("Name")},
        {"no Created", without("Created")},
        {"a date that does not exist", std::string(good).replace(good.find("2024-03-05"), 10, "2024-02-30")},
        {"35 reals", remission(numbers(35))},
        {"37 reals", remission(numbers(37))},
        {"a non-number", remission(numbers(36, "0.5x"))},
        {"a number too large for a float", remission(numbers(36, "1e39"))},
        {"a huge count of reals", remission(numbers(200000))},
        {"Lab with 2 reals", std::string(good).replace(good.find("Remission"), 9, "X") + "Lab=1 2\n"},
        {"version 3", "Version=3" + good.substr(good.find('\n'))},
        {"binary garbage", garbage},
        {"garbage inside the section", good + "\x01\x02\xFF\n"},
        {"no MeasValue section", "Version=2\n[Other]\nName=x\n"},
        {"nothing", ""},
    };
    GPtMesswert target = LabValue("kept");
    const std::vector<unsigned char> before = Block(target);
    for (const auto& [what, text] : cases) {
        ASCIIFile file(text);
        EXPECT_FALSE(target.read(file)) << what;
        EXPECT_EQ(Block(target), before) << what;
        EXPECT_EQ(target.IsA(), GPtMesswert::TYPE_LAB) << what;
    }
}

TEST_F(MeasValueSection, TheVirtualInstrumentSendsWhatTheLibraryWrites)
{
    const vxnemu::Chart& chart = vxnemu::Chart::Default();
    const std::time_t when = 1700000000;
    std::string text = vxnemu::FormatMeasValue(chart.Patch(13), 3, 1, chart.Name(13), when);
    std::vector<uint8_t> payload = vxnemu::MeasValuePayload(text);

    MyMemoryBlock block(payload.data(), static_cast<long>(payload.size()));
    GPtMesswert v;
    ASSERT_TRUE(ReadMeasValueMessage(block, v)) << text;
    EXPECT_EQ(v.IsA(), GPtMesswert::TYPE_SPECTRUM);
    EXPECT_EQ(v.GetFilter(), FILTER_D65);
    EXPECT_EQ(v.GetWBase(), WBASE_ABSOLUTE);
    EXPECT_EQ(v.GetBezeichnung().str(), chart.Name(13));
    for (int i = 0; i < 36; ++i)
        EXPECT_EQ(v.GetValues()[i], chart.Patch(13)[static_cast<size_t>(i)]) << i;
    // Byte for byte what the library itself writes for that value.
    EXPECT_EQ(Written(v, 2), text);
}

TEST_F(MeasValueSection, AMessageWhoseCountDoesNotFitChangesNothing)
{
    std::string text = Written(SpectralValue(), 2);
    const int32_t counts[] = {0x7FFFFFFF, -1, 0, static_cast<int32_t>(text.size()) + 1};
    GPtMesswert target = LabValue("kept");
    const std::vector<unsigned char> before = Block(target);
    for (int32_t n : counts) {
        MyMemoryBlock block;
        block << static_cast<int>(n);
        block.Put(text.data(), static_cast<long>(text.size()));
        EXPECT_FALSE(ReadMeasValueMessage(block, target)) << n;
        EXPECT_EQ(Block(target), before) << n;
    }
    MyMemoryBlock tooShort;
    tooShort << static_cast<short>(5);
    EXPECT_FALSE(ReadMeasValueMessage(tooShort, target));
}

} // namespace
