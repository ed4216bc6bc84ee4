// The device watch through the test bed: plugging and unplugging a unit reaches
// the window as WM_DEVICECHANGE.
#include <gtest/gtest.h>
#include <poll.h>

#include "platform/hid/udev/UdevDeviceWatch.h"
#include "tests/platform/hid/umockdev/UmockdevBed.h"

namespace vk {
namespace {

using test::CUmockdevBed;

// Waits (real time, bounded) for the window to hold n messages.
std::vector<PostedMessage> WaitForMessages(CMessageQueue& window, size_t n)
{
    std::vector<PostedMessage> got;
    for (int i = 0; i < 500 && got.size() < n; ++i) {
        for (const auto& m : window.TakeAll())
            got.push_back(m);
        if (got.size() < n)
            ::poll(nullptr, 0, 10);
    }
    return got;
}

class UmockdevHotplug : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CUmockdevBed::PreloadActive())
            GTEST_SKIP() << "needs umockdev's preload (run under umockdev-wrapper)";
        m_bed = std::make_unique<CUmockdevBed>();  // before any monitor
    }
    std::unique_ptr<CUmockdevBed> m_bed;
    CMessageQueue m_window;
};

TEST_F(UmockdevHotplug, PlugAndUnplugReachTheWindowThroughTheThread)
{
    std::string error;
    auto watch = CUdevDeviceWatch::Create(m_window, &error);
    ASSERT_NE(watch, nullptr) << error;
    watch->StartThread();

    auto unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
    m_bed->Attach(unit);
    const auto plugged = WaitForMessages(m_window, 1);
    ASSERT_EQ(plugged.size(), 1u);
    EXPECT_EQ(plugged[0], (PostedMessage{WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0}));

    m_bed->Unplug(unit);
    const auto unplugged = WaitForMessages(m_window, 1);
    ASSERT_EQ(unplugged.size(), 1u);
    EXPECT_EQ(unplugged[0], (PostedMessage{WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0}));
}

TEST_F(UmockdevHotplug, AHostLoopDispatchesWhenTheDescriptorIsReadable)
{
    auto watch = CUdevDeviceWatch::Create(m_window);
    ASSERT_NE(watch, nullptr);
    EXPECT_EQ(watch->Dispatch(), 0) << "nothing waits yet";

    // A reset: the unit leaves and comes back as a new node.
    auto unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
    m_bed->Attach(unit);
    m_bed->Unplug(unit);
    unit->Plug();
    m_bed->Sync();

    std::vector<WPARAM> events;
    for (int i = 0; i < 100 && events.size() < 3; ++i) {
        pollfd p{watch->Fd(), POLLIN, 0};
        if (::poll(&p, 1, 50) > 0)
            watch->Dispatch();
        for (const auto& m : m_window.TakeAll())
            events.push_back(m.wParam);
    }
    EXPECT_EQ(events, (std::vector<WPARAM>{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, DBT_DEVICEARRIVAL}));
}

}  // namespace
}  // namespace vk
