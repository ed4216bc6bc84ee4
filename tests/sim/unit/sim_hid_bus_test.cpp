// The simulated HID bus: what a backend of the HID seam must do, played by simulated units.
#include "platform/clock/Clock.h"
#include "sim/hid/SimHidBus.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace vk {
namespace {

constexpr HidOpenMode kQuery{};
constexpr HidOpenMode kRead{true, false, true, false};
constexpr HidOpenMode kWrite{false, true, false, false};
constexpr HidOpenMode kExclusive{true, true, false, true};

std::vector<uint8_t> Short(uint16_t code) { return {0, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code), 0, 0, 0, 0, 0, 0}; }

uint16_t Word(const std::vector<uint8_t>& r) { return static_cast<uint16_t>(r[1] << 8 | r[2]); }

class SimHidBusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(&clock);
        unit = std::make_shared<CSimUnit>(SimUnitKind::StandAlone);
        path = bus.Plug(unit);
    }
    void TearDown() override { SetClock(nullptr); }

    CVirtualClock clock;
    CSimHidBus bus;
    std::shared_ptr<CSimUnit> unit;
    std::string path;
    std::vector<uint8_t> report = std::vector<uint8_t>(9);
};

TEST_F(SimHidBusTest, InterfacesAndTheirCapabilities)
{
    const std::string buttons = bus.AddButtonsInterface(unit);
    const std::string foreign = bus.AddForeignInterface(0x1234, 0x217);
    EXPECT_EQ(bus.PresentInterfaces(), (std::vector<std::string>{path, buttons, foreign}));

    struct Case {
        std::string path;
        uint16_t vendor;
        uint16_t product;
        uint16_t buttons;
    };
    for (const Case& c : {Case{path, 0x3C5A, 0x117, 0}, Case{buttons, 0x3C5A, 0x117, 1}, Case{foreign, 0x1234, 0x217, 0}}) {
        auto h = bus.Open(c.path, kQuery);
        ASSERT_TRUE(h) << c.path;
        EXPECT_EQ(h->Attributes().vendorId, c.vendor);
        EXPECT_EQ(h->Attributes().productId, c.product);
        EXPECT_EQ(h->Caps().numberInputButtonCaps, c.buttons);
    }
    auto command = bus.Open(path, kQuery);
    EXPECT_EQ(command->Caps().inputReportByteLength, 9);
    EXPECT_EQ(command->Caps().outputReportByteLength, 9);
    EXPECT_EQ(command->Caps().usagePage, 0xFF00);

    // The buttons interface goes with its unit.
    bus.Unplug(unit);
    EXPECT_EQ(bus.PresentInterfaces(), std::vector<std::string>{foreign});
    EXPECT_FALSE(bus.Open(path, kQuery));
}

TEST_F(SimHidBusTest, EveryReaderGetsItsOwnCopy)
{
    auto writer = bus.Open(path, kWrite);
    auto first = bus.Open(path, kRead);
    ASSERT_TRUE(writer && first);
    ASSERT_TRUE(writer->WriteReport(Short(0x9000)));
    auto late = bus.Open(path, kRead);  // opened after the answer: never sees it
    ASSERT_TRUE(writer->WriteReport(Short(0xA000)));

    EXPECT_EQ(first->ReadReport(report, 0), HidReadStatus::Ok);
    EXPECT_EQ(Word(report), 0x9417);
    EXPECT_EQ(first->ReadReport(report, 0), HidReadStatus::Ok);
    EXPECT_EQ(Word(report), 0xA072);
    EXPECT_EQ(late->ReadReport(report, 0), HidReadStatus::Ok);
    EXPECT_EQ(Word(report), 0xA072);
    EXPECT_EQ(late->ReadReport(report, 0), HidReadStatus::TimedOut);
    // A write-only handle reads nothing; a read-only one writes nothing.
    EXPECT_EQ(writer->ReadReport(report, 0), HidReadStatus::Failed);
    EXPECT_FALSE(first->WriteReport(Short(0x9000)));
    EXPECT_FALSE(writer->WriteReport(std::vector<uint8_t>(8)));  // not a whole output report
}

TEST_F(SimHidBusTest, LateReportWaitsForTheNextRead)
{
    auto writer = bus.Open(path, kWrite);
    auto reader = bus.Open(path, kRead);
    SimFaults f;
    f.answerDelayMs = 1500;
    unit->SetFaults(f);
    ASSERT_TRUE(writer->WriteReport(Short(0x9000)));
    EXPECT_EQ(reader->ReadReport(report, 1000), HidReadStatus::TimedOut);
    EXPECT_EQ(clock.NowMs(), 1000u);
    EXPECT_EQ(reader->ReadReport(report, 1000), HidReadStatus::Ok);
    EXPECT_EQ(clock.NowMs(), 1500u);  // returns when the report arrives, not at the time-out
    EXPECT_EQ(Word(report), 0x9417);
}

TEST_F(SimHidBusTest, DrivenClockWakesTheReader)
{
    clock.SetDriven(true);
    auto writer = bus.Open(path, kWrite);
    auto reader = bus.Open(path, kRead);
    SimFaults f;
    f.answerDelayMs = 300;
    unit->SetFaults(f);
    ASSERT_TRUE(writer->WriteReport(Short(0x9000)));
    HidReadStatus status = HidReadStatus::Failed;
    std::thread t([&] { status = reader->ReadReport(report, 1000); });
    clock.WaitForSleepers(1);
    clock.Advance(300);
    t.join();
    EXPECT_EQ(status, HidReadStatus::Ok);
    EXPECT_EQ(Word(report), 0x9417);
    clock.SetDriven(false);
}

