#pragma once
// The commands a unit should receive, written as the protocol operations that
// send them. They are played against a copy of the unit (same state, same
// faults) on a bus of their own, which gives the exact bytes to compare with
// what the unit under test logged.

#include "device/HIDProtocol.h"
#include "sim/hid/SimHidBus.h"

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace vk::testing {

using UnitOp = std::function<void(CHIDProtocol&)>;

inline UnitOp Short(uint16_t code)
{
    return [code](CHIDProtocol& p) { (void)p.SendShortCommand(code); };
}

inline std::vector<UnitOp> Shorts(std::initializer_list<uint16_t> codes)
{
    std::vector<UnitOp> ops;
    for (uint16_t code : codes)
        ops.push_back(Short(code));
    return ops;
}

inline void Append(std::vector<UnitOp>& ops, const std::vector<UnitOp>& more)
{
    ops.insert(ops.end(), more.begin(), more.end());
}

// One line per command: the 8 bytes in upper-case hex.
inline std::vector<std::string> HexLog(const CSimUnit& unit)
{
    std::vector<std::string> lines;
    for (const SimLoggedCommand& c : unit.Log()) {
        char text[32];
        std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X %02X %02X", c.bytes[0], c.bytes[1],
                      c.bytes[2], c.bytes[3], c.bytes[4], c.bytes[5], c.bytes[6], c.bytes[7]);
        lines.emplace_back(text);
    }
    return lines;
}

// The log up to and including the first reset command (all of it without one).
inline std::vector<std::string> UpToReset(std::vector<std::string> log)
{
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].starts_with("06 66")) {
            log.resize(i + 1);
            break;
        }
    return log;
}

inline std::vector<std::string> ExpectedLog(const SimUnitState& state, const SimFaults& faults,
                                            const std::vector<UnitOp>& ops)
{
    auto unit = std::make_shared<CSimUnit>(state);
    CSimHidBus bus;
    bus.Plug(unit);
    CHIDProtocol protocol(bus);
    (void)protocol.OpenUnit(kFamilyFilter, true);
    unit->ClearLog();
    unit->SetFaults(faults);
    unit->SetResetTiming({std::nullopt, std::nullopt});  // a reset here only logs
    for (const UnitOp& op : ops)
        op(protocol);
    return HexLog(*unit);
}

}  // namespace vk::testing
