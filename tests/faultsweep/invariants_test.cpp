// Every invariant of the sweeps is shown to fail: small hand-made runs, each
// breaking one invariant (and only that one), beside runs that hold.
#include "SweepInvariants.h"

#include "inputs/InputChannelCoding.h"

#include <gtest/gtest.h>

#include <set>

namespace vk::faultsweep {
namespace {

using Kind = SimTransactionFault::Kind;

// "1> B7 FF" -> "1> B7 FF 00 00 00 00 00 00": unit lines padded to 8 bytes.
std::vector<std::string> Padded(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (std::string line : lines) {
        if (line.size() > 2 && (line[1] == '>' || line[1] == '<') && line[2] == ' ')
            while (line.size() < 3 + 8 * 3 - 1)
                line += " 00";
        out.push_back(line);
    }
    return out;
}

// A stand-alone unit opened and pinned on page 2; the road writes a channel record.
const std::vector<std::string> kOpened = {"1> 90 00", "1< 94 17", "1> A0 00", "1< A0 72", "1> A4 00", "1< A4 16", "page 2"};

std::vector<std::string> Opened(std::vector<std::string> more)
{
    std::vector<std::string> lines = kOpened;
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

SimUnitState WithFlags(uint16_t flags)
{
    SimUnitState s;
    s.SetValue(0, 10, flags);
    s.SetValue(0, 2, 0x0117);
    return s;
}

struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* fires;  // the one invariant the run breaks; "" when it holds
    bool walk = false;  // judged as a generated run (CheckWalk) instead of against the baseline
    SweepFault fault{};
    int exitCode = 0;
    std::optional<std::string> scriptError{};
    uint64_t virtualMs = 1000;
    double realMs = 10;
    std::vector<bool> present{true};
    std::optional<uint16_t> endFlags{};  // the unit's flags word at the end (started stand-alone)
    std::vector<std::pair<std::string, std::optional<std::string>>> settingsAfter{};
    bool endStored = false;  // the unit keeps what it holds at the end
    std::optional<uint32_t> endLines{};  // the live controller lines at the end (else none high)
    std::optional<uint32_t> endKept{};   // the line words kept over a power cycle (else none high)
};

uint32_t LinesOf(const PicLineWords& words) { return static_cast<uint32_t>(words[0]) << 16 | words[1]; }

// Lines that say what no line high says (every input's gain and supply alike)
// in another coding: the supply of the first input whose coding is not unique.
uint32_t SameInputsOtherCoding()
{
    const PicLineWords none{};
    for (int c = 0; c < kInputChannels; ++c) {
        PicLineWords coded = none;
        EncodePhantom(coded, c, DecodePhantom(none, c));
        if (coded != none)
            return LinesOf(coded);
    }
    return 0;
}

const char* const kLoadStored =
    "box information \"Unit configuration file\" \"Loading unit.toml: 2 changes applied, read back and stored in "
    "the unit.\" -> ok";
const char* const kLoadFailed =
    "box exclamation \"Unit configuration file\" \"Applying unit.toml failed at the channel 1.\" -> ok";

SweepFault At(int unit, size_t k, Kind kind) { return {unit, {kind, static_cast<uint32_t>(k), {}, 0}}; }

const std::vector<std::string> kStore = {"1> B7 FF", "1< B7 01", "1> B1 00", "1< B1 00", "1> B1 02", "1< B1 02"};

std::vector<std::string> Finished(std::vector<std::string> store, const char* title)
{
    std::vector<std::string> lines = Opened({"page 7"});
    lines.insert(lines.end(), store.begin(), store.end());
    lines.push_back("page 13");
    lines.push_back(std::string("title \"") + title + "\"");
    return lines;
}

constexpr const char* kSuccess = "Stand Alone unit configuration ended succesfully.";
constexpr const char* kFailure = "The settings were not stored in the unit.";

const Case kCases[] = {
    {"a clean road holds", Opened({"1> F0 00 01 00 01 00 00 00", "1< F0 00 01"}), ""},
    // liveness
    {"a crash", Opened({}), "abnormal end", false, {}, 134},
    {"a stall", Opened({"stalled"}), "stalled"},
    {"an unknown command", Opened({"unknown command 1> F0 7F"}), "unknown command"},
    {"virtual time beyond the designed waits", Opened({}), "virtual time", false, {}, 0, {}, 10'000'000},
    {"real time beyond its bound", Opened({}), "real time", false, {}, 0, {}, 1000, 60'000},
    // the unit's type
    {"a type nobody asked for", Opened({}), "unit type neither kept nor asked", false, {}, 0, {}, 1000, 10, {true},
     0xC001},
    {"the type kept", Opened({}), "", false, {}, 0, {}, 1000, 10, {true}, 0x8001},
    // writes built from a failed read (the faulted command is unit 1's K-th)
    {"a channel record written after its read failed",
     Opened({"1> F0 01 02 00 01 00 02 00", "1> F0 00 02 00 01 00 00 00", "1< F0 00 02"}),
     "write built from a failed read of the channel record", false, At(1, 4, Kind::Silent)},
    {"a channel record written after it was read again",
     Opened({"1> F0 01 02 00 01 00 02 00", "1> F0 01 02 00 01 00 02 00", "1< F0 01 02 00 01 00 02 00",
             "1> F0 00 02 00 01 00 00 00", "1< F0 00 02"}),
     "", false, At(1, 4, Kind::Silent)},
    {"another channel written after one read failed",
     Opened({"1> F0 01 02 00 01 00 02 00", "1> F0 00 03 00 01 00 00 00", "1< F0 00 03"}), "", false,
     At(1, 4, Kind::Error)},
    {"controller lines written after their read failed", Opened({"1> F0 11 0A", "1> F0 10 0B 01 FF FF FF FF"}),
     "write built from a failed read of the controller lines", false, At(1, 4, Kind::Echo)},
    {"the slave address written after its read failed", Opened({"1> 34 FF", "1< FF FF", "1> 25 5A", "1< 25 5A"}),
     "write built from a failed read of the slave address", false, At(1, 4, Kind::Error)},
    {"the wizard's fixed set-up commands after a failed address read",
     Opened({"1> 34 FF", "1< FF FF", "1> 24 5A", "1< 24 5A", "1> 26 06", "1< 26 06", "1> 27 20", "1< 27 20"}), "", false,
     At(1, 4, Kind::Error)},
    // a configuration load
    {"a load called stored that left the unit as the faultless load does",
     Opened({kLoadStored}), "", false, At(1, 4, Kind::Error), 0, {}, 1000, 10, {true}, {}, {}, true},
    {"a load called stored that left the unit other settings", Opened({kLoadStored}),
     "load called stored but the unit holds other settings", false, At(1, 4, Kind::Error), 0, {}, 1000, 10, {true},
     0x800B, {}, true},
    {"a load called stored that the unit did not store", Opened({kLoadStored}),
     "load called stored but the unit did not store", false, At(1, 4, Kind::Error)},
    {"a load called stored whose inputs say the same in another coding", Opened({kLoadStored}), "", false,
     At(1, 4, Kind::Error), 0, {}, 1000, 10, {true}, {}, {}, true, SameInputsOtherCoding(), SameInputsOtherCoding()},
    {"a load called stored that left an input another supply", Opened({kLoadStored}),
     "load called stored but the unit holds other settings", false, At(1, 4, Kind::Error), 0, {}, 1000, 10, {true},
     {}, {}, true, 0xFFFFFFFF, 0xFFFFFFFF},
    {"a load called stored whose kept lines are not its live ones", Opened({kLoadStored}),
     "load called stored but the unit did not store", false, At(1, 4, Kind::Error), 0, {}, 1000, 10, {true}, {}, {},
     true, 0, SameInputsOtherCoding()},
    {"a load that says it failed", Opened({kLoadFailed}), "", false, At(1, 4, Kind::Error), 0, {}, 1000, 10, {true},
     0x800B},
    // the store
    {"success after a whole store", Finished(kStore, kSuccess), ""},
    {"success with 0xB7FF unanswered", Finished({"1> B7 FF"}, kSuccess), "success after a failed store"},
    {"success with 0xB7FF rejected", Finished({"1> B7 FF", "1< FF FF", "1> B1 00", "1< B1 00", "1> B1 02", "1< B1 02"}, kSuccess),
     "success after a failed store"},
    {"success with 0xB100 rejected", Finished({"1> B7 FF", "1< B7 01", "1> B1 00", "1< FF FF", "1> B1 02", "1< B1 02"}, kSuccess),
     "success after a failed store"},
    {"success with 0xB102 unanswered", Finished({"1> B7 FF", "1< B7 01", "1> B1 00", "1< B1 00", "1> B1 02"}, kSuccess),
     "success after a failed store"},
    {"the failure title after 0xB102 unanswered", Finished({"1> B7 FF", "1< B7 01", "1> B1 00", "1< B1 00", "1> B1 02"}, kFailure),
     ""},
    {"nothing to store is no failure", Finished({"1> B7 FF", "1< B7 00"}, kSuccess), ""},
    {"no title (real stack): page 13 without the box after a silent store",
     Opened({"1> B7 FF", "page 13"}), "success after a failed store"},
    {"no title (real stack): page 13 with the box",
     Opened({"1> B7 FF", "box exclamation \"Dravena store failure\" \"...\" -> ok", "page 13"}), ""},
    // the pin
    {"a write into a unit plugged beside the pinned one",
     Opened({"unit 3 plugged", "3> 90 00", "3< 94 17", "3> F0 00 01 00 01 00 00 00"}),
     "write into a unit other than the pinned one"},
    {"closing writes into the pinned unit after page 0",
     Opened({"page 7", "unit 2 plugged", "page 0", "1> F0 00 01 00 01 00 00 00", "1> 54 0C", "2> 90 00", "2< 94 17",
             "page 1", "2> F0 10 0B 01 FF FF FF FF"}),
     ""},
    {"closing writes into the unit page 0 opened",
     Opened({"page 7", "unit 2 plugged", "page 0", "2> 90 00", "2< 94 17", "2> F0 00 01 00 01 00 00 00"}),
     "write into a unit other than the pinned one"},
    {"a write before any unit was pinned", {"1> 90 00", "1> F0 00 01 00 01 00 00 00", "page 1"},
     "write into a unit other than the pinned one"},
    {"reads of a bystander are no writes", Opened({"2> 05 55", "2> 63 00", "2> F0 01 01 00 01 00 02 00", "2> 34 FF"}),
     ""},
    {"the unit report on page 0 switches the interface line of the unit it reports on",
     Opened({"page 7", "unit 2 plugged", "page 0", "2> 90 00", "2< 94 17", "2> 41 FF", "2> 20 80", "2> 21 80",
             "box information \"Dravena Device Info\" \"Connected to ...\" -> ok"}),
     ""},
    {"the same switch without the report is a write",
     Opened({"page 7", "unit 2 plugged", "page 0", "2> 90 00", "2< 94 17", "2> 20 80", "page 0"}),
     "write into a unit other than the pinned one"},
    {"a replugged unit is the same unit", Opened({"unit 1 unplugged", "unit 1 plugged", "1> 90 00", "1> 54 0C"}), ""},
    // a unit the road leaves alone (unit 2 gets only reads in the baseline)
    {"a write into the road's bystander, pinned instead of the road's unit",
     {"1> 90 00", "1< 94 17", "2> 90 00", "2< 94 17", "page 2", "2> 24 5A", "2< 24 5A"},
     "write into a unit the road leaves alone"},
    // settings
    {"a setting the road does not write", Opened({"setting \"Speaker Volume\" = dword 0x00000001"}),
     "setting the road does not write", false, {}, 0, {}, 1000, 10, {true}, {},
     {{"Speaker Volume", "dword 0x00000001"}}},
    {"a setting the file does not hold", Opened({"setting \"Speaker Volume\" = dword 0x00000010"}),
     "settings file does not hold what was written", false, {}, 0, {}, 1000, 10, {true}, {},
     {{"Speaker Volume", std::nullopt}}},
    // where a generated run rests
    {"left on the inputs page with its unit gone", Opened({"page 7", "unit 1 unplugged"}),
     "ends on a page without its unit", true, {}, 0, {}, 1000, 10, {false}},
    {"back on page 0 with its unit gone", Opened({"page 7", "unit 1 unplugged", "page 0"}), "", true, {}, 0, {},
     1000, 10, {false}},
    {"on the inputs page with its unit there", Opened({"page 7"}), "", true},
    {"the wizard ended, its unit gone", Opened({"page 13", "title \"The settings were not stored in the unit.\"",
                                                "unit 1 unplugged", "end 1"}),
     "", true, {}, 0, {}, 1000, 10, {false}},
    {"a walk's step after the wizard ended", Opened({"end 1"}), "", true, {}, 2, "17: the wizard has ended"},
    {"a walk whose script cannot run", Opened({}), "script cannot run", true, {}, 2, "3: no unit 4"},
};

RunResult Baseline()
{
    RunResult b;
    b.transcript = Padded(Opened({"2> 05 55", "1> F0 00 01 00 01 00 00 00", "setting \"Speaker Volume\" = dword 0x00000010"}));
    b.units = {{WithFlags(0x8001), true}};
    b.unitsAtStart = {WithFlags(0x8001)};
    b.virtualMs = 1000;
    return b;
}

RunResult RunOf(const Case& c)
{
    RunResult r;
    r.transcript = Padded(c.lines);
    r.exitCode = c.exitCode;
    r.scriptError = c.scriptError;
    r.virtualMs = c.virtualMs;
    r.realMs = c.realMs;
    for (const bool present : c.present) {
        r.units.push_back({WithFlags(c.endFlags.value_or(0x8001)), present});
        SimUnitState& state = r.units.back().state;
        state.picLines = c.endLines.value_or(0);
        const uint32_t kept = c.endKept.value_or(0);
        state.parameters[state.StoredLinesPlace()] = {static_cast<uint16_t>(kept >> 16), static_cast<uint16_t>(kept)};
        if (c.endStored)
            state.KeepLiveSettings();
    }
    r.unitsAtStart = {WithFlags(0x8001)};
    r.settingsAfter = c.settingsAfter;
    return r;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class InvariantsTest : public testing::TestWithParam<Case> {};

TEST_P(InvariantsTest, FiresExactlyWhereBroken)
{
    const Case& c = GetParam();
    const RunResult run = RunOf(c);
    const std::vector<Violation> found = c.walk ? CheckWalk(run, 1000) : CheckRun(Baseline(), run, c.fault);
    std::set<std::string> names;
    std::string details;
    for (const Violation& v : found) {
        names.insert(v.invariant);
        details += v.invariant + ": " + v.detail + "\n";
    }
    if (std::string(c.fires).empty())
        EXPECT_TRUE(names.empty()) << details;
    else
        EXPECT_EQ(names, std::set<std::string>{c.fires}) << details;
}

std::string CaseName(const testing::TestParamInfo<Case>& info)
{
    std::string name;
    for (const char* p = info.param.name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Runs, InvariantsTest, testing::ValuesIn(kCases), CaseName);

}  // namespace
}  // namespace vk::faultsweep
