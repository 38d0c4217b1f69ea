// The fault matrix: every procedure that talks to the instrument meets, at
// each message it sends in turn, a lost reply (time-out), a link that closes
// instead of answering, a refusal and a damaged reply. Each time it must come
// back within its time-out plus a second, leave no message handler of its
// own installed and no instrument lock taken, and the same procedure must
// work again once the link is reopened. The messages of each procedure are
// taken from a trace of a run without faults, so the matrix follows the
// procedures as they change.
#include "qelvxn/library/ScanLib.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "support/TestEnv.hpp"

#include "qel/AppConfig.hpp"
#include "qel/PostOffice.hpp"
#include "qel/Spectrum.hpp"
#include "qel/Text.hpp"
#include "sv/ScriptedResponder.hpp"
#include "vxnemu/EmulatorEndpoint.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <regex>

namespace {

constexpr int TIMEOUT_MS = 400, PROBE_TIMEOUT_MS = 200;

struct Procedure {
    const char* name;
    const char* profile;
    std::function<unsigned char(ScanLib&)> run;
};

const MeasuringCondition kCondition{PhysicalConditions(ActualFilterClass(FILTER_POL), WBaseClass(WBASE_ABSOLUTE)),
                                    IllumClass(ILLUM_D65), ObserverClass(OBSERVER_2)};

const Procedure kProcedures[] = {
    {"measure", "vxn",
     [](ScanLib& lib) {
         Spectrum s;
         return lib.Measure(static_cast<Window*>(nullptr), s, kCondition);
     }},
    {"white calibration", "vxn", [](ScanLib& lib) { return lib.WhiteCalibration(FILTER_POL, 1, 0, 1, 0, 1); }},
    {"measure at a table position", "vxn-table",
     [](ScanLib& lib) {
         Spectrum s;
         return lib.MeasureAtPos(nullptr, s, Point(880, 780), kCondition);
     }},
    {"reference download", "vxn",
     [](ScanLib& lib) {
         GPtMesswert v;
         Spectrum s{kCondition.GetPhysicalConditions()};
         s.Init(0.5f);
         v.SetMeasuringCondition(kCondition);
         v.SetSpectrum(s, 0);
         v.SetBezeichnung(String("Fault"));
         return lib.ReferenzDownload(3, v);
     }},
};

class FaultMatrixTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Language::Set(String("en"));
        AppConfig::SetPathName(String(testenv::FreshConfigPath()));
        vxnemu::RegisterEmulatorEndpoint();
        VXNLib::CreateVXNLib(0);
        pLib = VXNLib::mpInstance;
        po->SetTimeout(TIMEOUT_MS);
        po->SetProbeTimeout(PROBE_TIMEOUT_MS);
    }
    void TearDown() override
    {
        po->SetTimeout(5000);
        po->SetProbeTimeout(500);
        po->SetTrace(String());
        po->SetEndpoint(String("emulator:"));
        VXNLib* p = VXNLib::mpInstance;
        QelSingleton::Remove(p);
        delete p;
        vxnemu::ResetEmulators();
        Language::Set(String());
    }
    // A freshly switched-on instrument of the profile.
    void Fresh(const char* profile)
    {
        vxnemu::ResetEmulators();
        po->SetEndpoint(String(std::string("emulator:profile=") + profile));
    }
    // The emulator's status for an operator line (0: done).
    int Control(const std::string& rLine)
    {
        String answer;
        return po->Control(String(rLine), answer);
    }
    std::string State()
    {
        String answer;
        po->Control(String("state"), answer);
        return answer.str();
    }
    // The messages a run without faults sends, each once, in order.
    std::vector<int> Messages(const Procedure& p)
    {
        std::string trace = testenv::FreshConfigPath() + ".trace";
        Fresh(p.profile);
        po->SetTrace(String(trace));
        EXPECT_EQ(p.run(*pLib), 1) << p.name << " without faults";
        po->SetTrace(String());
        std::vector<int> messages;
        std::string text = testenv::Slurp(trace);
        std::regex msg("msg=(\\d+)");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), msg); it != std::sregex_iterator(); ++it) {
            int m = std::stoi((*it)[1]);
            if (std::find(messages.begin(), messages.end(), m) == messages.end())
                messages.push_back(m);
        }
        return messages;
    }

    PostOffice* po = PostOffice::Instance();
    ScanLib* pLib = nullptr;
    ScriptedResponder boxes;
    ScopedResponder use{boxes};
};

TEST_F(FaultMatrixTest, EveryFaultAtEveryMessageOfEveryProcedure)
{
    const char* faults[] = {"drop", "cut", "refuse", "corrupt"};
    int cases = 0;
    for (const Procedure& p : kProcedures) {
        std::vector<int> messages = Messages(p);
        ASSERT_FALSE(messages.empty()) << p.name;
        for (int m : messages)
            for (const char* fault : faults) {
                SCOPED_TRACE(std::string(p.name) + ": " + fault + " " + std::to_string(m));
                Fresh(p.profile);
                Link key = po->GetMessageHdl(81), value = po->GetMessageHdl(43);
                std::string line = std::string(fault) + " " + std::to_string(m) + (fault == std::string("refuse") ? " 5" : "");
                ASSERT_EQ(Control(line), 0) << line;
                auto t0 = std::chrono::steady_clock::now();
                p.run(*pLib);
                auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
                EXPECT_LT(ms.count(), TIMEOUT_MS + 1000);
                EXPECT_TRUE(po->GetMessageHdl(81) == key && po->GetMessageHdl(43) == value) << "a handler was left";
                EXPECT_NE(State().find("locked=0"), std::string::npos) << "the instrument stayed locked";
                // Reopened (the same instrument, its fault used up), the
                // procedure works again.
                EXPECT_EQ(p.run(*pLib), 1) << "after the fault";
                ++cases;
            }
    }
    EXPECT_GT(cases, 40);
    std::cout << "fault matrix: " << cases << " cases\n";
}

} // namespace
