// The wizard on the real Linux stack: the Qt host (offscreen), the hidapi
// backend on umockdev's hidraw devices, the PulseAudio backend on a private
// server whose cards follow the units, the udev device watch and the real
// clock. A new unit is made a Stand Alone unit: it resets, returns as a new
// hidraw node under a new product id, its sound card returns under the new
// name a while later, and the wizard reaches the speaker page having found it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <thread>

#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/settings/AppProfile.h"
#include "platform/ui/MessageBox.h"
#include "program/ProgramSetup.h"
#include "resources/ControlIds.h"
#include "tests/realstack/RealStackBed.h"

namespace vk {
namespace {

using test::CRealStackBed;
using test::CUmockdevBed;
using Ms = std::chrono::milliseconds;

// Runs the window loop until done() holds or `limit` of real time has passed.
bool PumpUntil(const std::function<bool()>& done, Ms limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        (void)UiHost().PumpWaitingMessages();
        std::this_thread::sleep_for(Ms(5));
    }
    return true;
}

class RealStackRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CUmockdevBed::PreloadActive())
            GTEST_SKIP() << "needs umockdev's preload";
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        std::string error;
        ASSERT_TRUE(m_bed.Start(&error)) << error;
        static int argc = 1;
        static char name[] = "realstack_road_test";
        static char* argv[] = {name, nullptr};
        m_qt = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override
    {
        SetMessageBoxes(nullptr);
        m_setup.reset();
        m_qt.reset();
    }

    // The program's own wiring of the real stack, with the message boxes
    // answered here instead of in windows nobody sees.
    void StartProgram()
    {
        m_setup = std::make_unique<CProgramSetup>();
        ASSERT_TRUE(m_setup->Start(ProgramOptions{}));
        SetMessageBoxes(&m_boxes);
        AppProfile().SetRegistryKey("Selvo");
    }

    CRealStackBed m_bed;
    std::unique_ptr<QApplication> m_qt;
    std::unique_ptr<CProgramSetup> m_setup;
    CScriptedMessageBox m_boxes;
};

TEST_F(RealStackRoad, ANewUnitMadeStandAloneReachesTheSpeakerPageWithItsCardAndLeavesOnUnplug)
{
    auto unit = std::make_shared<CSimUnit>(SimUnitKind::New);
    const int number = m_bed.Attach(unit);
    ASSERT_TRUE(PumpUntil([&] { return !m_bed.CardName(number).empty(); }, Ms(10000)));
    const std::string firstNode = m_bed.DevNode(number);
    StartProgram();

    CQuorvelVK550ConfigDlg dlg;
    dlg.SetAttach(m_setup->MakeAttach());
    ASSERT_TRUE(dlg.Create());
    ASSERT_EQ(dlg.m_nPage, 1) << "the new unit asks for its type";

    ASSERT_TRUE(dlg.ClickControl(IDC_TYPE_STAND_ALONE));
    const auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));  // writes the type and waits for the unit and its card
    const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - before);
    std::printf("Next on page 1 to page 5 on the real stack: %lld ms\n", static_cast<long long>(took.count()));

    for (const auto& box : m_boxes.asked)
        ADD_FAILURE() << "box \"" << box.caption << "\": " << box.text;
    EXPECT_EQ(dlg.m_nPage, 5);
    EXPECT_EQ(unit->ProductId(), 0x117);
    EXPECT_NE(m_bed.DevNode(number), firstNode) << "the unit returned as a new hidraw node";
    EXPECT_EQ(m_bed.CardName(number), "Qrvl VK550_SAL");
    EXPECT_EQ(dlg.m_audio.m_strOutDevice, "Qrvl VK550_SAL");
    EXPECT_NE(dlg.m_audio.FindInDeviceId("Qrvl VK550_SAL"), -1) << "the wizard's sound backend lists the card";

    // The udev watch sees the unit go; the wizard falls back to its first page.
    m_bed.Unplug(number);
    EXPECT_TRUE(PumpUntil([&] { return dlg.m_nPage == 0; }, Ms(10000))) << "page " << dlg.m_nPage;
    EXPECT_TRUE(PumpUntil([&] { return m_bed.CardName(number).empty(); }, Ms(10000))) << "the card went with the unit";
    dlg.DestroyWindow();
}

}  // namespace
}  // namespace vk
