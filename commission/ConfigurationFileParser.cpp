// Loading a configuration file: TOML or JSON become one tree, and this file
// checks every key and value of it against what a unit can hold, collecting
// all the errors. What the wizard would not set is left for the unit to judge.
#include "commission/ConfigurationFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

#include "commission/ConfigurationRules.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

class CFileChecker;

// One table of the file: takes its keys one by one, and at the end says which
// keys nobody took.
class CTableChecker {
public:
    CTableChecker(CFileChecker& file, const FileNode& table, std::string path)
        : m_file(file), m_table(table), m_path(std::move(path))
    {
    }

    [[nodiscard]] const FileNode* Take(const std::string& key, bool required = false);
    [[nodiscard]] std::optional<int64_t> Integer(const std::string& key, int64_t min, int64_t max);
    [[nodiscard]] std::optional<bool> Boolean(const std::string& key);
    [[nodiscard]] std::optional<std::string> String(const std::string& key);
    [[nodiscard]] std::optional<double> Number(const std::string& key);
    [[nodiscard]] const FileNode* Table(const std::string& key, bool required = false);
    void Error(const std::string& key, const std::string& message);
    void RejectUnknownKeys();
    [[nodiscard]] std::string Key(const std::string& key) const { return m_path.empty() ? key : m_path + "." + key; }
    [[nodiscard]] const FileNode& Raw() const { return m_table; }

private:
    CFileChecker& m_file;
    const FileNode& m_table;
    std::string m_path;
    std::set<std::string> m_taken;
};

class CFileChecker {
public:
    explicit CFileChecker(std::string sourceName) : m_sourceName(std::move(sourceName))
    {
        m_loaded.sourceName = m_sourceName;
    }

    void Error(FilePosition at, const std::string& message)
    {
        m_errors.emplace_back(at, FormatFileMessage(m_sourceName, at, message));
    }
    void Note(const std::string& key, FilePosition at) { m_loaded.positions[key] = at; }
    LoadedConfiguration& Loaded() { return m_loaded; }
    ConfigurationEdit& Edit() { return m_loaded.edit; }

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

const FileNode* CTableChecker::Take(const std::string& key, bool required)
{
    m_taken.insert(key);
    const FileNode* node = m_table.Member(key);
    if (node)
        m_file.Note(Key(key), node->at);
    else if (required)
        m_file.Error(m_table.at, "missing key '" + Key(key) + "'");
    return node;
}

void CTableChecker::Error(const std::string& key, const std::string& message)
{
    const FileNode* node = m_table.Member(key);
    m_file.Error(node ? node->at : m_table.at, Key(key) + ": " + message);
}

std::optional<int64_t> CTableChecker::Integer(const std::string& key, int64_t min, int64_t max)
{
    const FileNode* node = Take(key);
    if (!node)
        return std::nullopt;
    if (node->kind != FileNode::Kind::Integer) {
        Error(key, "an integer is expected");
        return std::nullopt;
    }
    if (node->integer < min || node->integer > max) {
        Error(key, std::to_string(node->integer) + " is out of range (" + std::to_string(min) + ".." +
                       std::to_string(max) + ")");
        return std::nullopt;
    }
    return node->integer;
}

std::optional<bool> CTableChecker::Boolean(const std::string& key)
{
    const FileNode* node = Take(key);
    if (!node)
        return std::nullopt;
    if (node->kind != FileNode::Kind::Boolean) {
        Error(key, "true or false is expected");
        return std::nullopt;
    }
    return node->boolean;
}

std::optional<std::string> CTableChecker::String(const std::string& key)
{
    const FileNode* node = Take(key);
    if (!node)
        return std::nullopt;
    if (node->kind != FileNode::Kind::Text) {
        Error(key, "a quoted text is expected");
        return std::nullopt;
    }
    return node->text;
}

std::optional<double> CTableChecker::Number(const std::string& key)
{
    const FileNode* node = Take(key);
    if (!node)
        return std::nullopt;
    if (node->kind == FileNode::Kind::Integer)
        return static_cast<double>(node->integer);
    if (node->kind != FileNode::Kind::Real) {
        Error(key, "a number is expected");
        return std::nullopt;
    }
    // TOML has nan and inf; no setting is either.
    if (!std::isfinite(node->real)) {
        const char* written = std::isnan(node->real) ? "nan" : node->real > 0 ? "inf" : "-inf";
        Error(key, std::string("a finite number is expected, not ") + written);
        return std::nullopt;
    }
    return node->real;
}

const FileNode* CTableChecker::Table(const std::string& key, bool required)
{
    const FileNode* node = Take(key, required);
    if (!node)
        return nullptr;
    if (!node->IsTable()) {
        Error(key, "a table is expected");
        return nullptr;
    }
    return node;
}

void CTableChecker::RejectUnknownKeys()
{
    for (const FileNode& member : m_table.members)
        if (!m_taken.contains(member.key))
            m_file.Error(member.keyAt, "unknown key '" + Key(member.key) + "'");
}

void CheckIdentity(CFileChecker& file, const FileNode& table)
{
    CTableChecker t(file, table, "identity");
    UnitIdentity& id = file.Loaded().identity;
    // Only for the reader: each key may be left out, but none may be misspelt.
    if (const auto v = t.Integer("product_id", 0, 0xFFFF))
        id.productId = static_cast<int>(*v);
    if (const auto v = t.String("product_name"))
        id.productName = *v;
    if (const auto v = t.String("device_name"))
        id.deviceName = *v;
    if (const auto v = t.String("serial"))
        id.serialNumber = *v;
    if (const auto v = t.String("software_version"))
        id.softwareVersion = *v;
    if (const auto v = t.Integer("protocol_version", 0, 1023))
        id.protocolVersion = static_cast<int>(*v);
    t.RejectUnknownKeys();
}

// The type and the flags word that makes it come together: either alone could
// make a unit of a type nobody meant.
void CheckUnit(CFileChecker& file, const FileNode& table)
{
    CTableChecker t(file, table, "unit");
    ConfigurationEdit& edit = file.Edit();
    const bool typeGiven = t.Take("type", true) != nullptr;
    const bool flagsGiven = t.Take("flags", true) != nullptr;
    const auto name = typeGiven ? t.String("type") : std::nullopt;
    const int type = name ? TypeForName(*name).value_or(-1) : -1;
    if (name && type < 0)
        t.Error("type", "'" + *name + "' is no unit type (NEW, STAND ALONE, MASTER or SLAVE)");
    const auto flags = flagsGiven ? t.Integer("flags", 0, 0xFFFF) : std::nullopt;
    if (flags && type >= 0) {
        const int flagsType = UnitTypeFromFlags(static_cast<uint16_t>(*flags));
        if (flagsType != type)
            t.Error("flags", "this flags word makes a " + std::string(UnitTypeRow(flagsType).typeName) +
                                 " unit, not a " + UnitTypeRow(type).typeName + " one");
        edit.type = type;
        edit.flags = static_cast<uint16_t>(*flags);
    }
    t.RejectUnknownKeys();
}

// Version 1 wrote each input's gain and phantom here too: the channels' fields
// win, so those bits are left out. Version 2 files must not have them.
void CheckController(CFileChecker& file, const FileNode& table)
{
    CTableChecker t(file, table, "controller");
    ConfigurationEdit& edit = file.Edit();
    const bool old = file.Loaded().formatVersion < 2;
    auto word = [&](const std::string& key, uint16_t inputBits) -> std::optional<uint16_t> {
        const auto v = t.Integer(key, 0, 0xFFFF);
        if (!v)
            return std::nullopt;
        const auto bits = static_cast<uint16_t>(*v & inputBits);
        if (bits != 0 && !old) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%04X", bits);
            t.Error(key, std::string("the bits ") + hex +
                             " are the inputs' gain and phantom: give them as gain_db and phantom in [channel.N]");
            return std::nullopt;
        }
        return static_cast<uint16_t>(*v & ~inputBits);
    };
    const PicLineWords mask = InputLineMask();
    edit.lineWords[0] = word("line_word_0", mask[0]);
    edit.lineWords[1] = word("line_word_1", mask[1]);
    edit.address = word("address", InputAddressMask());
    t.RejectUnknownKeys();
}

