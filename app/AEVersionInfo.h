#pragma once
// CAEVersionInfo: the version information that the build embeds in each of our
// executables, read back from the file at run time (the running program's own
// file when none is given).

#include <cstdint>
#include <string>
#include <vector>

namespace vk {

class CAEVersionInfo {
public:
    CAEVersionInfo() = default;

    // " 1.0.1.16" (or " 1.0" in the short form), one blank and the SpecialBuild
    // text; empty when the file holds no version information.
    std::string GetVersion(const char* file = nullptr, bool shortForm = false);
    // The running program's " 1.0.1.16" without the blank an empty SpecialBuild
    // text leaves; empty when it holds no version information.
    std::string GetProgramVersion();
    // One text of the string table; null when missing or empty.
    [[nodiscard]] const char* GetStringValue(const std::string& name, unsigned language, unsigned codePage) const;

    // The version block of an executable; empty when there is none.
    [[nodiscard]] static std::vector<uint8_t> ReadVersionBlock(const std::string& file);

    std::vector<uint8_t> m_pData;
    uint32_t m_dwDataSize = 0;
    int m_nMajor = 0;
    int m_nMinor = 0;
    int m_nBuild = 0;
    int m_nRevision = 0;
    std::string m_strVersion;
    std::string m_strFileName;
    std::string m_strSpecialBuild;
    std::string m_strPrivateBuild;
    std::string m_strProductVersion;
    std::string m_strProductName;
    std::string m_strOriginalFilename;
    std::string m_strLegalTrademarks;
    std::string m_strLegalCopyright;
    std::string m_strInternalName;
    std::string m_strFileVersion;
    std::string m_strFileDescription;
    std::string m_strCompanyName;
    std::string m_strComments;

private:
    // The value stored under a query path ("\\" or "\\StringFileInfo\\040904b0\\Name").
    [[nodiscard]] const std::string* Query(const std::string& path) const;
    void ParseBlock();
    std::vector<std::pair<std::string, std::string>> m_entries;
};

}  // namespace vk
