// Loading a configuration file: the TOML library parses, this file checks every
// key and value against what a unit can hold and collects all the errors.
#include "commission/ConfigurationFile.h"

#include <cmath>
#include <set>

#include <toml++/toml.h>

#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

FilePosition At(const toml::node& node)
{
    const toml::source_region& where = node.source();
    return {static_cast<int>(where.begin.line), static_cast<int>(where.begin.column)};
}

// Where a key is written; a key the library made up (a dotted header's parent) has no place of its own.
FilePosition KeyAt(const toml::key& key, const toml::node& node)
{
    const auto& where = key.source().begin;
    if (where.line == 0)
        return At(node);
    return {static_cast<int>(where.line), static_cast<int>(where.column)};
}

class CFileChecker;

// One table of the file: takes its keys one by one, and at the end says which
// keys nobody took.
class CTableChecker {
public:
    CTableChecker(CFileChecker& file, const toml::table& table, std::string path)
        : m_file(file), m_table(table), m_path(std::move(path))
    {
    }

    [[nodiscard]] const toml::node* Take(const std::string& key, bool required);
    [[nodiscard]] std::optional<int64_t> Integer(const std::string& key, int64_t min, int64_t max,
                                                 bool required = true);
    [[nodiscard]] std::optional<bool> Boolean(const std::string& key, bool required = true);
    [[nodiscard]] std::optional<std::string> String(const std::string& key, bool required = true);
    [[nodiscard]] std::optional<double> Number(const std::string& key, bool required = true);
    [[nodiscard]] const toml::table* Table(const std::string& key, bool required = true);
    void Error(const std::string& key, const std::string& message);
    void RejectUnknownKeys();
    [[nodiscard]] std::string Key(const std::string& key) const { return m_path.empty() ? key : m_path + "." + key; }
    [[nodiscard]] const toml::table& Raw() const { return m_table; }

private:
    CFileChecker& m_file;
    const toml::table& m_table;
    std::string m_path;
    std::set<std::string> m_taken;
};

class CFileChecker {
public:
    explicit CFileChecker(std::string sourceName) : m_sourceName(std::move(sourceName)) {}

    void Error(FilePosition at, const std::string& message)
    {
        m_errors.emplace_back(at, FormatFileMessage(m_sourceName, at, message));
    }
    void Note(const std::string& key, FilePosition at) { m_loaded.positions[key] = at; }
    LoadedConfiguration& Loaded() { return m_loaded; }

    LoadOutcome Finish()
    {
        std::stable_sort(m_errors.begin(), m_errors.end(), [](const auto& a, const auto& b) {
            return std::pair(a.first.line, a.first.column) < std::pair(b.first.line, b.first.column);
        });
        LoadOutcome outcome;
        for (auto& error : m_errors)
            outcome.errors.push_back(std::move(error.second));
        if (outcome.errors.empty())
            outcome.loaded = std::move(m_loaded);
        return outcome;
    }

private:
    std::string m_sourceName;
    std::vector<std::pair<FilePosition, std::string>> m_errors;
    LoadedConfiguration m_loaded;
};

const toml::node* CTableChecker::Take(const std::string& key, bool required)
{
    m_taken.insert(key);
    const toml::node* node = m_table.get(key);
    if (node)
        m_file.Note(Key(key), At(*node));
    else if (required)
        m_file.Error(At(m_table), "missing key '" + Key(key) + "'");
    return node;
}

void CTableChecker::Error(const std::string& key, const std::string& message)
{
    const toml::node* node = m_table.get(key);
    m_file.Error(At(node ? *node : static_cast<const toml::node&>(m_table)), Key(key) + ": " + message);
}

std::optional<int64_t> CTableChecker::Integer(const std::string& key, int64_t min, int64_t max, bool required)
{
    const toml::node* node = Take(key, required);
    if (!node)
        return std::nullopt;
    const auto value = node->value_exact<int64_t>();
    if (!value) {
        Error(key, "an integer is expected");
        return std::nullopt;
    }
    if (*value < min || *value > max) {
        Error(key, std::to_string(*value) + " is out of range (" + std::to_string(min) + ".." + std::to_string(max) +
                       ")");
        return std::nullopt;
    }
    return value;
}

std::optional<bool> CTableChecker::Boolean(const std::string& key, bool required)
{
    const toml::node* node = Take(key, required);
    if (!node)
        return std::nullopt;
    const auto value = node->value_exact<bool>();
    if (!value)
        Error(key, "true or false is expected");
    return value;
}

std::optional<std::string> CTableChecker::String(const std::string& key, bool required)
{
    const toml::node* node = Take(key, required);
    if (!node)
        return std::nullopt;
    const auto value = node->value_exact<std::string>();
    if (!value)
        Error(key, "a quoted text is expected");
    return value;
}

