#pragma once
// What a configuration file asks for: only the fields it gives. The wanted
// configuration is what the unit holds with those fields laid over it, so a
// file with only [levels] or with some inputs changes only those.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "commission/ConfigurationTree.h"
#include "commission/UnitConfiguration.h"

namespace vk::commission {

struct ChannelEdit {
    std::optional<bool> inUse;
    std::optional<uint8_t> mode;  // given with the input type
    std::optional<int> gainStep;
    std::optional<int> phantom;
    std::optional<uint8_t> level;
    std::optional<bool> mute;
    std::optional<uint8_t> localLevel;
    std::optional<bool> localMute;
    bool operator==(const ChannelEdit&) const = default;
};

struct ConfigurationEdit {
    std::optional<int> type;  // given together with the flags word
    std::optional<uint16_t> flags;
    // Only the bits no input's field covers (InputLineMask, InputAddressMask).
    std::array<std::optional<uint16_t>, 2> lineWords{};
    std::optional<uint16_t> address;
    std::array<std::optional<uint8_t>, kLevelRegisters.size()> levels{};  // by kLevelRegisters
    std::array<ChannelEdit, kInputChannels> channels{};
    bool operator==(const ConfigurationEdit&) const = default;
};

struct LoadedConfiguration {
    std::string sourceName;  // what the messages call the file
    int formatVersion = 0;
    UnitIdentity identity;  // for the reader; never applied
    ConfigurationEdit edit;
    // Where each value stands ("unit.type", "channel.2.phantom", ...).
    std::map<std::string, FilePosition> positions;
    [[nodiscard]] FilePosition Where(const std::string& key) const;
    [[nodiscard]] bool Has(const std::string& key) const { return positions.contains(key); }
};

// A field of the wanted configuration that only a unit holding it already may take.
struct Refusal {
    std::string field;    // as DiffConfigurations names it: "channel 3 phantom"
    std::string message;  // "NAME:LINE:COLUMN: ..."
};

struct WantedOutcome {
    UnitConfiguration wanted;  // the identity is the unit's
    std::vector<Refusal> refusals;  // nothing may be sent unless this is empty
};

// The file's fields over what the unit holds. A field equal to what the unit
// holds leaves its bits as they are (both supply lines low stay so).
[[nodiscard]] WantedOutcome WantedConfiguration(const LoadedConfiguration& loaded, const UnitConfiguration& holds);

// Without a unit: values the wizard does not set, each with where it stands and
// that only a unit holding it takes it; and a note when rules wait for the unit.
[[nodiscard]] std::vector<std::string> NotesWithoutUnit(const LoadedConfiguration& loaded);

}  // namespace vk::commission
