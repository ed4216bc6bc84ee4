// CWinPos: the stored text, the window's own size and the monitor's work area.
#include "platform/settings/AppProfile.h"
#include "platform/settings/SettingsStore.h"
#include "platform/settings/WinPos.h"
#include "platform/ui/headless/HeadlessHost.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace vk {
namespace {

namespace fs = std::filesystem;

const DialogTemplate kSmall{.id = 1, .caption = "Placed", .width = 100, .height = 50, .font = {"MS Shell Dlg", 8}, .style = 0, .controls = {}};

class WinPosTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vk_winpos_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        m_store = std::make_unique<CSettingsStore>(m_dir / "registry.reg");
        m_profile = std::make_unique<CAppProfile>(*m_store);
        m_profile->SetRegistryKey("Selvo");
        m_host.Install();
        ASSERT_TRUE(m_window.Create());
    }
    void TearDown() override
    {
        m_window.DestroyWindow();
        fs::remove_all(m_dir);
    }
    void PlaceWindow(Rect r)
    {
        ASSERT_TRUE(m_window.SetWindowPlacement({SW_SHOWNORMAL, r}));
    }
    WindowPlacement Placement()
    {
        WindowPlacement wp;
        EXPECT_TRUE(m_window.GetWindowPlacement(wp));
        return wp;
    }

    fs::path m_dir;
    std::unique_ptr<CSettingsStore> m_store;
    std::unique_ptr<CAppProfile> m_profile;
    CHeadlessHost m_host;
    CDialog m_window{kSmall};
};

