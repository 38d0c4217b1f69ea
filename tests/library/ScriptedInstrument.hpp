// A scriptable instrument (and table) behind the scripted transport, and the
// fixture of the tests that drive the library's procedures against it: a
// fresh configuration, a new library object, scripted boxes, English texts.
#pragma once

#include "qelvxn/library/ScanLib.hpp"
#include "support/ScriptedTransport.hpp"
#include "support/TestEnv.hpp"

#include "qel/AppConfig.hpp"
#include "qel/Text.hpp"
#include "sv/ScriptedResponder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace libtest {

// Answers every message the measuring chain sends from a few fields.
struct FakeInstrument {
    int sw = 355;
    long deviceType = 1;
    bool table = false;
    bool huepointer = false;
    int control = 0;                 // answer to measure control 155
    int dstd = 2, wbase = 1, illum = 2, observer = 0, filter = 2;
    std::deque<int> nextFilters;     // filters reported by the following requests (operator at work)
    std::set<int> motorised;         // filters FilterDownload can set
    std::map<int, short> tab;        // Dxx temperature numbers by table value type
    std::set<int> refuse;            // messages answered with status 1
    float sample = 0.5f;             // value of every point of a measured spectrum ...
    std::vector<float> spectrum;     // ... unless these 36 values are given
    float whiteRef = 0.5f;           // value of the stored white references
    unsigned short x = 100, y = 200; // table position

    std::function<bool(int, MyMemoryBlock&, MyMemoryBlock&)> Answer()
    {
        return [this](int msg, MyMemoryBlock& req, MyMemoryBlock& rep) {
            if (refuse.count(msg)) {
                rep << static_cast<char>(1);
                return true;
            }
            rep << static_cast<char>(0);
            int a = 0, b = 0;
            switch (msg) {
            case 8: rep << sw; break;
            case 13: rep << static_cast<int>(deviceType); break;
            case 94: rep << static_cast<unsigned char>(table); break;
            case 100: rep << static_cast<unsigned char>(huepointer); break;
            case 26:
                if (!nextFilters.empty()) {
                    filter = nextFilters.front();
                    nextFilters.pop_front();
                }
                rep << dstd << wbase << illum << observer << filter;
                break;
            case 27: req >> dstd >> wbase >> illum >> observer; break;
            case 32: {
                unsigned char flags[4] = {};
                rep << static_cast<unsigned char>(0);
                rep.Put(flags, 4);
                rep << static_cast<unsigned char>(0);
                break;
            }
            case 33: req >> a; rep << static_cast<int>(tab.count(a) ? tab[a] : 65); break;
            case 34: req >> a >> b; tab[a] = static_cast<short>(b); break;
            case 37: rep << control; break;
            case 101:
                req >> a;
                if (motorised.count(a))
                    filter = a;
                rep << static_cast<unsigned char>(motorised.count(a) ? 1 : 0);
                break;
            case 15:
                for (int i = 0; i < 36; ++i)
                    rep << (spectrum.size() == 36 ? spectrum[static_cast<size_t>(i)] : sample);
                rep << static_cast<unsigned char>(0);
                break;
            case 31:
                for (int i = 0; i < 108; ++i)
                    rep << whiteRef;
                break;
            case 57: rep << static_cast<int>(x) << static_cast<int>(y) << 0; break;
            default: break;  // commands without reply fields
            }
            return true;
        };
    }
};

using Seq = std::vector<int>;

inline MyMemoryBlock Ints(std::initializer_list<int> v)
{
    MyMemoryBlock b;
    for (int x : v)
        b << x;
    return b;
}

inline std::vector<uint8_t> IntBytes(std::initializer_list<int> v) { return testenv::Bytes(Ints(v)); }

// Box i as the user saw it: kind, style and text.
inline void ExpectBox(const ScriptedResponder& r, size_t i, MessBoxKind eKind, WinBits nStyle, const char* pText)
{
    ASSERT_LT(i, r.Boxes().size());
    EXPECT_EQ(r.Boxes()[i].eKind, eKind) << i;
    EXPECT_EQ(r.Boxes()[i].nStyle, nStyle) << i;
    EXPECT_EQ(r.Boxes()[i].aText, String(pText)) << i;
}

inline Seq Join(std::initializer_list<Seq> parts)
{
    Seq out;
    for (const Seq& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Message 81: the table's key was pressed.
inline MyMemoryBlock KeyMessage()
{
    MyMemoryBlock b;
    b << static_cast<unsigned char>(1) << 100;
    return b;
}

class ScriptedLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Box texts are compared in English, whatever the machine's language.
        Language::Set(String("en"));
        AppConfig::SetPathName(String(testenv::FreshConfigPath()));
        pLib = VXNLib::CreateVXNLib(0);
        t = std::make_unique<testenv::ScriptedTransport>();
        t->maFallback = dev.Answer();
        use = std::make_unique<ScopedResponder>(boxes);
        boxes.SetDialogTimeout(2000);
    }
    void TearDown() override
    {
        VXNLib::Simulator(false);
        use.reset();
        t.reset();
        VXNLib* p = VXNLib::mpInstance;
        QelSingleton::Remove(p);
        delete p;
        Language::Set(String());
    }
    // Runs a protected operation of the library object.
    struct Access : VXNLib {
        using VXNLib::CheckCalOK;
    };
    unsigned char CheckCalOK(ValueFilterType f, unsigned char quiet)
    {
        return (pLib->*(&Access::CheckCalOK))(f, quiet);
    }

    Seq Sent() const { return t->SentNumbers(); }
    std::vector<uint8_t> PayloadOf(size_t i) const { return t->Sent().at(i).payload; }
    int CountOf(int msg) const
    {
        auto s = Sent();
        return static_cast<int>(std::count(s.begin(), s.end(), msg));
    }
    // The payload of the nth request of message msg.
    std::vector<uint8_t> PayloadOfNth(int msg, int nth = 0) const
    {
        for (const auto& m : t->Sent())
            if (m.message == msg && nth-- == 0)
                return m.payload;
        ADD_FAILURE() << "no request " << msg;
        return {};
    }
    // What the library did to the instrument and the table, and the data it
    // read for the user, in order: the sent messages without the queries of
    // software version, device type, model, conditions, readiness, control
    // answer, Dxx number and table position, whose number and order are the
    // procedures' own business.
    Seq Steps() const
    {
        static const std::set<int> queries = {8, 13, 26, 32, 33, 37, 48, 57, 94, 95, 96, 97, 98, 99, 100};
        Seq s;
        for (int m : Sent())
            if (!queries.count(m))
                s.push_back(m);
        return s;
    }
    // True when the messages were sent in this order (others may lie between).
    bool SentInOrder(std::initializer_list<int> order) const
    {
        auto s = Sent();
        auto it = s.begin();
        for (int m : order) {
            it = std::find(it, s.end(), m);
            if (it == s.end())
                return false;
            ++it;
        }
        return true;
    }

    FakeInstrument dev;
    VXNLib* pLib = nullptr;
    std::unique_ptr<testenv::ScriptedTransport> t;
    ScriptedResponder boxes;
    std::unique_ptr<ScopedResponder> use;
};

} // namespace libtest
