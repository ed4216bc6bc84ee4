// Finding, opening and following the unit's command interface.
#include "tests/device/DeviceTestBed.h"

#include <atomic>

namespace vk::test {
namespace {

using TransportTest = DeviceTestBed;

TEST_F(TransportTest, LaterOfTwoCommandInterfacesIsOpened)
{
    PlugUnit(SimUnitKind::StandAlone);
    const std::string second = bus.Plug(std::make_shared<CSimUnit>(SimUnitKind::StandAlone));

    EXPECT_TRUE(protocol.IsUnitPresent(0x117));
    EXPECT_EQ(protocol.CountUnits(0x117), 2);
    ASSERT_TRUE(protocol.OpenUnit(0x117, false));
    EXPECT_TRUE(protocol.IsOpen());
    EXPECT_EQ(protocol.GetDevicePath(), second);
    EXPECT_EQ(protocol.GetProductId(), 0x117);
}

// A bus with one node of the unit's vendor whose descriptor holds a button
// collection and then the command collection.
class CTwoCollectionBus final : public IHidBus {
public:
    std::vector<std::string> PresentInterfaces() override { return {"/dev/hidraw-two"}; }
    std::unique_ptr<IHidInterface> Open(const std::string&, const HidOpenMode&) override
    {
        return std::make_unique<CNode>();
    }

private:
    class CNode final : public IHidInterface {
    public:
        CNode()
        {
            m_buttons.usagePage = 0x01;
            m_buttons.usage = 0x06;
            m_buttons.inputReportByteLength = 9;
            m_buttons.numberInputButtonCaps = 2;
            m_command = CSimUnit::Caps();
            m_whole = m_buttons;  // the node: the first usage, buttons summed
        }
        const HidAttributes& Attributes() const override { return m_attributes; }
        const HidCaps& Caps() const override { return m_whole; }
        std::vector<HidCaps> Collections() const override { return {m_buttons, m_command}; }
        bool WriteReport(std::span<const uint8_t>) override { return false; }
        HidReadStatus ReadReport(std::span<uint8_t>, uint32_t) override { return HidReadStatus::Failed; }

