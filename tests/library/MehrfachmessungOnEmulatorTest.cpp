// Averaging against the virtual instrument: measurements the operator
// triggers at the instrument (measure-at-unit, message 43) and the key on
// the table (message 81) count beside the dialog's own, and with measuring
// noise the result is the mean of measurements that differ.
#include "qelvxn/library/InfoMehrfachmessung.hpp"
#include "qelvxn/library/ScanLib.hpp"
#include "support/TestEnv.hpp"

#include "qel/AppConfig.hpp"
#include "qel/PostOffice.hpp"
#include "qel/Spectrum.hpp"
#include "qel/Text.hpp"
#include "sv/Application.hpp"
#include "sv/ScriptedResponder.hpp"
#include "vxnemu/EmulatorEndpoint.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void Operator(const std::string& rLine)
{
    String answer;
    EXPECT_EQ(PostOffice::Instance()->Control(String(rLine), answer), 0) << answer.str();
}

class MehrfachmessungOnEmulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppConfig::SetPathName(String(testenv::FreshConfigPath()));
        vxnemu::RegisterEmulatorEndpoint();
        vxnemu::ResetEmulators();
        pLib = VXNLib::CreateVXNLib(0);
        use = std::make_unique<ScopedResponder>(boxes);
        boxes.SetDialogTimeout(5000);
    }
    void TearDown() override
    {
        use.reset();
        PostOffice::Instance()->SetEndpoint(String("emulator:"));
        VXNLib* p = VXNLib::mpInstance;
        QelSingleton::Remove(p);
        delete p;
        vxnemu::ResetEmulators();
    }
    VXNLib* pLib = nullptr;
    ScriptedResponder boxes;
    std::unique_ptr<ScopedResponder> use;
};

TEST_F(MehrfachmessungOnEmulatorTest, OperatorMeasurementsCountAndTheMeanIsTheirs)
{
    struct Case {
        const char* endpoint;
        std::vector<std::string> operatorLines;  // typed while the dialog waits
        bool button;                              // one measurement from the dialog first
    } cases[] = {
        {"emulator:noise=0.002", {"measure-at-unit", "measure-at-unit"}, true},
        {"emulator:profile=vxn-table,noise=0.002", {"key", "measure-at-unit"}, true},
        {"emulator:noise=0.002", {"measure-at-unit", "measure-at-unit", "measure-at-unit"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endpoint);
        PostOffice::Instance()->SetEndpoint(String(c.endpoint));
        Operator("sample 5");
        pLib->SetVXNMeanCount(3);
        boxes.Clear();
        boxes.QueueDialogAction([&](ModalDialog& d) {
            auto& dlg = static_cast<InfoMehrfachmessung&>(d);
            if (c.button)
                dlg.GetButtonBar().ClickButton(InfoMehrfachmessung::BTN_MEASURE);
            // One after the other, as an operator measures: each is counted
            // before the next is triggered.
            for (const std::string& line : c.operatorLines) {
                int before = dlg.GetCount();
                Operator(line);
                for (int i = 0; i < 2000 && dlg.IsInExecute() && dlg.GetCount() == before; ++i) {
                    Application::Reschedule();
                    usleep(1000);
                }
            }
        });
        Spectrum s;
        ASSERT_EQ(pLib->Mehrfachmessung(nullptr, s, 0), 1);
        ASSERT_EQ(boxes.Dialogs().size(), 1u);
        EXPECT_FALSE(boxes.Dialogs()[0].bTimedOut);
        ASSERT_EQ(boxes.Notes().size(), 3u);
        // Noise: the measurements differ, so the spread is not 0.
        EXPECT_EQ(boxes.Notes().back().str().find("spread dE*ab 0.00"), std::string::npos)
            << boxes.Notes().back().str();
        EXPECT_GT(s[20], 0.0f);
    }
}

} // namespace
