// A unit whose node this user may not open (the udev rule is missing) is not a
// new unit: the wizard stays on its first page and a message box names the fix,
// "About Device" says the same, and once access is given the unit is configured.

#include "app/QuorvelVK550ConfigDlg.h"
#include "device/HIDProtocol.h"
#include "WizardFixture.h"

#include <gtest/gtest.h>

namespace vk {
namespace {

using RefusedUnitTest = testing::WizardFixture;

TEST_F(RefusedUnitTest, TheWizardStaysOnPage0AndNamesTheFix)
{
    auto unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
    const std::string path = m_bus.Plug(unit);
    m_bus.RefuseAccess(path, true);

    CQuorvelVK550ConfigDlg dlg;
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.View().CurrentPage(), Page::Welcome) << "not the page that gives a new unit its type";
    EXPECT_EQ(dlg.View().Units(), 0);
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 1u);
    const auto box = m_host.messageBoxes.asked[0];  // a copy: more boxes follow
    EXPECT_EQ(box.caption, "Dravena configurarion");
    EXPECT_EQ(box.type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_NE(box.text.find(path), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("70-quorvel-vk550.rules"), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("plug it in again"), std::string::npos) << box.text;
    EXPECT_TRUE(unit->Log().empty()) << "nothing may be sent to a unit we cannot open";

    dlg.SendMessage(WM_SYSCOMMAND, 0x20);  // About Device
    ASSERT_EQ(m_host.messageBoxes.asked.size(), 2u);
    EXPECT_EQ(m_host.messageBoxes.asked[1].text, box.text) << "not \"No Dravena is connected\"";

    // The rule is installed and the node re-triggered: the unit is found and opened.
    m_bus.RefuseAccess(path, false);
    dlg.Post(WM_DEVICECHANGE, 7, 0);
    m_host.AdvanceTime(200);
    EXPECT_EQ(dlg.View().Units(), 1);
    ASSERT_TRUE(dlg.GetDlgItem(1003).IsWindowEnabled());
    dlg.ClickControl(1003);  // Next
    EXPECT_EQ(dlg.View().CurrentPage(), Page::ConfigurationType) << "a Stand Alone unit: the configuration type page";
    EXPECT_EQ(m_host.messageBoxes.asked.size(), 2u);
    EXPECT_FALSE(unit->Log().empty()) << "now the unit is talked to";
    dlg.DestroyWindow();
}

}  // namespace
}  // namespace vk
