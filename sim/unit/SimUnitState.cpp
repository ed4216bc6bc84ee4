#include "sim/unit/SimUnitState.h"

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

SimUnitState DefaultSimUnitState(SimUnitKind kind)
{
    struct Identity {
        uint16_t productId;
        uint16_t configWord;
        const char* usbName;
    };
    static constexpr Identity kByKind[] = {
        {0x1C, 0x0000, "Qrvl VK550"},        // new: no type yet (bit 15 clear)
        {0x117, 0x800B, "Qrvl VK550_SAL"},  // stand-alone
        {0x217, 0xC00B, "Qrvl VK550_MAS"},  // master
        {0x317, 0xC002, "Qrvl VK550_SLV"},  // slave
    };
    const Identity& id = kByKind[static_cast<size_t>(kind)];
    SimUnitState state;
    state.productId = id.productId;
    state.usbName = id.usbName;
    state.SetText(0, 1, id.usbName);
    state.SetValue(0, 2, id.productId);
    state.SetValue(0, 10, id.configWord);
    // The rest of the parameter table: the description text shown in the unit
    // report and both places of the stored controller line words.
    state.SetText(0, 12, "Dravena VK550 conference unit");
    state.parameters[{0, 14}] = {0, 0};
    state.parameters[{7, 3}] = {0, 0};
    return state;
}

}  // namespace vk