// speaker is register 1; output is registers 3, 7 and 4 together. The
// registers' own keys hold a unit whose output registers stand apart.
void CheckLevels(CFileChecker& file, const FileNode& table)
{
    CTableChecker t(file, table, "levels");
    ConfigurationEdit& edit = file.Edit();
    auto set = [&](int reg, uint8_t level) {
        const auto* it = std::find(kLevelRegisters.begin(), kLevelRegisters.end(), reg);
        edit.levels[static_cast<size_t>(it - kLevelRegisters.begin())] = level;
    };
    auto level = [&](const std::string& key) -> std::optional<uint8_t> {
        const auto v = t.Integer(key, 0, kMaxRegisterLevel);
        return v ? std::optional<uint8_t>(static_cast<uint8_t>(*v)) : std::nullopt;
    };
    auto both = [&](const std::string& named, const std::string& raw) {
        if (table.Member(named) && table.Member(raw))
            t.Error(raw, "gives the level that '" + named + "' gives already; keep one of them");
    };
    if (const auto v = level("speaker"))
        set(1, *v);
    if (const auto v = level("output"))
        for (const int reg : {3, 7, 4})
            set(reg, *v);
    both("speaker", "register_1");
    for (const int reg : {1, 3, 7, 4}) {
        const std::string key = "register_" + std::to_string(reg);
        if (reg != 1)
            both("output", key);
        if (const auto v = level(key))
            set(reg, *v);
    }
    t.RejectUnknownKeys();
}

std::optional<uint8_t> ModeForName(const std::string& name)
{
    if (const auto mode = ModeForInputName(name))
        return mode;
    // A mode no input type stands for, as the writer names it: "mode 9".
    int mode = -1;
    if (name.starts_with("mode ")) {
        const char* first = name.data() + 5;
        const char* last = name.data() + name.size();
        const auto [end, error] = std::from_chars(first, last, mode);
        if (error != std::errc() || end != last)
            mode = -1;
    }
    if (mode < 0 || mode > 255 || mode == kModeNotUsed)
        return std::nullopt;
    return static_cast<uint8_t>(mode);
}

