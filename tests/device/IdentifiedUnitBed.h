#pragma once
// A unit link opened with its identity read, on a simulated unit whose firmware
// state the test chooses; the unit's log starts clean after the opening.

#include "tests/device/DeviceTestBed.h"

#include "sim/unit/SimUnitState.h"

#include <memory>
#include <vector>

namespace vk::test {

class IdentifiedUnitBed : public DeviceTestBed {
protected:
    // A stand-alone unit with the default identity: software 7.2, protocol 22.
    static SimUnitState NewUnitState() { return DefaultSimUnitState(SimUnitKind::StandAlone); }

    // An old unit: software 2.1, protocol 6 (it is never asked for a protocol
    // version), product id 0x17, no interface controller.
    static SimUnitState OldUnitState()
    {
        SimUnitState state = DefaultSimUnitState(SimUnitKind::New);
        state.productId = 0x17;
        state.SetValue(0, 2, 0x17);
        state.productCodeAnswer = 0x9017;
        state.softwareVersionAnswer = 0xA021;
        state.unitIdentifier = 0x24A0C2D5;
        state.hasInterfacePic = false;
        return state;
    }

    std::shared_ptr<CSimUnit> OpenIdentified(const SimUnitState& state)
    {
        unit = std::make_shared<CSimUnit>(state);
        (void)bus.Plug(unit);
        EXPECT_TRUE(protocol.OpenUnit(kFamilyFilter, true));
        EXPECT_TRUE(protocol.IsOpen());
        unit->ClearLog();
        return unit;
    }

    [[nodiscard]] std::vector<SimBlock> Frames() const
    {
        std::vector<SimBlock> frames;
        for (const auto& logged : unit->Log())
            frames.push_back(logged.bytes);
        return frames;
    }

    template <class F>
    decltype(auto) State(F&& f)
    {
        return unit->WithState(std::forward<F>(f));
    }

    std::shared_ptr<CSimUnit> unit;
};

}  // namespace vk::test
