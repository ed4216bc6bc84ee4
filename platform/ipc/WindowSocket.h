#pragma once
// Windows that other programs may find are Unix datagram sockets named after
// their exact title, all in one private folder:
//   $QUORVEL_WINDOWS_DIR, else $XDG_RUNTIME_DIR/quorvel-windows,
//   else /tmp/quorvel-windows-<uid>   (created with mode 0700).
// Every message is one datagram: a 24-byte little-endian header
//   uint32 message, uint32 length of the data that follows, int64 wParam, int64 lParam
// and then the data. A posted message has none; WM_COPYDATA carries dwData in
// the lParam field and its bytes as the data. Other programs of the product
// family rely on this layout: it does not change.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/ipc/WindowDirectory.h"

namespace vk {

inline constexpr size_t kWindowMessageHeaderSize = 24;
// Larger datagrams are dropped unread; the biggest message of the family is a 188-byte record.
inline constexpr size_t kMaxWindowMessageData = 65536;

struct WindowMessage {
    uint32_t message = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
    std::vector<uint8_t> data;
    friend bool operator==(const WindowMessage&, const WindowMessage&) = default;
};

[[nodiscard]] std::vector<uint8_t> EncodeWindowMessage(const WindowMessage& m);
// nullopt unless the datagram is a header followed by exactly the announced data.
[[nodiscard]] std::optional<WindowMessage> DecodeWindowMessage(std::span<const uint8_t> datagram);

// The folder from the three sources, in order (empty values count as unset).
[[nodiscard]] std::string ResolveWindowsFolder(const char* windowsDir, const char* runtimeDir, uid_t uid);
// The folder for this process's environment now.
[[nodiscard]] std::string WindowsFolder();
// Creates the folder (mode 0700) when missing. Refuses a folder that is not a
// real directory owned by us or that others may write into: whoever can write
// there could take over our titles.
[[nodiscard]] bool PrepareWindowsFolder(const std::string& folder, std::string* error);
// The socket path for a title; empty when the title cannot be a file name
// ("", ".", "..", a '/' or a NUL) or the path does not fit a socket address.
[[nodiscard]] std::string WindowSocketPath(const std::string& folder, const std::string& title);

// The finding and sending side.
class CSocketWindowDirectory final : public IWindowDirectory {
public:
    // A window is found when its socket exists and accepts datagrams; a stale
    // socket left by a program that died refuses and counts as absent.
    [[nodiscard]] std::unique_ptr<IRemoteWindow> FindWindow(const std::string& title) override;
};

// The receiving side: a window binds its title and reads the messages sent to it.
class CWindowReceiver {
public:
    // nullptr (and a reason) when the folder is unusable, the title is not a
    // valid file name or a live window already has this title. A stale socket
    // of the same title is replaced.
    [[nodiscard]] static std::unique_ptr<CWindowReceiver> Bind(const std::string& title, std::string* error = nullptr);
    ~CWindowReceiver();  // removes the socket file if it is still ours
    CWindowReceiver(const CWindowReceiver&) = delete;
    CWindowReceiver& operator=(const CWindowReceiver&) = delete;

    // For a host's event loop (readable when a datagram waits).
    [[nodiscard]] int Fd() const { return m_fd; }
    [[nodiscard]] const std::string& Path() const { return m_path; }
    // Waits up to timeoutMs of real time (negative: forever) for one well-formed
    // message; malformed datagrams are dropped on the way. nullopt on time-out.
    [[nodiscard]] std::optional<WindowMessage> Receive(int timeoutMs);

private:
    CWindowReceiver(int fd, std::string path, dev_t dev, ino_t ino) : m_fd(fd), m_path(std::move(path)), m_dev(dev), m_ino(ino) {}
    int m_fd;
    std::string m_path;
    dev_t m_dev;
    ino_t m_ino;
};

}  // namespace vk
