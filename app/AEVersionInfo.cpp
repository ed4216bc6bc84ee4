#include "app/AEVersionInfo.h"

#include "platform/settings/Paths.h"

#include <cstdio>
#include <cstring>
#include <elf.h>
#include <fstream>
#include <strings.h>

namespace vk {

namespace {

constexpr char kSectionName[] = ".quorvel_version";
constexpr char kMagic[] = "QVKVERS1";
constexpr uint64_t kMaxBlock = 64 * 1024;
constexpr size_t kMaxQueryPath = 4096;

class CFileReader {
public:
    explicit CFileReader(const std::string& file) : m_in(file, std::ios::binary)
    {
        if (m_in) {
            m_in.seekg(0, std::ios::end);
            m_size = static_cast<uint64_t>(m_in.tellg());
        }
    }
    bool Read(uint64_t offset, void* out, uint64_t size)
    {
        if (!m_in || offset > m_size || size > m_size - offset)
            return false;
        m_in.seekg(static_cast<std::streamoff>(offset));
        return static_cast<bool>(m_in.read(static_cast<char*>(out), static_cast<std::streamsize>(size)));
    }

private:
    std::ifstream m_in;
    uint64_t m_size = 0;
};

struct Section {
    uint32_t name = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
};

// The section headers of an ELF file of either class (little-endian, as we build).
template <class Ehdr, class Shdr>
std::vector<uint8_t> FindSection(CFileReader& file)
{
    Ehdr eh;
    if (!file.Read(0, &eh, sizeof eh) || eh.e_shentsize != sizeof(Shdr) || eh.e_shnum == 0 ||
        eh.e_shstrndx >= eh.e_shnum)
        return {};
    auto header = [&](unsigned index, Section& s) {
        Shdr sh;
        if (!file.Read(eh.e_shoff + uint64_t{index} * sizeof(Shdr), &sh, sizeof sh))
            return false;
        s = {sh.sh_name, sh.sh_offset, sh.sh_size};
        return sh.sh_type != SHT_NOBITS;
    };
    Section names;
    if (!header(eh.e_shstrndx, names))
        return {};
    for (unsigned i = 0; i < eh.e_shnum; ++i) {
        Section s;
        char name[sizeof kSectionName] = {};
        if (!header(i, s) || s.name >= names.size || names.size - s.name < sizeof kSectionName ||
            !file.Read(names.offset + s.name, name, sizeof name) || std::memcmp(name, kSectionName, sizeof name) != 0)
            continue;
        if (s.size == 0 || s.size > kMaxBlock)
            return {};
        std::vector<uint8_t> block(s.size);
        if (!file.Read(s.offset, block.data(), s.size))
            return {};
        return block;
    }
    return {};
}

bool ParseFileVersion(const std::string& text, int (&v)[4])
{
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(text.c_str(), "%5u.%5u.%5u.%5u%c", &a, &b, &c, &d, &tail) != 4 || a > 0xFFFF || b > 0xFFFF ||
        c > 0xFFFF || d > 0xFFFF)
        return false;
    v[0] = static_cast<int>(a);
    v[1] = static_cast<int>(b);
    v[2] = static_cast<int>(c);
    v[3] = static_cast<int>(d);
    return true;
}

}  // namespace

