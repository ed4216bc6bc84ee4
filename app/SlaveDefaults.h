#pragma once
// The defaults a new slave takes over from the last configured slave: its two
// controller line words and its address word, kept in the program key by the
// inputs page when a slave's inputs have been set up.

#include <cstdint>
#include <optional>

namespace vk {

struct SlaveDefaults {
    uint32_t picFlags0 = 0;  // "Slave PIC Flags 0": controller line word 0 (lines 16..31)
    uint32_t picFlags1 = 0;  // "Slave PIC Flags 1": word 1 (lines 0..15)
    uint32_t address = 0;    // "Slave Address Flags"
};

// The three values when the program key exists and all three can be read; the
// key is never created here.
[[nodiscard]] std::optional<SlaveDefaults> ReadSlaveDefaults();

}  // namespace vk