TEST_F(WinPosTest, RestorePlacesTheWindowFromTheStoredText)
{
    struct Case {
        const char* text;
        bool useSavedSize;
        Rect workArea;
        Rect expected;  // the window starts at 300,300 with 200 x 100
    } const cases[] = {
        {"100,80,600,400", true, {0, 30, 1920, 1040}, {100, 80, 700, 480}},
        {"-50,10,600,400", true, {0, 0, 1920, 1040}, {0, 10, 600, 410}},
        {"10,20, 30, 40", true, {0, 0, 1920, 1040}, {10, 20, 40, 60}},
        {"10,20,30,40", true, {0, 0, 1920, 1040}, {10, 20, 40, 60}},
        {"10,20,30,40", false, {0, 0, 1920, 1040}, {10, 20, 210, 120}},
        {"1900,1000,600,400", true, {0, 0, 1920, 1040}, {1900, 1000, 2500, 1400}},  // far edges are not limited
        {"5,5,600,400", true, {40, 30, 1920, 1040}, {40, 30, 640, 430}},           // shifted, size kept
        // A stored size of nothing: the position holds, the window keeps its size.
        {"10,20,0,0", false, {0, 0, 1920, 1040}, {10, 20, 210, 120}},
        {"10,20,0,0", true, {0, 0, 1920, 1040}, {10, 20, 210, 120}},
        {"10,20,-30,40", true, {0, 0, 1920, 1040}, {10, 20, 210, 120}},
        // Texts that are not four numbers count as empty: the window stays.
        {"", true, {0, 0, 1920, 1040}, {300, 300, 500, 400}},
        {"1,2,3", true, {0, 0, 1920, 1040}, {300, 300, 500, 400}},
        {"1,2,3,x", true, {0, 0, 1920, 1040}, {300, 300, 500, 400}},
        {"a,b,c,d", true, {0, 0, 1920, 1040}, {300, 300, 500, 400}},
        {"99999999999,1,2,3", true, {0, 0, 1920, 1040}, {300, 300, 500, 400}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        m_host.monitors = {{{0, 0, 1920, 1080}, c.workArea}};
        PlaceWindow({300, 300, 500, 400});
        ASSERT_TRUE(m_profile->WriteProfileString("Settings", "WindowPosition", c.text));
        CWinPos(m_profile.get()).RestorePosition(m_window, SW_SHOWNORMAL, c.useSavedSize);
        EXPECT_EQ(Placement().normalPosition, c.expected);
    }
}

TEST_F(WinPosTest, AnEmptyProfileKeepsTheWindowButMovesItOntoTheWorkArea)
{
    m_host.monitors = {{{0, 0, 1920, 1080}, {0, 30, 1920, 1080}}};
    PlaceWindow({-20, 10, 180, 110});
    CWinPos(m_profile.get()).RestorePosition(m_window, SW_SHOWMAXIMIZED, true);
    EXPECT_EQ(Placement(), (WindowPlacement{SW_SHOWMAXIMIZED, {0, 30, 200, 130}}));
}

TEST_F(WinPosTest, SaveThenRestoreElsewhereReturnsToTheSavedPlace)
{
    PlaceWindow({120, 140, 520, 440});
    CWinPos winPos(m_profile.get());
    winPos.SavePosition(m_window);
    EXPECT_EQ(m_profile->GetProfileString("Settings", "WindowPosition"), "120,140,400,300");
    EXPECT_EQ(m_profile->ProfileKey(), "Software\\Selvo\\winpos_test");

    PlaceWindow({600, 600, 700, 650});
    winPos.RestorePosition(m_window, SW_SHOWNORMAL, true);
    EXPECT_EQ(Placement().normalPosition, (Rect{120, 140, 520, 440}));
}

// Where the windowing system places windows (Wayland) a position is neither
// stored nor restored; the show command still applies.
TEST_F(WinPosTest, APlatformThatPlacesWindowsItselfKeepsNoPosition)
{
    m_host.canPlaceWindows = false;
    PlaceWindow({-3, -30, 997, 411});
    CWinPos winPos(m_profile.get());
    winPos.SavePosition(m_window);
    EXPECT_EQ(m_profile->GetProfileString("Settings", "WindowPosition", "none"), "none");

    ASSERT_TRUE(m_profile->WriteProfileString("Settings", "WindowPosition", "120,140,400,300"));
    winPos.RestorePosition(m_window, SW_HIDE, true);
    EXPECT_EQ(Placement(), (WindowPlacement{SW_HIDE, {-3, -30, 997, 411}}));
}

// Placement needs only what IPlacedWindow offers, not the dialog framework.
TEST_F(WinPosTest, AnyPlacedWindowCanBePlaced)
{
    class CPlainWindow final : public IPlacedWindow {
    public:
        bool GetWindowPlacement(WindowPlacement& placement) override
        {
            placement = m_placement;
            return true;
        }
        bool SetWindowPlacement(const WindowPlacement& placement) override
        {
            m_placement = placement;
            return true;
        }
        bool NearestMonitor(const Rect&, MonitorInfo& info) const override
        {
            info = {{0, 0, 800, 600}, {0, 25, 800, 600}};
            return true;
        }
        WindowPlacement m_placement{SW_SHOWNORMAL, {50, 60, 250, 160}};
    } window;
    ASSERT_TRUE(m_profile->WriteProfileString("Settings", "WindowPosition", "10,5,300,200"));
    CWinPos(m_profile.get()).RestorePosition(window, SW_SHOWNORMAL, true);
    EXPECT_EQ(window.m_placement, (WindowPlacement{SW_SHOWNORMAL, {10, 25, 310, 225}}));
}

TEST_F(WinPosTest, AWindowWithoutPlacementIsLeftAlone)
{
    ASSERT_TRUE(m_profile->WriteProfileString("Settings", "WindowPosition", "1,2,3,4"));
    CDialog never(kSmall);  // no window created
    CWinPos winPos(m_profile.get());
    winPos.SavePosition(never);
    winPos.RestorePosition(never, SW_SHOWNORMAL, true);
    EXPECT_EQ(m_profile->GetProfileString("Settings", "WindowPosition"), "1,2,3,4");
}

}  // namespace
}  // namespace vk
