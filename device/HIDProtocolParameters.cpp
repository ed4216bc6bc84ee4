// Parameter access: parameter pages (values, arrays, texts), the main PIC's lines,
// channel records and routes, all through long-command transactions.
#include "device/HIDProtocol.h"

namespace vk {
namespace {

constexpr uint16_t kWriteValue = 0xF00C;
constexpr uint16_t kReadValue = 0xF00D;
constexpr uint16_t kWriteArray = 0xF00E;
constexpr uint16_t kReadArray = 0xF00F;
constexpr uint8_t kKindValue = 0;
constexpr uint8_t kKindCharacter = 2;
constexpr uint8_t kKindHeader = 3;
constexpr size_t kMaxElements = 255;  // counts and element numbers travel in one byte

constexpr uint16_t kPicCommand = 0xF010;  // to the main PIC
constexpr uint16_t kPicRequest = 0xF011;  // to the main PIC, with an answer
constexpr uint16_t kWriteChannel = 0xF000;
constexpr uint16_t kReadChannel = 0xF001;
constexpr uint16_t kRoute = 0xF006;
constexpr uint8_t kSetLines = 0x0B;
constexpr uint8_t kReadLines = 0x0A;
constexpr uint8_t kPicStoredPage0 = 0;
constexpr uint8_t kPicStoredIndex0 = 14;
constexpr uint8_t kPicStoredIndex7 = 3;
constexpr int kStoredLinesMovedAtVersion = 7000;

CommandBlock ParameterBlock(uint16_t code, uint8_t kind, uint8_t page, uint8_t index, uint8_t element = 0,
                            uint16_t value = 0)
{
    return LongCommand(code, kind, page, index, element, static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value));
}

bool IsRejected(const CommandBlock& answer) { return (answer[2] & 0x80) != 0; }

uint16_t WordAt(const CommandBlock& answer, size_t at) { return static_cast<uint16_t>(answer[at] << 8 | answer[at + 1]); }

// The line mask travels in bytes 4..7, most significant byte first: line 31 is
// bit 7 of byte 4, line 0 bit 0 of byte 7.
CommandBlock LinesBlock(uint8_t value, uint32_t mask)
{
    return LongCommand(kPicCommand, kSetLines, value, static_cast<uint8_t>(mask >> 24), static_cast<uint8_t>(mask >> 16),
                 static_cast<uint8_t>(mask >> 8), static_cast<uint8_t>(mask));
}

uint32_t LinesOf(const PicLineWords& words) { return static_cast<uint32_t>(words[0]) << 16 | words[1]; }

}  // namespace

int DecodeUnitResult(int result, const CommandBlock& answer)
{
    if (result < 0 || !IsRejected(answer))
        return result;
    switch (answer[7]) {
    case 0xFF: return -2;
    case 0xFE: return -3;
    case 0xFD: return -4;
    case 0xFC: return -5;
    case 0xFB: return -6;
    default: return result;
    }
}

bool IsRejectedChannelAnswer(const CommandBlock& answer)
{
    constexpr uint8_t kLowestErrorNumber = 0xFB;
    return IsRejected(answer) || answer[7] >= kLowestErrorNumber;
}

bool CHIDProtocol::ParameterAccessAllowed() const
{
    constexpr int kMinProtocol = 13;
    return m_bOpen && m_nProtocolVersion >= kMinProtocol && ReportsCarryEightBytes();
}

int CHIDProtocol::TransactParameter(const CommandBlock& command, CommandBlock& answer)
{
    return DecodeUnitResult(Transact(command, answer), answer);
}

int CHIDProtocol::GetParameter(uint8_t page, uint8_t index, std::span<uint16_t> values)
{
    if (!ParameterAccessAllowed() || values.empty() || values.size() > kMaxElements)
        return -1;
    CommandBlock answer{};
    if (values.size() == 1) {
        const int result = TransactParameter(ParameterBlock(kReadValue, kKindValue, page, index), answer);
        if (result >= 0)
            values[0] = WordAt(answer, 6);
        return result;
    }
    int result = -1;
    for (size_t i = 0; i < values.size(); ++i) {
        result = TransactParameter(ParameterBlock(kReadArray, kKindValue, page, index, static_cast<uint8_t>(i)), answer);
        if (result < 0)
            return result;
        values[i] = WordAt(answer, 6);
    }
    return result;
}

int CHIDProtocol::GetParameter(uint8_t page, uint8_t index, uint16_t& value)
{
    return GetParameter(page, index, std::span<uint16_t>(&value, 1));
}