std::optional<double> CTableChecker::Number(const std::string& key, bool required)
{
    const toml::node* node = Take(key, required);
    if (!node)
        return std::nullopt;
    if (const auto value = node->value_exact<double>()) {
        // TOML has nan and inf; no setting is either.
        if (!std::isfinite(*value)) {
            const char* written = std::isnan(*value) ? "nan" : *value > 0 ? "inf" : "-inf";
            Error(key, std::string("a finite number is expected, not ") + written);
            return std::nullopt;
        }
        return value;
    }
    if (const auto value = node->value_exact<int64_t>())
        return static_cast<double>(*value);
    Error(key, "a number is expected");
    return std::nullopt;
}

const toml::table* CTableChecker::Table(const std::string& key, bool required)
{
    const toml::node* node = Take(key, required);
    if (!node)
        return nullptr;
    if (!node->is_table()) {
        Error(key, "a table is expected");
        return nullptr;
    }
    return node->as_table();
}

void CTableChecker::RejectUnknownKeys()
{
    for (const auto& [key, node] : m_table)
        if (!m_taken.contains(std::string(key.str())))
            m_file.Error(KeyAt(key, node), "unknown key '" + Key(std::string(key.str())) + "'");
}

void CheckIdentity(CFileChecker& file, const toml::table& table)
{
    CTableChecker t(file, table, "identity");
    UnitIdentity& id = file.Loaded().configuration.identity;
    // Only for the reader: each key may be left out, but none may be misspelt.
    if (const auto v = t.Integer("product_id", 0, 0xFFFF, false))
        id.productId = static_cast<int>(*v);
    if (const auto v = t.String("product_name", false))
        id.productName = *v;
    if (const auto v = t.String("device_name", false))
        id.deviceName = *v;
    if (const auto v = t.String("serial", false))
        id.serialNumber = *v;
    if (const auto v = t.String("software_version", false))
        id.softwareVersion = *v;
    if (const auto v = t.Integer("protocol_version", 0, 1023, false))
        id.protocolVersion = static_cast<int>(*v);
    t.RejectUnknownKeys();
}

void CheckUnit(CFileChecker& file, const toml::table& table)
{
    CTableChecker t(file, table, "unit");
    UnitConfiguration& config = file.Loaded().configuration;
    const auto name = t.String("type");
    // -1: no type known, so the flags word cannot be checked against it.
    const int type = name ? TypeForName(*name).value_or(-1) : -1;
    if (name && type < 0)
        t.Error("type", "'" + *name + "' is no unit type (NEW, STAND ALONE, MASTER or SLAVE)");
    if (type >= 0)
        config.type = type;
    if (const auto flags = t.Integer("flags", 0, 0xFFFF)) {
        config.flags = static_cast<uint16_t>(*flags);
        const int flagsType = UnitTypeFromFlags(config.flags);
        if (type >= 0 && flagsType != type)
            t.Error("flags", "this flags word makes a " + std::string(UnitTypeRow(flagsType).typeName) +
                                 " unit, not a " + UnitTypeRow(type).typeName + " one");
    }
    t.RejectUnknownKeys();
}

void CheckController(CFileChecker& file, const toml::table& table)
{
    CTableChecker t(file, table, "controller");
    UnitConfiguration& config = file.Loaded().configuration;
    if (const auto v = t.Integer("line_word_0", 0, 0xFFFF))
        config.lines[0] = static_cast<uint16_t>(*v);
    if (const auto v = t.Integer("line_word_1", 0, 0xFFFF))
        config.lines[1] = static_cast<uint16_t>(*v);
    if (const auto v = t.Integer("address", 0, 0xFFFF))
        config.address = static_cast<uint16_t>(*v);
    t.RejectUnknownKeys();
}

void CheckLevels(CFileChecker& file, const toml::table& table)
{
    CTableChecker t(file, table, "levels");
    for (const int reg : kLevelRegisters)
        if (const auto v = t.Integer("register_" + std::to_string(reg), 0, kMaxRegisterLevel))
            file.Loaded().configuration.SetLevel(reg, static_cast<int>(*v));
    t.RejectUnknownKeys();
}

// Gain and phantom go into the words only after the controller's words are in.
struct ChannelLines {
    std::optional<int> gainStep;
    std::optional<int> phantom;
};

