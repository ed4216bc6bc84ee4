// Command transactions: one command out, the answer that belongs to it back,
// with at most two sendings and 40 reads per sending, every step copied to the
// traffic viewer when one runs.
#include "device/HIDProtocol.h"

#include "platform/clock/Clock.h"

#include <algorithm>
#include <functional>

namespace vk {
namespace {

constexpr int kSendings = 2;
constexpr int kReadsPerSending = 40;
constexpr uint16_t kNoAnswer = 0xFFFF;  // the unit had nothing to say

const std::string& ProgramName()
{
    static const std::string name = CurrentProgramName();
    return name;
}

}  // namespace

uint16_t AnswerMask(uint16_t code)
{
    switch (code >> 12) {
    case 0x3:
    case 0x7:
        return 0xF600;
    case 0x4:
        return 0xF100;
    case 0x5:
    case 0x6:
        return 0xF700;
    case 0x8:
        return 0xF5FF;
    case 0xA:
        return 0xF400;
    case 0xB: {
        const unsigned high = code >> 8;
        return (high == 0xB2 || high == 0xB3) ? 0xF7F0 : 0xF700;
    }
    case 0xF:
        return 0xFFFF;
    default:
        return 0xF000;
    }
}

bool ShortAnswerMatches(uint16_t code, uint16_t answer)
{
    const uint16_t mask = AnswerMask(code);
    return answer != kNoAnswer && (answer & mask) == (code & mask);
}

bool LongAnswerMatches(const CommandBlock& command, const CommandBlock& answer)
{
    const auto code = static_cast<uint16_t>(command[0] << 8 | command[1]);
    const auto answerCode = static_cast<uint16_t>(answer[0] << 8 | answer[1]);
    if (!ShortAnswerMatches(code, answerCode))
        return false;
    auto same = [&](size_t i) { return command[i] == answer[i]; };
    switch (code) {
    case 0xF000:
    case 0xF001:
        return same(2);
    case 0xF006:
        return same(6) && same(7);
    case 0xF00C:
    case 0xF00D:
    case 0xF00E:
    case 0xF00F:
        return same(3) && same(4);
    default:
        return true;
    }
}

void CHIDProtocol::FillViewerBytes(std::span<const uint8_t> bytes)
{
    m_viewerRecord.bytes.fill(0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), m_viewerRecord.bytes.size()), m_viewerRecord.bytes.begin());
}

void CHIDProtocol::SendViewerRecord(IRemoteWindow* viewer, ViewerKind kind)
{
    if (!viewer)
        return;
    m_viewerRecord.kind = static_cast<int32_t>(kind);
    m_viewerRecord.time = Clock().Local();
    m_viewerRecord.program = ProgramName();
    if (kind != ViewerKind::Text)
        m_viewerRecord.text.clear();
    const ViewerRecordBytes bytes = EncodeViewerRecord(m_viewerRecord);
    (void)m_viewer.SendCopyData(viewer, kViewerWParam, kViewerDwData, bytes);
}

void CHIDProtocol::SendViewerText(IRemoteWindow* viewer, const std::string& text)
{
    if (!viewer)
        return;
    // The report bytes stay as the last transaction left them.
    m_viewerRecord.text = text.substr(0, kViewerTextField - 1);
    SendViewerRecord(viewer, ViewerKind::Text);
}

