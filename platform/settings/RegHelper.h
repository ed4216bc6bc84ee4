#pragma once
// CRegHelper: one registry key, opened or created below a root key, with
// 32-bit and text values. Failures are results plus a debug text: callers go on
// with their defaults, and the user is never asked about settings.

#include <cstdint>
#include <optional>
#include <string>

namespace vk {

class CSettingsStore;

enum HKEY : uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000,
    HKEY_CURRENT_USER = 0x80000001,
    HKEY_LOCAL_MACHINE = 0x80000002,
};

// "HKEY_CURRENT_USER" for the roots the per-user file keeps; empty for the others.
[[nodiscard]] std::string RootKeyName(HKEY root);

class CRegHelper {
public:
    CRegHelper();
    explicit CRegHelper(CSettingsStore& store);  // tests: a store of their own
    ~CRegHelper();
    CRegHelper(const CRegHelper&) = delete;
    CRegHelper& operator=(const CRegHelper&) = delete;

    void SetRootKey(HKEY root);
    [[nodiscard]] bool OpenKey(const std::string& subkey);    // an existing key only
    [[nodiscard]] bool CreateKey(const std::string& subkey);  // creates it when missing
    void CloseKey();
    [[nodiscard]] bool IsOpen() const { return m_openKey.has_value(); }

    // The 4 data bytes of the value, whatever its type; a value with more than
    // 4 bytes of data (a text of 4 letters or more) does not fit and fails.
    [[nodiscard]] bool ReadDword(const std::string& name, uint32_t* value);
    void WriteDword(const std::string& name, uint32_t value);
    // The value's data up to its first NUL; data beyond 4096 bytes does not fit.
    [[nodiscard]] bool ReadString(const std::string& name, std::string& value);
    // Not used by the wizard itself; the installation and tests write the folders.
    [[nodiscard]] bool WriteString(const std::string& name, const std::string& value);

    static constexpr size_t kStringBufferSize = 4096;

private:
    [[nodiscard]] CSettingsStore& Store() const;
    [[nodiscard]] std::optional<std::string> FullPath(const std::string& subkey) const;

    CSettingsStore* m_store = nullptr;  // null: the process-wide store
    HKEY m_root = HKEY_CURRENT_USER;
    std::optional<std::string> m_openKey;
};

}  // namespace vk
