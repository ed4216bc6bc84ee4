#include "sim/unit/SimUnit.h"

#include "platform/clock/Clock.h"
#include "sim/unit/SimAnswers.h"

#include <algorithm>

namespace vk {
namespace {

// Vendor-defined page 0xFF00: 8-byte input and output reports, no report ids.
constexpr uint8_t kCommandDescriptor[] = {
    0x06, 0x00, 0xFF,  // usage page 0xFF00
    0x09, 0x01,        // usage 1
    0xA1, 0x01,        // collection (application)
    0x15, 0x00,        //   logical minimum 0
    0x26, 0xFF, 0x00,  //   logical maximum 255
    0x75, 0x08,        //   report size 8
    0x95, 0x08,        //   report count 8
    0x09, 0x01,        //   usage 1
    0x81, 0x02,        //   input (data, variable, absolute)
    0x09, 0x02,        //   usage 2
    0x91, 0x02,        //   output (data, variable, absolute)
    0xC0,              // end collection
};

constexpr size_t kMaxLog = 100000;  // a runaway test must not eat the machine

}  // namespace

CSimUnit::CSimUnit(SimUnitKind kind) : CSimUnit(DefaultSimUnitState(kind)) {}

CSimUnit::CSimUnit(const SimUnitState& state) : m_state(state), m_appearedAtMs(Clock().NowMs())
{
    m_state.KeepLiveSettings();
}

uint16_t CSimUnit::VendorId() const
{
    std::lock_guard lock(m_mutex);
    return m_state.vendorId;
}

uint16_t CSimUnit::ProductId() const
{
    std::lock_guard lock(m_mutex);
    Refresh();
    return m_state.productId;
}

std::string CSimUnit::UsbName() const
{
    std::lock_guard lock(m_mutex);
    Refresh();
    return m_state.usbName;
}

bool CSimUnit::Present() const
{
    std::lock_guard lock(m_mutex);
    Refresh();
    return m_present;
}

uint64_t CSimUnit::Generation() const
{
    std::lock_guard lock(m_mutex);
    Refresh();
    return m_generation;
}

uint64_t CSimUnit::AppearedAtMs() const
{
    std::lock_guard lock(m_mutex);
    Refresh();
    return m_appearedAtMs;
}

std::optional<uint64_t> CSimUnit::NextChangeDueMs() const
{
    std::lock_guard lock(m_mutex);
    Refresh();
    if (m_leaveAtMs)
        return m_leaveAtMs;
    return m_returnAtMs;
}

void CSimUnit::Unplug()
{
    std::lock_guard lock(m_mutex);
    Refresh();
    LeaveBus();
}

void CSimUnit::LeaveBus()
{
    m_unplugged = true;
    m_present = false;
    m_leaveAtMs.reset();
    m_returnAtMs.reset();
    m_queue.clear();
}

void CSimUnit::PowerCycle()
{
    std::lock_guard lock(m_mutex);
    Refresh();
    m_state.PowerCycle();
}

void CSimUnit::Plug()
{
    std::lock_guard lock(m_mutex);
    Refresh();
    if (!m_unplugged)
        return;
    m_unplugged = false;
    m_present = true;
    ++m_generation;
    m_appearedAtMs = Clock().NowMs();
}

std::span<const uint8_t> CSimUnit::ReportDescriptor() { return kCommandDescriptor; }

HidCaps CSimUnit::Caps()
{
    HidCaps caps;
    caps.usage = 1;
    caps.usagePage = 0xFF00;
    caps.inputReportByteLength = 9;
    caps.outputReportByteLength = 9;
    caps.featureReportByteLength = 0;
    caps.numberInputButtonCaps = 0;
    return caps;
}

void CSimUnit::SetInputReportLength(uint16_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_inputReportLength = bytes;
}

HidCaps CSimUnit::InterfaceCaps() const
{
    std::lock_guard lock(m_mutex);
    HidCaps caps = Caps();
    caps.inputReportByteLength = m_inputReportLength;
    return caps;
}

void CSimUnit::Refresh() const
{
    const uint64_t now = Clock().NowMs();
    if (m_leaveAtMs && now >= *m_leaveAtMs) {
        m_leaveAtMs.reset();
        m_present = false;
        m_queue.clear();
    }
    if (m_returnAtMs && !m_leaveAtMs && now >= *m_returnAtMs) {
        m_appearedAtMs = *m_returnAtMs;  // however late somebody looks
        m_returnAtMs.reset();
        // It comes back under the identity it was given.
        m_state.productId = m_state.Value(0, 2);
        m_state.usbName = m_state.Text(0, 1);
        m_state.RestoreStoredLines();
        m_present = true;
        ++m_generation;
        if (m_observer)
            m_observer({SimUnitEvent::Kind::Returned, {}, m_state.productId});
    }
}

void CSimUnit::Receive(std::span<const uint8_t> report)
{
    if (report.size() < 9)
        return;
    std::lock_guard lock(m_mutex);
    Refresh();
    if (!m_present)
        return;
    const uint64_t now = Clock().NowMs();
    SimLoggedCommand logged;
    logged.atMs = now;
    std::copy_n(report.begin() + 1, 8, logged.bytes.begin());

    const SimBlock& command = logged.bytes;
    if (m_observer)
        m_observer({SimUnitEvent::Kind::Received, command, m_state.productId});
    const auto fault = TakeTransactionFault(logged.Code());
    // A rejected command changes nothing: it runs on a copy of the state, only
    // for the shape of its answer.
    std::optional<SimUnitState> rejected;
    if (fault && fault->kind == SimTransactionFault::Kind::Error)
        rejected = m_state;
    SimUnitState& state = rejected ? *rejected : m_state;
    const SimStoredSettings liveBefore = m_state.LiveSettings();
    const uint32_t linesBefore = m_state.picLines;
    std::optional<SimBlock> answer;
    state.unknownCommand = false;
    if (logged.IsLong()) {
        answer = SimCommands().Long(state, command);
    } else {
        const std::optional<uint16_t> word = SimCommands().Short(state, logged.Code());
        if (word)
            answer = SimBlock{static_cast<uint8_t>(*word >> 8), static_cast<uint8_t>(*word & 0xFF), 0, 0, 0, 0, 0, 0};
    }
    logged.unknown = state.unknownCommand;
    state.unknownCommand = false;
    if (m_state.picLines != linesBefore || m_state.LiveSettings() != liveBefore)
        m_state.unstoredWrites = true;
    if (m_log.size() < kMaxLog)
        m_log.push_back(logged);
    if (logged.unknown && m_unknown.size() < kMaxLog)
        m_unknown.push_back(logged);
    if (fault) {
        if (fault->kind == SimTransactionFault::Kind::Unplug) {
            // The command took effect (a reset too: it is simply never seen again).
            m_state.resetRequested = false;
            LeaveBus();
            if (m_observer)
                m_observer({SimUnitEvent::Kind::Left, command, m_state.productId});
            return;
        }
        uint64_t due = now;
        ApplyTransactionFault(*fault, command, answer, due);
        if (answer) {
            SimReport faulty{};
            std::copy(answer->begin(), answer->end(), faulty.begin() + 1);
            if (m_observer)
                m_observer({SimUnitEvent::Kind::Answered, *answer, m_state.productId});
            Enqueue(due, faulty);
        }
    } else {
        Answer(command, answer, now);
    }

    if (m_state.resetRequested) {
        m_state.resetRequested = false;
        if (m_observer)
            m_observer({SimUnitEvent::Kind::Reset, {}, m_state.productId});
        if (m_resetTiming.leaveAfterMs) {
            m_leaveAtMs = now + *m_resetTiming.leaveAfterMs;
            if (m_resetTiming.returnAfterMs)
                m_returnAtMs = *m_leaveAtMs + *m_resetTiming.returnAfterMs;
        }
        Refresh();
    }
}

std::optional<SimTransactionFault> CSimUnit::TakeTransactionFault(uint16_t code)
{
    if (!m_transactionFault || (m_transactionFault->onlyFor && *m_transactionFault->onlyFor != code))
        return std::nullopt;
    if (m_transactionFault->at > 1) {
        --m_transactionFault->at;
        return std::nullopt;
    }
    std::optional<SimTransactionFault> fault;
    fault.swap(m_transactionFault);
    return fault;
}

// The one faulty answer replaces whatever the standing faults would have made of it.
void CSimUnit::ApplyTransactionFault(const SimTransactionFault& fault, const SimBlock& command,
                                     std::optional<SimBlock>& answer, uint64_t& dueMs) const
{
    const bool isLong = command[0] == 0xF0;
    switch (fault.kind) {
    case SimTransactionFault::Kind::Silent:
    case SimTransactionFault::Kind::Unplug: answer.reset(); return;
    case SimTransactionFault::Kind::Error:
        if (!answer)
            return;
        if (isLong) {
            SimMarkError(*answer, command, static_cast<uint8_t>(fault.value));
        } else {
            (*answer)[0] = 0xFF;  // short commands carry no error number: "nothing to say"
            (*answer)[1] = 0xFF;
        }
        return;
    case SimTransactionFault::Kind::Echo:
        if (answer && isLong)
            for (size_t i : SimEchoedBytes(command[1]))
                (*answer)[i] = static_cast<uint8_t>(command[i] + 1);
        return;
    case SimTransactionFault::Kind::Delay: dueMs += fault.value; return;
    }
}

bool CSimUnit::FaultApplies(uint16_t code) const { return !m_faults.onlyFor || *m_faults.onlyFor == code; }

void CSimUnit::Answer(const SimBlock& command, std::optional<SimBlock> answer, uint64_t nowMs)
{
    if (!answer)
        return;
    const uint16_t code = static_cast<uint16_t>(command[0] << 8 | command[1]);
    const bool isLong = command[0] == 0xF0;
    uint64_t due = nowMs;
    uint32_t copies = 1;
    bool faulty = FaultApplies(code);
    if (faulty && m_faults.passFirst > 0) {
        --m_faults.passFirst;
        faulty = false;
    }
    if (faulty) {
        if (m_faults.silent)
            return;
        if (m_faults.loseAnswers > 0) {
            --m_faults.loseAnswers;
            return;
        }
        if (m_faults.answerFFFF) {
            (*answer)[0] = 0xFF;
            (*answer)[1] = 0xFF;
        }
        if (isLong && m_faults.errorNumber)
            SimMarkError(*answer, command, *m_faults.errorNumber);
        if (isLong && m_faults.wrongEcho)
            for (size_t i : SimEchoedBytes(command[1]))
                (*answer)[i] = static_cast<uint8_t>(command[i] + 1);
        due += m_faults.answerDelayMs;
        copies = m_faults.repeatAnswers;
    }
    SimReport report{};
    std::copy(answer->begin(), answer->end(), report.begin() + 1);
    for (uint32_t i = 0; i < copies; ++i) {
        if (m_observer)
            m_observer({SimUnitEvent::Kind::Answered, *answer, m_state.productId});
        Enqueue(due, report);
    }
}

void CSimUnit::Enqueue(uint64_t dueMs, const SimReport& report)
{
    // In time order; reports due at the same time keep their order.
    const auto at = std::upper_bound(m_queue.begin(), m_queue.end(), dueMs, [](uint64_t d, const QueuedReport& q) { return d < q.dueMs; });
    m_queue.insert(at, {dueMs, report});
}

std::optional<SimReport> CSimUnit::TakeAnswer()
{
    std::lock_guard lock(m_mutex);
    Refresh();
    if (!m_present || m_queue.empty() || m_queue.front().dueMs > Clock().NowMs())
        return std::nullopt;
    SimReport report = m_queue.front().report;
    m_queue.pop_front();
    return report;
}

std::optional<uint64_t> CSimUnit::NextAnswerDueMs() const
{
    std::lock_guard lock(m_mutex);
    Refresh();
    if (!m_present || m_queue.empty())
        return std::nullopt;
    return m_queue.front().dueMs;
}

void CSimUnit::InjectReport(const SimReport& report, uint32_t afterMs)
{
    std::lock_guard lock(m_mutex);
    Refresh();
    Enqueue(Clock().NowMs() + afterMs, report);
}

std::vector<SimLoggedCommand> CSimUnit::Log() const
{
    std::lock_guard lock(m_mutex);
    return m_log;
}

std::vector<uint16_t> CSimUnit::LoggedCodes() const
{
    std::lock_guard lock(m_mutex);
    std::vector<uint16_t> codes;
    codes.reserve(m_log.size());
    for (const auto& c : m_log)
        codes.push_back(c.Code());
    return codes;
}

std::vector<SimLoggedCommand> CSimUnit::UnknownCommands() const
{
    std::lock_guard lock(m_mutex);
    return m_unknown;
}

void CSimUnit::ClearLog()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void CSimUnit::SetFaults(const SimFaults& faults)
{
    std::lock_guard lock(m_mutex);
    m_faults = faults;
}

void CSimUnit::FailTransaction(std::optional<SimTransactionFault> fault)
{
    std::lock_guard lock(m_mutex);
    if (fault && fault->at == 0)
        fault->at = 1;
    m_transactionFault = fault;
}

std::optional<SimTransactionFault> CSimUnit::PendingTransactionFault() const
{
    std::lock_guard lock(m_mutex);
    return m_transactionFault;
}

SimFaults CSimUnit::Faults() const
{
    std::lock_guard lock(m_mutex);
    return m_faults;
}

void CSimUnit::SetResetTiming(const SimResetTiming& timing)
{
    std::lock_guard lock(m_mutex);
    m_resetTiming = timing;
}

SimResetTiming CSimUnit::ResetTiming() const
{
    std::lock_guard lock(m_mutex);
    return m_resetTiming;
}

void CSimUnit::SetObserver(std::function<void(const SimUnitEvent&)> observer)
{
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

SimUnitState CSimUnit::State() const
{
    std::lock_guard lock(m_mutex);
    Refresh();
    return m_state;
}

}  // namespace vk
