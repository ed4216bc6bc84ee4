#include "program/SimulateOption.h"

#include "program/CommandLineCompletion.h"

namespace vk::cli {

const std::vector<std::string>& SimulatedKindWords()
{
    static const std::vector<std::string> words{"new", "stand-alone", "master", "slave", "master+slave"};
    return words;
}

CLI::Option* AddSimulateOption(CLI::App& app, std::string& kind, const std::string& help)
{
    return app.add_flag("--simulate{new}", kind, help)->check(OfferedValues(SimulatedKindWords()));
}

}  // namespace vk::cli
