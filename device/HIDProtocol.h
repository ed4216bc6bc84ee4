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
#include "platform/ipc/KeptWindow.h"
#include "platform/ipc/ViewerRecord.h"
#include "platform/ipc/WindowDirectory.h"
#include "platform/post/MessageTarget.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
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
    // False for an interface of the unit's vendor whose node this user may not
    // open (no udev rule gives access): it is never taken for a unit.
    bool accessible = true;
    HidCaps caps;
    // Report buffers, only for interfaces of the unit's vendor.
    std::vector<uint8_t> inputReport;
    std::vector<uint8_t> outputReport;
    std::vector<uint8_t> featureReport;
};

// --- Parameter access and identification types -------------------------------

using PicLineWords = std::array<uint16_t, 2>;  // [0] = lines 16..31, [1] = lines 0..15

// A channel record as GetChannel reads it (items 1 and 2: value and flag 0/1).
struct ChannelRecord {
    int mode = 0;
    uint8_t value1 = 0;
    uint8_t flag1 = 0;
    uint8_t value2 = 0;
    uint8_t flag2 = 0;
};

// The unit's hardware configuration (defaults: nothing read).
struct HardwareConfig {
    int nDspCode = 0;
    std::string strDspName;
    int nDspClockMHz = 108;
    int nMemoryType = 0;  // 0 parallel, 1 SPI, 2 SPI-16M
    int nCodecs = 0;
    int nSwitches = 15;
    std::array<uint8_t, 4> hardwareVersion{};
};

// A long command: 0xF0, the sub-command, then the argument bytes 2..7 (0 when unused).
[[nodiscard]] constexpr CommandBlock LongCommand(uint16_t code, uint8_t b2 = 0, uint8_t b3 = 0, uint8_t b4 = 0,
                                                 uint8_t b5 = 0, uint8_t b6 = 0, uint8_t b7 = 0)
{
    return {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code), b2, b3, b4, b5, b6, b7};
}

// A long-command result with the unit's error convention applied: an answer with
// bit 7 of byte 2 set and error number 0xFF..0xFB in byte 7 gives -2..-6.
[[nodiscard]] int DecodeUnitResult(int result, const CommandBlock& answer);
// A channel answer must repeat its channel in byte 2, so the unit rejects a
// channel command with the channel kept and its error number (0xFB..0xFF) in
// byte 7, where a read has an item value (levels never come near those numbers);
// bit 7 of byte 2 counts too. A rejected read carries no record.
[[nodiscard]] bool IsRejectedChannelAnswer(const CommandBlock& answer);
// The product name of a product id of the family (empty for others).
[[nodiscard]] std::string ProductNameForId(int productId);

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
    // The same for the command interface of a family unit at this path (as
    // ListUnits gives it): several units may share a product id.
    bool OpenUnitAt(const std::string& path, bool readIdentity);
    void CloseUnit();
    // True when the unit is open and answers the presence check; a unit that does
    // not answer is closed. An answer of 0xFFFF is asked again once.
    [[nodiscard]] bool CheckConnection();
    [[nodiscard]] bool IsUnitPresent(int productFilter);
    [[nodiscard]] int CountUnits(int productFilter);
    // The command interfaces that pass the filter now, in enumeration order (not open).
    [[nodiscard]] std::vector<HIDDeviceEntry> ListUnits(int productFilter);
    // Paths of the command interfaces that pass the filter but that this user
    // may not open: units that are attached and cannot be talked to.
    [[nodiscard]] std::vector<std::string> ListRefusedUnits(int productFilter);
    // Resets the unit and waits (on the clock, pumping messages) until a command
    // interface with the expected product id is back. Does not reopen the unit.
    // False at once when the reset command cannot be written (unit not open).
    [[nodiscard]] bool ResetUnit(uint16_t expectedProductId);
    // Lets the user interface handle its waiting messages; false when the
    // application is quitting.
    bool PumpWaitingMessages();

    [[nodiscard]] bool IsOpen() const { return m_bOpen; }
    // Changes every time a unit is selected (opened again, or another one):
    // two equal numbers mean the same connection.
    [[nodiscard]] uint64_t ConnectionNumber() const { return m_nConnection; }
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
    // Rebuilds the device list, selects the last entry `wanted` accepts and opens it.
    bool SelectAndOpen(const std::function<bool(const HIDDeviceEntry&)>& wanted, bool readIdentity);
    [[nodiscard]] bool OpenEntry(HIDDeviceEntry& entry, const std::string& path, const HidOpenMode& mode,
                                 bool readCaps);
    void CloseEntries();
    [[nodiscard]] static bool IsUnitEntry(const HIDDeviceEntry& entry, int productFilter);
    [[nodiscard]] int CountMatching(int productFilter, bool stopAtFirst);
    [[nodiscard]] bool WriteReport(std::span<const uint8_t> report);
    [[nodiscard]] HidReadStatus ReadReport(uint32_t timeoutMs);
    void ReopenReadEntry();

    // --- transaction ---
    // What a transaction makes of one input report.
    struct Verdict {
        uint16_t code = 0;       // answer code or word
        bool matches = false;    // it belongs to the command
        bool unusable = false;   // the report cannot hold an answer: give up
    };
    // The loop both forms share: at most two sendings, at most 40 reads after each.
    [[nodiscard]] int RunTransaction(const std::function<bool()>& send, const std::function<Verdict()>& judge,
                                     bool reopenAfterRejects, uint32_t timeoutMs);
    void SendViewerRecord(IRemoteWindow* viewer, ViewerKind kind);
    void FillViewerBytes(std::span<const uint8_t> bytes);

    IHidBus* m_pBus;  // null: the process-wide bus at each enumeration
    std::vector<HIDDeviceEntry> m_devices;
    int m_nSelected = -1;
    int m_nProductId = 0;
    bool m_bLastAnswerEmpty = false;
    uint64_t m_nConnection = 0;  // the last transaction ended on the unit's 0xFFFF
    HIDDeviceEntry m_writeEntry;
    HIDDeviceEntry m_readEntry;
    bool m_bOpen = false;
    ViewerRecord m_viewerRecord;
    // The traffic viewer, kept between transactions; looked up again at the next
    // transaction when a record did not reach it, or when there was none.
    CKeptWindow m_viewer{kViewerWindowTitle};

    // -----------------------------------------------------------------------
    // Parameter access (HIDProtocolParameters.cpp)
    // -----------------------------------------------------------------------
