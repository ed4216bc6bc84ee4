#pragma once
// The per-user settings store: registry keys and typed values kept in one text
// file. Every call looks at the file under a lock and every change rewrites it
// atomically (temp file, fsync, rename), so other programs that share the file
// see whole states only and a killed writer never leaves a torn file. The parsed
// file is kept while the file's bytes stay the same, so a run of reads costs one
// parse and then one read of the bytes each.

#include "platform/settings/RegistryDocument.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vk {

class CSettingsStore {
public:
    explicit CSettingsStore(std::filesystem::path file);

    // $XDG_CONFIG_HOME (or ~/.config) /Selvo/registry.reg
    [[nodiscard]] static std::filesystem::path DefaultFile();
    [[nodiscard]] const std::filesystem::path& File() const { return m_file; }

    // Paths are full key paths below a root, e.g. "HKEY_CURRENT_USER\\Software\\Selvo".
    [[nodiscard]] bool KeyExists(const std::string& key);
    [[nodiscard]] bool CreateKey(const std::string& key);
    [[nodiscard]] std::optional<RegValue> Query(const std::string& key, const std::string& name);
    // Fails when the key does not exist or the file cannot be written.
    [[nodiscard]] bool SetValue(const std::string& key, const std::string& name, const RegValue& value);

    // Told of every value this store has written (after the file holds it), on
    // the writer's thread with no lock held; for tools that print what a
    // program stores. Empty: nobody is told.
    using WriteObserver = std::function<void(const std::string& key, const std::string& name, const RegValue& value)>;
    void SetWriteObserver(WriteObserver observer);

private:
    enum class Access { Read, Write };
    struct Loaded {
        bool ok = false;      // false: the file exists but cannot be read
        bool broken = false;  // some lines could not be understood
        CRegistryDocument doc;
    };
    class CFileLock;
    [[nodiscard]] std::shared_ptr<const Loaded> Load();
    [[nodiscard]] bool Save(const Loaded& loaded) const;

    std::filesystem::path m_file;
    std::mutex m_mutex;
    WriteObserver m_observer;  // guarded by m_mutex
    std::shared_ptr<const Loaded> m_cached;  // the file as last parsed
    std::string m_cachedText;                // from these bytes
};

// A key path is usable when it has no control characters and no empty parts.
[[nodiscard]] bool IsValidKeyPath(const std::string& path);

// The process-wide store (the user's file unless a test installs another).
CSettingsStore& Settings();
void SetSettings(CSettingsStore* store);  // nullptr restores the user's store

// Debug output of the settings layer ("Unable to query registry\n"); printed to
// stderr only when VK_DEBUG_OUTPUT is set, counted always so tests can see it.
void SettingsDebugText(const char* text);
[[nodiscard]] unsigned SettingsDebugTextCount();

}  // namespace vk
