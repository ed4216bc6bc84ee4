#pragma once
// The firmware's memory: everything the simulated unit's command handlers read
// and write. Plain data; CSimUnit guards it with its lock.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vk {

inline constexpr uint16_t kSimVendorId = 0x3C5A;
// The USB device name of a unit that has no type yet.
inline constexpr const char* kSimNewUnitName = "Qrvl VK550";

// In the order of the unit types (0 new .. 3 slave), so a kind is its type number.
enum class SimUnitKind { New, StandAlone, Master, Slave };

struct SimChannel {
    uint8_t mode = 0;
    // Items by identifier (1 and 2): the value byte and the flag (bit 7 of the item byte).
    std::array<uint8_t, 2> values{};
    std::array<bool, 2> flags{};
    bool operator==(const SimChannel&) const = default;
};

// What the unit keeps over a power cycle. The writes change the live settings
// only; 0xB100 copies the parameter pages (the stored controller line words
// among them), the channel records and the address word (port registers 2 and
// 3) here, 0xB102 the level registers.
struct SimStoredSettings {
    std::map<std::pair<uint8_t, uint8_t>, std::vector<uint16_t>> parameters;
    std::array<SimChannel, 4> channels{};
    std::array<uint8_t, 2> address{};
    std::map<uint8_t, uint16_t> levels;
    bool operator==(const SimStoredSettings&) const = default;
};

struct SimPicVersion {
    uint8_t identifier = 0;
    uint8_t major = 0;
    uint8_t minor = 0;  // 0xFF: not available with selector 4
    // Older controller firmware knows only selector 1 and answers selector 4
    // with minor 0xFF.
    bool answersSelector4 = true;
};

// The interface board that may sit on the unit; a parked line becomes active on
// the host's line-switching sequence.
enum class SimInterfaceBoard { None, LineParked, LineActive };

struct SimUnitState {
    // USB identity as enumerated now. A reset re-enumerates under parameter page 0
    // index 2 (product id) and index 1 (device name).
    uint16_t vendorId = kSimVendorId;
    uint16_t productId = 0x1C;
    std::string usbName;

    // Identity answers of the short commands 0x9000, 0xA000 and 0xA400 and the
    // values behind the identifier, serial number and hardware reads.
    uint16_t productCodeAnswer = 0x9417;
    uint16_t softwareVersionAnswer = 0xA072;  // 7.2
    uint16_t protocolVersionAnswer = 0xA416;  // 22
    uint32_t unitIdentifier = 0x24B0C2D5;
    std::string serialNumber = "VK5500001234";
    std::array<uint8_t, 6> hardwareConfig{0x16, 0x0D, 0, 1, 0, 0};  // answer bytes 2..7 of 0xF003
    SimPicVersion mainPic{7, 2, 1};
    SimPicVersion interfacePic{7, 1, 4};

    // Parameter pages: (page, index) -> elements. A text holds one character per element.
    std::map<std::pair<uint8_t, uint8_t>, std::vector<uint16_t>> parameters;

    uint32_t picLines = 0;  // live lines of the main controller, bit n = line n
    std::array<SimChannel, 4> channels{};
    std::map<uint8_t, uint16_t> levels;  // level register r -> value (0x6r00 reads, 0x5r00 writes)
    std::vector<std::pair<uint8_t, uint8_t>> routes;  // source, destination in the order set

    // --- Registers, interface board and controller details ----------------
    // Port registers 0..7 (0x2x writes, 0x3x reads). Registers 2 and 3 hold the
    // slave address word (default 0x2000); bit 7 of register 0 is the interface
    // board's line switch and idles high.
    std::array<uint8_t, 8> ports{0x80, 0, 0x00, 0x20, 0, 0, 0, 0};
    bool protectionJumper = false;  // reads as bit 7 of 0x36FF; blocks identity reads below protocol 20
    SimInterfaceBoard interfaceBoard = SimInterfaceBoard::None;
    int lineSwitches = 0;                // rising edges of the line switch seen
    bool hasInterfacePic = true;
    bool answerSecondItemFirst = false;  // channel reads list item 2 before item 1

    // The versions the identity reads answer with: software major.minor and the
    // protocol version.
    void SetVersions(int softwareMajor, int softwareMinor, int protocol);

    // Where the stored controller line words live: page 0 index 14 before
    // software version 7.0, page 7 index 3 from then on.
    [[nodiscard]] std::pair<uint8_t, uint8_t> StoredLinesPlace() const;
    // After a reset the live lines come up as stored.
    void RestoreStoredLines();

    // --- Live and stored settings --------------------------------------------
    // A reset keeps the live settings; only a power cycle loses what was not stored.
    SimStoredSettings stored;
    // Set by any command that changed the live settings or lines since the last
    // store; 0xB7FF answers bit 0 set while it is, or while live and stored differ.
    bool unstoredWrites = false;
    [[nodiscard]] SimStoredSettings LiveSettings() const;
    [[nodiscard]] bool HasSomethingToStore() const;
    void StoreParametersAndChannels();  // 0xB100
    void StoreLevels();                 // 0xB102
    // What the unit holds now becomes what it keeps (a unit as it leaves the bench).
    void KeepLiveSettings();
    // Power off and on: the stored settings come back, the live lines as stored,
    // and the USB identity they name.
    void PowerCycle();

    // Set by the 0x0666 handler; the unit then leaves the bus and comes back.
    bool resetRequested = false;
    // Set by the dispatch or a handler for a command the firmware does not know;
    // the unit records the command and clears the flag.
    bool unknownCommand = false;

    [[nodiscard]] uint16_t Value(uint8_t page, uint8_t index, size_t element = 0) const;
    void SetValue(uint8_t page, uint8_t index, uint16_t value, size_t element = 0);
    [[nodiscard]] std::string Text(uint8_t page, uint8_t index) const;
    void SetText(uint8_t page, uint8_t index, const std::string& text);
};

// The state a unit of this kind leaves the bench with: product id, configuration
// word (page 0 index 10) and USB device name (page 0 index 1).
[[nodiscard]] SimUnitState DefaultSimUnitState(SimUnitKind kind);
// The same for the ordinal-th unit of a bench (0 = the first): each unit has a
// serial number and identifier of its own.
[[nodiscard]] SimUnitState DefaultSimUnitState(SimUnitKind kind, unsigned ordinal);

}  // namespace vk
