#pragma once
// The application profile: per-application texts kept below
// HKEY_CURRENT_USER "Software\\<company>\\<application>\\<section>", where the
// application name is the executable's file name without its extension.

#include <string>

namespace vk {

class CSettingsStore;

class CAppProfile {
public:
    CAppProfile() = default;
    explicit CAppProfile(CSettingsStore& store) : m_store(&store) {}

    void SetRegistryKey(const std::string& company) { m_company = company; }
    void SetAppName(const std::string& name) { m_appName = name; }
    [[nodiscard]] const std::string& AppName() const;
    // "Software\\<company>\\<application>"; empty until a company is registered.
    [[nodiscard]] std::string ProfileKey() const;

    [[nodiscard]] std::string GetProfileString(const std::string& section, const std::string& entry,
                                               const std::string& defaultValue = "") const;
    [[nodiscard]] bool WriteProfileString(const std::string& section, const std::string& entry,
                                          const std::string& value) const;

private:
    CSettingsStore* m_store = nullptr;  // null: the process-wide store
    std::string m_company;
    mutable std::string m_appName;
};

// The process-wide profile of the running program.
CAppProfile& AppProfile();

// The running executable's file name without folder and extension.
[[nodiscard]] std::string ExecutableName();

}  // namespace vk