// After the header every element goes out, whatever the unit answers to the
// ones before (units rely on receiving the whole array); only a missing answer
// stops the write. The first element the unit rejected is still the result: a
// rejected element is a failed write, not a success.
int CHIDProtocol::WriteArrayElements(size_t count, const std::function<CommandBlock(uint8_t)>& element)
{
    CommandBlock answer{};
    int result = -1;
    int firstRejection = 0;
    for (size_t i = 0; i < count; ++i) {
        result = Transact(element(static_cast<uint8_t>(i)), answer);
        if (result < 0)
            return -1;
        if (const int decoded = DecodeUnitResult(result, answer); decoded < 0 && firstRejection == 0)
            firstRejection = decoded;
    }
    return firstRejection < 0 ? firstRejection : result;
}

int CHIDProtocol::SetParameter(uint8_t page, uint8_t index, std::span<const uint16_t> values)
{
    if (!ParameterAccessAllowed() || values.empty() || values.size() > kMaxElements)
        return -1;
    CommandBlock answer{};
    if (values.size() == 1)
        return TransactParameter(ParameterBlock(kWriteValue, kKindValue, page, index, 0, values[0]), answer);
    const int header = TransactParameter(
        ParameterBlock(kWriteArray, kKindHeader, page, index, static_cast<uint8_t>(values.size())), answer);
    if (header < 0)
        return header;
    return WriteArrayElements(values.size(), [&](uint8_t i) {
        return ParameterBlock(kWriteArray, kKindValue, page, index, i, values[i]);
    });
}

int CHIDProtocol::SetParameter(uint8_t page, uint8_t index, uint16_t value)
{
    return SetParameter(page, index, std::span<const uint16_t>(&value, 1));
}

int CHIDProtocol::GetParameterElement(uint8_t page, uint8_t index, uint8_t element, uint16_t& value)
{
    if (!ParameterAccessAllowed())
        return -1;
    CommandBlock answer{};
    const int result = TransactParameter(ParameterBlock(kReadArray, kKindValue, page, index, element), answer);
    if (result >= 0)
        value = WordAt(answer, 6);
    return result;
}

int CHIDProtocol::SetParameterElement(uint8_t page, uint8_t index, uint8_t element, uint16_t value)
{
    if (!ParameterAccessAllowed())
        return -1;
    CommandBlock answer{};
    return Transact(ParameterBlock(kWriteArray, kKindValue, page, index, element, value), answer);
}

int CHIDProtocol::GetParameterText(uint8_t page, uint8_t index, std::string& text)
{
    if (!ParameterAccessAllowed())
        return -1;
    CommandBlock answer{};
    int result = TransactParameter(ParameterBlock(kReadArray, kKindHeader, page, index), answer);
    if (result < 0)
        return result;
    const int length = answer[5];
    std::string read;
    for (int i = 0; i < length; ++i) {
        result = TransactParameter(ParameterBlock(kReadArray, kKindCharacter, page, index, static_cast<uint8_t>(i)),
                                   answer);
        if (result < 0)
            return result;
        if (answer[7] == 0)
            break;
        read.push_back(static_cast<char>(answer[7]));
    }
    text = std::move(read);
    return result;
}

// A text longer than 255 characters cannot be described by the one-byte length:
// it is refused rather than written with a wrong length.
int CHIDProtocol::SetParameterText(uint8_t page, uint8_t index, const std::string& text)
{
    if (!ParameterAccessAllowed() || text.size() > kMaxElements)
        return -1;
    CommandBlock answer{};
    if (text.size() == 1)
        return TransactParameter(
            ParameterBlock(kWriteValue, kKindCharacter, page, index, 0, static_cast<uint8_t>(text[0])), answer);
    const int header = TransactParameter(
        ParameterBlock(kWriteArray, kKindHeader, page, index, static_cast<uint8_t>(text.size())), answer);
    if (header < 0 || text.empty())
        return header;
    return WriteArrayElements(text.size(), [&](uint8_t i) {
        return ParameterBlock(kWriteArray, kKindCharacter, page, index, i, static_cast<uint8_t>(text[i]));
    });
}

std::pair<uint8_t, uint8_t> CHIDProtocol::StoredLinesPlace() const
{
    if (m_nSoftwareVersion < kStoredLinesMovedAtVersion)
        return {kPicStoredPage0, kPicStoredIndex0};
    return {PIC1_PAGE, kPicStoredIndex7};
}

