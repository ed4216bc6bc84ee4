#pragma once
// Runs quorvel-hid-viewer as a real second process with its own windows folder
// and reads what it prints.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vk::test {

class CViewerProcess {
public:
    // Sets $QUORVEL_WINDOWS_DIR of this process too, so that its windows find the
    // viewer. A new windows folder unless `folder` names one to share.
    explicit CViewerProcess(std::vector<std::string> args = {}, const std::string& folder = {})
    {
        m_ownsFolder = folder.empty();
        if (m_ownsFolder) {
            char tmpl[] = "/tmp/vk-viewer-test-XXXXXX";
            m_folder = ::mkdtemp(tmpl);
        } else {
            m_folder = folder;
        }
        ::setenv("QUORVEL_WINDOWS_DIR", m_folder.c_str(), 1);
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> argv{const_cast<char*>(VIEWER_EXE)};
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, VIEWER_EXE, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~CViewerProcess()
    {
        Stop();
        ::close(m_out);
        ::close(m_err);
        if (!m_ownsFolder)
            return;
        ::unsetenv("QUORVEL_WINDOWS_DIR");
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    CViewerProcess(const CViewerProcess&) = delete;
    CViewerProcess& operator=(const CViewerProcess&) = delete;

    const std::string& Folder() const { return m_folder; }
    std::string SocketPath() const { return m_folder + "/Quorvel HID Viewer"; }

    // The viewer is ready once its socket exists; false if it never appears or the process ended.
    bool WaitUntilListening()
    {
        for (int i = 0; i < 500 && m_pid > 0; ++i) {
            if (std::filesystem::exists(SocketPath()))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // One line of standard output, waiting up to 5 s of real time for it.
    std::optional<std::string> ReadLine() { return ReadLineFrom(m_out, m_outBuffer); }
    std::optional<std::string> ReadErrorLine() { return ReadLineFrom(m_err, m_errBuffer); }

    // Ends the viewer with SIGTERM (if it still runs) and returns its exit status.
    int Stop()
    {
        if (m_pid <= 0)
            return m_status;
        ::kill(m_pid, SIGTERM);
        return Wait();
    }
    int Wait()
    {
        if (m_pid <= 0)
            return m_status;
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_status;
    }

private:
    static std::optional<std::string> ReadLineFrom(int fd, std::string& buffer)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            const auto nl = buffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffer.substr(0, nl);
                buffer.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[512];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            buffer.append(chunk, static_cast<size_t>(n));
        }
    }

    std::string m_folder;
    bool m_ownsFolder = true;
    pid_t m_pid = -1;
    int m_status = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_outBuffer;
    std::string m_errBuffer;
};

}  // namespace vk::test
