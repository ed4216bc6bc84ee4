#include "sim/unit/SimUnitState.h"

#include "device/UnitTypes.h"

#include <cstdio>

namespace vk {

uint16_t SimUnitState::Value(uint8_t page, uint8_t index, size_t element) const
{
    const auto it = parameters.find({page, index});
    if (it == parameters.end() || element >= it->second.size())
        return 0;
    return it->second[element];
}

void SimUnitState::SetValue(uint8_t page, uint8_t index, uint16_t value, size_t element)
{
    auto& values = parameters[{page, index}];
    if (values.size() <= element)
        values.resize(element + 1, 0);
    values[element] = value;
}

std::string SimUnitState::Text(uint8_t page, uint8_t index) const
{
    std::string text;
    const auto it = parameters.find({page, index});
    if (it == parameters.end())
        return text;
    for (uint16_t c : it->second) {
        if ((c & 0xFF) == 0)
            break;
        text.push_back(static_cast<char>(c & 0xFF));
    }
    return text;
}

void SimUnitState::SetText(uint8_t page, uint8_t index, const std::string& text)
{
    auto& values = parameters[{page, index}];
    values.assign(text.begin(), text.end());
    for (auto& v : values)
        v &= 0xFF;
}

void SimUnitState::SetVersions(int softwareMajor, int softwareMinor, int protocol)
{
    softwareVersionAnswer = static_cast<uint16_t>(0xA000 | (softwareMajor & 0x7F) << 4 | (softwareMinor & 0xF));
    protocolVersionAnswer = static_cast<uint16_t>(0xA400 | (protocol & 0x3FF));
}

std::pair<uint8_t, uint8_t> SimUnitState::StoredLinesPlace() const
{
    const int major = softwareVersionAnswer >> 4 & 0x7F;
    const int minor = softwareVersionAnswer & 0xF;
    return major * 1000 + minor < 7000 ? std::pair<uint8_t, uint8_t>{0, 14} : std::pair<uint8_t, uint8_t>{7, 3};
}

void SimUnitState::RestoreStoredLines()
{
    const auto [page, index] = StoredLinesPlace();
    picLines = static_cast<uint32_t>(Value(page, index, 0)) << 16 | Value(page, index, 1);
}

SimStoredSettings SimUnitState::LiveSettings() const
{
    return {parameters, channels, {ports[2], ports[3]}, levels};
}

bool SimUnitState::HasSomethingToStore() const { return unstoredWrites || LiveSettings() != stored; }

void SimUnitState::StoreParametersAndChannels()
{
    stored.parameters = parameters;
    stored.channels = channels;
    stored.address = {ports[2], ports[3]};
    unstoredWrites = LiveSettings() != stored;
}

void SimUnitState::StoreLevels()
{
    stored.levels = levels;
    unstoredWrites = LiveSettings() != stored;
}

void SimUnitState::KeepLiveSettings()
{
    stored = LiveSettings();
    unstoredWrites = false;
}

void SimUnitState::PowerCycle()
{
    parameters = stored.parameters;
    channels = stored.channels;
    ports[2] = stored.address[0];
    ports[3] = stored.address[1];
    levels = stored.levels;
    RestoreStoredLines();
    productId = Value(0, 2);
    usbName = Text(0, 1);
    unstoredWrites = false;
}

SimUnitState DefaultSimUnitState(SimUnitKind kind)
{
    // A typed unit left the bench with its type's identity; a new one has the
    // family's plain name and no type yet (bit 15 of its flags word clear).
    const UnitTypeInfo& type = UnitTypeRow(static_cast<int>(kind));
    const std::string usbName = kind == SimUnitKind::New ? std::string(kSimNewUnitName) : type.endpointName;
    SimUnitState state;
    state.productId = type.productId;
    state.usbName = usbName;
    state.SetText(0, 1, usbName);
    state.SetValue(0, 2, type.productId);
    state.SetValue(0, 10, type.flagsWord);
    // The rest of the parameter table: the description text shown in the unit
    // report and both places of the stored controller line words.
    state.SetText(0, 12, "Dravena VK550 conference unit");
    state.parameters[{0, 14}] = {0, 0};
    state.parameters[{7, 3}] = {0, 0};
    // The levels a unit leaves the factory with: speaker (1) and output (3, 4, 7)
    // at half way, so the sliders open in the middle.
    for (uint8_t reg : {1, 3, 4, 7})
        state.levels[reg] = 12;
    return state;
}

SimUnitState DefaultSimUnitState(SimUnitKind kind, unsigned ordinal)
{
    SimUnitState state = DefaultSimUnitState(kind);
    // Units on one bench differ in serial number and identifier; the first keeps
    // the defaults, so single-unit set-ups read as before.
    if (ordinal > 0) {
        state.unitIdentifier += ordinal;
        char serial[16];
        std::snprintf(serial, sizeof serial, "VK550%07u", 1234 + ordinal);
        state.serialNumber = serial;
    }
    return state;
}

}  // namespace vk