std::optional<uint8_t> ChannelLevel(CTableChecker& t, const std::string& key)
{
    const auto v = t.Integer(key, 0, 255);
    if (!v)
        return std::nullopt;
    if (*v >= kFirstAmbiguousLevel) {
        t.Error(key, std::to_string(*v) + " cannot be set: the unit's answer cannot tell levels 251..255 from a "
                                          "refusal (the wizard sets 0..24)");
        return std::nullopt;
    }
    return static_cast<uint8_t>(*v);
}

void CheckChannel(CFileChecker& file, const FileNode& table, int c, const std::string& path)
{
    CTableChecker t(file, table, path);
    ChannelEdit& ch = file.Edit().channels[static_cast<size_t>(c)];
    ch.inUse = t.Boolean("in_use");
    const auto input = t.String("input");
    if (ch.inUse && !*ch.inUse && input)
        t.Error("input", "an input that is not in use has no input type (remove it, or set in_use = true)");
    else if (ch.inUse && !*ch.inUse)
        ch.mode = kModeNotUsed;
    else if (input) {
        ch.mode = ModeForName(*input);
        if (!ch.mode)
            t.Error("input", "'" + *input + "' is no input type (microphone, sound reinforcement, auxiliary, slave link)");
        ch.inUse = true;
    }
    if (const auto gain = t.Number("gain_db")) {
        const double step = *gain / 6.0;
        if (*gain < 0.0 || *gain > 42.0)
            t.Error("gain_db", "the gain goes from 0.0 to 42.0 dB");
        else if (step != std::floor(step))
            t.Error("gain_db", "the gain goes in steps of 6.0 dB; the nearest are " +
                                   std::to_string(static_cast<int>(std::floor(step)) * 6) + ".0 and " +
                                   std::to_string(static_cast<int>(std::ceil(step)) * 6) + ".0");
        else
            ch.gainStep = static_cast<int>(step);
    }
    if (const auto phantom = t.String("phantom")) {
        ch.phantom = PhantomForName(*phantom);
        if (!ch.phantom)
            t.Error("phantom", "'" + *phantom + "' is no phantom supply (off, 3V or 24V)");
    }
    ch.level = ChannelLevel(t, "level");
    ch.mute = t.Boolean("mute");
    ch.localLevel = ChannelLevel(t, "local_level");
    ch.localMute = t.Boolean("local_mute");
    t.RejectUnknownKeys();
}

void CheckChannels(CFileChecker& file, const FileNode& table)
{
    CTableChecker t(file, table, "channel");
    for (int c = 0; c < kInputChannels; ++c) {
        const std::string key = std::to_string(c + 1);
        if (const FileNode* channel = t.Table(key))
            CheckChannel(file, *channel, c, t.Key(key));
    }
    // Anything else under [channel] names an input the unit does not have.
    for (const FileNode& member : table.members) {
        const std::string& name = member.key;
        if (name.size() != 1 || name[0] < '1' || name[0] > '4')
            file.Error(member.keyAt, "the unit has no input '" + name + "' (inputs 1..4)");
    }
}

}  // namespace

FilePosition LoadedConfiguration::Where(const std::string& key) const
{
    const auto it = positions.find(key);
    return it == positions.end() ? FilePosition{} : it->second;
}

LoadOutcome ParseConfigurationFile(std::string_view text, const std::string& sourceName)
{
    const TreeOutcome tree = LooksLikeJson(text) ? ParseJsonTree(text, sourceName) : ParseTomlTree(text, sourceName);
    if (!tree.root)
        return {std::nullopt, {tree.error}};
    CFileChecker file(sourceName);
    CTableChecker t(file, *tree.root, "");
    // Another format version may mean anything: nothing else is checked.
    const FileNode* version = t.Take("format_version", true);
    if (!version)
        return file.Finish();
    const bool known = version->kind == FileNode::Kind::Integer &&
                       version->integer >= kOldestConfigurationFormatVersion &&
                       version->integer <= kConfigurationFormatVersion;
    if (!known) {
        file.Error(version->at, "format_version: this program reads format versions " +
                                    std::to_string(kOldestConfigurationFormatVersion) + " and " +
                                    std::to_string(kConfigurationFormatVersion) + " only");
        return file.Finish();
    }
    file.Loaded().formatVersion = static_cast<int>(version->integer);
    if (const FileNode* identity = t.Table("identity"))
        CheckIdentity(file, *identity);
    if (const FileNode* unit = t.Table("unit"))
        CheckUnit(file, *unit);
    if (const FileNode* controller = t.Table("controller"))
        CheckController(file, *controller);
    if (const FileNode* levels = t.Table("levels"))
        CheckLevels(file, *levels);
    if (const FileNode* channels = t.Table("channel"))
        CheckChannels(file, *channels);
    t.RejectUnknownKeys();
    return file.Finish();
}

}  // namespace vk::commission
