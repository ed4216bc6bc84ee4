// CAEVersionInfo reads the version information our build embeds in executables.
#include "app/AEVersionInfo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace vk {
namespace {

namespace fs = std::filesystem;

std::string Self() { return fs::read_symlink("/proc/self/exe").string(); }

struct VersionCase {
    const char* name;
    std::string file;
    bool shortForm;
    std::string text;
    int numbers[4];
};

TEST(VersionInfoTest, TheVersionTextComesFromTheFileGiven)
{
    const VersionCase cases[] = {
        {"plain", VK_FIXTURE_PLAIN, false, " 2.3.4.5 ", {2, 3, 4, 5}},
        {"plain short", VK_FIXTURE_PLAIN, true, " 2.3 ", {2, 3, 4, 5}},
        {"running program", "", false, " 7.0.65535.1 beta", {7, 0, 65535, 1}},
        {"running program short", "", true, " 7.0 beta", {7, 0, 65535, 1}},
        {"no version information", "/proc/self/cmdline", false, "", {0, 0, 0, 0}},
        {"missing file", "/nonexistent/program", false, "", {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAEVersionInfo info;
        EXPECT_EQ(info.GetVersion(c.file.empty() ? nullptr : c.file.c_str(), c.shortForm), c.text);
        EXPECT_EQ(info.m_strFileName, c.file.empty() ? Self() : c.file);
        EXPECT_EQ((std::array{info.m_nMajor, info.m_nMinor, info.m_nBuild, info.m_nRevision}),
                  (std::array{c.numbers[0], c.numbers[1], c.numbers[2], c.numbers[3]}));
        EXPECT_EQ(info.m_dwDataSize == 0, c.text.empty());
    }
}

TEST(VersionInfoTest, TheTwelveTextsAreReadAndMissingOnesAreEmpty)
{
    CAEVersionInfo info;
    (void)info.GetVersion(nullptr, false);
    EXPECT_EQ(info.m_strSpecialBuild, "beta");
    EXPECT_EQ(info.m_strProductName, "Quorvel Dravena Configuration");
    EXPECT_EQ(info.m_strCompanyName, "Selvo");
    EXPECT_EQ(info.m_strInternalName, "version_info_test");
    EXPECT_EQ(info.m_strOriginalFilename, "version_info_test");
    EXPECT_EQ(info.m_strFileVersion, "7.0.65535.1");
    EXPECT_EQ(info.m_strFileDescription, "Version tests");
    EXPECT_EQ(info.m_strPrivateBuild, "");
    EXPECT_EQ(info.m_strComments, "");

    EXPECT_STREQ(info.GetStringValue("ProductName", 0x409, 1200), "Quorvel Dravena Configuration");
    EXPECT_STREQ(info.GetStringValue("productname", 0x409, 0x04B0), "Quorvel Dravena Configuration");
    EXPECT_EQ(info.GetStringValue("ProductName", 0x407, 1200), nullptr) << "another language";
    EXPECT_EQ(info.GetStringValue("Comments", 0x409, 1200), nullptr) << "empty entries count as missing";
    EXPECT_EQ(info.GetStringValue("NoSuchEntry", 0x409, 1200), nullptr);
    EXPECT_EQ(info.GetStringValue(std::string(5000, 'x'), 0x409, 1200), nullptr);
}

// Each call describes its file anew: a file without information clears the
// previous one, and one whose numbers cannot be read keeps the numbers but never
// carries the previous text along.
TEST(VersionInfoTest, ASecondCallReadsTheFileAgain)
{
    CAEVersionInfo info;
    EXPECT_EQ(info.GetVersion(VK_FIXTURE_PLAIN, false), " 2.3.4.5 ");
    EXPECT_EQ(info.GetVersion(VK_FIXTURE_NO_NUMBERS, false), " rc");
    EXPECT_EQ((std::array{info.m_nMajor, info.m_nMinor, info.m_nBuild, info.m_nRevision}), (std::array{2, 3, 4, 5}));
    EXPECT_EQ(info.m_strFileVersion, "x.y");
    EXPECT_EQ(info.GetVersion(VK_FIXTURE_NO_NUMBERS, false), " rc");
    EXPECT_EQ(info.GetVersion("/proc/self/cmdline", false), "");
    EXPECT_EQ(info.m_nMajor, 0);
    EXPECT_EQ(info.m_strSpecialBuild, "");
    EXPECT_EQ(info.GetStringValue("ProductName", 0x409, 1200), nullptr);
}

// Damaged executables: cut short, or with header fields pointing anywhere.
TEST(VersionInfoTest, DamagedFilesGiveNoVersionAndNoCrash)
{
    std::ifstream in(VK_FIXTURE_PLAIN, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(image.size(), 4096u);
    const fs::path damaged = fs::temp_directory_path() / ("vk_damaged_" + std::to_string(::getpid()));

    auto check = [&](const std::string& bytes, const char* what) {
        std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes;
        CAEVersionInfo info;
        EXPECT_EQ(info.GetVersion(damaged.c_str(), false), "") << what;
    };
    check(image.substr(0, 64), "only the ELF header");
    check(image.substr(0, image.size() / 2), "the second half missing");
    struct Field {
        size_t offset;
        size_t size;
        uint64_t value;
        const char* what;
    } const fields[] = {
        {0x28, 8, 0xFFFFFFFFFFFF0000, "section table beyond the end"},
        {0x28, 8, image.size() - 16, "section table running over the end"},
        {0x3A, 2, 1, "wrong entry size"},
        {0x3C, 2, 0, "no sections"},
        {0x3E, 2, 0xFFFF, "names index out of range"},
    };
    for (const Field& f : fields) {
        std::string bytes = image;
        for (size_t i = 0; i < f.size; ++i)
            bytes[f.offset + i] = static_cast<char>(f.value >> (8 * i));
        check(bytes, f.what);
    }
    fs::remove(damaged);
}

}  // namespace
}  // namespace vk
