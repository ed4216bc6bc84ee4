// The file's fields laid over what the unit holds, and the one rule for values
// the wizard does not set: only a unit that holds the value already takes it
// (phantom power only on an input that keeps its type).
#include "commission/ConfigurationEdit.h"

#include <algorithm>
#include <functional>

#include "commission/ConfigurationForms.h"
#include "commission/ConfigurationRules.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

// One value the rules judge: where the file gives it, how it is named, why the
// wizard would not set it, and its text.
struct RuledField {
    std::string field;             // "channel 3 phantom", as the diff names it
    std::vector<std::string> keys;  // the file's keys that give it, the first written one counts
    std::optional<std::string> why;
    std::function<std::string(const UnitConfiguration&)> text;
    std::function<bool(const UnitConfiguration& a, const UnitConfiguration& b)> same;  // a unit holding it keeps it
    int channel = -1;               // its input's context keys, -1 for none
};

const ChannelRecordSettings& Ch(const UnitConfiguration& config, int c) { return config.channels[static_cast<size_t>(c)]; }

std::vector<RuledField> RuledFields(const UnitConfiguration& m)
{
    std::vector<RuledField> fields;
    for (int c = 0; c < kInputChannels; ++c) {
        const std::string name = "channel " + std::to_string(c + 1) + " ";
        const std::string key = "channel." + std::to_string(c + 1) + ".";
        fields.push_back({name + "input", {key + "input"}, InputOutsideWizard(m, c),
                          [c](const UnitConfiguration& u) { return InputText(Ch(u, c)); },
                          [c](const UnitConfiguration& a, const UnitConfiguration& b) {
                              return Ch(a, c).mode == Ch(b, c).mode;
                          },
                          c});
        // Phantom power can harm what is plugged in: kept only on an input that keeps its type.
        fields.push_back({name + "phantom", {key + "phantom"}, PhantomOutsideWizard(m, c),
                          [c](const UnitConfiguration& u) { return std::string(PhantomName(u.Phantom(c))); },
                          [c](const UnitConfiguration& a, const UnitConfiguration& b) {
                              return a.Phantom(c) == b.Phantom(c) && Ch(a, c).mode == Ch(b, c).mode;
                          },
                          c});
        fields.push_back({name + "level", {key + "level"}, LevelOutsideWizard(Ch(m, c).level),
                          [c](const UnitConfiguration& u) { return std::to_string(Ch(u, c).level); },
                          [c](const UnitConfiguration& a, const UnitConfiguration& b) {
                              return Ch(a, c).level == Ch(b, c).level;
                          }});
        fields.push_back({name + "local level", {key + "local_level"}, LevelOutsideWizard(Ch(m, c).localLevel),
                          [c](const UnitConfiguration& u) { return std::to_string(Ch(u, c).localLevel); },
                          [c](const UnitConfiguration& a, const UnitConfiguration& b) {
                              return Ch(a, c).localLevel == Ch(b, c).localLevel;
                          }});
    }
    for (const int reg : {1, 3, 7, 4}) {
        const std::string raw = "levels.register_" + std::to_string(reg);
        fields.push_back({reg == 1 ? "speaker level" : "output register " + std::to_string(reg),
                          {reg == 1 ? "levels.speaker" : "levels.output", raw}, LevelOutsideWizard(m.Level(reg)),
                          [reg](const UnitConfiguration& u) { return std::to_string(u.Level(reg)); },
                          [reg](const UnitConfiguration& a, const UnitConfiguration& b) {
                              return a.Level(reg) == b.Level(reg);
                          }});
    }
    return fields;
}

// The first of the keys the file gives, else what gave the value its context.
std::string KeyOf(const LoadedConfiguration& loaded, const RuledField& field)
{
    for (const std::string& key : field.keys)
        if (loaded.Has(key))
            return key;
    return {};
}

FilePosition PlaceOf(const LoadedConfiguration& loaded, const RuledField& field)
{
    if (const std::string key = KeyOf(loaded, field); !key.empty())
        return loaded.Where(key);
    if (field.channel >= 0) {
        const std::string prefix = "channel." + std::to_string(field.channel + 1) + ".";
        for (const char* key : {"input", "in_use"})
            if (loaded.Has(prefix + key))
                return loaded.Where(prefix + key);
    }
    return loaded.Where("unit.type");
}

template <typename T>
std::vector<T> InFileOrder(std::vector<std::pair<FilePosition, T>> placed)
{
    std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) {
        return std::pair(a.first.line, a.first.column) < std::pair(b.first.line, b.first.column);
    });
    std::vector<T> items;
    for (auto& [at, item] : placed)
        items.push_back(std::move(item));
    return items;
}