    private:
        HidAttributes m_attributes{kUnitVendorId, 0x117, 1};
        HidCaps m_buttons, m_command, m_whole;
    };
};

TEST_F(TransportTest, CommandCollectionSharingItsNodeWithButtonsIsFound)
{
    CTwoCollectionBus twoCollections;
    CHIDProtocol link(twoCollections);
    EXPECT_EQ(link.CountUnits(kFamilyFilter), 1);
    ASSERT_TRUE(link.OpenUnit(0x117, false));
    EXPECT_EQ(link.Devices().at(0).caps.usagePage, 0xFF00);
    EXPECT_EQ(link.Devices().at(0).caps.outputReportByteLength, 9);
}

// Two units of one product id: each is opened by its own path and tells its own serial number.
TEST_F(TransportTest, UnitsOfOneProductIdAreOpenedByTheirPath)
{
    SimUnitState first = DefaultSimUnitState(SimUnitKind::StandAlone);
    SimUnitState second = first;
    first.serialNumber = "VK550FIRST";
    second.serialNumber = "VK550SECOND";
    const std::string firstPath = bus.Plug(std::make_shared<CSimUnit>(first));
    const std::string secondPath = bus.Plug(std::make_shared<CSimUnit>(second));
    for (const auto& [path, serial] : {std::pair{firstPath, "VK550FIRST"}, std::pair{secondPath, "VK550SECOND"}}) {
        ASSERT_TRUE(protocol.OpenUnitAt(path, true));
        EXPECT_EQ(protocol.GetDevicePath(), path);
        EXPECT_EQ(protocol.GetSerialNumber(), serial);
    }
    EXPECT_FALSE(protocol.OpenUnitAt("/no/such/path", true));
    EXPECT_FALSE(protocol.IsOpen());
}

// Interfaces that are not a unit's command interface are never counted or opened.
TEST_F(TransportTest, OnlyCommandInterfacesCount)
{
    auto standAlone = PlugUnit(SimUnitKind::StandAlone);
    PlugUnit(SimUnitKind::Master);
    (void)bus.AddButtonsInterface(standAlone);
    (void)bus.AddForeignInterface(0x1234, 0x217);
    auto held = PlugUnit(SimUnitKind::Slave);
    bus.HoldExclusively(bus.Plug(held), true);

    struct Case {
        int filter;
        int count;
    };
    for (const Case c : {Case{kFamilyFilter, 2}, Case{0x217, 1}, Case{0x117, 1}, Case{0x317, 0}, Case{0, 0}, Case{-1, 0}}) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(protocol.CountUnits(c.filter), c.count);
        EXPECT_EQ(protocol.IsUnitPresent(c.filter), c.count > 0);
    }
    // The exclusively held interface is listed with zero attributes.
    ASSERT_TRUE(protocol.OpenUnit(0x217, false));
    const auto& devices = protocol.Devices();
    ASSERT_EQ(devices.size(), 5u);
    EXPECT_EQ(devices[4].attributes.vendorId, 0);
    EXPECT_EQ(devices[4].attributes.productId, 0);
    // Buffers exist only for the unit's vendor.
    EXPECT_EQ(devices[0].inputReport.size(), 9u);
    EXPECT_TRUE(devices[3].inputReport.empty());
}

TEST_F(TransportTest, FamilyFilter)
{
    for (int id : {0x17, 0x117, 0x217, 0x317, 0x1C, 0x1017})
        EXPECT_TRUE(PassesProductFilter(static_cast<uint16_t>(id), kFamilyFilter)) << id;
    for (int id : {0x0, 0x18, 0x417, 0x1117})
        EXPECT_FALSE(PassesProductFilter(static_cast<uint16_t>(id), kFamilyFilter)) << id;
    EXPECT_FALSE(PassesProductFilter(0x117, -5));
}

TEST_F(TransportTest, OpenUnitWithoutMatchClearsTheSelection)
{
    OpenUnit(SimUnitKind::StandAlone);
    EXPECT_FALSE(protocol.OpenUnit(0x317, false));
    EXPECT_FALSE(protocol.IsOpen());
    EXPECT_EQ(protocol.GetProductId(), 0);
    EXPECT_EQ(protocol.GetDevicePath(), "");
}

TEST_F(TransportTest, CheckConnectionAnswersAndClosesAGoneUnit)
{
    auto unit = OpenUnit();
    EXPECT_TRUE(protocol.CheckConnection());
    EXPECT_EQ(unit->LoggedCodes(), std::vector<uint16_t>{0x0555});

    bus.Unplug(unit);
    EXPECT_FALSE(protocol.CheckConnection());
    EXPECT_FALSE(protocol.IsOpen());
    EXPECT_EQ(protocol.GetProductId(), 0x117);  // the identity stays

    // Back on the bus, but this object no longer touches it until it is opened again.
    (void)bus.Plug(unit);
    unit->ClearLog();
    viewer.records.clear();
    CommandBlock answer{};
    EXPECT_EQ(protocol.Transact({0xF0, 0x0D, 0, 0, 10, 0, 0, 0}, answer), -1);
    EXPECT_EQ(protocol.SendShortCommand(0x9000), -1);
    EXPECT_FALSE(protocol.WriteShortCommand(0x9000));
    EXPECT_FALSE(protocol.CheckConnection());
    EXPECT_TRUE(unit->Log().empty());
    EXPECT_TRUE(viewer.records.empty());
}

TEST_F(TransportTest, UnplugDuringUseFailsAtOnce)
{
    auto unit = OpenUnit();
    bus.Unplug(unit);
    const uint64_t before = clock.NowMs();
    EXPECT_EQ(protocol.SendShortCommand(0x9000), -1);
    EXPECT_EQ(clock.NowMs(), before);  // the write fails: no time-out to wait for
}

TEST_F(TransportTest, TwoObjectsShareAUnit)
{
    auto unit = OpenUnit(SimUnitKind::Master);
    CHIDProtocol other(bus);
    ASSERT_TRUE(other.OpenUnit(0x217, false));
    // Each open handle gets its own copy of every answer; the other object's
    // copy is stale for it and is passed over.
    EXPECT_EQ(protocol.SendShortCommand(0xA000), 0xA072);
    EXPECT_EQ(other.SendShortCommand(0x9000), 0x9417);
    EXPECT_EQ(protocol.SendShortCommand(0x9000), 0x9417);
}

class CCountingPump final : public IMessagePump {
public:
    std::atomic<int> calls{0};
    bool PumpWaitingMessages() override
    {
        ++calls;
        return true;
    }
};

struct ResetCase {
    const char* name;
    SimResetTiming timing;
    uint16_t expected;
    bool cameBack;
    uint64_t elapsedMs;  // clock time ResetUnit takes
    int pumps;
};

class ResetUnitTest : public DeviceTestBed, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetUnitTest, FollowsTheUnitOnTheClock)
{
    const ResetCase& c = GetParam();
    auto unit = OpenUnit(SimUnitKind::New);
    unit->WithState([](SimUnitState& s) { s.SetValue(0, 2, 0x117); });
    unit->SetResetTiming(c.timing);
    CCountingPump pump;
    CHIDProtocol::SetMessagePump(&pump);

