// config apply --all reads every unit first and opens each again by its path
// to apply: a unit swapped in at that path meanwhile must get nothing, as the
// writes were worked out from another unit's read.
#include <gtest/gtest.h>

#include "tests/commission/CommissionBed.h"
#include "tools/vk550ctl/ConfigUnitApply.h"
#include "tools/vk550ctl/ConfigUnits.h"

namespace vk::ctl {
namespace {

class UnitApply : public test::CommissionBed {
protected:
    std::vector<ReadUnit> ReadAll()
    {
        ConfigOptions options;
        options.action = "apply";
        options.all = true;
        int failureExit = 0;
        auto units = ReadChosenUnits(protocol, options, failureExit);
        EXPECT_TRUE(units);
        return units.value_or(std::vector<ReadUnit>{});
    }
};

TEST_F(UnitApply, AUnitSwappedInAfterTheReadGetsNothingAndTheOthersGoOn)
{
    const auto first = Plug(SimUnitKind::New);
    Plug(SimUnitKind::New);
    const std::vector<ReadUnit> units = ReadAll();
    ASSERT_EQ(units.size(), 2u);
    commission::UnitConfiguration wanted = *units[0].current;
    wanted.channels[0].level = 77;

    // Another unit at the first unit's path: the same kind, another serial number.
    first->WithState([](SimUnitState& state) { state.serialNumber = "VK5500009999"; });
    const UnitResult swapped = ApplyToUnit(protocol, units[0], wanted);
    const UnitResult other = ApplyToUnit(protocol, units[1], wanted);

    EXPECT_EQ(swapped.result, "failed");
    EXPECT_FALSE(swapped.verified);
    EXPECT_TRUE(swapped.changed.empty());
    EXPECT_EQ(swapped.detail, "the unit at " + paths[0] +
                                  " now answers with serial number VK5500009999, not VK5500001234; nothing was sent");
    EXPECT_NE(Read(paths[0]).channels[0].level, 77);

    EXPECT_EQ(other.result, "applied");
    EXPECT_TRUE(other.verified);
    EXPECT_EQ(Read(paths[1]).channels[0].level, 77);
}

}  // namespace
}  // namespace vk::ctl
