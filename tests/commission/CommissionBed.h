#pragma once
// Simulated units on one bus with a free-running virtual clock: a reset and the
// unit's return cost no real time.

#include <gtest/gtest.h>

#include <memory>

#include "commission/ConfigurationReader.h"
#include "device/HIDProtocol.h"
#include "platform/clock/Clock.h"
#include "sim/hid/SimHidBus.h"
#include "sim/unit/SimUnit.h"

namespace vk::test {

class CommissionBed : public ::testing::Test {
protected:
    void SetUp() override { SetClock(&clock); }
    void TearDown() override { SetClock(nullptr); }

    std::shared_ptr<CSimUnit> Plug(SimUnitKind kind)
    {
        auto unit = std::make_shared<CSimUnit>(DefaultSimUnitState(kind, m_plugged++));
        paths.push_back(bus.Plug(unit));
        return unit;
    }

    // The configuration of the unit at this path, read with the unit opened there.
    commission::UnitConfiguration Read(const std::string& path)
    {
        EXPECT_TRUE(protocol.OpenUnitAt(path, true));
        auto outcome = commission::ReadConfiguration(protocol);
        EXPECT_TRUE(outcome.configuration) << outcome.failedPart;
        return outcome.configuration.value_or(commission::UnitConfiguration{});
    }

    CVirtualClock clock;
    CSimHidBus bus;
    CHIDProtocol protocol{bus};
    std::vector<std::string> paths;

private:
    unsigned m_plugged = 0;
};

}  // namespace vk::test