    const uint64_t start = clock.NowMs();
    EXPECT_EQ(protocol.ResetUnit(c.expected), c.cameBack);
    CHIDProtocol::SetMessagePump(nullptr);

    EXPECT_EQ(clock.NowMs() - start, c.elapsedMs);
    EXPECT_EQ(pump.calls.load(), c.pumps);
    EXPECT_EQ(unit->LoggedCodes(), std::vector<uint16_t>{0x0666});
    ASSERT_FALSE(viewer.records.empty());
    EXPECT_EQ(viewer.records.front().kind, 2);
    EXPECT_EQ(viewer.records.front().text, "Reset Device");
}

INSTANTIATE_TEST_SUITE_P(
    Timelines, ResetUnitTest,
    ::testing::Values(
        // Leaves before the first 200 ms poll, back before the first 500 ms poll.
        ResetCase{"quick", {100, 300}, 0x117, true, 200 + 500 + 1000, 1 + 1 + 1},
        // Never leaves: 60 polls, then the first 500 ms poll finds it under the old id.
        ResetCase{"neverLeavesSameId", {std::nullopt, std::nullopt}, 0x1C, true, 12000 + 500 + 1000, 60 + 1 + 1},
        // Back just before the 240th poll (at 200 + 240 x 500 ms).
        ResetCase{"last", {100, 120000}, 0x117, true, 200 + 120000 + 1000, 1 + 240 + 1},
        // Back just after it: too late.
        ResetCase{"tooLate", {100, 120101}, 0x117, false, 200 + 120000, 1 + 240},
        ResetCase{"neverReturns", {100, std::nullopt}, 0x117, false, 200 + 120000, 1 + 240},
        // Comes back under another id than expected.
        ResetCase{"otherId", {100, 300}, 0x217, false, 200 + 120000, 1 + 240}),
    [](const auto& p) { return std::string(p.param.name); });

// A unit that is not open gets no reset: ResetUnit fails at once instead of
// finding the untouched unit still there and calling that a return.
TEST_F(TransportTest, ResetOfAUnitThatIsNotOpenFailsAtOnce)
{
    auto unit = OpenUnit(SimUnitKind::StandAlone);
    protocol.CloseUnit();
    const uint64_t start = clock.NowMs();
    EXPECT_FALSE(protocol.ResetUnit(0x117));
    EXPECT_EQ(clock.NowMs(), start);
    EXPECT_TRUE(unit->LoggedCodes().empty());
    EXPECT_TRUE(protocol.IsUnitPresent(0x117));
}

TEST_F(TransportTest, UnitReturnsUnderItsNewIdentity)
{
    auto unit = OpenUnit(SimUnitKind::New);
    unit->WithState([](SimUnitState& s) {
        s.SetValue(0, 2, 0x317);
        s.SetText(0, 1, "Qrvl VK550_SLV");
    });
    ASSERT_TRUE(protocol.ResetUnit(0x317));
    EXPECT_FALSE(protocol.CheckConnection());  // the old handles died with the reset
    ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, false));
    EXPECT_EQ(protocol.GetProductId(), 0x317);
    EXPECT_EQ(unit->UsbName(), "Qrvl VK550_SLV");
    EXPECT_TRUE(protocol.CheckConnection());
}

}  // namespace
}  // namespace vk::test
