#pragma once
// The simulated unit: a firmware model behind a transport-independent API. The
// simulated HID bus (sim/hid) and the umockdev test bed both drive it the same
// way: output reports in through Receive, input reports out through TakeAnswer
// once their time on the process clock has come.

#include "platform/hid/HidBus.h"
#include "sim/unit/SimCommands.h"
#include "sim/unit/SimUnitState.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vk {

using SimReport = std::array<uint8_t, 9>;  // report id 0, then 8 data bytes

// One command as the unit received it (the 8 bytes after the report id).
struct SimLoggedCommand {
    uint64_t atMs = 0;
    SimBlock bytes{};
    bool unknown = false;  // the firmware did not know it (see SimCommands.h)
    [[nodiscard]] uint16_t Code() const { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }
    [[nodiscard]] bool IsLong() const { return bytes[0] == 0xF0; }
};

// Faults injected on request. The answer faults hit every command, or only the
// command code in onlyFor.
struct SimFaults {
    std::optional<uint16_t> onlyFor;
    bool silent = false;                 // no answer at all
    uint32_t answerDelayMs = 0;          // answers arrive this late
    uint32_t loseAnswers = 0;            // the next n answers are lost
    bool wrongEcho = false;              // the repeated argument bytes of long answers differ
    bool answerFFFF = false;             // the unit answers 0xFFFF ("nothing to say")
    std::optional<uint8_t> errorNumber;  // long answers reject: byte 2 bit 7, the number in byte 7 (echoes kept)
    uint32_t repeatAnswers = 1;          // every answer is sent this many times
    uint32_t passFirst = 0;              // the faults spare the first n commands they would hit
};

// A fault of one transaction: the at-th command the unit receives from now
// (counting only commands with code onlyFor, when set) meets it; every other
// command is answered as usual. It fires once.
struct SimTransactionFault {
    enum class Kind {
        Silent,  // no answer
        Error,   // rejected unapplied: a long command with error number `value`, a short one answered 0xFFFF
        Echo,    // the repeated argument bytes of a long answer differ (a short answer has none)
        Delay,   // the answer arrives `value` ms late
        Unplug,  // the unit leaves the bus right after receiving the command, unanswered
    };
    Kind kind = Kind::Silent;
    uint32_t at = 1;  // 1: the next command
    std::optional<uint16_t> onlyFor;
    uint32_t value = 0;
};

// What the unit does after a reset command, in clock time.
struct SimResetTiming {
    std::optional<uint32_t> leaveAfterMs = 300;    // nullopt: it never leaves the bus
    std::optional<uint32_t> returnAfterMs = 2500;  // after leaving; nullopt: it never returns
    // The unit's sound card is listed this long after its command interface came
    // back (after a reset or a re-plug); nullopt: the card never comes back.
    std::optional<uint32_t> cardAfterMs = 1500;
};

// What happened at the unit, for whoever watches its traffic (the scenario runner).
struct SimUnitEvent {
    enum class Kind {
        Received,  // bytes: the 8 command bytes
        Answered,  // bytes: the 8 answer bytes (every copy that is sent)
        Reset,     // the unit took the reset command
        Returned,  // it is back on the bus under productId
        Left,      // it left the bus on its own (a transaction fault unplugged it)
    };
    Kind kind = Kind::Received;
    SimBlock bytes{};
    uint16_t productId = 0;
};

class CSimUnit {
public:
    explicit CSimUnit(SimUnitKind kind = SimUnitKind::New);
    // The unit keeps what the state holds as its stored settings.
    explicit CSimUnit(const SimUnitState& state);

    // --- USB side ---------------------------------------------------------
    [[nodiscard]] uint16_t VendorId() const;
    [[nodiscard]] uint16_t ProductId() const;
    [[nodiscard]] std::string UsbName() const;
    // On the bus now (follows resets and Unplug/Plug on the clock).
    [[nodiscard]] bool Present() const;
    // Changes every time the unit appears on the bus; handles opened on an earlier
    // appearance are dead.
    [[nodiscard]] uint64_t Generation() const;
    // When the unit last appeared on the bus (clock ms): plugged, or back from a reset.
    [[nodiscard]] uint64_t AppearedAtMs() const;
    // The clock time of its next change on the bus (leaving or returning), if one is due.
    [[nodiscard]] std::optional<uint64_t> NextChangeDueMs() const;
    void Unplug();
    void Plug();
    // Power off and on while unplugged: what was not stored is lost (see
    // SimUnitState::PowerCycle); Plug brings it back on the bus.
    void PowerCycle();
    // The command interface: vendor-defined page, 8-byte input and output reports
    // without report ids, no buttons.
    [[nodiscard]] static std::span<const uint8_t> ReportDescriptor();
    [[nodiscard]] static HidCaps Caps();
    // A unit whose input reports are longer or shorter (report id included; 9 by
    // default); answers still carry 8 data bytes.
    void SetInputReportLength(uint16_t bytes);
    [[nodiscard]] HidCaps InterfaceCaps() const;