// Fields the file gives laid over base; no rule is judged here.
UnitConfiguration Overlay(const ConfigurationEdit& edit, UnitConfiguration m)
{
    if (edit.type && edit.flags) {
        m.type = *edit.type;
        m.flags = *edit.flags;
    }
    const PicLineWords mask = InputLineMask();
    for (size_t i = 0; i < 2; ++i)
        if (edit.lineWords[i])
            m.lines[i] = static_cast<uint16_t>((m.lines[i] & mask[i]) | *edit.lineWords[i]);
    if (edit.address)
        m.address = static_cast<uint16_t>((m.address & InputAddressMask()) | *edit.address);
    for (size_t i = 0; i < m.levels.size(); ++i)
        if (edit.levels[i])
            m.levels[i] = *edit.levels[i];
    for (int c = 0; c < kInputChannels; ++c) {
        const ChannelEdit& e = edit.channels[static_cast<size_t>(c)];
        ChannelRecordSettings& ch = m.channels[static_cast<size_t>(c)];
        if (e.mode)
            ch.mode = *e.mode;
        // Only what differs is coded again: both supply lines low stay so while the file says 3V.
        if (e.gainStep && *e.gainStep != m.GainStep(c))
            m.SetGainStep(c, *e.gainStep);
        if (e.phantom && *e.phantom != m.Phantom(c))
            m.SetPhantom(c, *e.phantom);
        if (e.level)
            ch.level = *e.level;
        if (e.mute)
            ch.mute = *e.mute;
        if (e.localLevel)
            ch.localLevel = *e.localLevel;
        if (e.localMute)
            ch.localMute = *e.localMute;
    }
    return m;
}

}  // namespace

WantedOutcome WantedConfiguration(const LoadedConfiguration& loaded, const UnitConfiguration& holds)
{
    WantedOutcome outcome{Overlay(loaded.edit, holds), {}};
    const UnitConfiguration& wanted = outcome.wanted;
    std::vector<std::pair<FilePosition, Refusal>> placed;
    for (int c = 0; c < kInputChannels; ++c) {
        const ChannelEdit& e = loaded.edit.channels[static_cast<size_t>(c)];
        const std::string key = "channel." + std::to_string(c + 1) + ".in_use";
        if (e.inUse && *e.inUse && !e.mode && !Ch(holds, c).InUse())
            placed.emplace_back(loaded.Where(key),
                                Refusal{"channel " + std::to_string(c + 1) + " input",
                                        FormatFileMessage(loaded.sourceName, loaded.Where(key),
                                                          key + ": the unit does not use input " +
                                                              std::to_string(c + 1) + ": give its input type too")});
    }
    for (const RuledField& field : RuledFields(wanted)) {
        if (!field.why || field.same(wanted, holds))
            continue;
        const std::string key = KeyOf(loaded, field);
        std::string message = (key.empty() ? field.keys.front() : key) + ": " + field.text(wanted) + ": " + *field.why +
                              "; only a unit that holds it already takes it, and this one holds " + field.text(holds);
        if (field.channel >= 0 && field.text(wanted) == field.text(holds))
            message += " on its " + InputText(Ch(holds, field.channel)) + " input";
        placed.emplace_back(PlaceOf(loaded, field), Refusal{field.field, FormatFileMessage(loaded.sourceName,
                                                                                        PlaceOf(loaded, field), message)});
    }
    for (auto& refusal : InFileOrder(std::move(placed)))
        outcome.refusals.push_back(std::move(refusal));
    return outcome;
}

std::vector<std::string> NotesWithoutUnit(const LoadedConfiguration& loaded)
{
    const ConfigurationEdit& edit = loaded.edit;
    const UnitConfiguration m = Overlay(edit, UnitConfiguration{});
    std::vector<std::pair<FilePosition, std::string>> notes;
    bool waiting = false;
    for (const RuledField& field : RuledFields(m)) {
        const std::string key = KeyOf(loaded, field);
        if (key.empty())
            continue;
        // Without the unit's type, or the input's own type for its gain and
        // phantom, the rule cannot be judged from the file alone.
        const bool known = field.channel < 0 ||
                           (edit.type && (field.field.ends_with("input") ||
                                          edit.channels[static_cast<size_t>(field.channel)].mode.has_value()));
        if (!known) {
            waiting = true;
            continue;
        }
        if (field.why)
            notes.emplace_back(loaded.Where(key),
                               FormatFileMessage(loaded.sourceName, loaded.Where(key),
                                                 key + ": " + field.text(m) + ": " + *field.why +
                                                     "; only a unit that holds it already takes it"));
    }
    std::vector<std::string> inFileOrder = InFileOrder(std::move(notes));
    if (waiting)
        inFileOrder.push_back(loaded.sourceName +
                              ": the file leaves out the unit's type or an input's type: gain, phantom and input "
                              "types are judged against the unit when the file is applied");
    return inFileOrder;
}

}  // namespace vk::commission