bool CHIDProtocol::SetPicLine(int line, int value, bool persist, int pic)
{
    if (pic != kMainPic || line < 0 || line > 31)
        return false;
    CommandBlock answer{};
    const int result = Transact(LinesBlock(static_cast<uint8_t>(value), 1u << line), answer);
    if (persist) {
        // The stored word is only rewritten when it could be read: writing back a
        // word that was never read would clear the other 15 stored lines.
        const auto [page, index] = StoredLinesPlace();
        const uint8_t element = line < 16 ? 1 : 0;
        const uint16_t bit = static_cast<uint16_t>(1u << (line % 16));
        uint16_t word = 0;
        if (GetParameterElement(page, index, element, word) >= 0) {
            word = value == 1 ? static_cast<uint16_t>(word | bit) : static_cast<uint16_t>(word & ~bit);
            (void)SetParameterElement(page, index, element, word);
        }
    }
    return result >= 0 && !IsRejected(answer);
}

// All lines are set first, then the ones whose requested bit is 0 are cleared.
bool CHIDProtocol::SetPicLines(const PicLineWords& words, bool persist, int pic)
{
    if (pic != kMainPic)
        return false;
    CommandBlock answer{};
    (void)Transact(LinesBlock(1, 0xFFFFFFFFu), answer);
    const int result = Transact(LinesBlock(0, ~LinesOf(words)), answer);
    if (persist) {
        const auto [page, index] = StoredLinesPlace();
        (void)SetParameter(page, index, std::span<const uint16_t>(words));
    }
    if (result < 0)
        return false;
    if (IsRejected(answer)) {
        m_nLastPicErrorDetail = answer[3];
        return false;
    }
    return true;
}

bool CHIDProtocol::GetPicLines(PicLineWords& words, bool fromStore, int pic)
{
    if (pic != kMainPic)
        return false;
    if (fromStore) {
        const auto [page, index] = StoredLinesPlace();
        return GetParameter(page, index, std::span<uint16_t>(words)) >= 0;
    }
    CommandBlock answer{};
    if (Transact(LongCommand(kPicRequest, kReadLines), answer) < 0)
        return false;
    if (IsRejected(answer)) {
        words = {answer[3], 0};
        return false;
    }
    words = {WordAt(answer, 4), WordAt(answer, 6)};
    return true;
}

int CHIDProtocol::GetPicLine(int line, bool fromStore, int pic)
{
    PicLineWords words{};
    if (line < 0 || line > 31 || !GetPicLines(words, fromStore, pic))
        return -1;
    return (LinesOf(words) >> line) & 1u;
}

int CHIDProtocol::SetChannel(int channel, uint8_t mode, uint8_t item1, uint8_t value1, uint8_t item2, uint8_t value2)
{
    CommandBlock answer{};
    return Transact(LongCommand(kWriteChannel, static_cast<uint8_t>(channel + 1), mode, item1, value1, item2, value2), answer);
}

int CHIDProtocol::ReadChannel(int channel, CommandBlock& answer)
{
    const auto wire = static_cast<uint8_t>(channel + 1);
    if (Transact(LongCommand(kReadChannel, wire, 0, 1, 0, 2, 0), answer) < 0 || answer[2] != wire ||
        IsRejectedChannelAnswer(answer))
        return -1;
    return answer[3];
}

int CHIDProtocol::GetChannel(int channel, ChannelRecord& record)
{
    CommandBlock answer{};
    const int mode = ReadChannel(channel, answer);
    if (mode < 0) {
        record.mode = kNoChannelMode;
        return kNoChannelMode;
    }
    // The unit may list item 2 first.
    const bool itemOneFirst = (answer[4] & 0x7F) == 1;
    const size_t first = itemOneFirst ? 4 : 6;
    const size_t second = itemOneFirst ? 6 : 4;
    record.mode = mode;
    record.value1 = answer[first + 1];
    record.flag1 = answer[first] >> 7;
    record.value2 = answer[second + 1];
    record.flag2 = answer[second] >> 7;
    return mode;
}

int CHIDProtocol::GetChannelMode(int channel)
{
    CommandBlock answer{};
    const int mode = ReadChannel(channel, answer);
    return mode < 0 ? kNoChannelMode : mode;
}

int CHIDProtocol::SetRoute(uint8_t source, uint8_t destination)
{
    if (!m_bOpen)
        return -1;
    CommandBlock answer{};
    return Transact(LongCommand(kRoute, 0, 0, 0, 0, source, destination), answer);
}

}  // namespace vk
