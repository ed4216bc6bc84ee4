// The pinned unit: held by its serial number, opened again only when it is
// the same unit, and a serial number read that the unit refused is never text.
#include "tests/device/IdentifiedUnitBed.h"

#include "device/UnitPin.h"

#include <algorithm>

namespace vk::test {
namespace {

constexpr uint16_t kSerialChunk = 0xF01A;
constexpr uint16_t kPresence = 0x0555;

// Only identity reads (product code, versions, serial chunks) reach a unit the
// pin asks who it is.
bool OnlyIdentityReads(const CSimUnit& unit)
{
    const auto codes = unit.LoggedCodes();
    return std::all_of(codes.begin(), codes.end(),
                       [](uint16_t code) { return code == 0x9000 || code == 0xA000 || code == 0xA400 || code == kSerialChunk; });
}

class UnitPin : public IdentifiedUnitBed {
protected:
    std::shared_ptr<CSimUnit> Plug(SimUnitKind kind, unsigned ordinal)
    {
        auto plugged = std::make_shared<CSimUnit>(DefaultSimUnitState(kind, ordinal));
        (void)bus.Plug(plugged);
        return plugged;
    }

    CUnitPin pin;
};

TEST_F(UnitPin, HoldsItsUnitWithoutAskingAndFindsItAgainAfterAReplug)
{
    auto first = Plug(SimUnitKind::StandAlone, 0);
    ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, true));
    ASSERT_TRUE(pin.Pin(protocol));
    EXPECT_EQ(pin.SerialNumber(), first->WithState([](SimUnitState& s) { return s.serialNumber; }));
    first->ClearLog();
    EXPECT_TRUE(pin.Holds(protocol));
    EXPECT_TRUE(first->LoggedCodes().empty()) << "Holds sends nothing";

    bus.Unplug(first);
    EXPECT_FALSE(pin.Ensure(protocol));
    EXPECT_FALSE(protocol.IsOpen());
    (void)bus.Plug(first);  // the same unit comes back under a new path
    EXPECT_TRUE(pin.Ensure(protocol));
    EXPECT_TRUE(pin.Holds(protocol));
}

// Swapped for a unit of the same kind, or joined by one: the pin never opens
// the other unit, and the other unit only answers who it is.
TEST_F(UnitPin, NeverOpensAnotherUnit)
{
    auto pinned = Plug(SimUnitKind::Master, 0);
    ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, true));
    ASSERT_TRUE(pin.Pin(protocol));
    auto other = Plug(SimUnitKind::Master, 1);
    other->ClearLog();

    EXPECT_TRUE(pin.Reopen(protocol));  // both attached: the pinned one
    EXPECT_TRUE(pin.Holds(protocol));
    bus.Unplug(pinned);
    EXPECT_FALSE(pin.Reopen(protocol));
    EXPECT_FALSE(protocol.IsOpen());
    EXPECT_FALSE(pin.Holds(protocol));
    EXPECT_TRUE(OnlyIdentityReads(*other));

    ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, true));  // somebody opens the other one
    EXPECT_FALSE(pin.Holds(protocol));
}

// After a reset under a new product id the unit is found by its serial number
// even beside another unit of that id.
TEST_F(UnitPin, FollowsItsUnitThroughAReset)
{
    auto bystander = Plug(SimUnitKind::StandAlone, 1);
    auto pinned = Plug(SimUnitKind::New, 0);
    ASSERT_TRUE(protocol.OpenUnit(0x1C, true));
    bystander->ClearLog();
    ASSERT_TRUE(pin.Pin(protocol));
    pinned->WithState([](SimUnitState& s) { s.SetValue(0, 2, 0x117); });
    // The reset's wait ends at once: a unit of 0x117 is there, but not this one.
    ASSERT_TRUE(protocol.ResetUnit(0x117));
    Clock().SleepMs(400);
    EXPECT_FALSE(pin.ReopenAfterReset(protocol, 0x117));
    EXPECT_TRUE(OnlyIdentityReads(*bystander));
    Clock().SleepMs(3000);
    EXPECT_TRUE(pin.ReopenAfterReset(protocol, 0x117));
    EXPECT_EQ(protocol.GetProductId(), 0x117);
    EXPECT_TRUE(pin.Holds(protocol));
    EXPECT_TRUE(pin.Reopen(protocol)) << "the new product id is the one looked under now";
}