int CHIDProtocol::RunTransaction(const std::function<bool()>& send, const std::function<Verdict()>& judge,
                                 bool reopenAfterRejects, uint32_t timeoutMs)
{
    // The viewer of this transaction; after a record it did not take, none.
    const auto viewer = [this] { return m_viewer.Get(); };
    int sendsLeft = kSendings;
    int readsLeft = kReadsPerSending;
    bool sending = true;
    m_bLastAnswerEmpty = false;
    while (sendsLeft > 0) {
        if (sending) {
            if (!m_bOpen)
                return -1;  // the read entry could not be reopened: nothing goes out
            const bool written = send();
            SendViewerRecord(viewer(), sendsLeft == kSendings ? ViewerKind::CommandSent : ViewerKind::CommandResent);
            if (!written)
                return -1;
        }
        if (ReadReport(timeoutMs) != HidReadStatus::Ok) {
            // A time-out, or a read that failed at once (the unit is gone):
            // the command goes out again.
            --sendsLeft;
            sending = true;
            continue;
        }
        const Verdict verdict = judge();
        if (verdict.unusable)
            return -1;
        std::vector<uint8_t>& input = m_readEntry.inputReport;
        // Mark the answer consumed: a buffer that is not refilled reads as 0xFFFF.
        input[1] = 0xFF;
        input[2] = 0xFF;
        if (verdict.code == kNoAnswer) {
            SendViewerRecord(viewer(), ViewerKind::AnswerReceived);
            m_bLastAnswerEmpty = true;
            return -1;
        }
        if (verdict.matches) {
            SendViewerRecord(viewer(), ViewerKind::AnswerReceived);
            return verdict.code;
        }
        SendViewerRecord(viewer(), ViewerKind::AnswerRejected);
        if (--readsLeft == 0) {
            --sendsLeft;
            readsLeft = kReadsPerSending;
            sending = true;
            if (reopenAfterRejects)
                ReopenReadEntry();
        } else {
            sending = false;
        }
    }
    return -1;
}

int CHIDProtocol::Transact(const CommandBlock& command, CommandBlock& answer, int commandLength, uint32_t timeoutMs)
{
    // The command must fit the block and the unit's reports.
    if (commandLength < 1 || commandLength > static_cast<int>(command.size()))
        return -1;
    if (!m_bOpen || commandLength > m_writeEntry.caps.inputReportByteLength ||
        commandLength + 1 > static_cast<int>(m_writeEntry.outputReport.size()))
        return -1;
    const auto length = static_cast<size_t>(commandLength);

    // What goes out, and what the answer is checked against: the command bytes, zeros after them.
    CommandBlock sent{};
    std::copy_n(command.begin(), length, sent.begin());
    std::vector<uint8_t>& output = m_writeEntry.outputReport;
    std::fill(output.begin(), output.end(), 0);
    std::copy_n(sent.begin(), length, output.begin() + 1);
    (void)m_viewer.Refresh();  // the viewer is looked for once per transaction

    const auto send = [&] {
        const bool written = WriteReport(output);
        FillViewerBytes(std::span(sent).first(length));
        return written;
    };
    const auto judge = [&]() -> Verdict {
        const std::vector<uint8_t>& input = m_readEntry.inputReport;
        if (static_cast<int>(input.size()) - 1 < commandLength || input.size() < 3)
            return {.unusable = true};
        // The answer block takes what fits of the bytes after the report id.
        const size_t answerBytes = std::min(input.size() - 1, answer.size());
        answer.fill(0);
        std::copy_n(input.begin() + 1, answerBytes, answer.begin());
        FillViewerBytes(std::span(answer).first(answerBytes));
        return {.code = static_cast<uint16_t>(answer[0] << 8 | answer[1]), .matches = LongAnswerMatches(sent, answer)};
    };
    return RunTransaction(send, judge, true, timeoutMs);
}

bool CHIDProtocol::WriteShortCommand(uint16_t code)
{
    std::vector<uint8_t>& output = m_writeEntry.outputReport;
    if (!m_bOpen || output.size() < 3)
        return false;
    std::fill(output.begin(), output.end(), 0);
    output[1] = static_cast<uint8_t>(code >> 8);
    output[2] = static_cast<uint8_t>(code & 0xFF);
    return WriteReport(output);
}

int CHIDProtocol::SendShortCommand(uint16_t code, uint32_t timeoutMs)
{
    if (!m_bOpen)
        return -1;
    (void)m_viewer.Refresh();  // the viewer is looked for once per transaction
    const uint8_t sent[2] = {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code & 0xFF)};

    const auto send = [&] {
        const bool written = WriteShortCommand(code);
        FillViewerBytes(sent);
        return written;
    };
    const auto judge = [&]() -> Verdict {
        const std::vector<uint8_t>& input = m_readEntry.inputReport;
        if (input.size() < 3)
            return {.unusable = true};  // no room for an answer word
        FillViewerBytes(std::span(input).subspan(1));
        const auto word = static_cast<uint16_t>(input[1] << 8 | input[2]);
        return {.code = word, .matches = ShortAnswerMatches(code, word)};
    };
    // After 40 rejected answers the command goes out again on the same read entry.
    return RunTransaction(send, judge, false, timeoutMs);
}

}  // namespace vk
