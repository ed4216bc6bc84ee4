// A test that runs a program as a user would, in a folder of the test's own:
// the folder is made before each test and removed after it, and each run's
// standard output and error are kept in its files out and err.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vk::test {

struct CommandRun {
    int exitCode = -1;  // -1: the shell did not exit normally
    std::string out;
    std::string err;
};

// The whole text of a file; empty when it cannot be read.
[[nodiscard]] std::string ReadText(const std::filesystem::path& path);

class CommandFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs a shell command line with its output and error sent into the folder.
    [[nodiscard]] CommandRun Run(const std::string& commandLine) const;

    std::filesystem::path m_dir;
};

}  // namespace vk::test
