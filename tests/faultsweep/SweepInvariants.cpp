#include "SweepInvariants.h"

#include "device/UnitTypes.h"

#include <algorithm>
#include <optional>
#include <map>
#include <set>
#include <sstream>

namespace vk::faultsweep {

namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The type a unit has: its flags word's type and its product id. (A name cut
// short by a fault is not a type; the next assignment writes it whole.)
std::string TypeOf(const SimUnitState& s)
{
    std::ostringstream out;
    out << "type " << UnitTypeFromFlags(static_cast<uint16_t>(s.Value(0, 10))) << std::hex << " pid 0x" << s.Value(0, 2);
    return out.str();
}

// A read whose answer the wizard builds writes from, and the writes it builds.
struct ReadAndWrites {
    std::string read;                 // the read command's first bytes
    std::vector<std::string> writes;  // first bytes of the writes built from it
    const char* what;
};

// The reads a faulted command may be: controller lines, the slave address
// (either half), a channel record (F0 01 asks for one item of channel c).
std::optional<ReadAndWrites> ReadOf(const std::string& command)
{
    // Both words are written with all lines set first (F0 10 0B 01 FF FF FF FF);
    // one line alone (SetPicLine) is not built from a read.
    if (StartsWith(command, "F0 11 0A"))
        return ReadAndWrites{"F0 11 0A", {"F0 10 0B 01 FF FF FF FF", "F0 0E 00 07"}, "controller lines"};
    if (StartsWith(command, "34 FF") || StartsWith(command, "36 FF"))
        return ReadAndWrites{command.substr(0, 5), {"24 ", "25 ", "26 ", "27 "}, "slave address"};
    // A channel's whole record (items 1 and 2), which the inputs page shows and
    // writes back; reading one item to flip its flag builds only that write.
    if (StartsWith(command, "F0 01 ") && command.substr(9) == "01 00 02 00") {
        const std::string channel = command.substr(6, 2);
        return ReadAndWrites{command, {"F0 00 " + channel}, "channel record"};
    }
    return std::nullopt;
}

// Nothing is built from a read that failed: after the faulted read, no write of
// what it reads goes out until the same read has been made again (and answered).
void CheckWritesFromFailedRead(const RunResult& run, const SweepFault& fault, std::vector<Violation>& out)
{
    if (fault.fault.kind == SimTransactionFault::Kind::Unplug)
        return;  // nothing more reaches the unit
    const std::vector<std::string> commands = CommandsOf(run, fault.unit);
    const size_t k = fault.fault.at;
    if (k == 0 || k > commands.size())
        return;
    const auto read = ReadOf(commands[k - 1]);
    if (!read)
        return;
    for (size_t i = k; i < commands.size(); ++i) {
        const std::string& command = commands[i];
        if (StartsWith(command, read->read))
            return;  // read again
        for (const std::string& write : read->writes)
            if (StartsWith(command, write)) {
                out.push_back({std::string("write built from a failed read of the ") + read->what, command});
                return;
            }
    }
}

// A store the unit received and never answered, followed by the finished page
// without the store-failure box (the page then shows its success text).
void CheckStore(const RunResult& run, std::vector<Violation>& out)
{
    std::map<std::string, bool> storePending;  // unit number -> a store still unanswered
    bool told = false;
    for (const std::string& line : run.transcript) {
        if (line.size() > 3 && line.substr(1, 2) == "> " && line.substr(3, 5) == "B7 FF") {
            storePending[line.substr(0, 1)] = true;
            told = false;
        } else if (line.size() > 3 && line.substr(1, 2) == "< " && line.substr(3, 2) == "B7") {
            storePending[line.substr(0, 1)] = false;
        } else if (StartsWith(line, "box exclamation \"Dravena store failure\"")) {
            told = true;
        } else if (line == "page 13") {
            for (const auto& [unit, pending] : storePending)
                if (pending && !told)
                    out.push_back({"success after a failed store", "unit " + unit + " never answered its store"});
        }
    }
}

void CheckSettings(const RunResult& baseline, const RunResult& run, std::vector<Violation>& out)
{
    std::set<std::string> designed;
    for (const std::string& line : baseline.transcript)
        if (StartsWith(line, "setting \""))
            designed.insert(line);
    std::map<std::string, std::string> last;
    for (const std::string& line : run.transcript) {
        if (!StartsWith(line, "setting \""))
            continue;
        if (!designed.contains(line))
            out.push_back({"setting the road does not write", line});
        const size_t eq = line.find("\" = ");
        if (eq != std::string::npos)
            last[line.substr(9, eq - 9)] = line.substr(eq + 4);
    }
    for (const auto& [name, value] : run.settingsAfter)
        if (!value || *value != last[name])
            out.push_back({"settings file does not hold what was written", name});
}

}  // namespace

std::vector<Violation> CheckRun(const RunResult& baseline, const RunResult& run, const SweepFault& fault)
{
    std::vector<Violation> out;
    for (const std::string& line : run.transcript) {
        if (line == "stalled")
            out.push_back({"stalled", ""});
        if (StartsWith(line, "unknown command"))
            out.push_back({"unknown command", line});
    }
    const uint64_t delay = fault.fault.kind == SimTransactionFault::Kind::Delay ? fault.fault.value : 0;
    if (run.virtualMs > baseline.virtualMs + kLongestDesignedWaitMs + kVirtualMarginMs + delay)
        out.push_back({"virtual time", std::to_string(run.virtualMs) + " ms"});
    if (run.realMs > kRealBoundMs)
        out.push_back({"real time", std::to_string(static_cast<long>(run.realMs)) + " ms"});

    const size_t units = std::min({run.units.size(), run.unitsAtStart.size(), baseline.units.size()});
    // A unit unplugged between its flags word and its product id has half a
    // type whatever the wizard does; the user is told, and the next assignment
    // writes it whole.
    const bool unplugged = fault.fault.kind == SimTransactionFault::Kind::Unplug;
    for (size_t i = 0; i < units && !unplugged; ++i) {
        const std::string start = TypeOf(run.unitsAtStart[i]);
        const std::string end = TypeOf(run.units[i].state);
        if (end != start && end != TypeOf(baseline.units[i].state))
            out.push_back({"unit type neither kept nor asked", "unit " + std::to_string(i + 1) + ": " + end});
    }
    CheckWritesFromFailedRead(run, fault, out);
    CheckStore(run, out);
    CheckSettings(baseline, run, out);
    return out;
}

}  // namespace vk::faultsweep
