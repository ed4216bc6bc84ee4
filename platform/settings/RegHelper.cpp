#include "platform/settings/RegHelper.h"

#include "platform/settings/SettingsStore.h"

#include <algorithm>
#include <cstring>

namespace vk {

std::string RootKeyName(HKEY root)
{
    // Only the user's own keys live in the per-user file.
    return root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "";
}

CRegHelper::CRegHelper() = default;

CRegHelper::CRegHelper(CSettingsStore& store) : m_store(&store) {}

CRegHelper::~CRegHelper() { CloseKey(); }

void CRegHelper::SetRootKey(HKEY root) { m_root = root; }

CSettingsStore& CRegHelper::Store() const { return m_store ? *m_store : Settings(); }

std::optional<std::string> CRegHelper::FullPath(const std::string& subkey) const
{
    const std::string root = RootKeyName(m_root);
    if (root.empty())
        return std::nullopt;
    return subkey.empty() ? root : root + "\\" + subkey;
}

bool CRegHelper::OpenKey(const std::string& subkey)
{
    CloseKey();
    auto path = FullPath(subkey);
    if (!path || !IsValidKeyPath(*path) || !Store().KeyExists(*path))
        return false;
    m_openKey = std::move(path);
    return true;
}

bool CRegHelper::CreateKey(const std::string& subkey)
{
    CloseKey();
    auto path = FullPath(subkey);
    if (!path || !Store().CreateKey(*path))
        return false;
    m_openKey = std::move(path);
    return true;
}

void CRegHelper::CloseKey() { m_openKey.reset(); }

bool CRegHelper::ReadDword(const std::string& name, uint32_t* value)
{
    if (!m_openKey || !value)
        return false;
    const auto found = Store().Query(*m_openKey, name);
    const auto bytes = found ? found->Bytes() : std::vector<uint8_t>{};
    if (!found || bytes.size() > 4) {
        SettingsDebugText("Unable to query registry\n");
        return false;
    }
    uint8_t buffer[4] = {0, 0, 0, 0};
    std::memcpy(buffer, bytes.data(), bytes.size());
    *value = static_cast<uint32_t>(buffer[0]) | static_cast<uint32_t>(buffer[1]) << 8 |
             static_cast<uint32_t>(buffer[2]) << 16 | static_cast<uint32_t>(buffer[3]) << 24;
    return true;
}

void CRegHelper::WriteDword(const std::string& name, uint32_t value)
{
    if (!m_openKey)
        return;
    if (!Store().SetValue(*m_openKey, name, RegValue::Dword(value)))
        SettingsDebugText("Unable to save to registry\n");
}

bool CRegHelper::ReadString(const std::string& name, std::string& value)
{
    if (!m_openKey)
        return false;
    const auto found = Store().Query(*m_openKey, name);
    const auto bytes = found ? found->Bytes() : std::vector<uint8_t>{};
    if (!found || bytes.size() > kStringBufferSize) {
        SettingsDebugText("Unable to query registry\n");
        return false;
    }
    const auto nul = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    value.assign(bytes.begin(), nul);
    return true;
}

bool CRegHelper::WriteString(const std::string& name, const std::string& value)
{
    if (!m_openKey)
        return false;
    if (Store().SetValue(*m_openKey, name, RegValue::Sz(value)))
        return true;
    SettingsDebugText("Unable to save to registry\n");
    return false;
}

}  // namespace vk