public:
    static constexpr uint8_t PIC1_PAGE = 7;  // page of the stored line words from software 7.0 on
    static constexpr int kMainPic = 1;       // PIC selector of the line operations and versions
    static constexpr int kInterfacePic = 2;
    static constexpr int kNoChannelMode = 0xFFFF;

    // Parameter and text operations need protocol version 13 and 8-byte reports;
    // otherwise they return -1 without sending anything. Counts and texts are
    // limited to 255 elements (the count travels in one byte).
    [[nodiscard]] int GetParameter(uint8_t page, uint8_t index, std::span<uint16_t> values);
    [[nodiscard]] int GetParameter(uint8_t page, uint8_t index, uint16_t& value);
    int SetParameter(uint8_t page, uint8_t index, std::span<const uint16_t> values);
    int SetParameter(uint8_t page, uint8_t index, uint16_t value);
    [[nodiscard]] int GetParameterElement(uint8_t page, uint8_t index, uint8_t element, uint16_t& value);
    // The answer code or -1; the unit's error numbers are not decoded.
    int SetParameterElement(uint8_t page, uint8_t index, uint8_t element, uint16_t value);
    [[nodiscard]] int GetParameterText(uint8_t page, uint8_t index, std::string& text);
    int SetParameterText(uint8_t page, uint8_t index, const std::string& text);

    // Lines of the main PIC (line words: [0] = lines 16..31, [1] = lines 0..15).
    // With persist the stored copy is updated too. True when the unit accepted.
    // Only the main PIC has lines: another selector fails without sending.
    bool SetPicLine(int line, int value, bool persist, int pic = kMainPic);
    // The caller's words are never changed; a rejection's detail byte is kept
    // in GetLastPicErrorDetail().
    bool SetPicLines(const PicLineWords& words, bool persist, int pic = kMainPic);
    [[nodiscard]] bool GetPicLines(PicLineWords& words, bool fromStore, int pic = kMainPic);
    // 1 or 0, or -1 when the lines could not be read.
    [[nodiscard]] int GetPicLine(int line, bool fromStore, int pic = kMainPic);
    [[nodiscard]] int GetLastPicErrorDetail() const { return m_nLastPicErrorDetail; }

    // Channels counted from 0 (the wire counts from 1).
    int SetChannel(int channel, uint8_t mode, uint8_t item1, uint8_t value1, uint8_t item2, uint8_t value2);
    // The mode byte, or kNoChannelMode (also in record.mode) when there is no answer.
    int GetChannel(int channel, ChannelRecord& record);
    [[nodiscard]] int GetChannelMode(int channel);
    int SetRoute(uint8_t source, uint8_t destination);

