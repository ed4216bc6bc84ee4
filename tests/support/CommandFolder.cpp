#include "tests/support/CommandFolder.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vk::test {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void CommandFolderTest::SetUp()
{
    std::string name = (fs::temp_directory_path() / "vk-test-command-XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr) << name;
    m_dir = name;
}

void CommandFolderTest::TearDown()
{
    std::error_code ignored;
    if (!m_dir.empty())
        fs::remove_all(m_dir, ignored);
}

CommandRun CommandFolderTest::Run(const std::string& commandLine) const
{
    const std::string command = commandLine + " >" + (m_dir / "out").string() + " 2>" + (m_dir / "err").string();
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(m_dir / "out"), ReadText(m_dir / "err")};
}

}  // namespace vk::test
