#include "platform/ipc/WindowSocket.h"

#include "platform/post/MessageTarget.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace vk {
namespace {

constexpr int kSendWaitMs = 1000;  // a receiver whose queue stays full this long is treated as gone

void PutLe(std::vector<uint8_t>& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint64_t GetLe(std::span<const uint8_t> in, size_t at, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<uint64_t>(in[at + static_cast<size_t>(i)]) << (8 * i);
    return v;
}

bool Fail(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

std::string ErrnoText() { return std::strerror(errno); }

bool ToAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int DatagramSocket() { return ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0); }

// connect() on a datagram socket succeeds only when a live socket is bound there.
int ConnectTo(const std::string& path)
{
    sockaddr_un address;
    if (!ToAddress(path, address))
        return -1;
    const int fd = DatagramSocket();
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool WaitFd(int fd, short events, int timeoutMs)
{
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = ::poll(&p, 1, timeoutMs);
        if (r >= 0 || errno != EINTR)
            return r > 0;
    }
}

class CSocketRemoteWindow final : public IRemoteWindow {
public:
    explicit CSocketRemoteWindow(int fd) : m_fd(fd) {}
    ~CSocketRemoteWindow() override { ::close(m_fd); }
    CSocketRemoteWindow(const CSocketRemoteWindow&) = delete;
    CSocketRemoteWindow& operator=(const CSocketRemoteWindow&) = delete;

    bool PostMessage(uint32_t message, int64_t wParam, int64_t lParam) override
    {
        return Send(EncodeWindowMessage({message, wParam, lParam, {}}));
    }

    bool SendCopyData(int64_t wParam, int64_t dwData, std::span<const uint8_t> data) override
    {
        if (data.size() > kMaxWindowMessageData)
            return false;
        return Send(EncodeWindowMessage({WM_COPYDATA, wParam, dwData, {data.begin(), data.end()}}));
    }

private:
    // Like SendMessage the call waits until the receiver has room, but never for long.
    // A receiver that made us wait in vain once is gone for this handle: a stopped
    // viewer costs one wait, not one per message.
    bool Send(const std::vector<uint8_t>& datagram)
    {
        if (m_gone)
            return false;
        for (int attempt = 0; attempt < 2; ++attempt) {
            const ssize_t n = ::send(m_fd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n >= 0)
                return static_cast<size_t>(n) == datagram.size();
            if (errno == EINTR) {
                --attempt;
                continue;
            }
            if (errno != EAGAIN || attempt == 1)
                return false;
            if (!WaitFd(m_fd, POLLOUT, kSendWaitMs)) {
                m_gone = true;
                return false;
            }
        }
        return false;
    }

    int m_fd;
    bool m_gone = false;
};

}  // namespace

std::vector<uint8_t> EncodeWindowMessage(const WindowMessage& m)
{
    std::vector<uint8_t> out;
    out.reserve(kWindowMessageHeaderSize + m.data.size());
    PutLe(out, m.message, 4);
    PutLe(out, static_cast<uint32_t>(m.data.size()), 4);
    PutLe(out, static_cast<uint64_t>(m.wParam), 8);
    PutLe(out, static_cast<uint64_t>(m.lParam), 8);
    out.insert(out.end(), m.data.begin(), m.data.end());
    return out;
}

std::optional<WindowMessage> DecodeWindowMessage(std::span<const uint8_t> datagram)
{
    if (datagram.size() < kWindowMessageHeaderSize)
        return std::nullopt;
    const uint64_t length = GetLe(datagram, 4, 4);
    if (length != datagram.size() - kWindowMessageHeaderSize)
        return std::nullopt;
    WindowMessage m;
    m.message = static_cast<uint32_t>(GetLe(datagram, 0, 4));
    m.wParam = static_cast<int64_t>(GetLe(datagram, 8, 8));
    m.lParam = static_cast<int64_t>(GetLe(datagram, 16, 8));
    m.data.assign(datagram.begin() + kWindowMessageHeaderSize, datagram.end());
    return m;
}

std::string ResolveWindowsFolder(const char* windowsDir, const char* runtimeDir, uid_t uid)
{
    if (windowsDir && *windowsDir)
        return windowsDir;
    if (runtimeDir && *runtimeDir)
        return std::string(runtimeDir) + "/quorvel-windows";
    return "/tmp/quorvel-windows-" + std::to_string(uid);
}

std::string WindowsFolder()
{
    return ResolveWindowsFolder(std::getenv("QUORVEL_WINDOWS_DIR"), std::getenv("XDG_RUNTIME_DIR"), ::getuid());
}

bool PrepareWindowsFolder(const std::string& folder, std::string* error)
{
    if (folder.empty())
        return Fail(error, "no folder for windows");
    // Missing parents of an explicitly chosen folder are created too.
    for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        (void)::mkdir(folder.substr(0, slash).c_str(), 0700);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return Fail(error, "cannot create " + folder + ": " + ErrnoText());
    struct stat st{};
    if (::lstat(folder.c_str(), &st) != 0)
        return Fail(error, "cannot inspect " + folder + ": " + ErrnoText());
    if (!S_ISDIR(st.st_mode))
        return Fail(error, folder + " is not a directory");
    if (st.st_uid != ::geteuid())
        return Fail(error, folder + " belongs to another user");
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return Fail(error, folder + " is writable by others");
    return true;
}

std::string WindowSocketPath(const std::string& folder, const std::string& title)
{
    if (title.empty() || title == "." || title == ".." || title.find('/') != std::string::npos ||
        title.find('\0') != std::string::npos)
        return {};
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += title;
    sockaddr_un address;
    return ToAddress(path, address) ? path : std::string{};
}

std::unique_ptr<IRemoteWindow> CSocketWindowDirectory::FindWindow(const std::string& title)
{
    const std::string folder = WindowsFolder();
    // Only a folder that nobody else controls can hold windows worth talking to.
    struct stat st{};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & (S_IWGRP | S_IWOTH)))
        return nullptr;
    const std::string path = WindowSocketPath(folder, title);
    // Every transaction looks for the viewer: without its socket file that costs one lstat.
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return nullptr;
    const int fd = ConnectTo(path);
    if (fd < 0)
        return nullptr;
    return std::make_unique<CSocketRemoteWindow>(fd);
}