private:
    [[nodiscard]] bool ParameterAccessAllowed() const;
    [[nodiscard]] int TransactParameter(const CommandBlock& command, CommandBlock& answer);
    // The elements of an array or text write (after its header): all are sent;
    // the result is the first rejection's error, else the last answer code.
    [[nodiscard]] int WriteArrayElements(size_t count, const std::function<CommandBlock(uint8_t)>& element);
    [[nodiscard]] std::pair<uint8_t, uint8_t> StoredLinesPlace() const;
    [[nodiscard]] int ReadChannel(int channel, CommandBlock& answer);

    int m_nLastPicErrorDetail = 0;

    // -----------------------------------------------------------------------
    // Unit identification (HIDProtocolIdentity.cpp)
    // -----------------------------------------------------------------------
public:
    [[nodiscard]] std::string GetProductName() const { return m_strProductName; }
    [[nodiscard]] int GetProductCode() const { return m_nProductCode; }
    // major x 1000 + minor
    [[nodiscard]] int GetSoftwareVersion() const { return m_nSoftwareVersion; }
    [[nodiscard]] std::string GetSoftwareVersionText() const { return m_strSoftwareVersion; }
    [[nodiscard]] int GetProtocolVersion() const { return m_nProtocolVersion; }
    [[nodiscard]] uint16_t GetLevelCommandBase() const { return m_wLevelCommandBase; }

    [[nodiscard]] std::string GetUnitIdText();
    // Empty below protocol 22, "Read Error" when a chunk had no answer or the
    // unit refused it twice.
    [[nodiscard]] std::string GetSerialNumber();
    // The same read; nullopt when it failed (never a refusal taken as text).
    [[nodiscard]] std::optional<std::string> ReadSerialNumber();
    // The serial number last read on this connection (nullopt: none read since
    // the unit was selected); sends nothing.
    [[nodiscard]] const std::optional<std::string>& ConnectionSerial() const { return m_connectionSerial; }
    [[nodiscard]] std::string GetInterfaceBoardName();
    [[nodiscard]] bool GetPicVersion(int pic, int& identifier, int& major, int& minor);
    // Asks the user (at most five times) to remove the protection jumper while it blocks the read.
    [[nodiscard]] bool ReadHardwareConfig(HardwareConfig& config);
    // The multi-line report; empty when the unit does not answer.
    [[nodiscard]] std::string GetUnitReport();

private:
    void BeginIdentity();  // after selection: product name, forget the cached reads
    void ReadIdentity(bool readIdentity);
    void ClearIdentity();
    [[nodiscard]] bool ReportsCarryEightBytes() const;
    [[nodiscard]] std::optional<uint32_t> ReadRawUnitIdentifier();
    [[nodiscard]] bool IsConfigReadBlocked();
    void ReadUnitIdentifier();
    [[nodiscard]] bool IsInterfaceLineActive();
    void SwitchInterfaceLine();
    [[nodiscard]] std::string PicVersionText(int pic);

    std::string m_strProductName;
    int m_nProductCode = 0;
    int m_nSoftwareVersion = 0;
    int m_nSoftwareMajor = 0;
    int m_nSoftwareMinor = 0;
    std::string m_strSoftwareVersion;
    int m_nProtocolVersion = 0;
    uint16_t m_wLevelCommandBase = 0x603F;  // kept across CloseUnit
    uint32_t m_dwUnitId = 0xFFFFFFFF;       // 0xFFFFFFFF: not read
    std::string m_strInterfaceBoard;
    std::optional<std::string> m_connectionSerial;
};

}  // namespace vk
