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
    return {name, msg, std::move(req), None(), [fn](T& p, Outs&) { return long(fn(p)); }, Ok};
}

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
    };
    c.push_back({"OutputActualPosition", 57, Block({1}), Block({65535, 12, 1}),
                 [](T& p, Outs& o) {
                     return p.OutputActualPosition(REFERENCE_SHEET, o.at<unsigned short>(0), o.at<unsigned short>(2),
                                                   o.at<ZKoordTYPE>(4));
                 },
                 [](long r, Outs& o) {
                     EXPECT_EQ(r, 1);
                     EXPECT_EQ(o.at<unsigned short>(0), 65535);
                     EXPECT_EQ(o.at<unsigned short>(2), 12);
                     EXPECT_EQ(o.at<int>(4), 1);
                 }});
    // Four distinct values, so a field read into the wrong output shows; X
    // and Y above 32767 must come out unsigned.
    c.push_back({"OutputDigitizedValues", 65, Block({1}), Block({40001, 50002, 3, 1}),
                 [](T& p, Outs& o) {
                     return p.OutputDigitizedValues(REFERENCE_SHEET, o.at<unsigned short>(0), o.at<unsigned short>(2),
                                                    o.at<unsigned short>(4), o.at<ZKoordTYPE>(8));
                 },
                 [](long r, Outs& o) {
                     EXPECT_EQ(r, 1);
                     EXPECT_EQ(o.at<unsigned short>(0), 40001) << "X";
                     EXPECT_EQ(o.at<unsigned short>(2), 50002) << "Y";
                     EXPECT_EQ(o.at<unsigned short>(4), 3) << "value";
                     EXPECT_EQ(o.at<int>(8), 1) << "Z";
                     EXPECT_EQ(o.at<unsigned short>(6), 0xA5A5) << "nothing written between value and Z";
                 }});
    for (auto [name, msg, last] : {std::tuple{"OutputActualKey", 68, false}, std::tuple{"OutputLastKey", 69, true}})
        c.push_back({name, msg, None(), Cat(U8({2}), Block({750})),
                     [last = last](T& p, Outs& o) {
                         return last ? p.OutputLastKey(o.raw[0], o.at<PressTimeTYPE>(4))
                                     : p.OutputActualKey(o.raw[0], o.at<PressTimeTYPE>(4));
                     },
                     [](long r, Outs& o) {
                         EXPECT_EQ(r, 1);
                         EXPECT_EQ(o.raw[0], 2);
                         EXPECT_EQ(o.at<int>(4), 750);
                     }});
    for (auto [name, msg, special] : {std::tuple{"OutputStatus", 70, false}, std::tuple{"OutputSpecialStatus", 74, true}})
        c.push_back({name, msg, None(), U8({0x81}),
                     [special = special](T& p, Outs& o) {
                         return special ? p.OutputSpecialStatus(o.raw[0]) : p.OutputStatus(o.raw[0]);
                     },
                     [](long r, Outs& o) { EXPECT_EQ(r, 1); EXPECT_EQ(o.raw[0], 0x81); }});
    MyMemoryBlock spectrum;
    for (int i = 0; i < 36; ++i)
        spectrum << static_cast<float>(i) / 100.0f;
    c.push_back({"GetSpectrumAtPos", 84, Block({100, 200}), spectrum,
                 [](T& p, Outs& o) { return p.GetSpectrumAtPos(100, 200, *reinterpret_cast<float(*)[36]>(o.raw)); },
                 [](long r, Outs& o) { EXPECT_EQ(r, 1); EXPECT_FLOAT_EQ(o.floats(0)[35], 0.35f); }});
    c.push_back({"ActualErrorRequest", 75, None(), Block({17}),
                 [](T& p, Outs& o) { return p.ActualErrorRequest(o.at<ScanErrorTYPE>(0)); },
                 [](long r, Outs& o) { EXPECT_EQ(r, 1); EXPECT_EQ(o.at<int>(0), 17); }});
    // Texts without a terminator: the caller's stays.
    c.push_back({"OutputType", 76, None(), Raw("TableWalker A3 xyz", 18),
                 [](T& p, Outs& o) { return p.OutputType(*reinterpret_cast<char(*)[19]>(o.raw)); },
                 [](long r, Outs& o) {
                     EXPECT_EQ(r, 1);
                     EXPECT_EQ(std::string(o.chars(0), 18), "TableWalker A3 xyz");
                     EXPECT_EQ(o.raw[18], 0xA5);
                 }});
    // The first integer of the reply fills the second field.
    c.push_back({"OutputSerialNumberSwapsFields", 77, None(), Block({1111, 2222}),
                 [](T& p, Outs& o) { return p.OutputSerialNumber(o.at<SerialNumberType>(0)); },
                 [](long r, Outs& o) {
                     EXPECT_EQ(r, 1);
                     EXPECT_EQ(o.at<SerialNumberType>(0).nLow, 1111);
                     EXPECT_EQ(o.at<SerialNumberType>(0).nHigh, 2222);
                 }});
    c.push_back({"OutputArticleNumber", 78, None(), Raw("ART-0042", 8),
                 [](T& p, Outs& o) { return p.OutputArticleNumber(*reinterpret_cast<char(*)[10]>(o.raw)); },
                 [](long r, Outs& o) {
                     EXPECT_EQ(r, 1);
                     EXPECT_EQ(std::string(o.chars(0), 8), "ART-0042");
                     EXPECT_EQ(o.raw[8], 0xA5);
                     EXPECT_EQ(o.raw[9], 0xA5);
                 }});
    c.push_back({"OutputProductionDate", 79, None(), Block({24, 12, 1999}),
                 [](T& p, Outs& o) { return p.OutputProductionDate(o.at<DateTYPE>(0)); },
                 [](long r, Outs& o) {
                     EXPECT_EQ(r, 1);
                     EXPECT_EQ(o.at<DateTYPE>(0).nDay, 24);
                     EXPECT_EQ(o.at<DateTYPE>(0).nMonth, 12);
                     EXPECT_EQ(o.at<DateTYPE>(0).nYear, 1999);
                 }});
    c.push_back({"OutputSoftwareVersion", 80, None(), Raw("V 2.31 04/98", 12),
                 [](T& p, Outs& o) { return p.OutputSoftwareVersion(*reinterpret_cast<char(*)[13]>(o.raw)); },
                 [](long r, Outs& o) {
                     EXPECT_EQ(r, 1);
                     EXPECT_EQ(std::string(o.chars(0), 12), "V 2.31 04/98");
                     EXPECT_EQ(o.raw[12], 0xA5);
                 }});
    return c;
}

class TableCommandTest : public ::testing::TestWithParam<Case> {};
TEST_P(TableCommandTest, SendsRequestAndDecodesReply) { ExpectRequestAndDecoding(GetParam()); }
TEST_P(TableCommandTest, RefusedCommandFailsAndLeavesOutputs) { ExpectRefusedLeavesOutputs(GetParam()); }
TEST_P(TableCommandTest, MissingReplyFailsAndLeavesOutputs) { ExpectMissingReplyLeavesOutputs(GetParam()); }

class TableTruncatedReplyTest : public ::testing::TestWithParam<Case> {};
TEST_P(TableTruncatedReplyTest, FailsAndLeavesOutputs)
{
    Outs o;
    EXPECT_EQ(CallWithTruncatedReply(GetParam(), o), 0);
    EXPECT_TRUE(o.pristine());
}

INSTANTIATE_TEST_SUITE_P(AllTableCommands, TableCommandTest, ::testing::ValuesIn(Cases()), CaseName<Case>);
INSTANTIATE_TEST_SUITE_P(TableCommandsWithReplyFields, TableTruncatedReplyTest,
                         ::testing::ValuesIn(WithReplyFields(Cases())), CaseName<Case>);

} // namespace
