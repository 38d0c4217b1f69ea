// Every table command against a scripted far side: exact request bytes,
// decoding, and failures that leave the out-parameters untouched.
#include "qelvxn/protocol/TABLEWALKERProtokoll.hpp"
#include "protocol/CommandCases.hpp"

#include <gtest/gtest.h>

namespace {

using namespace cmdtest;
using Case = cmdtest::Case<TABLEWALKERProtokoll>;
using T = TABLEWALKERProtokoll;

Case Plain(const char* name, int msg, MyMemoryBlock req, std::function<unsigned char(T&)> fn)
{
    return {name, msg, std::move(req), None(), [fn](T& p, Outs&) { return long(fn(p)); }};
}
template <size_t N> char (&Chars(Outs& o))[N] { return *reinterpret_cast<char(*)[N]>(o.raw); }

std::vector<Case> Cases()
{
    std::vector<Case> c = {
        Plain("MoveAbsolut", 51, Block({1, 40000, 7}), [](T& p) { return p.MoveAbsolut(REFERENCE_SHEET, 40000, 7); }),
        Plain("MoveRelative", 52, Block({-5, 300}), [](T& p) { return p.MoveRelative(-5, 300); }),
        Plain("MoveHome", 53, None(), [](T& p) { return p.MoveHome(); }),
        Plain("MoveUp", 54, None(), [](T& p) { return p.MoveUp(); }),
        Plain("MoveDown", 55, None(), [](T& p) { return p.MoveDown(); }),
        Plain("MoveToWhiteRefPos", 56, Block({3}), [](T& p) { return p.MoveToWhiteRefPos(3); }),
        Plain("InitializeDevice", 58, None(), [](T& p) { return p.InitializeDevice(); }),
        Plain("ScanChromalette", 59, None(), [](T& p) { return p.ScanChromalette(); }),
        Plain("SetDeviceOnline", 60, None(), [](T& p) { return p.SetDeviceOnline(); }),
        Plain("SetDeviceOffline", 61, None(), [](T& p) { return p.SetDeviceOffline(); }),
        Plain("HoldPaper", 62, None(), [](T& p) { return p.HoldPaper(); }),
        Plain("ReleasePaper", 63, None(), [](T& p) { return p.ReleasePaper(); }),
        Plain("SetDigitizingMode", 64, None(), [](T& p) { return p.SetDigitizingMode(); }),
        Plain("ChangeBaudrate", 66, Block({5}), [](T& p) { return p.ChangeBaudrate(static_cast<COMBaudrateTYPE>(5)); }),
        Plain("ChangeHandshake", 67, Block({2}), [](T& p) { return p.ChangeHandshake(static_cast<COMHandshakeTYPE>(2)); }),
        Plain("ClearStatusZeroExtends", 71, Block({200}), [](T& p) { return p.ClearStatus(200); }),
        Plain("SetSpecialStatusIsTwoBytes", 72, U8({1, 0}), [](T& p) { return p.SetSpecialStatus(1); }),
        Plain("ClearSpecialStatusIsFourBytes", 73, Block({1}), [](T& p) { return p.ClearSpecialStatus(1); }),
        Plain("SetTableMode", 85, Block({1}), [](T& p) { return p.SetTableMode(TABLEMODE_1); }),
        Plain("SetLightLevel", 86, Block({4}), [](T& p) { return p.SetLightLevel(static_cast<LightLevelTYPE>(4)); }),
        Plain("SetTransmStandbyPos", 87, Block({0, 10, 20}),
              [](T& p) { return p.SetTransmStandbyPos(REFERENCE_TABLE, 10, 20); }),
        // X and Y above 32767 come out unsigned.
        {"OutputActualPosition", 57, Block({1}), Block({65535, 12, 1}),
         [](T& p, Outs& o) {
             return p.OutputActualPosition(REFERENCE_SHEET, o.at<unsigned short>(0), o.at<unsigned short>(2),
                                           o.at<ZKoordTYPE>(4));
         },
         1, Cat({Shorts({65535, 12}), Block({1})})},
        // Four distinct values, so a field read into the wrong output shows;
        // nothing is written between the value and Z.
        {"OutputDigitizedValues", 65, Block({1}), Block({40001, 50002, 3, 1}),
         [](T& p, Outs& o) {
             return p.OutputDigitizedValues(REFERENCE_SHEET, o.at<unsigned short>(0), o.at<unsigned short>(2),
                                            o.at<unsigned short>(4), o.at<ZKoordTYPE>(8));
         },
         1, Cat({Shorts({40001, 50002, 3}), U8({0xA5, 0xA5}), Block({1})})},
        {"OutputActualKey", 68, None(), Cat({U8({2}), Block({750})}),
         [](T& p, Outs& o) { return p.OutputActualKey(o.raw[0], o.at<PressTimeTYPE>(4)); }, 1,
         Cat({U8({2, 0xA5, 0xA5, 0xA5}), Block({750})})},
        {"OutputLastKey", 69, None(), Cat({U8({2}), Block({750})}),
         [](T& p, Outs& o) { return p.OutputLastKey(o.raw[0], o.at<PressTimeTYPE>(4)); }, 1,
         Cat({U8({2, 0xA5, 0xA5, 0xA5}), Block({750})})},
        {"OutputStatus", 70, None(), U8({0x81}), [](T& p, Outs& o) { return p.OutputStatus(o.raw[0]); }},
        {"OutputSpecialStatus", 74, None(), U8({0x81}), [](T& p, Outs& o) { return p.OutputSpecialStatus(o.raw[0]); }},
        {"GetSpectrumAtPos", 84, Block({100, 200}), Floats(36, 0.25f),
         [](T& p, Outs& o) { return p.GetSpectrumAtPos(100, 200, *reinterpret_cast<float(*)[36]>(o.raw)); }},
        {"ActualErrorRequest", 75, None(), Block({17}), [](T& p, Outs& o) { return p.ActualErrorRequest(o.at<ScanErrorTYPE>(0)); }},
        // Texts come without a terminator added.
        {"OutputType", 76, None(), Raw("TableWalker A3 xyz", 18), [](T& p, Outs& o) { return p.OutputType(Chars<19>(o)); }},
        // The first integer of the reply fills the second field.
        {"OutputSerialNumberSwapsFields", 77, None(), Block({1111, 2222}),
         [](T& p, Outs& o) { return p.OutputSerialNumber(o.at<SerialNumberType>(0)); }, 1, Shorts({2222, 1111})},
        {"OutputArticleNumber", 78, None(), Raw("ART-0042", 8), [](T& p, Outs& o) { return p.OutputArticleNumber(Chars<10>(o)); }},
        {"OutputProductionDate", 79, None(), Block({24, 12, 1999}),
         [](T& p, Outs& o) { return p.OutputProductionDate(o.at<DateTYPE>(0)); }, 1, Shorts({24, 12, 1999})},
        {"OutputSoftwareVersion", 80, None(), Raw("V 2.31 04/98", 12),
         [](T& p, Outs& o) { return p.OutputSoftwareVersion(Chars<13>(o)); }},
    };
    return c;
}

class TableCommandTest : public ::testing::TestWithParam<Case> {};
TEST_P(TableCommandTest, SendsRequestAndDecodesReply) { ExpectRequestAndDecoding(GetParam()); }
TEST_P(TableCommandTest, RefusedOrMissingReplyFailsAndLeavesOutputs) { ExpectFailureLeavesOutputs(GetParam()); }

class TableTruncatedReplyTest : public ::testing::TestWithParam<Case> {};
TEST_P(TableTruncatedReplyTest, FailsAndLeavesOutputs)
{
    Outs o;
    EXPECT_EQ(CallWithTruncatedReply(GetParam(), o), 0);
    EXPECT_TRUE(o.PristineFrom(0));
}

INSTANTIATE_TEST_SUITE_P(AllTableCommands, TableCommandTest, ::testing::ValuesIn(Cases()), CaseName<Case>);
INSTANTIATE_TEST_SUITE_P(TableCommandsWithReplyFields, TableTruncatedReplyTest,
                         ::testing::ValuesIn(WithReplyFields(Cases())), CaseName<Case>);

} // namespace