    // --- Transport ----------------------------------------------------------
    // One output report, report id first (at least 9 bytes are used; shorter ones are ignored).
    void Receive(std::span<const uint8_t> report);
    // The next input report whose time has come.
    [[nodiscard]] std::optional<SimReport> TakeAnswer();
    // When the next queued report is due (clock ms), if any is queued.
    [[nodiscard]] std::optional<uint64_t> NextAnswerDueMs() const;
    // Queues a report the host did not ask for (stale or unsolicited), due afterMs from now.
    void InjectReport(const SimReport& report, uint32_t afterMs = 0);

    // --- Log --------------------------------------------------------------
    [[nodiscard]] std::vector<SimLoggedCommand> Log() const;
    [[nodiscard]] std::vector<uint16_t> LoggedCodes() const;
    void ClearLog();
    // The commands the firmware did not know (unknown short codes, long
    // sub-commands or sub-functions), in order, since the unit was made; ClearLog
    // does not forget them. A scenario that drove the unit correctly leaves it empty.
    [[nodiscard]] std::vector<SimLoggedCommand> UnknownCommands() const;

    // --- Faults and firmware state ----------------------------------------
    void SetFaults(const SimFaults& faults);
    [[nodiscard]] SimFaults Faults() const;
    // Arms a fault of one transaction (replacing one that has not fired yet); nullopt disarms.
    void FailTransaction(std::optional<SimTransactionFault> fault);
    // The armed fault, with `at` counting down as commands arrive; nullopt once it fired.
    [[nodiscard]] std::optional<SimTransactionFault> PendingTransactionFault() const;
    void SetResetTiming(const SimResetTiming& timing);
    [[nodiscard]] SimResetTiming ResetTiming() const;
    // Called on the thread that drives the unit, under the unit's lock: the
    // observer must not call back into the unit. Empty: nobody watches.
    void SetObserver(std::function<void(const SimUnitEvent&)> observer);
    [[nodiscard]] SimUnitState State() const;
    // Runs f on the firmware state under the unit's lock (f must not call back into the unit).
    template <class F>
    decltype(auto) WithState(F&& f)
    {
        std::lock_guard lock(m_mutex);
        Refresh();
        return f(m_state);
    }

private:
    struct QueuedReport {
        uint64_t dueMs;
        SimReport report;
    };

    void Refresh() const;  // applies the reset timeline up to the clock's now
    void Answer(const SimBlock& command, std::optional<SimBlock> answer, uint64_t nowMs);
    void Enqueue(uint64_t dueMs, const SimReport& report);
    [[nodiscard]] bool FaultApplies(uint16_t code) const;
    // The transaction fault that meets this command, if its turn has come.
    [[nodiscard]] std::optional<SimTransactionFault> TakeTransactionFault(uint16_t code);
    void ApplyTransactionFault(const SimTransactionFault& fault, const SimBlock& command, std::optional<SimBlock>& answer,
                               uint64_t& dueMs) const;
    void LeaveBus();

    mutable std::mutex m_mutex;
    mutable SimUnitState m_state;
    mutable std::deque<QueuedReport> m_queue;
    mutable bool m_present = true;
    mutable uint64_t m_generation = 1;
    mutable uint64_t m_appearedAtMs = 0;
    mutable std::optional<uint64_t> m_leaveAtMs;
    mutable std::optional<uint64_t> m_returnAtMs;
    bool m_unplugged = false;
    uint16_t m_inputReportLength = 9;
    SimFaults m_faults;
    std::optional<SimTransactionFault> m_transactionFault;
    SimResetTiming m_resetTiming;
    std::vector<SimLoggedCommand> m_log;
    std::function<void(const SimUnitEvent&)> m_observer;
    std::vector<SimLoggedCommand> m_unknown;
};

}  // namespace vk
