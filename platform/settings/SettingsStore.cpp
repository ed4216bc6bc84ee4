#include "platform/settings/SettingsStore.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vk {

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::string> ReadAll(const fs::path& file, bool& missing)
{
    missing = false;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        missing = errno == ENOENT;
        return std::nullopt;
    }
    std::string data;
    char buf[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
}

}  // namespace

// Serialises the programs that share the file: a lock file beside it.
class CSettingsStore::CFileLock {
public:
    CFileLock(const fs::path& file, Access access)
    {
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        m_fd = ::open((file.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            while (::flock(m_fd, access == Access::Write ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
            }
    }
    ~CFileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

private:
    int m_fd = -1;
};

CSettingsStore::CSettingsStore(fs::path file) : m_file(std::move(file)) {}

fs::path CSettingsStore::DefaultFile()
{
    fs::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".config";
    else
        base = "/tmp";
    return base / "Selvo" / "registry.reg";
}

std::shared_ptr<const CSettingsStore::Loaded> CSettingsStore::Load()
{
    bool missing = false;
    auto text = ReadAll(m_file, missing);
    // The same bytes as last time: the parsed file stands. Comparing the bytes
    // (not file times, which tick coarsely) never mistakes a change for none.
    if (text && m_cached && *text == m_cachedText)
        return m_cached;

    auto loaded = std::make_shared<Loaded>();
    if (!text) {
        loaded->ok = missing;  // no file yet: an empty registry
        m_cached.reset();
        return loaded;
    }
    std::vector<std::string> problems;
    loaded->doc = CRegistryDocument::Parse(*text, &problems);
    loaded->ok = true;
    loaded->broken = !problems.empty();
    for (const auto& problem : problems)
        SettingsDebugText((m_file.string() + ": " + problem + "\n").c_str());
    m_cached = loaded;
    m_cachedText = std::move(*text);
    return loaded;
}

bool CSettingsStore::Save(const Loaded& loaded) const
{
    if (!loaded.ok)
        return false;  // never replace a file we could not read
    std::error_code ec;
    fs::create_directories(m_file.parent_path(), ec);
    if (loaded.broken) {
        // Keep the damaged original: the lines we could not understand would be lost.
        if (!fs::copy_file(m_file, m_file.string() + ".bad", fs::copy_options::overwrite_existing, ec)) {
            SettingsDebugText("Settings file damaged and no backup could be made; left as it is\n");
            return false;
        }
        SettingsDebugText("Settings file damaged; the original is kept as .bad\n");
    }
    const std::string temp = m_file.string() + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, loaded.doc.Format()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temp.c_str(), m_file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    if (const int dir = ::open(m_file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool IsValidKeyPath(const std::string& path)
{
    if (path.empty() || path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string::npos)
        return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    return true;
}

bool CSettingsStore::KeyExists(const std::string& key)
{
    std::lock_guard guard(m_mutex);
    CFileLock lock(m_file, Access::Read);
    const auto loaded = Load();
    return loaded->ok && loaded->doc.HasKey(key);
}

bool CSettingsStore::CreateKey(const std::string& key)
{
    if (!IsValidKeyPath(key))
        return false;
    std::lock_guard guard(m_mutex);
    CFileLock lock(m_file, Access::Write);
    const auto current = Load();
    if (!current->ok)
        return false;
    if (current->doc.HasKey(key))
        return true;
    Loaded changed = *current;
    changed.doc.CreateKey(key);
    return Save(changed);
}

std::optional<RegValue> CSettingsStore::Query(const std::string& key, const std::string& name)
{
    std::lock_guard guard(m_mutex);
    CFileLock lock(m_file, Access::Read);
    const auto loaded = Load();
    if (const RegValue* value = loaded->doc.Find(key, name))
        return *value;
    return std::nullopt;
}

bool CSettingsStore::SetValue(const std::string& key, const std::string& name, const RegValue& value)
{
    WriteObserver observer;
    {
        std::lock_guard guard(m_mutex);
        CFileLock lock(m_file, Access::Write);
        const auto current = Load();
        if (!current->ok || !current->doc.HasKey(key))
            return false;
        Loaded changed = *current;
        changed.doc.Set(key, name, value);
        if (!Save(changed))
            return false;
        observer = m_observer;
    }
    if (observer)
        observer(key, name, value);
    return true;
}

void CSettingsStore::SetWriteObserver(WriteObserver observer)
{
    std::lock_guard guard(m_mutex);
    m_observer = std::move(observer);
}

namespace {
std::atomic<CSettingsStore*> g_store{nullptr};
std::atomic<unsigned> g_debugTexts{0};

CSettingsStore& UserStore()
{
    static CSettingsStore store(CSettingsStore::DefaultFile());
    return store;
}
}  // namespace

CSettingsStore& Settings()
{
    CSettingsStore* store = g_store.load(std::memory_order_acquire);
    return store ? *store : UserStore();
}

void SetSettings(CSettingsStore* store) { g_store.store(store, std::memory_order_release); }

void SettingsDebugText(const char* text)
{
    g_debugTexts.fetch_add(1, std::memory_order_relaxed);
    if (std::getenv("VK_DEBUG_OUTPUT"))
        std::fputs(text, stderr);
}

unsigned SettingsDebugTextCount() { return g_debugTexts.load(std::memory_order_relaxed); }

}  // namespace vk
