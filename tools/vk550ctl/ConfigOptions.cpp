#include "ConfigOptions.h"

namespace vk::ctl {
namespace {

const char* const kUnitExits = "  0  done\n"
                               "  1  no unit answers, or a unit did not answer while it was read\n"
                               "  2  usage error, a file that cannot be written\n";

}  // namespace

CLI::App* CConfigCommandLine::Add(CLI::App& config, Action action, const char* help)
{
    CLI::App* sub = config.add_subcommand(action.name, help);
    sub->set_help_flag("-h,--help", "print this text");
    CLI::Option* serial = sub->add_option("--serial", m_serial, "the unit with this serial number")->type_name("S");
    m_serialOptions.push_back(serial);
    sub->add_flag("--all", m_options.all, "every attached unit, one after the other")->excludes(serial);
    action.app = sub;
    m_actions.push_back(std::move(action));
    return sub;
}

void CConfigCommandLine::Declare(CLI::App& config)
{
    config.require_subcommand(1);
    config.set_help_flag("-h,--help", "print this text");
    CLI::App* show = Add(config, {nullptr, "show", "show [--format=text|toml|json] [--serial=S | --all]", kUnitExits},
                         "print the unit's whole configuration");
    show->add_option("--format", m_options.format, "text, toml or json")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"text", "toml", "json"}));

    CLI::App* save = Add(config, {nullptr, "save", "save FILE [--serial=S] | save --all DIR", kUnitExits},
                         "write the unit's configuration to FILE (- for standard output);\n"
                         "with --all, one SERIAL.toml per unit into DIR, which must exist");
    save->add_option("FILE", m_options.file)->required();

    CLI::App* diff = Add(config,
                         {nullptr, "diff", "diff FILE [--serial=S | --all]",
                          "  0  the unit holds the file's configuration (with --all: every unit)\n"
                          "  1  the unit differs (changes apply would refuse are marked)\n"
                          "  2  trouble: usage error, a file that cannot be read or is invalid, no unit,\n"
                          "     a unit that cannot be read\n"},
                         "what applying FILE would change (- for standard input)");
    diff->add_option("FILE", m_options.file)->required();

    CLI::App* apply =
        Add(config,
            {nullptr, "apply", "apply FILE [--dry-run] [--yes] [--no-store] [--record-dir=DIR] [--serial=S | --all]",
             "  0  every unit verified: read back equal and stored (--no-store: read back equal;\n"
             "     --dry-run: every unit read)\n"
             "  1  no unit answers, a unit failed or was not verified (--dry-run: a unit cannot be read)\n"
             "  2  usage error, a file that cannot be read or is invalid, a type a unit cannot take,\n"
             "     phantom power not confirmed; nothing was sent\n"},
            "bring the unit to FILE's configuration (- for standard input)");
    apply->add_option("FILE", m_options.file)->required();
    CLI::App* check = config.add_subcommand("check", "check FILE (TOML or JSON) without a unit (- for standard input)");
    check->set_help_flag("-h,--help", "print this text");
    check->add_option("FILE", m_options.file)->required();
    m_actions.push_back({check, "check", "check FILE",
                         "  0  the file is valid (notes name values only a unit holding them takes)\n"
                         "  2  usage error, a file that cannot be read or is invalid\n"});
    apply->add_flag("--dry-run", m_options.dryRun, "print the commands, send nothing");
    apply->add_flag("--yes", m_options.yes, "phantom power may be turned on or up");
    apply->add_flag("--no-store", m_options.noStore,
                    "do not tell the unit to store: it forgets the settings at its next power cycle");
    m_recordDirOption =
        apply->add_option("--record-dir", m_recordDir, "a commissioning record per unit")->type_name("DIR");
}

ConfigOptions CConfigCommandLine::Parsed() const
{
    ConfigOptions options = m_options;
    for (const Action& action : m_actions)
        if (action.app->parsed())
            options.action = action.name;
    for (CLI::Option* serial : m_serialOptions)
        if (serial->count() > 0)
            options.serial = m_serial;
    if (m_recordDirOption && m_recordDirOption->count() > 0)
        options.recordDir = m_recordDir;
    return options;
}

std::string CConfigCommandLine::Help(const std::string& name) const
{
    std::string text;
    if (name.empty()) {
        text = "usage: vk550ctl [--simulate[=KIND]] config ACTION [OPTIONS]\n"
               "a unit's whole configuration in a TOML or JSON file\n\nactions:\n";
        for (const Action& action : m_actions)
            text += "  " + action.usage + "\n";
        return text + "\nvk550ctl config ACTION --help tells more.\n";
    }
    for (const Action& action : m_actions) {
        if (action.name != name)
            continue;
        text = "usage: vk550ctl [--simulate[=KIND]] config " + action.usage + "\n" + action.app->get_description() +
               "\n\noptions:\n";
        for (const CLI::Option* option : action.app->get_options()) {
            if (option->get_positional())
                continue;
            std::string words = option->get_name();
            if (option->get_expected_min() > 0)
                words += "=" + option->get_type_name();
            words.resize(std::max<size_t>(words.size(), 18), ' ');
            text += "  " + words + "  " + option->get_description() + "\n";
        }
        return text + "\nexit codes:\n" + action.exitCodes;
    }
    return text;
}

}  // namespace vk::ctl
