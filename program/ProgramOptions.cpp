#include "program/ProgramOptions.h"

#include "program/CommandLineParse.h"
#include "program/QtOwnOptions.h"
#include "program/SimulateOption.h"
#include "sim/unit/SimSystem.h"

namespace vk {

CProgramCommandLine::CProgramCommandLine(bool screenshots)
    : m_app("the configuration wizard of the Dravena VK550", "quorvel-vk550-config")
{
    // The usage texts are the programs' own; CLI11's help is not printed.
    m_app.set_help_flag("-h,--help", "print this text");
    m_app.add_flag("--version", m_version, "print the version");
    m_simulateOption = cli::AddSimulateOption(m_app, m_simulate, "use built-in simulated units");
    if (screenshots)
        m_screenshotsOption = m_app.add_option("DIR", m_screenshots, "where the pictures go")->type_name("DIR");
}

ProgramOptions CProgramCommandLine::Parse(int argc, char** argv)
{
    ProgramOptions options;
    try {
        cli::ParseWords(m_app, SplitQtOptions(argc, argv).own);
    } catch (const CLI::CallForHelp&) {
        options.help = true;
        return options;
    } catch (const CLI::ParseError& error) {
        options.valid = false;
        options.problem = error.what();
        return options;
    }
    options.version = m_version;
    if (m_simulateOption->count() > 0)
        options.simulate = m_simulate;
    if (m_screenshotsOption && m_screenshotsOption->count() > 0)
        options.screenshots = m_screenshots;
    if (options.simulate && !IsSimulatedKind(*options.simulate)) {
        options.valid = false;
        options.problem = "unknown kind of simulated units: " + *options.simulate;
    }
    return options;
}

ProgramOptions ParseProgramOptions(int argc, char** argv, bool allowScreenshots)
{
    return CProgramCommandLine(allowScreenshots).Parse(argc, argv);
}

}  // namespace vk
