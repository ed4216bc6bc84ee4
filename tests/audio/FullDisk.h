#pragma once
// Disks that fill up, for tests of what the program does when a write fails.
//
// CFileSizeLimit needs no privileges: while it lives, no file of this process
// may grow beyond `bytes` (RLIMIT_FSIZE), so a write past that point fails as a
// write to a full disk does (EFBIG, "File too large", instead of ENOSPC).
// CSmallTmpfs is the real thing: a tmpfs of a few kilobytes, where the system
// allows this process to mount one (root), else the test says why it skips.

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vk::testing {

class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t bytes)
    {
        (void)::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a killed process
        const rlimit limit{bytes, m_previous.rlim_max};
        (void)::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        (void)::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_handler)(int) = SIG_DFL;
};

class CSmallTmpfs {
public:
    // A tmpfs of `kilobytes` at a new folder below `parent`.
    CSmallTmpfs(const std::filesystem::path& parent, int kilobytes)
        : m_folder(parent / ("tmpfs-" + std::to_string(::getpid())))
    {
        std::error_code ec;
        std::filesystem::create_directories(m_folder, ec);
        const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0700";
        if (::geteuid() != 0)
            m_why = "mounting a small tmpfs needs root";
        else if (::mount("tmpfs", m_folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
            m_why = "this system does not let the test mount a tmpfs";
        else
            m_mounted = true;
    }
    ~CSmallTmpfs()
    {
        if (m_mounted)
            (void)::umount2(m_folder.c_str(), MNT_DETACH);
        std::error_code ec;
        std::filesystem::remove(m_folder, ec);
    }
    CSmallTmpfs(const CSmallTmpfs&) = delete;
    CSmallTmpfs& operator=(const CSmallTmpfs&) = delete;

    [[nodiscard]] bool Mounted() const { return m_mounted; }
    [[nodiscard]] const std::string& WhyNot() const { return m_why; }
    [[nodiscard]] const std::filesystem::path& Folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
    std::string m_why;
};

}  // namespace vk::testing
