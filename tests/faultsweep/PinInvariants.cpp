// The wizard configures one unit at a time, the one it opened last before it
// showed page 1 or 2 (its identity reads); every write goes only to that unit
// until the wizard is back on page 0, and after that only the closing writes
// of the page that ended may still go to it, to no other unit.
#include "SweepInvariants.h"
#include "UnitCommands.h"

#include <optional>

namespace vk::faultsweep {

namespace {

struct UnitLine {
    int unit = 0;
    std::string command;
};

// "N> XX ..." -> N and the command.
std::optional<UnitLine> CommandLine(const std::string& line)
{
    if (line.size() < 4 || line[0] < '1' || line[0] > '9' || line[1] != '>' || line[2] != ' ')
        return std::nullopt;
    return UnitLine{line[0] - '0', line.substr(3)};
}

std::optional<int> PageLine(const std::string& line)
{
    if (line.rfind("page ", 0) != 0)
        return std::nullopt;
    try {
        return std::stoi(line.substr(5));
    } catch (...) {
        return std::nullopt;
    }
}

// Follows the epochs of a transcript: the unit pinned in each, and the one
// that may still take the closing writes after it.
class CPinTracker {
public:
    void Page(int page)
    {
        if (page == 0) {
            if (m_pinned)
                m_closing = m_pinned;
            m_pinned = 0;
            m_inEpoch = false;
        } else if (!m_inEpoch) {
            m_inEpoch = true;
            m_pinned = m_lastOpened;
        }
    }
    void Command(const UnitLine& c)
    {
        if (IsIdentityRead(c.command))
            m_lastOpened = c.unit;
    }
    // The unit that may take writes now (0: none).
    [[nodiscard]] int Allowed() const { return m_inEpoch ? m_pinned : m_closing; }
    [[nodiscard]] bool InEpoch() const { return m_inEpoch; }
    [[nodiscard]] int Pinned() const { return m_pinned; }

private:
    bool m_inEpoch = false;
    int m_pinned = 0;
    int m_closing = 0;
    int m_lastOpened = 0;
};

// The unit report switches the interface board's line off and on (0x2080,
// 0x2180) to find the board: on page 0, where no unit is being configured, it
// is the report the user asked for about the unit page 0 shows, not a write
// of anybody's settings. Such a switch is told by the report's box that
// follows it before the next page.
bool IsReportLineSwitch(const std::vector<std::string>& transcript, size_t at, const std::string& command)
{
    if (command.rfind("20 80", 0) != 0 && command.rfind("21 80", 0) != 0)
        return false;
    for (size_t i = at + 1; i < transcript.size(); ++i) {
        const std::string& line = transcript[i];
        if (line.rfind("page ", 0) == 0)
            return false;
        if (line.rfind("box ", 0) == 0)
            return line.rfind("box information \"Dravena Device Info\"", 0) == 0;
    }
    return false;
}

}  // namespace

void CheckPinnedWrites(const RunResult& run, std::vector<Violation>& out)
{
    CPinTracker pin;
    for (size_t at = 0; at < run.transcript.size(); ++at) {
        const std::string& line = run.transcript[at];
        if (const auto page = PageLine(line)) {
            pin.Page(*page);
            continue;
        }
        const auto command = CommandLine(line);
        if (!command)
            continue;
        pin.Command(*command);
        if (!ChangesUnit(command->command) || command->unit == pin.Allowed())
            continue;
        if (!pin.InEpoch() && IsReportLineSwitch(run.transcript, at, command->command))
            continue;
        const std::string where = pin.InEpoch() ? "pinned unit " + std::to_string(pin.Allowed())
                                                : "after page 0, closing unit " + std::to_string(pin.Allowed());
        out.push_back({"write into a unit other than the pinned one", line + " (" + where + ")"});
        return;  // the first one tells; the rest follow from it
    }
}

int FirstPinnedUnit(const RunResult& run)
{
    CPinTracker pin;
    for (const std::string& line : run.transcript) {
        if (const auto page = PageLine(line)) {
            pin.Page(*page);
            if (pin.InEpoch())
                return pin.Pinned();
        } else if (const auto command = CommandLine(line)) {
            pin.Command(*command);
        }
    }
    return 0;
}

void CheckEndState(const RunResult& run, std::vector<Violation>& out)
{
    CPinTracker pin;
    std::optional<int> last;
    for (const std::string& line : run.transcript) {
        if (line.rfind("end ", 0) == 0 || line.rfind("exit ", 0) == 0)
            return;  // the wizard ended
        if (const auto page = PageLine(line)) {
            pin.Page(*page);
            last = page;
        } else if (const auto command = CommandLine(line)) {
            pin.Command(*command);
        }
    }
    if (!last || *last <= 2 || run.units.empty())
        return;
    const int pinned = pin.Pinned();
    if (pinned < 1 || static_cast<size_t>(pinned) > run.units.size() || !run.units[pinned - 1].present)
        out.push_back({"ends on a page without its unit",
                       "page " + std::to_string(*last) + ", pinned unit " + std::to_string(pinned) + " gone"});
}

}  // namespace vk::faultsweep
