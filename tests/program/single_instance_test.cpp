// One wizard at a time: a second start finds the running wizard's window title and
// asks it to the front; the request reaches the program's handler on the link,
// never the dialog, while the tools' messages still reach the dialog.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/ipc/WindowSocket.h"
#include "platform/post/MessageTarget.h"
#include "program/SingleInstance.h"
#include "program/WindowTitleLink.h"

namespace vk {
namespace {

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vk-single-XXXXXX";
        m_folder = ::mkdtemp(tmpl);
        ::setenv("QUORVEL_WINDOWS_DIR", m_folder.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("QUORVEL_WINDOWS_DIR");
        std::filesystem::remove_all(m_folder);
    }
    std::string m_folder;
};

// A window that tells when a message arrives.
class CSignallingWindow final : public IMessageTarget {
public:
    bool Post(uint32_t message, WPARAM wParam, LPARAM lParam) override
    {
        m_posted.set_value({message, wParam, lParam});
        return true;
    }
    std::future<PostedMessage> Next()
    {
        m_posted = {};
        return m_posted.get_future();
    }

private:
    std::promise<PostedMessage> m_posted;
};

TEST_F(SingleInstance, ASecondStartRaisesTheRunningWizardAndToolsStillReachIt)
{
    EXPECT_FALSE(RaiseRunningWizard()) << "no wizard runs yet";

    CSignallingWindow window;
    std::future<PostedMessage> posted = window.Next();
    std::promise<void> raised;
    auto link = CWindowTitleLink::Bind(kWizardTitle, window, [&raised] { raised.set_value(); });
    ASSERT_NE(link, nullptr);

    ASSERT_TRUE(RaiseRunningWizard());
    ASSERT_EQ(raised.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(posted.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "the dialog got the raise request";

    // A tool's message 0x384 still goes to the dialog.
    auto wizard = CSocketWindowDirectory().FindWindow(kWizardTitle);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(wizard->PostMessage(0x384, 0, 3));
    ASSERT_EQ(posted.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const PostedMessage message = posted.get();
    EXPECT_EQ(message.message, 0x384u);
    EXPECT_EQ(message.lParam, 3);

    link.reset();
    EXPECT_FALSE(RaiseRunningWizard()) << "the title went with the window";
}

}  // namespace
}  // namespace vk
