#include "platform/settings/AppProfile.h"

#include "platform/settings/Paths.h"
#include "platform/settings/RegHelper.h"
#include "platform/settings/SettingsStore.h"

#include <filesystem>

namespace vk {

std::string ExecutableName()
{
    return std::filesystem::path(paths::ExecutablePath()).stem().string();
}

const std::string& CAppProfile::AppName() const
{
    if (m_appName.empty())
        m_appName = ExecutableName();
    return m_appName;
}

std::string CAppProfile::ProfileKey() const
{
    if (m_company.empty() || AppName().empty())
        return {};
    return "Software\\" + m_company + "\\" + AppName();
}

std::string CAppProfile::GetProfileString(const std::string& section, const std::string& entry,
                                          const std::string& defaultValue) const
{
    const std::string key = ProfileKey();
    if (key.empty())
        return defaultValue;
    CRegHelper reg = m_store ? CRegHelper(*m_store) : CRegHelper();
    std::string value;
    if (!reg.OpenKey(key + "\\" + section) || !reg.ReadString(entry, value))
        return defaultValue;
    return value;
}

bool CAppProfile::WriteProfileString(const std::string& section, const std::string& entry,
                                     const std::string& value) const
{
    const std::string key = ProfileKey();
    if (key.empty())
        return false;
    CRegHelper reg = m_store ? CRegHelper(*m_store) : CRegHelper();
    return reg.CreateKey(key + "\\" + section) && reg.WriteString(entry, value);
}

CAppProfile& AppProfile()
{
    static CAppProfile profile;
    return profile;
}

}  // namespace vk
