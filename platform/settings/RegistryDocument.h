#pragma once
// The settings file's contents: registry keys with typed values, read from and
// written to a small human-readable text:
//
//   [HKEY_CURRENT_USER\Software\Selvo\QuorvelDravenaConfig]
//   "Install Directory"="/usr/share/quorvel-vk550-config/"
//   "Microphone Volume"=dword:0000000c
//
// Texts are quoted with \\, \" and \xHH escapes, so any 8-bit text survives.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vk {

struct RegValue {
    enum class Type : uint32_t { Sz = 1, Dword = 4 };  // REG_SZ, REG_DWORD
    Type type = Type::Sz;
    std::string text;     // REG_SZ
    uint32_t number = 0;  // REG_DWORD

    static RegValue Sz(std::string s) { return {Type::Sz, std::move(s), 0}; }
    static RegValue Dword(uint32_t n) { return {Type::Dword, {}, n}; }
    // The data as the registry hands it out: a text with its NUL, or 4 bytes LE.
    [[nodiscard]] std::vector<uint8_t> Bytes() const;
    friend bool operator==(const RegValue&, const RegValue&) = default;
};

struct RegKey {
    std::string path;  // full path from the root, e.g. HKEY_CURRENT_USER\Software\Selvo
    std::vector<std::pair<std::string, RegValue>> values;
};

// Key paths and value names compare without regard to ASCII case, as in the registry.
bool SameRegName(std::string_view a, std::string_view b);

// Keys and values are found through hash indexes on their case-folded names, so
// parsing a file and looking values up take time in proportion to the text.
class CRegistryDocument {
public:
    // Lines that cannot be understood are skipped and described in *problems.
    static CRegistryDocument Parse(std::string_view text, std::vector<std::string>* problems);
    [[nodiscard]] std::string Format() const;

    // A key exists when it was created or lies above a created key.
    [[nodiscard]] bool HasKey(std::string_view path) const;
    RegKey& CreateKey(std::string_view path);  // the key and, implicitly, its parents
    [[nodiscard]] const RegValue* Find(std::string_view path, std::string_view name) const;
    void Set(std::string_view path, std::string_view name, const RegValue& value);  // creates the key
    [[nodiscard]] const std::vector<RegKey>& Keys() const { return m_keys; }

private:
    [[nodiscard]] const RegKey* FindKey(std::string_view path) const;
    std::vector<RegKey> m_keys;
    std::unordered_map<std::string, size_t> m_keyIndex;                     // folded path -> key
    std::vector<std::unordered_map<std::string, size_t>> m_valueIndex;      // per key: folded name -> value
    std::unordered_set<std::string> m_parents;                              // folded paths above a created key
};

}  // namespace vk
