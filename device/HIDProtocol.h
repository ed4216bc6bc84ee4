#pragma once
// CHIDProtocol: one connection to a unit over its HID command interface.
//
// Result convention of unit operations: a positive value (the answer code of the
// last transaction) is success; -1 means no valid answer, unit not open or a
// precondition not met; -2..-6 are the unit's error numbers 0xFF..0xFB.
//
// The class is declared here in sections; each section's members are defined in
// their own file (HIDProtocolTransport.cpp, HIDProtocolTransact.cpp, ...).

#include "platform/hid/HidBus.h"
#include "platform/ipc/ViewerRecord.h"
#include "platform/ipc/WindowDirectory.h"
#include "platform/post/MessageTarget.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vk {

// ---------------------------------------------------------------------------
// Shared constants and helpers
// ---------------------------------------------------------------------------

inline constexpr uint16_t kUnitVendorId = 0x3C5A;
// Product filter for the VK550 family: 0x17, 0x117, 0x217, 0x317, 0x1C, 0x1017.
inline constexpr int kFamilyFilter = -6;
inline constexpr uint32_t kTransactTimeoutMs = 1000;

using CommandBlock = std::array<uint8_t, 8>;  // a long command or an answer block

// A product filter: an exact product id (0 or more) or kFamilyFilter.
[[nodiscard]] bool PassesProductFilter(uint16_t productId, int filter);
// The answer mask chosen by the command code's top nibble.
[[nodiscard]] uint16_t AnswerMask(uint16_t code);
// Whether an answer belongs to a long command: same answer code and the repeated
// argument bytes of its sub-command. 0xFFFF never matches.
[[nodiscard]] bool LongAnswerMatches(const CommandBlock& command, const CommandBlock& answer);
// Whether an answer word belongs to a short command (mask rule only).
[[nodiscard]] bool ShortAnswerMatches(uint16_t code, uint16_t answer);

// One HID interface as found by an enumeration, or one of the unit's open entries.
struct HIDDeviceEntry {
    std::string path;
    std::unique_ptr<IHidInterface> handle;  // null when not open
    HidOpenMode mode;
    HidAttributes attributes;  // zero when the interface could not be opened
    HidCaps caps;
    // Report buffers, only for interfaces of the unit's vendor.
    std::vector<uint8_t> inputReport;
    std::vector<uint8_t> outputReport;
    std::vector<uint8_t> featureReport;
};

class CHIDProtocol {
public:
    CHIDProtocol();                       // enumerates vk::HidBus()
    explicit CHIDProtocol(IHidBus& bus);  // enumerates this bus
    ~CHIDProtocol();
    CHIDProtocol(const CHIDProtocol&) = delete;
    CHIDProtocol& operator=(const CHIDProtocol&) = delete;

    // -----------------------------------------------------------------------
    // HID transport (HIDProtocolTransport.cpp)
    // -----------------------------------------------------------------------

    // Selects the last command interface that passes the filter and opens it.
    // True when a unit was selected, even if opening it failed.
    bool OpenUnit(int productFilter, bool readIdentity);
    void CloseUnit();
    // True when the unit is open and answers the presence check; a unit that does
    // not answer is closed.
    [[nodiscard]] bool CheckConnection();
    [[nodiscard]] bool IsUnitPresent(int productFilter);
    [[nodiscard]] int CountUnits(int productFilter);
    // Resets the unit and waits (on the clock, pumping messages) until a command
    // interface with the expected product id is back. Does not reopen the unit.
    [[nodiscard]] bool ResetUnit(uint16_t expectedProductId);
    // Lets the user interface handle its waiting messages; false when the
    // application is quitting.
    bool PumpWaitingMessages();

    [[nodiscard]] bool IsOpen() const { return m_bOpen; }
    [[nodiscard]] int GetProductId() const { return m_nProductId; }
    // Path of the selected interface (empty when none).
    [[nodiscard]] std::string GetDevicePath() const;
    // The list of the last OpenUnit's enumeration.
    [[nodiscard]] const std::vector<HIDDeviceEntry>& Devices() const { return m_devices; }

    // The dialog framework installs its pump here; without one nothing is pumped.
    static void SetMessagePump(IMessagePump* pump);

    // -----------------------------------------------------------------------
    // Command transaction (HIDProtocolTransact.cpp)
    // -----------------------------------------------------------------------

    // Sends a long command and waits for its answer. Result: the answer code of
    // the matching answer, or -1. The answer block receives the answer bytes.
    [[nodiscard]] int Transact(const CommandBlock& command, CommandBlock& answer, int commandLength = 8,
                               uint32_t timeoutMs = kTransactTimeoutMs);
    // Sends a short command; result: the matching answer word (0..0xFFFE) or -1.
    [[nodiscard]] int SendShortCommand(uint16_t code, uint32_t timeoutMs = kTransactTimeoutMs);
    // Writes a short command without waiting for an answer.
    bool WriteShortCommand(uint16_t code);
    // A text line for the traffic viewer (nothing when viewer is null).
    void SendViewerText(IRemoteWindow* viewer, const std::string& text);

private:
    // --- transport ---
    [[nodiscard]] std::vector<HIDDeviceEntry> Enumerate();
    [[nodiscard]] bool OpenEntry(HIDDeviceEntry& entry, const std::string& path, const HidOpenMode& mode,
                                 bool readCaps);
    void CloseEntries();
    [[nodiscard]] static bool IsCommandInterface(const HIDDeviceEntry& entry);
    [[nodiscard]] int CountMatching(int productFilter, bool stopAtFirst);
    [[nodiscard]] bool WriteReport(std::span<const uint8_t> report);
    [[nodiscard]] HidReadStatus ReadReport(uint32_t timeoutMs);
    void ReopenReadEntry();

    // --- transaction ---
    void SendViewerRecord(IRemoteWindow* viewer, ViewerKind kind);
    void FillViewerBytes(std::span<const uint8_t> bytes);

    IHidBus* m_pBus;  // null: the process-wide bus at each enumeration
    std::vector<HIDDeviceEntry> m_devices;
    int m_nSelected = -1;
    int m_nProductId = 0;
    HIDDeviceEntry m_writeEntry;
    HIDDeviceEntry m_readEntry;
    bool m_bOpen = false;
    ViewerRecord m_viewerRecord;

    // -----------------------------------------------------------------------
    // Parameter access and identification add their members below.
    // -----------------------------------------------------------------------
};

}  // namespace vk