std::unique_ptr<CWindowReceiver> CWindowReceiver::Bind(const std::string& title, std::string* error)
{
    const auto refuse = [error](std::string text) {
        Fail(error, std::move(text));
        return std::unique_ptr<CWindowReceiver>();
    };
    const std::string folder = WindowsFolder();
    if (!PrepareWindowsFolder(folder, error))
        return nullptr;
    const std::string path = WindowSocketPath(folder, title);
    sockaddr_un address;
    if (path.empty() || !ToAddress(path, address))
        return refuse("\"" + title + "\" cannot name a window in " + folder);
    const int live = ConnectTo(path);
    if (live >= 0) {
        ::close(live);
        return refuse("a window titled \"" + title + "\" is already open");
    }
    // Whatever is left there is a stale socket of a program that died.
    (void)::unlink(path.c_str());
    const int fd = DatagramSocket();
    if (fd < 0)
        return refuse("socket: " + ErrnoText());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        const std::string reason = "cannot bind " + path + ": " + ErrnoText();
        ::close(fd);
        return refuse(reason);
    }
    struct stat st{};
    (void)::lstat(path.c_str(), &st);
    return std::unique_ptr<CWindowReceiver>(new CWindowReceiver(fd, path, st.st_dev, st.st_ino));
}

CWindowReceiver::~CWindowReceiver()
{
    struct stat st{};
    if (::lstat(m_path.c_str(), &st) == 0 && st.st_dev == m_dev && st.st_ino == m_ino)
        (void)::unlink(m_path.c_str());
    ::close(m_fd);
}

std::optional<WindowMessage> CWindowReceiver::Receive(int timeoutMs)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    std::vector<uint8_t> buffer(kWindowMessageHeaderSize + kMaxWindowMessageData);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0)
            wait = static_cast<int>(std::max<int64_t>(0, duration_cast<milliseconds>(deadline - steady_clock::now()).count()));
        if (!WaitFd(m_fd, POLLIN, wait))
            return std::nullopt;
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (static_cast<size_t>(n) > buffer.size())
            continue;  // oversized: cut by the kernel, never a valid message
        if (auto m = DecodeWindowMessage({buffer.data(), static_cast<size_t>(n)}))
            return m;
    }
}

}  // namespace vk
