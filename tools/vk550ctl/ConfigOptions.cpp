#include "ConfigOptions.h"

namespace vk::ctl {

void CConfigCommandLine::Declare(CLI::App& config)
{
    config.require_subcommand(1);
    const auto action = [&](const char* name, const char* help) {
        CLI::App* sub = config.add_subcommand(name, help);
        sub->set_help_flag();
        m_actions.emplace_back(sub, name);
        m_serialOptions.push_back(sub->add_option("--serial", m_serial, "the unit with this serial number"));
        return sub;
    };
    CLI::App* show = action("show", "print the unit's whole configuration");
    show->add_option("--format", m_options.format, "text, toml or json")
        ->check(CLI::IsMember({"text", "toml", "json"}));
    action("save", "write the unit's configuration to FILE")->add_option("FILE", m_options.file)->required();
    action("diff", "what applying FILE would change")->add_option("FILE", m_options.file)->required();
    CLI::App* apply = action("apply", "bring the unit to FILE's configuration");
    apply->add_option("FILE", m_options.file)->required();
    apply->add_flag("--dry-run", m_options.dryRun, "print the commands, send nothing");
    CLI::Option* all = apply->add_flag("--all", m_options.all, "every attached unit, one after the other");
    all->excludes(m_serialOptions.back());
    apply->add_flag("--yes", m_options.yes, "phantom power may be turned on");
    m_recordDirOption = apply->add_option("--record-dir", m_recordDir, "a commissioning record per unit");
}

ConfigOptions CConfigCommandLine::Parsed() const
{
    ConfigOptions options = m_options;
    for (const auto& [sub, name] : m_actions)
        if (sub->parsed())
            options.action = name;
    for (CLI::Option* serial : m_serialOptions)
        if (serial->count() > 0)
            options.serial = m_serial;
    if (m_recordDirOption && m_recordDirOption->count() > 0)
        options.recordDir = m_recordDir;
    return options;
}

}  // namespace vk::ctl
