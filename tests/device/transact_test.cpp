// Command transactions: answer matching, retries and the copies to the viewer.
#include "tests/device/DeviceTestBed.h"

#include <functional>

namespace vk::test {
namespace {

constexpr int32_t kSent = 0, kAnswer = 1, kText = 2, kResent = 3, kRejected = 4;

std::vector<int32_t> Repeat(std::initializer_list<std::pair<int32_t, int>> runs)
{
    std::vector<int32_t> out;
    for (auto [kind, n] : runs)
        out.insert(out.end(), static_cast<size_t>(n), kind);
    return out;
}

TEST(AnswerMaskTest, EachTopNibble)
{
    struct Case {
        uint16_t code;
        uint16_t mask;
    };
    const Case cases[] = {
        {0x0555, 0xF000}, {0x1000, 0xF000}, {0x2080, 0xF000}, {0x36FF, 0xF600}, {0x40FF, 0xF100},
        {0x5300, 0xF700}, {0x6300, 0xF700}, {0x7000, 0xF600}, {0x8123, 0xF5FF}, {0x9000, 0xF000},
        {0xA400, 0xF400}, {0xB100, 0xF700}, {0xB200, 0xF7F0}, {0xB370, 0xF7F0}, {0xB600, 0xF700},
        {0xC000, 0xF000}, {0xD000, 0xF000}, {0xE000, 0xF000}, {0xF00D, 0xFFFF},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnswerMask(c.code), c.mask) << std::hex << c.code;
}

TEST(AnswerMatchTest, ShortAnswers)
{
    struct Case {
        uint16_t code;
        uint16_t answer;
        bool matches;
    };
    const Case cases[] = {
        {0xA000, 0xA312, true},   // bits outside the mask are free
        {0xA000, 0xA412, false},  // bit 10 is part of the mask
        {0xA000, 0xB312, false},
        {0xB340, 0xB341, true},
        {0xB340, 0xB351, false},  // bits 4..7 belong to the mask of 0xB3xx
        {0xB740, 0xB751, true},   // ...but not of 0xB7xx
        {0x0555, 0x0FFF, true},
        {0x0FFF, 0xFFFF, false},  // 0xFFFF never matches, even where the mask allows it
        {0x8123, 0x8B23, true},   // bits 9 and 11 are free for 0x8xxx
        {0x8123, 0x8124, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShortAnswerMatches(c.code, c.answer), c.matches) << std::hex << c.code << " " << c.answer;
}

TEST(AnswerMatchTest, RepeatedBytesOfLongAnswers)
{
    struct Case {
        uint8_t sub;
        std::vector<size_t> repeated;  // bytes that must be repeated; all others are free
    };
    const Case cases[] = {
        {0x00, {2}}, {0x01, {2}}, {0x06, {6, 7}}, {0x0C, {3, 4}}, {0x0D, {3, 4}}, {0x0E, {3, 4}},
        {0x0F, {3, 4}}, {0x03, {}}, {0x05, {}}, {0x10, {}}, {0x11, {}}, {0x1A, {}}, {0x21, {}},
    };
    const CommandBlock command0{0xF0, 0, 1, 2, 3, 4, 5, 6};
    for (const Case& c : cases) {
        CommandBlock command = command0;
        command[1] = c.sub;
        EXPECT_TRUE(LongAnswerMatches(command, command)) << int(c.sub);
        for (size_t byte = 2; byte < 8; ++byte) {
            CommandBlock answer = command;
            answer[byte] ^= 0x40;
            const bool repeated = std::find(c.repeated.begin(), c.repeated.end(), byte) != c.repeated.end();
            EXPECT_EQ(LongAnswerMatches(command, answer), !repeated) << int(c.sub) << " byte " << byte;
        }
        CommandBlock other = command;
        other[1] ^= 1;  // another answer code
        EXPECT_FALSE(LongAnswerMatches(command, other)) << int(c.sub);
    }
    const CommandBlock ffff{0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(LongAnswerMatches(ffff, ffff));
}

using TransactTest = DeviceTestBed;

const CommandBlock kReadConfigWord{0xF0, 0x0D, 0, 0, 10, 0, 0, 0};

TEST_F(TransactTest, AnswerIsReturnedAndCopiedToTheViewer)
{
    auto unit = OpenUnit();
    CommandBlock answer{};
    EXPECT_EQ(protocol.Transact(kReadConfigWord, answer), 0xF00D);
    EXPECT_EQ(answer[3], 0);  // page and index repeated
    EXPECT_EQ(answer[4], 10);
    ASSERT_EQ(viewer.Kinds(), (std::vector<int32_t>{kSent, kAnswer}));
    EXPECT_EQ(viewer.records[0].bytes, kReadConfigWord);
    EXPECT_EQ(viewer.records[1].bytes, answer);
    EXPECT_EQ(viewer.records[0].text, "");
    EXPECT_EQ(viewer.records[0].program, CurrentProgramName());
    EXPECT_EQ(unit->LoggedCodes(), std::vector<uint16_t>{0xF00D});
}

struct FaultCase {
    const char* name;
    SimFaults faults;
    int result;                   // of the transaction
    std::vector<int32_t> kinds;   // viewer records
    size_t sendings;              // commands the unit received
    uint64_t elapsedMs;           // clock time spent
};

class TransactFaultTest : public DeviceTestBed, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(TransactFaultTest, LongCommand)
{
    const FaultCase& c = GetParam();
    auto unit = OpenUnit();
    unit->SetFaults(c.faults);
    const uint64_t start = clock.NowMs();
    CommandBlock answer{};
    EXPECT_EQ(protocol.Transact(kReadConfigWord, answer), c.result);
    EXPECT_EQ(viewer.Kinds(), c.kinds);
    EXPECT_EQ(unit->Log().size(), c.sendings);
    EXPECT_EQ(clock.NowMs() - start, c.elapsedMs);
    // The link is still usable afterwards.
    unit->SetFaults({});
    EXPECT_EQ(protocol.Transact(kReadConfigWord, answer), 0xF00D);
}

SimFaults Faults(void (*set)(SimFaults&))
{
    SimFaults f;
    set(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TransactFaultTest,
    ::testing::Values(
        FaultCase{"silent", Faults([](SimFaults& f) { f.silent = true; }), -1, {kSent, kResent}, 2, 2000},
        FaultCase{"firstAnswerLost", Faults([](SimFaults& f) { f.loseAnswers = 1; }), 0xF00D,
                  {kSent, kResent, kAnswer}, 2, 1000},
        FaultCase{"noAnswerWord", Faults([](SimFaults& f) { f.answerFFFF = true; }), -1, {kSent, kAnswer}, 1, 0},
        // Every answer repeats a wrong page: 40 reads, reopen, send again, 40 more.
        FaultCase{"wrongEcho", Faults([](SimFaults& f) { f.wrongEcho = true; f.repeatAnswers = 40; }), -1,
                  Repeat({{kSent, 1}, {kRejected, 40}, {kResent, 1}, {kRejected, 40}}), 2, 0},
        // Error answers are matching answers; the caller decodes them.
        FaultCase{"error", Faults([](SimFaults& f) { f.errorNumber = 0xFD; }), 0xF00D, {kSent, kAnswer}, 1, 0},
        // The late answer to the first sending arrives while the second waits.
        FaultCase{"late", Faults([](SimFaults& f) { f.answerDelayMs = 1500; }), 0xF00D,
                  {kSent, kResent, kAnswer}, 2, 1500}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(TransactTest, StaleAnswerIsPassedOverByTheNextCommand)
{
    auto unit = OpenUnit();
    unit->SetFaults(Faults([](SimFaults& f) { f.answerDelayMs = 1500; }));
    CommandBlock answer{};
    ASSERT_EQ(protocol.Transact(kReadConfigWord, answer), 0xF00D);
    unit->SetFaults({});
    clock.Advance(5000);  // the second sending's answer is waiting now
    viewer.records.clear();
    EXPECT_EQ(protocol.SendShortCommand(0x9000), 0x9417);
    EXPECT_EQ(viewer.Kinds(), (std::vector<int32_t>{kSent, kRejected, kAnswer}));
    EXPECT_EQ(viewer.records[1].bytes[1], 0x0D);
}

TEST_F(TransactTest, ReadEntryThatCannotBeReopenedClosesTheUnit)
{
    auto unit = OpenUnit();
    bus.HoldExclusively(protocol.GetDevicePath(), true);  // open handles keep working, new opens fail
    unit->SetFaults(Faults([](SimFaults& f) { f.wrongEcho = true; f.repeatAnswers = 40; }));
    CommandBlock answer{};
    EXPECT_EQ(protocol.Transact(kReadConfigWord, answer), -1);
    EXPECT_EQ(viewer.Kinds(), Repeat({{kSent, 1}, {kRejected, 40}}));
    EXPECT_EQ(unit->Log().size(), 1u);
    EXPECT_FALSE(protocol.IsOpen());
    EXPECT_EQ(protocol.SendShortCommand(0x0555), -1);
    EXPECT_EQ(unit->Log().size(), 1u);
}

// A unit that leaves the bus with the command: the read fails at once and counts
// as a time-out, the second sending cannot be written, and the transaction ends
// without waiting out a time-out on a handle nothing can arrive on.
TEST_F(TransactTest, UnitGoneWithTheCommandEndsItWithoutWaiting)
{
    const std::vector<std::pair<const char*, std::function<int()>>> commands = {
        {"long", [&] { CommandBlock answer{}; return protocol.Transact(kReadConfigWord, answer); }},
        {"short", [&] { return protocol.SendShortCommand(0x9000); }},
    };
    for (const auto& [what, run] : commands) {
        SCOPED_TRACE(what);
        auto unit = OpenUnit();
        SimTransactionFault unplug;
        unplug.kind = SimTransactionFault::Kind::Unplug;
        unit->FailTransaction(unplug);
        const uint64_t start = clock.NowMs();
        EXPECT_EQ(run(), -1);
        EXPECT_EQ(clock.NowMs() - start, 0u);
        EXPECT_EQ(viewer.Kinds(), (std::vector<int32_t>{kSent, kResent}));
        EXPECT_EQ(unit->Log().size(), 1u);
        protocol.CloseUnit();
    }
}

TEST_F(TransactTest, ErrorAnswerIsHandedToTheCaller)
{
    auto unit = OpenUnit();
    unit->SetFaults(Faults([](SimFaults& f) { f.errorNumber = 0xFB; }));
    CommandBlock answer{};
    ASSERT_EQ(protocol.Transact(kReadConfigWord, answer), 0xF00D);
    EXPECT_EQ(answer[2] & 0x80, 0x80);
    EXPECT_EQ(answer[7], 0xFB);
}

TEST_F(TransactTest, ShortCommandRetries)
{
    auto unit = OpenUnit();
    // Forty answers that belong to something else, then silence: the command goes
    // out again without a reopen, and the second sending's answers are rejected too.
    SimFaults f;
    f.onlyFor = 0xA000;
    f.repeatAnswers = 40;
    unit->SetFaults(f);
    unit->WithState([](SimUnitState& s) { s.softwareVersionAnswer = 0xB072; });
    EXPECT_EQ(protocol.SendShortCommand(0xA000), -1);
    EXPECT_EQ(viewer.Kinds(), Repeat({{kSent, 1}, {kRejected, 40}, {kResent, 1}, {kRejected, 40}}));
    EXPECT_EQ(unit->LoggedCodes(), (std::vector<uint16_t>{0xA000, 0xA000}));
    EXPECT_EQ(viewer.records[0].bytes, (std::array<uint8_t, 8>{0xA0, 0x00, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(viewer.records[1].bytes, (std::array<uint8_t, 8>{0xB0, 0x72, 0, 0, 0, 0, 0, 0}));

    viewer.records.clear();
    unit->SetFaults(Faults([](SimFaults& x) { x.loseAnswers = 1; }));
    EXPECT_EQ(protocol.SendShortCommand(0x9000), 0x9417);
    EXPECT_EQ(viewer.Kinds(), (std::vector<int32_t>{kSent, kResent, kAnswer}));

    viewer.records.clear();
    unit->SetFaults(Faults([](SimFaults& x) { x.answerFFFF = true; }));
    EXPECT_EQ(protocol.SendShortCommand(0x9000), -1);
    EXPECT_EQ(viewer.Kinds(), (std::vector<int32_t>{kSent, kAnswer}));
}

TEST_F(TransactTest, WithoutViewerNothingIsCopied)
{
    auto unit = OpenUnit();
    viewer.running = false;
    unit->SetFaults(Faults([](SimFaults& f) { f.loseAnswers = 1; }));
    CommandBlock answer{};
    EXPECT_EQ(protocol.Transact(kReadConfigWord, answer), 0xF00D);
    EXPECT_EQ(protocol.SendShortCommand(0x9000), 0x9417);
    EXPECT_TRUE(viewer.records.empty());
}

// The viewer is looked up once and kept; a record it does not take drops it,
// and the next transaction looks for it again.
TEST_F(TransactTest, ViewerIsKeptUntilARecordDoesNotReachIt)
{
    (void)OpenUnit();
    viewer.lookups = 0;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(protocol.SendShortCommand(0x0555), 0x0555);
    EXPECT_EQ(viewer.lookups, 1);
    EXPECT_EQ(viewer.records.size(), 6u);

    viewer.running = false;  // the viewer closes
    EXPECT_EQ(protocol.SendShortCommand(0x0555), 0x0555);
    EXPECT_EQ(viewer.lookups, 1) << "the kept window is tried first";
    EXPECT_EQ(protocol.SendShortCommand(0x0555), 0x0555);
    EXPECT_EQ(viewer.lookups, 2) << "after the failed record it is looked for again";

    viewer.running = true;  // a viewer starts
    viewer.records.clear();
    CommandBlock answer{};
    EXPECT_EQ(protocol.Transact(kReadConfigWord, answer), 0xF00D);
    EXPECT_EQ(viewer.lookups, 3);
    EXPECT_EQ(viewer.Kinds(), (std::vector<int32_t>{kSent, kAnswer}));
}

TEST_F(TransactTest, BadLengthsFailWithoutSending)
{
    auto unit = OpenUnit();
    CommandBlock answer{};
    for (int length : {0, -1, 9, 100})
        EXPECT_EQ(protocol.Transact(kReadConfigWord, answer, length), -1) << length;
    EXPECT_TRUE(unit->Log().empty());
    // A shorter command is padded with zeros.
    EXPECT_EQ(protocol.Transact({0xF0, 0x03, 9, 9, 9, 9, 9, 9}, answer, 2), 0xF003);
    EXPECT_EQ(unit->Log().back().bytes, (SimBlock{0xF0, 0x03, 0, 0, 0, 0, 0, 0}));
}

// Units whose input reports are not 9 bytes: the answer block never takes more
// than its 8 bytes (the sanitizer build sees any overrun), a command longer than
// the reports is not sent, and a report too short for an answer word is no answer.
TEST_F(TransactTest, InputReportLengths)
{
    struct Case {
        uint16_t length;
        int transact;
        int shortCommand;
        size_t sendings;
    };
    for (const Case c : {Case{65, 0xF00D, 0x9417, 2}, Case{9, 0xF00D, 0x9417, 2}, Case{5, -1, 0x9417, 1}, Case{2, -1, -1, 1}}) {
        SCOPED_TRACE(c.length);
        CSimHidBus lengthBus;
        auto unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
        unit->SetInputReportLength(c.length);
        (void)lengthBus.Plug(unit);
        CHIDProtocol link(lengthBus);
        ASSERT_TRUE(link.OpenUnit(kFamilyFilter, false));
        CommandBlock answer{};
        EXPECT_EQ(link.Transact(kReadConfigWord, answer), c.transact);
        EXPECT_EQ(link.SendShortCommand(0x9000), c.shortCommand);
        EXPECT_EQ(unit->Log().size(), c.sendings);
    }
}

TEST_F(TransactTest, ViewerTextKeepsTheLastReportBytes)
{
    OpenUnit();
    EXPECT_EQ(protocol.SendShortCommand(0x9000), 0x9417);
    const auto viewerWindow = Windows().FindWindow(kViewerWindowTitle);
    protocol.SendViewerText(viewerWindow.get(), std::string(120, 'x'));
    protocol.SendViewerText(nullptr, "nobody listens");
    ASSERT_EQ(viewer.Kinds(), (std::vector<int32_t>{kSent, kAnswer, kText}));
    EXPECT_EQ(viewer.records[2].text, std::string(99, 'x'));
    EXPECT_EQ(viewer.records[2].bytes, viewer.records[1].bytes);
}

TEST(ViewerRecordTest, ExactBytes)
{
    ViewerRecord r;
    r.kind = 4;
    r.time = {2026, 12, 4, 10, 13, 5, 59, 999};
    r.program = std::string(70, 'p');  // cut to 59
    r.text = "Reset Device";
    r.bytes = {0xF0, 0x0D, 0x80, 0, 10, 0, 0, 0xFD};
    const ViewerRecordBytes b = EncodeViewerRecord(r);

    ViewerRecordBytes expected{};
    expected[0] = 4;
    const uint16_t time[8] = {2026, 12, 4, 10, 13, 5, 59, 999};
    for (size_t i = 0; i < 8; ++i) {
        expected[4 + 2 * i] = static_cast<uint8_t>(time[i] & 0xFF);
        expected[5 + 2 * i] = static_cast<uint8_t>(time[i] >> 8);
    }
    std::fill_n(expected.begin() + 20, 59, 'p');  // byte 79 stays NUL
    const std::string text = "Reset Device";
    std::copy(text.begin(), text.end(), expected.begin() + 80);
    std::copy(r.bytes.begin(), r.bytes.end(), expected.begin() + 180);
    EXPECT_EQ(b, expected);

    const auto back = DecodeViewerRecord(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->program, std::string(59, 'p'));
    EXPECT_EQ(back->text, "Reset Device");
    EXPECT_EQ(back->time.wMilliseconds, 999);
    EXPECT_EQ(back->bytes, r.bytes);

    ViewerRecord negative;
    negative.kind = -1;
    EXPECT_EQ(DecodeViewerRecord(EncodeViewerRecord(negative))->kind, -1);
}

TEST(ViewerRecordTest, DecoderTakesOnlyWholeRecords)
{
    const ViewerRecordBytes full{};
    EXPECT_FALSE(DecodeViewerRecord(std::span(full).first(187)));
    std::vector<uint8_t> longer(189, 0);
    EXPECT_FALSE(DecodeViewerRecord(longer));
    // Text fields without a terminating NUL end at the field's end.
    ViewerRecordBytes unterminated;
    unterminated.fill('a');
    const auto r = DecodeViewerRecord(unterminated);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->program.size(), 60u);
    EXPECT_EQ(r->text.size(), 100u);
}

TEST(ViewerRecordTest, ProgramNameFromPath)
{
    EXPECT_EQ(ProgramNameFromPath("/usr/bin/quorvel-vk550-config"), "quorvel-vk550-config");
    EXPECT_EQ(ProgramNameFromPath("dir/vk550ctl.exe"), "vk550ctl");
    EXPECT_EQ(ProgramNameFromPath("a.b.c"), "a.b");
    EXPECT_EQ(ProgramNameFromPath(".hidden"), ".hidden");
}

}  // namespace
}  // namespace vk::test
