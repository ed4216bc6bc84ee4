#include "SweepInvariants.h"

#include "StepInterpreter.h"
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

// The commands that put into the unit what the wizard built from what it read
// or what the user chose: controller lines (F0 10), channel records (F0 00),
// parameters (F0 0C, F0 0E) and the slave address (short codes 0x24..0x27).
bool WritesUnitMemory(const std::string& command)
{
    for (const char* prefix : {"F0 10", "F0 00", "F0 0C", "F0 0E", "24 ", "25 ", "26 ", "27 "})
        if (StartsWith(command, prefix))
            return true;
    return false;
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
        // A word built from the read goes out low byte set first (0x25xx); the
        // wizard's fixed set-up commands (0x245A, 0x2606, 0x2720) are no such word.
        return ReadAndWrites{command.substr(0, 5), {"25 "}, "slave address"};
    // A channel's whole record (items 1 and 2, bytes 4 and 6: "F0 01 cc 00 01 00
    // 02 00"), which the inputs page shows and writes back; reading one item to
    // flip its flag builds only that write.
    if (StartsWith(command, "F0 01 ") && command.size() >= 23 && command.substr(12, 11) == "01 00 02 00") {
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

// A unit the road never writes into (a master beside the slave being
// configured) gets no writes in a faulty run either, until the wizard has
// started again from page 0 (where the user may go on with that unit).
void CheckBystanders(const RunResult& baseline, const RunResult& run, std::vector<Violation>& out)
{
    std::set<std::string> bystanders;  // "N> "
    for (int unit = 1; unit <= UnitsOf(baseline); ++unit) {
        const std::vector<std::string> road = CommandsOf(baseline, unit);
        if (std::none_of(road.begin(), road.end(), WritesUnitMemory))
            bystanders.insert(std::to_string(unit) + "> ");
    }
    for (const std::string& line : run.transcript) {
        if (line == "page 0")
            return;
        if (line.size() > 3 && bystanders.contains(line.substr(0, 3)) && WritesUnitMemory(line.substr(3))) {
            out.push_back({"write into a unit the road leaves alone", line});
            return;
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

void CheckLiveness(const RunResult& run, uint64_t boundMs, std::vector<Violation>& out)
{
    if (run.exitCode > scenario::kRunScriptError)
        out.push_back({"abnormal end", "exit " + std::to_string(run.exitCode)});
    for (const std::string& line : run.transcript) {
        if (line == "stalled")
            out.push_back({"stalled", ""});
        if (StartsWith(line, "unknown command"))
            out.push_back({"unknown command", line});
    }
    if (run.virtualMs > boundMs + kLongestDesignedWaitMs + kVirtualMarginMs)
        out.push_back({"virtual time", std::to_string(run.virtualMs) + " ms"});
}

std::vector<Violation> CheckRun(const RunResult& baseline, const RunResult& run, const SweepFault& fault)
{
    std::vector<Violation> out;
    const uint64_t delay = fault.fault.kind == SimTransactionFault::Kind::Delay ? fault.fault.value : 0;
    CheckLiveness(run, baseline.virtualMs + delay, out);
    // On the real stack (no unit states) every command of the road may wait out
    // its real 1000 ms time-out before the device watch sees a unit go.
    double realBound = kRealBoundMs;
    if (run.units.empty())
        for (int unit = 1; unit <= UnitsOf(baseline); ++unit)
            realBound += 1000.0 * static_cast<double>(CommandsOf(baseline, unit).size());
    if (run.realMs > realBound)
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
    CheckLoad(baseline, run, out);
    CheckBystanders(baseline, run, out);
    CheckPinnedWrites(run, out);
    CheckSettings(baseline, run, out);
    return out;
}

}  // namespace vk::faultsweep
