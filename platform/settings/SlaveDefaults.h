#pragma once
// The defaults a new slave takes over from the last configured slave: its two
// controller line words and its address word, kept as three REG_DWORD values in
// the program key. The inputs page stores them when a slave's inputs have been
// set up; the wizard gives them to the next slave. Both read them here, by one
// rule.

#include <cstdint>
#include <optional>

namespace vk {

inline constexpr const char* kSlaveDefaultsKey = "Software\\Selvo\\QuorvelDravenaConfig";  // the program key
inline constexpr const char* kSlaveLines0Value = "Slave PIC Flags 0";    // line word 0 (lines 16..31)
inline constexpr const char* kSlaveLines1Value = "Slave PIC Flags 1";    // line word 1 (lines 0..15)
inline constexpr const char* kSlaveAddressValue = "Slave Address Flags";  // the address word

struct SlaveDefaults {
    uint32_t lines0 = 0;   // as stored
    uint32_t lines1 = 0;
    uint32_t address = 0;

    // The line words are the low 16 bits of their values (older versions stored
    // them sign-extended); the address counts as stored, all 32 bits.
    [[nodiscard]] uint16_t LineWord0() const { return static_cast<uint16_t>(lines0); }
    [[nodiscard]] uint16_t LineWord1() const { return static_cast<uint16_t>(lines1); }
    [[nodiscard]] bool SameAs(uint16_t word0, uint16_t word1, uint32_t addressWord) const
    {
        return LineWord0() == word0 && LineWord1() == word1 && address == addressWord;
    }
};

// The three values when the program key exists and all three are REG_DWORD
// values; they count only together (two of three would mix two slaves). The key
// is never created here.
[[nodiscard]] std::optional<SlaveDefaults> ReadSlaveDefaults();

}  // namespace vk
