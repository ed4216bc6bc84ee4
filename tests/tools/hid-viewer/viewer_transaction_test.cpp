#include <gtest/gtest.h>

#include "device/HIDProtocol.h"
#include "platform/clock/Clock.h"
#include "sim/unit/SimSystem.h"
#include "tests/tools/hid-viewer/ViewerProcess.h"

namespace vk {
namespace {

using test::CViewerProcess;

// The viewer as a real second process receives the records of transactions
// that this process runs against a simulated unit.
TEST(HidViewerTransaction, ViewerPrintsTheRecordsOfTransactionsAgainstTheSimulatedUnit)
{
    CVirtualClock clock;  // fixes the printed times
    clock.SetLocalBase({2026, 12, 4, 10, 14, 5, 6, 7});
    SetClock(&clock);
    auto system = CSimSystem::Create("stand-alone");
    ASSERT_NE(system, nullptr);
    system->Install();

    CViewerProcess viewer({"--count", "5"});
    ASSERT_TRUE(viewer.WaitUntilListening());
    {
        CHIDProtocol protocol;
        ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, false));
        ASSERT_TRUE(protocol.IsOpen());
        EXPECT_EQ(protocol.SendShortCommand(0x0555) & 0xF000, 0x0000);
        CommandBlock command{0xF0, 0x0D, 0x00, 0x00, 0x0A, 0, 0, 0};
        CommandBlock answer{};
        EXPECT_EQ(protocol.Transact(command, answer), 0xF00D);
        auto window = Windows().FindWindow(kViewerWindowTitle);
        ASSERT_NE(window, nullptr);
        protocol.SendViewerText(window.get(), "Reset Device");
    }

    const auto line = [&] {
        auto l = viewer.ReadLine();
        return l ? *l : std::string("<nothing>");
    };
    const std::string program = CurrentProgramName();
    EXPECT_EQ(line().substr(0, 50), "2026-12-10 14:05:06.007  sent      " + program.substr(0, 15));
    EXPECT_NE(line().find("answer    " + program + "  05 55"), std::string::npos);
    EXPECT_NE(line().find("sent      " + program + "  F0 0D 00 00 0A 00 00 00"), std::string::npos);
    const std::string longAnswer = line();
    EXPECT_NE(longAnswer.find("answer    " + program + "  F0 0D 00 00 0A"), std::string::npos) << longAnswer;
    const std::string text = line();
    EXPECT_NE(text.find("text      " + program), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 14), "  Reset Device");
    EXPECT_EQ(viewer.Wait(), 0);
    SetClock(nullptr);
}

}  // namespace
}  // namespace vk