TEST_F(SimHidBusTest, GoneUnitFailsItsHandles)
{
    auto writer = bus.Open(path, kWrite);
    auto reader = bus.Open(path, kRead);
    bus.Unplug(unit);
    EXPECT_FALSE(writer->WriteReport(Short(0x9000)));
    EXPECT_EQ(reader->ReadReport(report, 1000), HidReadStatus::Failed);
    // Plugged in again it is a new device node: old handles and the old path stay
    // dead, the new path works.
    const std::string again = bus.Plug(unit);
    EXPECT_NE(again, path);
    EXPECT_EQ(bus.PresentInterfaces(), std::vector<std::string>{again});
    EXPECT_FALSE(writer->WriteReport(Short(0x9000)));
    EXPECT_FALSE(bus.Open(path, kWrite));
    auto fresh = bus.Open(again, kWrite);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(fresh->WriteReport(Short(0x9000)));
    EXPECT_EQ(unit->LoggedCodes(), std::vector<uint16_t>{0x9000});
}

// A reset re-enumerates: the unit is back under the product id it was given and
// under a path never used before, so a caller that kept the old path fails.
TEST_F(SimHidBusTest, AUnitBackFromAResetHasANewPath)
{
    auto other = std::make_shared<CSimUnit>(SimUnitKind::Slave);
    const std::string otherPath = bus.Plug(other);
    unit->SetResetTiming({100, 1000});
    unit->WithState([](SimUnitState& s) { s.SetValue(0, 2, 0x217); });
    auto writer = bus.Open(path, kWrite);
    ASSERT_TRUE(writer->WriteReport(Short(0x0666)));
    clock.Advance(100);
    EXPECT_EQ(bus.PresentInterfaces(), std::vector<std::string>{otherPath});
    clock.Advance(1000);
    const auto present = bus.PresentInterfaces();
    ASSERT_EQ(present.size(), 2u);
    const std::string back = present[0];
    EXPECT_NE(back, path);
    EXPECT_NE(back, otherPath);
    EXPECT_EQ(present[1], otherPath);  // the unit that stayed keeps its node
    EXPECT_FALSE(bus.Open(path, kQuery));
    EXPECT_FALSE(writer->WriteReport(Short(0x9000)));
    auto reopened = bus.Open(back, kQuery);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->Attributes().productId, 0x217);
}

TEST_F(SimHidBusTest, ExclusiveOpens)
{
    {
        auto shared = bus.Open(path, kRead);
        EXPECT_FALSE(bus.Open(path, kExclusive));  // somebody else has it open
    }
    {
        auto exclusive = bus.Open(path, kExclusive);
        ASSERT_TRUE(exclusive);
        EXPECT_FALSE(bus.Open(path, kQuery));
    }
    EXPECT_TRUE(bus.Open(path, kQuery));
    bus.HoldExclusively(path, true);
    EXPECT_FALSE(bus.Open(path, kQuery));
    EXPECT_EQ(bus.PresentInterfaces(), std::vector<std::string>{path});  // still listed
}

TEST_F(SimHidBusTest, ChangesAreNotified)
{
    int changes = 0;
    bus.SetChangeListener([&] { ++changes; });
    auto other = std::make_shared<CSimUnit>(SimUnitKind::Slave);
    (void)bus.Plug(other);
    bus.Unplug(other);
    (void)bus.Plug(other);
    (void)bus.AddForeignInterface(1, 2);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(bus.Units().size(), 2u);

    // A reset is noticed when the clock has moved and somebody looks.
    unit->SetResetTiming({100, 1000});
    auto writer = bus.Open(path, kWrite);
    ASSERT_TRUE(writer->WriteReport(Short(0x0666)));
    bus.Poll();
    EXPECT_EQ(changes, 4);
    clock.Advance(100);
    bus.Poll();
    EXPECT_EQ(changes, 5);  // left
    clock.Advance(1000);
    (void)bus.PresentInterfaces();
    EXPECT_EQ(changes, 6);  // back
    bus.Poll();
    EXPECT_EQ(changes, 6);
}

// Read handles come and go on one thread while another reads on the same unit:
// a reader that closes must never be handed a report after it is gone.
TEST_F(SimHidBusTest, ReadersClosingWhileAnotherReads)
{
    auto writer = bus.Open(path, kWrite);
    auto reader = bus.Open(path, kRead);
    std::atomic<bool> done{false};
    std::thread churn([&] {
        while (!done.load())
            (void)bus.Open(path, kRead);
    });
    // Many rounds, but never more than a few seconds under the sanitizers' slowness.
    const auto stopAt = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int rounds = 0;
    int answered = 0;
    for (; rounds < 200000 && std::chrono::steady_clock::now() < stopAt; ++rounds) {
        ASSERT_TRUE(writer->WriteReport(Short(0x9000)));
        answered += reader->ReadReport(report, 10) == HidReadStatus::Ok;
    }
    done = true;
    churn.join();
    EXPECT_EQ(answered, rounds);
}

TEST_F(SimHidBusTest, HandlesMayOutliveTheBus)
{
    auto local = std::make_unique<CSimHidBus>();
    const std::string p = local->Plug(unit);
    auto reader = local->Open(p, kRead);
    local.reset();
    EXPECT_EQ(reader->ReadReport(report, 10), HidReadStatus::TimedOut);
}

}  // namespace
}  // namespace vk
