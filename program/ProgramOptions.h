#pragma once
// The wizard's command line: --simulate[=KIND], --help, --version (and the
// screenshots program's output folder). Qt's own options are left to QApplication.

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

namespace vk {

struct ProgramOptions {
    std::optional<std::string> simulate;  // the kind; "new" for a bare --simulate
    std::optional<std::string> screenshots;
    bool help = false;
    bool version = false;
    bool valid = true;
    std::string problem;  // why the command line is not valid
};

class CProgramCommandLine {
public:
    // With `screenshots`, one positional word names the output folder.
    explicit CProgramCommandLine(bool screenshots = false);
    CProgramCommandLine(const CProgramCommandLine&) = delete;
    CProgramCommandLine& operator=(const CProgramCommandLine&) = delete;

    // Parses once; --help wins over the rest, an unknown kind makes the options invalid.
    [[nodiscard]] ProgramOptions Parse(int argc, char** argv);
    // The definitions, for the completion.
    [[nodiscard]] CLI::App& App() { return m_app; }

private:
    CLI::App m_app;
    std::string m_simulate;
    std::string m_screenshots;
    bool m_version = false;
    CLI::Option* m_simulateOption = nullptr;
    CLI::Option* m_screenshotsOption = nullptr;
};

[[nodiscard]] ProgramOptions ParseProgramOptions(int argc, char** argv, bool allowScreenshots = false);

}  // namespace vk