std::vector<uint8_t> CAEVersionInfo::ReadVersionBlock(const std::string& file)
{
    CFileReader reader(file);
    unsigned char ident[EI_NIDENT];
    if (!reader.Read(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0 ||
        ident[EI_DATA] != ELFDATA2LSB)
        return {};
    if (ident[EI_CLASS] == ELFCLASS64)
        return FindSection<Elf64_Ehdr, Elf64_Shdr>(reader);
    if (ident[EI_CLASS] == ELFCLASS32)
        return FindSection<Elf32_Ehdr, Elf32_Shdr>(reader);
    return {};
}

void CAEVersionInfo::ParseBlock()
{
    m_entries.clear();
    const size_t magic = sizeof kMagic - 1;
    if (m_pData.size() < magic || std::memcmp(m_pData.data(), kMagic, magic) != 0)
        return;
    const char* p = reinterpret_cast<const char*>(m_pData.data()) + magic;
    const char* end = reinterpret_cast<const char*>(m_pData.data()) + m_pData.size();
    auto next = [&](std::string& out) {
        const void* nul = std::memchr(p, 0, static_cast<size_t>(end - p));
        if (!nul)
            return false;
        out.assign(p, static_cast<const char*>(nul));
        p = static_cast<const char*>(nul) + 1;
        return true;
    };
    std::string name, value;
    while (p < end && next(name) && !name.empty() && next(value))
        m_entries.emplace_back(name, value);
}

const std::string* CAEVersionInfo::Query(const std::string& path) const
{
    for (const auto& [name, value] : m_entries)
        if (name.size() == path.size() && ::strcasecmp(name.c_str(), path.c_str()) == 0)
            return &value;
    return nullptr;
}

std::string CAEVersionInfo::GetVersion(const char* file, bool shortForm)
{
    m_strFileName = file ? std::string(file) : paths::ExecutablePath();
    // Each call describes the file anew; the text never carries a previous call's part.
    m_strVersion.clear();

    std::vector<uint8_t> block = ReadVersionBlock(m_strFileName);
    if (block.empty()) {
        m_nMajor = m_nMinor = m_nBuild = m_nRevision = 0;
        for (std::string* s : {&m_strSpecialBuild, &m_strPrivateBuild, &m_strProductVersion, &m_strProductName,
                               &m_strOriginalFilename, &m_strLegalTrademarks, &m_strLegalCopyright,
                               &m_strInternalName, &m_strFileVersion, &m_strFileDescription, &m_strCompanyName,
                               &m_strComments})
            s->clear();
        m_pData.clear();
        m_dwDataSize = 0;
        m_entries.clear();
        return m_strVersion;
    }
    m_pData = std::move(block);
    m_dwDataSize = static_cast<uint32_t>(m_pData.size());
    ParseBlock();

    int v[4];
    if (const std::string* fixed = Query("\\"); fixed && ParseFileVersion(*fixed, v)) {
        m_nMajor = v[0];
        m_nMinor = v[1];
        m_nBuild = v[2];
        m_nRevision = v[3];
        char text[64];
        if (shortForm)
            std::snprintf(text, sizeof text, " %d.%d", m_nMajor, m_nMinor);
        else
            std::snprintf(text, sizeof text, " %d.%d.%d.%d", m_nMajor, m_nMinor, m_nBuild, m_nRevision);
        m_strVersion = text;
    }

    const std::pair<const char*, std::string*> texts[] = {
        {"SpecialBuild", &m_strSpecialBuild},       {"PrivateBuild", &m_strPrivateBuild},
        {"ProductVersion", &m_strProductVersion},   {"ProductName", &m_strProductName},
        {"OriginalFilename", &m_strOriginalFilename}, {"LegalTrademarks", &m_strLegalTrademarks},
        {"LegalCopyright", &m_strLegalCopyright},   {"InternalName", &m_strInternalName},
        {"FileVersion", &m_strFileVersion},         {"FileDescription", &m_strFileDescription},
        {"CompanyName", &m_strCompanyName},         {"Comments", &m_strComments},
    };
    for (const auto& [name, member] : texts) {
        const char* value = GetStringValue(name, 0x409, 1200);
        *member = value ? value : "";
    }
    m_strVersion += " " + m_strSpecialBuild;
    return m_strVersion;
}

const char* CAEVersionInfo::GetStringValue(const std::string& name, unsigned language, unsigned codePage) const
{
    if (m_pData.empty())
        return nullptr;
    constexpr char kFormat[] = "\\StringFileInfo\\%04x%04x\\%s";
    if (name.size() + sizeof kFormat > kMaxQueryPath)
        return nullptr;
    char path[kMaxQueryPath + 32];
    std::snprintf(path, sizeof path, kFormat, language, codePage, name.c_str());
    const std::string* value = Query(path);
    return value && !value->empty() ? value->c_str() : nullptr;
}

std::string CAEVersionInfo::GetProgramVersion()
{
    std::string version = GetVersion();
    while (!version.empty() && version.back() == ' ')
        version.pop_back();
    return version;
}

}  // namespace vk
