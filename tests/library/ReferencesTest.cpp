// Reference download over the scripted transport: the direct slots 0 to 8
// and the indirect ones from 9 on, spectrum and Lab values, the date from
// software version 355 on, the name padded and cut to 16 characters and left
// out where the language or the device type has no room for it, and the
// steps that stop after a failure.
#include "ScriptedInstrument.hpp"

#include "qel/ColorVector.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/value/GPtMesswert.hpp"

#include <cstring>
#include <string>

namespace {

using namespace libtest;

GPtMesswert SpectrumValue(const char* pName)
{
    GPtMesswert v;
    Spectrum s;
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = 0.01f * static_cast<float>(i + 1);
    v.SetSpectrum(s, 0);
    v.SetBezeichnung(String(pName));
    v.SetDateTime(20240315, 134501);
    return v;
}

GPtMesswert LabValue(const char* pName)
{
    GPtMesswert v;
    v.SetLab(LABVector(52.5, -3.25, 17.0, MeasuringCondition()));
    v.SetBezeichnung(String(pName));
    v.SetDateTime(19991231, 235958);
    return v;
}

std::vector<uint8_t> ValueRequest(const GPtMesswert& rValue, int nValueType)
{
    MyMemoryBlock b;
    if (rValue.IsA() == GPtMesswert::TYPE_SPECTRUM) {
        b << nValueType << 0;
        b.Put(rValue.GetValues(), 144);
    } else {
        GPtMesswert copy = rValue;
        LABVector lab;
        copy.GetLab(lab);
        float f[3] = {float(lab.GetL()), float(lab.GetA()), float(lab.GetB())};
        b << nValueType << 1;
        b.Put(f, 12);
    }
    return testenv::Bytes(b);
}

std::vector<uint8_t> NameRequest(int nValueType, const std::string& rName16)
{
    MyMemoryBlock b;
    b << nValueType;
    char raw[17] = {};
    std::memcpy(raw, rName16.data(), 16);
    b.Put(raw, 17);
    return testenv::Bytes(b);
}

struct RefCase {
    const char* name;
    long slot;
    bool lab;
    int sw;
    long deviceType;
    const char* language;
    const char* designation;
    // Expected: the messages and, by message, the value type they carry.
    Seq sent;
    int valueType;
    std::string name16;
};

class ReferencesTest : public ScriptedLibraryTest {};

TEST_F(ReferencesTest, ValueDateAndNameGoToTheSlot)
{
    const RefCase cases[] = {
        {"slot 0 spectrum", 0, false, 355, 1, "en", "Cyan 100", {42, 8, 18, 13, 19}, 0, "Cyan 100        "},
        {"slot 8 is the last direct slot", 8, false, 355, 1, "en", "Cyan", {42, 8, 18, 13, 19}, 8, "Cyan            "},
        {"slot 9 is selected as value 10", 9, false, 355, 1, "en", "Cyan", {40, 42, 8, 18, 13, 19}, 64,
         "Cyan            "},
        {"slot 8 Lab", 8, true, 355, 1, "en", "Lab", {41, 8, 18, 13, 19}, 8, "Lab             "},
        {"slot 9 Lab", 9, true, 355, 1, "en", "Lab", {40, 41, 8, 18, 13, 19}, 64, "Lab             "},
        {"354 sends no date", 2, false, 354, 1, "en", "Old", {42, 8, 13, 19}, 2, "Old             "},
        {"350 sends no date", 2, false, 350, 1, "en", "Old", {42, 8, 13, 19}, 2, "Old             "},
        {"349 sends no date", 2, false, 349, 1, "en", "Old", {42, 8, 13, 19}, 2, "Old             "},
        {"long designation cut", 1, false, 355, 1, "en", "Magenta 100 percent solid", {42, 8, 18, 13, 19}, 1,
         "Magenta 100 perc"},
        {"Japanese: no name", 1, false, 355, 1, "ja", "Name", {42, 8, 18}, 1, ""},
        {"Chinese: no name", 1, false, 355, 1, "zh", "Name", {42, 8, 18}, 1, ""},
        {"device type 65536: no name", 12, false, 355, 65536, "en", "Name", {40, 42, 8, 18, 13}, 64, ""},
    };
    for (const RefCase& c : cases) {
        SCOPED_TRACE(c.name);
        Language::Set(String(c.language));
        dev.sw = c.sw;
        dev.deviceType = c.deviceType;
        t->ClearSent();
        GPtMesswert v = c.lab ? LabValue(c.designation) : SpectrumValue(c.designation);
        EXPECT_EQ(pLib->ReferenzDownload(c.slot, v), 1);
        Language::Set(String("en"));
        EXPECT_EQ(Sent(), c.sent);
        if (c.slot >= 9) {
            EXPECT_EQ(PayloadOfNth(40), IntBytes({68, static_cast<int>(c.slot) + 1}));
        }
        EXPECT_EQ(PayloadOfNth(c.lab ? 41 : 42), ValueRequest(v, c.valueType));
        if (c.sw >= 355) {
            MyMemoryBlock time = c.lab ? Ints({c.valueType, 0, 58, 59, 23, 31, 12, 99})
                                       : Ints({c.valueType, 0, 1, 45, 13, 15, 3, 24});
            EXPECT_EQ(PayloadOfNth(18), testenv::Bytes(time));
        }
        if (!c.name16.empty()) {
            EXPECT_EQ(PayloadOfNth(19), NameRequest(c.valueType, c.name16));
        }
    }
}

TEST_F(ReferencesTest, AFailingStepStopsTheFollowingOnes)
{
    const std::pair<int, Seq> cases[] = {
        {40, {40}},             // the selection of slot 12
        {42, {40, 42}},         // the spectrum
        {18, {40, 42, 8, 18}},  // the date
        {19, {40, 42, 8, 18, 13, 19}},
    };
    for (const auto& [refused, sent] : cases) {
        SCOPED_TRACE("refused " + std::to_string(refused));
        dev.refuse = {refused};
        t->ClearSent();
        GPtMesswert v = SpectrumValue("X");
        EXPECT_EQ(pLib->ReferenzDownload(12, v), 0);
        EXPECT_EQ(Sent(), sent);
    }
}

TEST_F(ReferencesTest, AValueWithoutSpectrumOrLabIsAnErrorAndSendsNothing)
{
    GPtMesswert v = SpectrumValue("X");
    v.Invalidate();
    boxes.QueueAnswer(RET_OK);
    EXPECT_EQ(pLib->ReferenzDownload(3, v), 0);
    EXPECT_TRUE(Sent().empty());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    ExpectBox(boxes, 0, MESSBOX_ERROR, 16, "ERROR: MyVxn::ReferenzDownload()");
}

} // namespace