ChannelLines CheckChannel(CFileChecker& file, const toml::table& table, int c, const std::string& path)
{
    CTableChecker t(file, table, path);
    UnitConfiguration& config = file.Loaded().configuration;
    ChannelRecordSettings& ch = config.channels[static_cast<size_t>(c)];
    ChannelLines lines;
    const auto inUse = t.Boolean("in_use");
    const auto input = t.String("input", inUse.value_or(false));
    if (inUse && !*inUse && input)
        t.Error("input", "an input that is not in use has no input type (remove it, or set in_use = true)");
    if (inUse && *inUse && input) {
        const auto mode = ModeForInputName(*input);
        // Any unit holds any of the four: a master fresh from the bench has
        // microphone records although the wizard gives it slave links.
        if (!mode)
            t.Error("input", "'" + *input + "' is no input type (microphone, sound reinforcement, auxiliary, slave link)");
        else
            ch.mode = *mode;
    }
    if (inUse && !*inUse)
        ch.mode = kModeNotUsed;
    if (const auto gain = t.Number("gain_db")) {
        const double step = *gain / 6.0;
        if (*gain < 0.0 || *gain > 42.0)
            t.Error("gain_db", "the gain goes from 0.0 to 42.0 dB");
        else if (step != std::floor(step))
            t.Error("gain_db", "the gain goes in steps of 6.0 dB; the nearest are " +
                                   std::to_string(static_cast<int>(std::floor(step)) * 6) + ".0 and " +
                                   std::to_string(static_cast<int>(std::ceil(step)) * 6) + ".0");
        else
            lines.gainStep = static_cast<int>(step);
    }
    if (const auto phantom = t.String("phantom")) {
        lines.phantom = PhantomForName(*phantom);
        if (!lines.phantom)
            t.Error("phantom", "'" + *phantom + "' is no phantom supply (off, 3V or 24V)");
    }
    if (const auto v = t.Integer("level", 0, 255))
        ch.level = static_cast<uint8_t>(*v);
    if (const auto v = t.Boolean("mute"))
        ch.mute = *v;
    if (const auto v = t.Integer("local_level", 0, kMaxLocalLevel))
        ch.localLevel = static_cast<uint8_t>(*v);
    if (const auto v = t.Boolean("local_mute"))
        ch.localMute = *v;
    t.RejectUnknownKeys();
    return lines;
}

void CheckChannels(CFileChecker& file, const toml::table& table)
{
    CTableChecker t(file, table, "channel");
    std::array<ChannelLines, kInputChannels> lines{};
    for (int c = 0; c < kInputChannels; ++c) {
        const std::string key = std::to_string(c + 1);
        if (const toml::table* channel = t.Table(key))
            lines[static_cast<size_t>(c)] = CheckChannel(file, *channel, c, t.Key(key));
    }
    // Anything else under [channel] names an input the unit does not have.
    for (const auto& [key, node] : t.Raw()) {
        const std::string name(key.str());
        if (name.size() != 1 || name[0] < '1' || name[0] > '4')
            file.Error(KeyAt(key, node), "the unit has no input '" + name + "' (inputs 1..4)");
    }
    // Only what differs is coded again: a unit whose 3 V and 24 V lines are both
    // low reads as 3V, and its file must give back those very lines.
    UnitConfiguration& config = file.Loaded().configuration;
    for (int c = 0; c < kInputChannels; ++c) {
        const ChannelLines& want = lines[static_cast<size_t>(c)];
        if (want.gainStep && *want.gainStep != config.GainStep(c))
            config.SetGainStep(c, *want.gainStep);
        if (want.phantom && *want.phantom != config.Phantom(c))
            config.SetPhantom(c, *want.phantom);
    }
}

}  // namespace

FilePosition LoadedConfiguration::Where(const std::string& key) const
{
    const auto it = positions.find(key);
    return it == positions.end() ? FilePosition{} : it->second;
}

std::string FormatFileMessage(const std::string& sourceName, FilePosition at, const std::string& message)
{
    if (at.line <= 0)
        return sourceName + ": " + message;
    return sourceName + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + message;
}

LoadOutcome ParseConfigurationFile(std::string_view text, const std::string& sourceName)
{
    CFileChecker file(sourceName);
    toml::table root;
    try {
        root = toml::parse(text, sourceName);
    } catch (const toml::parse_error& error) {
        LoadOutcome outcome;
        const auto& where = error.source().begin;
        outcome.errors.push_back(FormatFileMessage(
            sourceName, {static_cast<int>(where.line), static_cast<int>(where.column)}, std::string(error.description())));
        return outcome;
    }
    CTableChecker t(file, root, "");
    // Another format version may mean anything: nothing else is checked.
    const toml::node* version = t.Take("format_version", true);
    if (!version)
        return file.Finish();
    if (version->value_exact<int64_t>() != kConfigurationFormatVersion) {
        file.Error(At(*version), "format_version: this program reads format version " +
                                     std::to_string(kConfigurationFormatVersion) + " only");
        return file.Finish();
    }
    // The unit's type decides which inputs exist, so it is read before the channels.
    if (const toml::table* identity = t.Table("identity", false))
        CheckIdentity(file, *identity);
    if (const toml::table* unit = t.Table("unit"))
        CheckUnit(file, *unit);
    if (const toml::table* controller = t.Table("controller"))
        CheckController(file, *controller);
    if (const toml::table* levels = t.Table("levels"))
        CheckLevels(file, *levels);
    if (const toml::table* channels = t.Table("channel"))
        CheckChannels(file, *channels);
    t.RejectUnknownKeys();
    return file.Finish();
}

}  // namespace vk::commission
