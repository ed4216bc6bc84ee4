#include "program/CommandLineCompletion.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace vk::cli {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

bool Hidden(const CLI::Option& option) { return option.get_group().empty(); }

bool TakesValue(const CLI::Option& option) { return option.get_expected_min() > 0; }

std::vector<CLI::App*> Subcommands(CLI::App& app)
{
    return app.get_subcommands([](CLI::App* sub) { return !sub->get_name().empty(); });
}

// "--name" or "-x" as the option's own name, or nothing.
CLI::Option* FindOption(CLI::App& app, const std::string& word)
{
    const bool isLong = StartsWith(word, "--");
    const std::string name = word.substr(isLong ? 2 : 1);
    for (CLI::Option* option : app.get_options())
        if (isLong ? option->check_lname(name) : option->check_sname(name))
            return option;
    return nullptr;
}

CLI::App* FindSubcommand(CLI::App& app, const std::string& word)
{
    for (CLI::App* sub : Subcommands(app))
        if (sub->check_name(word))
            return sub;
    return nullptr;
}

// The positional that the word after `taken` positional words fills.
CLI::Option* PositionalAt(CLI::App& app, size_t taken)
{
    for (CLI::Option* option : app.get_options()) {
        if (!option->get_positional())
            continue;
        const auto holds = static_cast<size_t>(std::max(option->get_items_expected_max(), 1));
        if (taken < holds)
            return option;
        taken -= holds;
    }
    return nullptr;
}

// The words a check lists as "{a,b,c}" (CLI::IsMember, OfferedValues).
std::vector<std::string> OfferedWords(CLI::Option& option)
{
    std::vector<std::string> words;
    for (int i = 0;; ++i) {
        const CLI::Validator* check = nullptr;
        try {
            check = option.get_validator(i);
        } catch (const CLI::OptionNotFound&) {
            break;
        }
        const std::string set = check->get_description();
        if (set.size() < 3 || set.front() != '{' || set.back() != '}')
            continue;
        size_t from = 1;
        while (from < set.size()) {
            const size_t comma = std::min(set.find(',', from), set.size() - 1);
            words.push_back(set.substr(from, comma - from));
            from = comma + 1;
        }
    }
    return words;
}

// A value named FILE or DIR (the option's type name, or a positional's name).
ValueKind KindOf(const CLI::Option& option)
{
    std::string name = option.get_type_name();
    name = name.substr(0, name.find(':'));  // without the checks' descriptions
    if (option.get_positional() && name != "FILE" && name != "DIR")
        name = option.get_name(true);
    if (name == "DIR")
        return ValueKind::Dirs;
    if (name == "FILE")
        return ValueKind::Files;
    return ValueKind::None;
}

void AddKind(ValueKind kind, std::vector<std::string>& out)
{
    if (kind == ValueKind::Files)
        out.emplace_back(kFilesAnswer);
    else if (kind == ValueKind::Dirs)
        out.emplace_back(kDirsAnswer);
}

// The option's values that start with `typed`, each behind `lead` ("--format=").
void AddValues(CLI::Option& option, const std::string& lead, const std::string& typed, std::vector<std::string>& out)
{
    for (const std::string& word : OfferedWords(option))
        if (StartsWith(word, typed))
            out.push_back(lead + word);
    AddKind(KindOf(option), out);
}

// Long names where there are any; "--name=" for an option that takes a value, both
// "--name" and "--name=" for a flag that may take one (--simulate[=KIND]).
void AddOptionNames(CLI::App& app, const std::string& typed, std::vector<std::string>& out)
{
    for (const CLI::Option* option : app.get_options()) {
        if (Hidden(*option) || !option->nonpositional())
            continue;
        std::vector<std::string> names;
        for (const std::string& name : option->get_lnames()) {
            const std::string word = "--" + name;
            if (!TakesValue(*option))
                names.push_back(word);
            if (TakesValue(*option) || option->check_fname(name))
                names.push_back(word + "=");
        }
        if (names.empty())
            for (const std::string& name : option->get_snames())
                names.push_back("-" + name);
        for (const std::string& word : names)
            if (StartsWith(word, typed))
                out.push_back(word);
    }
}

void AddSubcommandNames(CLI::App& app, const std::string& typed, std::vector<std::string>& out)
{
    for (const CLI::App* sub : Subcommands(app))
        if (!sub->get_group().empty() && StartsWith(sub->get_name(), typed))
            out.push_back(sub->get_name());
}

// Where the words before the one being completed leave the command line.
struct Position {
    CLI::App* app;
    CLI::Option* awaiting = nullptr;  // an option whose value is the next word
    size_t positionals = 0;           // positional words the app took
    bool onlyPositionals = false;     // after "--"
};

void Take(Position& at, const std::string& word)
{
    if (at.awaiting) {
        at.awaiting = nullptr;
        return;
    }
    if (!at.onlyPositionals && word == "--") {
        at.onlyPositionals = true;
        return;
    }
    if (!at.onlyPositionals && word.size() > 1 && word[0] == '-') {
        if (word.find('=') != std::string::npos)
            return;  // --name=value
        CLI::Option* option = FindOption(*at.app, word);
        const bool valueFollows = StartsWith(word, "--") || word.size() == 2;  // not -xVALUE
        if (option && TakesValue(*option) && valueFollows)
            at.awaiting = option;
        return;
    }
    if (!at.onlyPositionals) {
        if (CLI::App* sub = FindSubcommand(*at.app, word)) {
            at = Position{sub};
            return;
        }
    }
    ++at.positionals;
}

}  // namespace

std::vector<std::string> CompletionCandidates(CLI::App& root, const std::vector<std::string>& words,
                                              const CompletionRules& rules)
{
    Position at{&root};
    for (size_t i = 0; i + 1 < words.size(); ++i)
        Take(at, words[i]);
    const std::string current = words.empty() ? std::string() : words.back();

    std::vector<std::string> out;
    if (at.awaiting) {
        AddValues(*at.awaiting, "", current, out);
    } else if (!at.onlyPositionals && StartsWith(current, "-")) {
        const size_t equals = current.find('=');
        if (equals == std::string::npos)
            AddOptionNames(*at.app, current, out);
        else if (CLI::Option* option = FindOption(*at.app, current.substr(0, equals)))
            AddValues(*option, current.substr(0, equals + 1), current.substr(equals + 1), out);
    } else {
        if (!at.onlyPositionals)
            AddSubcommandNames(*at.app, current, out);
        if (CLI::Option* positional = PositionalAt(*at.app, at.positionals))
            AddValues(*positional, "", current, out);
        else if (at.app->get_allow_extras() && rules.extras)
            AddKind(rules.extras(*at.app), out);
        // Nothing else goes here: the options are what is left to type.
        if (out.empty() && current.empty() && !at.onlyPositionals)
            AddOptionNames(*at.app, current, out);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::optional<int> AnswerCompletion(CLI::App& root, int argc, char** argv, const CompletionRules& rules)
{
    if (argc < 2 || std::string_view(argv[1]) != kCompleteCommand)
        return std::nullopt;
    std::vector<std::string> words(argv + 2, argv + argc);
    if (words.empty())
        words.emplace_back();
    for (const std::string& candidate : CompletionCandidates(root, words, rules))
        std::printf("%s\n", candidate.c_str());
    return 0;
}

CLI::Validator OfferedValues(const std::vector<std::string>& words)
{
    std::string set = "{";
    for (const std::string& word : words)
        set += (set.size() > 1 ? "," : "") + word;
    return CLI::Validator([](const std::string&) { return std::string(); }, set + "}");
}

}  // namespace vk::cli
