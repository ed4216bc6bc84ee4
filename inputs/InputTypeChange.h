#pragma once
// What changing an input's type sends, shared by the inputs page and the
// commissioning applier so that one change gives one set of bytes: the channel
// record the new type starts from, the controller lines it sets (supply, gain,
// type line) and how the lines are then written.

#include <cstdint>
#include <optional>

#include "device/HIDProtocol.h"
#include "inputs/InputChannelCoding.h"

namespace vk {

// The SetChannel arguments after the channel number.
struct InputTypeRecord {
    uint8_t mode;
    uint8_t item1;
    uint8_t value1;
    uint8_t item2;
    uint8_t value2;
};

// The lines a type sets; an empty field is left as it is (a microphone takes
// the settings of another microphone, which only the page knows).
struct InputTypeLines {
    std::optional<int> phantom;
    std::optional<int> gainStep;
    std::optional<int> typeLine;
};

// How the lines go out after the change: an input switched off writes them
// without and then with the address word.
enum class InputLineWrite { WithoutAddress, WithAddress, WithoutThenWithAddress };

[[nodiscard]] InputTypeRecord RecordForInputType(uint8_t mode);
[[nodiscard]] InputTypeLines LinesForInputType(int unitType, uint8_t mode);
[[nodiscard]] InputLineWrite LineWriteForInputType(int unitType, uint8_t mode);

// The lines (kept over a power cycle by the unit's own store) and, when asked,
// the address word, as the page writes them. True when the unit took both.
bool WriteInputLines(CHIDProtocol& protocol, const PicLineWords& lines, std::optional<uint16_t> address);

// The whole change for a caller that holds the unit's lines and address word
// as read: the record, the type's lines on lines/address, and the line writes.
// True when the unit took every write.
bool ChangeInputType(CHIDProtocol& protocol, int unitType, int c, uint8_t mode, PicLineWords& lines,
                     uint16_t& address);

}  // namespace vk
