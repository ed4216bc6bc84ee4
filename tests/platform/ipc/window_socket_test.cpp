#include "platform/ipc/WindowSocket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace vk {
namespace {

namespace fs = std::filesystem;

// Every test gets its own windows folder through $QUORVEL_WINDOWS_DIR.
class WindowSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/vk-ipc-test-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        m_root = tmpl;
        m_folder = m_root + "/windows";
        const char* old = std::getenv("QUORVEL_WINDOWS_DIR");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("QUORVEL_WINDOWS_DIR", m_folder.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_old)
            ::setenv("QUORVEL_WINDOWS_DIR", m_old->c_str(), 1);
        else
            ::unsetenv("QUORVEL_WINDOWS_DIR");
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    // A socket file whose owner is gone: it refuses every datagram.
    void LeaveStaleSocket(const std::string& title)
    {
        ASSERT_TRUE(PrepareWindowsFolder(m_folder, nullptr));
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const std::string path = m_folder + "/" + title;
        std::strcpy(a.sun_path, path.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
        ::close(fd);
        ASSERT_TRUE(fs::exists(path));
    }

    bool SendRaw(const std::string& title, const std::vector<uint8_t>& datagram)
    {
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strcpy(a.sun_path, (m_folder + "/" + title).c_str());
        const ssize_t n = ::sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        ::close(fd);
        return n == static_cast<ssize_t>(datagram.size());
    }

    std::string m_root;
    std::string m_folder;
    std::optional<std::string> m_old;
    CSocketWindowDirectory m_windows;
};

TEST(WindowMessageWire, HeaderIsLittleEndianWithDataLength)
{
    const std::vector<uint8_t> posted = EncodeWindowMessage({0x384, 0, 3, {}});
    const std::vector<uint8_t> expectPosted = {0x84, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                               3,    0,    0, 0, 0, 0, 0, 0};
    EXPECT_EQ(posted, expectPosted);

    const std::vector<uint8_t> copy = EncodeWindowMessage({0x4A, 24, 1, {0xAA, 0xBB}});
    const std::vector<uint8_t> expectCopy = {0x4A, 0, 0, 0, 2, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0,
                                             1,    0, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB};
    EXPECT_EQ(copy, expectCopy);

    const WindowMessage negative{0x8002, -1, -2, {1, 2, 3}};
    EXPECT_EQ(DecodeWindowMessage(EncodeWindowMessage(negative)), negative);
}

TEST(WindowMessageWire, RefusesDatagramsWhoseLengthDoesNotAddUp)
{
    std::vector<uint8_t> good = EncodeWindowMessage({0x4A, 24, 1, {1, 2, 3, 4}});
    ASSERT_TRUE(DecodeWindowMessage(good));
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    std::vector<uint8_t> shorter(good.begin(), good.end() - 1);
    std::vector<uint8_t> header(good.begin(), good.begin() + 23);
    std::vector<uint8_t> hugeLength = good;
    hugeLength[7] = 0xFF;
    for (const auto* bad : {&longer, &shorter, &header, &hugeLength})
        EXPECT_FALSE(DecodeWindowMessage(*bad));
}

TEST(WindowsFolder, FirstNonEmptySourceWins)
{
    struct Case {
        const char* windowsDir;
        const char* runtimeDir;
        const char* expected;
    };
    const Case cases[] = {
        {"/w", "/run/user/5", "/w"},
        {"", "/run/user/5", "/run/user/5/quorvel-windows"},
        {nullptr, "/run/user/5", "/run/user/5/quorvel-windows"},
        {nullptr, "", "/tmp/quorvel-windows-5"},
        {nullptr, nullptr, "/tmp/quorvel-windows-5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveWindowsFolder(c.windowsDir, c.runtimeDir, 5), c.expected);
}

TEST(WindowsFolder, TitlesThatCannotBeFileNamesHaveNoSocket)
{
    EXPECT_EQ(WindowSocketPath("/w", "Quorvel HID Viewer"), "/w/Quorvel HID Viewer");
    EXPECT_EQ(WindowSocketPath("/w/", "A"), "/w/A");
    const std::string bad[] = {"", ".", "..", "a/b", std::string("a\0b", 3), std::string(120, 'x')};
    for (const auto& title : bad)
        EXPECT_EQ(WindowSocketPath("/w", title), "") << title;
}

TEST_F(WindowSocketTest, FolderIsCreatedPrivateAndForeignFoldersAreRefused)
{
    std::string error;
    ASSERT_TRUE(PrepareWindowsFolder(m_folder, &error)) << error;
    EXPECT_EQ(fs::status(m_folder).permissions() & fs::perms::all, fs::perms::owner_all);

    const std::string open = m_root + "/open";
    ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    const std::string link = m_root + "/link";
    fs::create_directory_symlink(m_folder, link);
    const std::string file = m_root + "/file";
    std::fclose(std::fopen(file.c_str(), "w"));
    for (const auto& bad : {open, link, file}) {
        EXPECT_FALSE(PrepareWindowsFolder(bad, &error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    ::setenv("QUORVEL_WINDOWS_DIR", open.c_str(), 1);
    EXPECT_EQ(CWindowReceiver::Bind("W"), nullptr);
}

TEST_F(WindowSocketTest, BoundWindowIsFoundAndReceivesPostedAndCopiedMessages)
{
    EXPECT_EQ(m_windows.FindWindow("Quorvel HID Viewer"), nullptr);
    std::string error;
    auto receiver = CWindowReceiver::Bind("Quorvel HID Viewer", &error);
    ASSERT_NE(receiver, nullptr) << error;
    EXPECT_EQ(m_windows.FindWindow("Quorvel HID Viewer "), nullptr) << "titles match exactly";

    auto window = m_windows.FindWindow("Quorvel HID Viewer");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->PostMessage(0x384, 0, 6));
    const std::vector<uint8_t> record(188, 0x5A);
    EXPECT_TRUE(window->SendCopyData(24, 1, record));

    EXPECT_EQ(receiver->Receive(1000), (WindowMessage{0x384, 0, 6, {}}));
    EXPECT_EQ(receiver->Receive(1000), (WindowMessage{0x4A, 24, 1, record}));
    EXPECT_EQ(receiver->Receive(0), std::nullopt);

    const std::string path = receiver->Path();
    receiver.reset();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(window->PostMessage(0x384, 0, 3)) << "the window has gone";
    EXPECT_EQ(m_windows.FindWindow("Quorvel HID Viewer"), nullptr);
}

// A receiver that stops taking messages (a stopped viewer) costs its sender one
// wait; the sender's later messages fail at once instead of waiting each time.
TEST_F(WindowSocketTest, AReceiverThatNeverMakesRoomCostsOneWait)
{
    auto receiver = CWindowReceiver::Bind("Quorvel HID Viewer");
    ASSERT_NE(receiver, nullptr);
    auto window = m_windows.FindWindow("Quorvel HID Viewer");
    ASSERT_NE(window, nullptr);
    const std::vector<uint8_t> record(188, 0x5A);
    int queued = 0;
    while (queued < 100000 && window->SendCopyData(24, 1, record))
        ++queued;
    ASSERT_GT(queued, 0);
    ASSERT_LT(queued, 100000) << "the receiver's queue never filled";

    const auto before = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(window->SendCopyData(24, 1, record));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(900));

    // Once the receiver takes its messages again, a window found afresh reaches it.
    while (receiver->Receive(0))
        --queued;
    EXPECT_EQ(queued, 0);
    auto again = m_windows.FindWindow("Quorvel HID Viewer");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->PostMessage(0x384, 0, 1));
    EXPECT_EQ(receiver->Receive(1000), (WindowMessage{0x384, 0, 1, {}}));
}

TEST_F(WindowSocketTest, StaleSocketCountsAsAbsentAndIsReplacedOnBind)
{
    LeaveStaleSocket("Quorvel Audio Setup");
    EXPECT_EQ(m_windows.FindWindow("Quorvel Audio Setup"), nullptr);

    auto receiver = CWindowReceiver::Bind("Quorvel Audio Setup");
    ASSERT_NE(receiver, nullptr);
    auto window = m_windows.FindWindow("Quorvel Audio Setup");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->PostMessage(0x384, 0, 1));
    EXPECT_EQ(receiver->Receive(1000), (WindowMessage{0x384, 0, 1, {}}));
}

TEST_F(WindowSocketTest, ALiveTitleCannotBeTakenTwice)
{
    auto first = CWindowReceiver::Bind("W");
    ASSERT_NE(first, nullptr);
    std::string error;
    EXPECT_EQ(CWindowReceiver::Bind("W", &error), nullptr);
    EXPECT_NE(error.find("already open"), std::string::npos) << error;
    // The refused second bind must not have removed the first one's socket.
    EXPECT_NE(m_windows.FindWindow("W"), nullptr);
}

TEST_F(WindowSocketTest, MalformedDatagramsAreDroppedAndLaterMessagesStillArrive)
{
    auto receiver = CWindowReceiver::Bind("W");
    ASSERT_NE(receiver, nullptr);
    std::vector<uint8_t> lying = EncodeWindowMessage({0x4A, 24, 1, {1, 2, 3}});
    lying[4] = 200;  // announces more data than follows
    ASSERT_TRUE(SendRaw("W", {1, 2, 3}));
    ASSERT_TRUE(SendRaw("W", lying));
    ASSERT_TRUE(SendRaw("W", std::vector<uint8_t>(kWindowMessageHeaderSize + kMaxWindowMessageData + 100, 0)));
    ASSERT_TRUE(SendRaw("W", EncodeWindowMessage({0x384, 0, 7, {}})));
    EXPECT_EQ(receiver->Receive(1000), (WindowMessage{0x384, 0, 7, {}}));
}

TEST_F(WindowSocketTest, AnotherProcessFindsTheWindowAndSendsToIt)
{
    auto receiver = CWindowReceiver::Bind("Quorvel Audio Setup");
    ASSERT_NE(receiver, nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CSocketWindowDirectory windows;
        auto window = windows.FindWindow("Quorvel Audio Setup");
        const std::vector<uint8_t> data = {9, 8, 7};
        const bool ok = window && window->PostMessage(0x384, 0, 3) && window->SendCopyData(24, 1, data);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(receiver->Receive(1000), (WindowMessage{0x384, 0, 3, {}}));
    EXPECT_EQ(receiver->Receive(1000), (WindowMessage{0x4A, 24, 1, {9, 8, 7}}));
}

}  // namespace
}  // namespace vk
