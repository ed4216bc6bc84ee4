#include "tools/vk550-scenario/realstack/SoundServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

extern char** environ;

namespace vk::test {

namespace fs = std::filesystem;

namespace {

// The environment of the helpers: the process's own without umockdev's preload,
// pointed at the private server.
std::vector<std::string> HelperEnvironment(const fs::path& folder)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name == "LD_PRELOAD" || name == "UMOCKDEV_DIR" || name.rfind("PULSE_", 0) == 0 || name == "HOME" ||
            name == "XDG_RUNTIME_DIR")
            continue;
        env.push_back(entry);
    }
    env.push_back("PULSE_SERVER=unix:" + (folder / "native").string());
    env.push_back("PULSE_COOKIE=" + (folder / "cookie").string());
    env.push_back("HOME=" + folder.string());
    env.push_back("XDG_RUNTIME_DIR=" + folder.string());
    return env;
}

// Starts a helper with its standard output on `outFd` (the rest on /dev/null). The pid, or -1.
// A helper in a session of its own outlives a kill of this process's group.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& envStrings, int outFd,
            bool ownSession = false)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : envStrings)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownSession)
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int WaitExit(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

CPrivateSoundServer::CPrivateSoundServer(fs::path folder) : m_folder(std::move(folder)), m_script(VK_PULSE_SCRIPT) {}

CPrivateSoundServer::~CPrivateSoundServer() { Stop(); }

bool CPrivateSoundServer::Start(std::string* error, const fs::path& owned)
{
    // The watchdog: once this process is gone (or the folder, when it ended
    // well), the server is stopped and the folder removed. It is not waited for.
    const fs::path folder = owned.empty() ? m_folder : owned;
    const std::string watch = "while kill -0 " + std::to_string(::getpid()) + " 2>/dev/null && [ -d \"$2\" ]; do sleep 0.5; done; " +
                              "\"$0\" stop \"$1\"; rm -rf \"$2\"";
    (void)Spawn({"sh", "-c", watch, m_script, m_folder.string(), folder.string()}, HelperEnvironment(m_folder), -1, true);
    std::string out;
    if (Run({m_script, "start", m_folder.string()}, &out, 20000) != 0) {
        if (error)
            *error = "the private sound server did not start: " + out;
        return false;
    }
    m_started = true;
    // The script lists a card of its own; the units bring theirs.
    if (Run({m_script, "unit", m_folder.string(), "none"}) != 0) {
        if (error)
            *error = "the private sound server refused pactl";
        Stop();
        return false;
    }
    return true;
}

void CPrivateSoundServer::Stop()
{
    for (const auto& m : m_monitors) {
        ::kill(m.pid, SIGTERM);
        (void)WaitExit(m.pid);
    }
    m_monitors.clear();
    for (Card& card : m_cards)
        StopTone(card);
    m_tone.reset();
    if (!m_started)
        return;
    m_started = false;
    m_cards.clear();
    (void)Run({m_script, "stop", m_folder.string()});
}

std::string CPrivateSoundServer::Address() const { return "unix:" + (m_folder / "native").string(); }
std::string CPrivateSoundServer::Cookie() const { return (m_folder / "cookie").string(); }

std::string CPrivateSoundServer::SinkName(int unit) { return "vk_u" + std::to_string(unit) + "_spk"; }

bool CPrivateSoundServer::ListCard(int unit, const std::string& name)
{
    UnlistCard(unit);
    const std::string sink = SinkName(unit);
    const std::string source = "vk_u" + std::to_string(unit) + "_mic";
    Card card{unit, {}};
    const std::vector<std::vector<std::string>> loads = {
        {"pactl", "load-module", "module-null-sink", "sink_name=" + sink, "rate=16000",
         "sink_properties=\"device.description='" + name + " Speaker'\""},
        {"pactl", "load-module", "module-remap-source", "source_name=" + source, "master=" + sink + ".monitor",
         "channels=1", "channel_map=mono", "source_properties=\"device.description='" + name + " Microphone'\""},
    };
    bool ok = true;
    for (const auto& args : loads) {
        std::string out;
        if (Run(args, &out) != 0) {
            ok = false;
            break;
        }
        card.modules.push_back(std::atoi(out.c_str()));
    }
    if (ok && m_tone)
        StartTone(card);
    m_cards.push_back(std::move(card));
    if (!ok)
        UnlistCard(unit);
    return ok;
}

void CPrivateSoundServer::UnlistCard(int unit)
{
    const auto it = std::find_if(m_cards.begin(), m_cards.end(), [unit](const Card& c) { return c.unit == unit; });
    if (it == m_cards.end())
        return;
    StopTone(*it);
    for (auto m = it->modules.rbegin(); m != it->modules.rend(); ++m)
        (void)Run({"pactl", "unload-module", std::to_string(*m)});
    m_cards.erase(it);
}

void CPrivateSoundServer::SetTone(std::optional<Tone> tone)
{
    if (tone == m_tone)
        return;
    for (Card& card : m_cards)
        StopTone(card);
    m_tone = tone;
    if (!tone)
        return;
    // One second of the sine at the cards' rate, played over and over: a whole
    // number of periods for a whole number of hertz, so the loop is seamless.
    constexpr int kRate = 16000;
    std::vector<int16_t> samples(kRate);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(
            std::lround(tone->peak * std::sin(2.0 * std::numbers::pi * tone->hz * static_cast<double>(i) / kRate)));
    std::ofstream(m_folder / "tone.raw", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
    for (Card& card : m_cards)
        StartTone(card);
}

void CPrivateSoundServer::StartTone(Card& card)
{
    // The loop ends by itself when the player does (its server or sink gone):
    // cat then fails on the broken pipe.
    const std::string loop = "while cat \"$0\"; do :; done | exec pacat -d \"$1\" --raw --format=s16le "
                             "--channels=1 --rate=16000 --latency-msec=50";
    card.tonePid = Spawn({"sh", "-c", loop, (m_folder / "tone.raw").string(), SinkName(card.unit)},
                         HelperEnvironment(m_folder), -1, true);
}

void CPrivateSoundServer::StopTone(Card& card)
{
    if (card.tonePid <= 0)
        return;
    ::kill(-card.tonePid, SIGTERM);  // the shell, cat and pacat
    (void)WaitExit(card.tonePid);
    card.tonePid = -1;
}

std::vector<std::string> CPrivateSoundServer::Descriptions()
{
    std::vector<std::string> names;
    for (const char* kind : {"sinks", "sources"}) {
        std::string out;
        (void)Run({"pactl", "list", kind}, &out);
        size_t at = 0;
        while ((at = out.find("Description: ", at)) != std::string::npos) {
            at += 13;
            names.push_back(out.substr(at, out.find('\n', at) - at));
        }
    }
    return names;
}

bool CPrivateSoundServer::BeginMonitor(int unit)
{
    const fs::path file = m_folder / ("monitor-" + std::to_string(unit) + ".raw");
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const pid_t pid = Spawn({"parec", "-d", SinkName(unit) + ".monitor", "--raw", "--format=s16le", "--channels=1",
                             "--rate=16000", "--latency-msec=50"},
                            HelperEnvironment(m_folder), fd);
    ::close(fd);
    if (pid < 0)
        return false;
    m_monitors.push_back({unit, pid, file});
    return true;
}

int CPrivateSoundServer::EndMonitor(int unit)
{
    const auto it = std::find_if(m_monitors.begin(), m_monitors.end(), [unit](const Monitor& m) { return m.unit == unit; });
    if (it == m_monitors.end())
        return -1;
    ::kill(it->pid, SIGTERM);
    (void)WaitExit(it->pid);
    std::ifstream in(it->file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::error_code ec;
    fs::remove(it->file, ec);
    m_monitors.erase(it);
    if (bytes.size() < 2)
        return -1;
    int peak = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        int16_t sample;
        std::memcpy(&sample, bytes.data() + i, 2);
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    }
    return peak;
}

int CPrivateSoundServer::Run(const std::vector<std::string>& args, std::string* out, unsigned timeoutMs)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = Spawn(args, HelperEnvironment(m_folder), pipeFds[1]);
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return -1;
    }
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd p{pipeFds[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    const int code = WaitExit(pid);
    if (out)
        *out = text;
    return code;
}

}  // namespace vk::test