// A unit without a serial number (protocol below 22) is held by its path.
TEST_F(UnitPin, WithoutASerialNumberThePathHolds)
{
    auto old = std::make_shared<CSimUnit>(OldUnitState());
    (void)bus.Plug(old);
    ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, true));
    ASSERT_TRUE(pin.Pin(protocol));
    EXPECT_TRUE(pin.SerialNumber().empty());
    EXPECT_TRUE(pin.Reopen(protocol));
    bus.Unplug(old);
    auto another = std::make_shared<CSimUnit>(OldUnitState());
    (void)bus.Plug(another);
    EXPECT_FALSE(pin.Reopen(protocol)) << "a unit at another path is not the pinned one";
}

// "F0 1A 80 00 30 30 30 FD": the unit refused the chunk. It is asked again
// once; refused twice, the serial number is unknown, never "VK55000\xFD...".
TEST_F(UnitPin, RefusedSerialChunksAreNeverText)
{
    struct Case {
        const char* what;
        bool refusedOnce;  // else every chunk after the first is refused
        std::optional<std::string> serial;
        long chunkCommands;
    };
    const Case cases[] = {
        {"one refusal is asked again", true, "VK5500001234", 5},
        {"two refusals leave it unknown", false, std::nullopt, 3},
    };
    for (const Case& c : cases) {
        OpenIdentified(NewUnitState());
        if (c.refusedOnce) {
            SimTransactionFault once;
            once.kind = SimTransactionFault::Kind::Error;
            once.at = 2;
            once.onlyFor = kSerialChunk;
            once.value = 0xFD;
            unit->FailTransaction(once);
        } else {
            SimFaults faults;
            faults.onlyFor = kSerialChunk;
            faults.passFirst = 1;
            faults.errorNumber = 0xFD;
            unit->SetFaults(faults);
        }
        EXPECT_EQ(protocol.ReadSerialNumber(), c.serial) << c.what;
        const auto codes = unit->LoggedCodes();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), kSerialChunk), c.chunkCommands) << c.what;
        EXPECT_EQ(protocol.ConnectionSerial(), c.serial) << c.what;
        bus.Unplug(unit);
    }
    OpenIdentified(NewUnitState());
    SimFaults faults;
    faults.onlyFor = kSerialChunk;
    faults.errorNumber = 0xFD;
    unit->SetFaults(faults);
    EXPECT_EQ(protocol.GetSerialNumber(), "Read Error");
}

// One "nothing to say" answer to the presence check is asked again; two mean
// the unit is not there.
TEST_F(UnitPin, PresenceCheckAsksAgainAfterOneEmptyAnswer)
{
    struct Case {
        uint32_t emptyAnswers;
        bool connected;
    };
    for (const Case& c : {Case{1, true}, Case{2, false}}) {
        OpenIdentified(NewUnitState());
        SimFaults faults;
        faults.onlyFor = kPresence;
        faults.answerFFFF = true;
        unit->SetFaults(faults);
        if (c.emptyAnswers == 1) {
            unit->SetFaults({});
            SimTransactionFault once;
            once.kind = SimTransactionFault::Kind::Error;  // a short command answered 0xFFFF
            once.onlyFor = kPresence;
            unit->FailTransaction(once);
        }
        EXPECT_EQ(protocol.CheckConnection(), c.connected) << c.emptyAnswers;
        EXPECT_EQ(protocol.IsOpen(), c.connected) << c.emptyAnswers;
        const auto codes = unit->LoggedCodes();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), kPresence), 2) << c.emptyAnswers;
        bus.Unplug(unit);
    }
}

}  // namespace
}  // namespace vk::test
