// The bed itself: a unit's card follows the unit through a reset (a new hidraw
// node under the new product id, then the card under the new name, later) and
// goes when the unit is unplugged; a tone the units' microphones hear plays on
// the card and follows it. No windows: it runs under every sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "tools/vk550-scenario/realstack/RealStackBed.h"

namespace vk {
namespace {

using test::CRealStackBed;
using test::CUmockdevBed;
using Ms = std::chrono::milliseconds;

bool WaitUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + Ms(15000);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(Ms(5));
    }
    return true;
}

bool Listed(CRealStackBed& bed, const std::string& description)
{
    const auto names = bed.Sound().Descriptions();
    return std::find(names.begin(), names.end(), description) != names.end();
}

TEST(RealStackBed, ACardFollowsItsUnitThroughAResetAndGoesWithIt)
{
    if (!CUmockdevBed::PreloadActive())
        GTEST_SKIP() << "needs umockdev's preload";
    CRealStackBed bed;
    std::string error;
    ASSERT_TRUE(bed.Start(&error)) << error;
    std::vector<std::string> announced;
    std::mutex mutex;
    bed.onCard = [&](int, const std::string& name) {
        std::lock_guard lock(mutex);
        announced.push_back(name);
    };

    auto unit = std::make_shared<CSimUnit>(SimUnitKind::New);
    SimResetTiming timing;
    timing.cardAfterMs = 3000;  // wide enough to see the unit back before its card
    unit->SetResetTiming(timing);
    const int n = bed.Attach(unit);
    ASSERT_TRUE(WaitUntil([&] { return bed.CardName(n) == "Qrvl VK550"; }));
    EXPECT_TRUE(Listed(bed, "Qrvl VK550 Speaker"));
    EXPECT_TRUE(Listed(bed, "Qrvl VK550 Microphone"));
    const std::string before = bed.DevNode(n);

    // The unit takes its new identity and the reset command (report id, then 0x0666).
    unit->WithState([](SimUnitState& s) {
        s.SetText(0, 1, "Qrvl VK550_SAL");
        s.SetValue(0, 2, 0x117);
    });
    const uint8_t reset[9] = {0, 0x06, 0x66, 0, 0, 0, 0, 0, 0};
    unit->Receive(reset);
    ASSERT_TRUE(WaitUntil([&] { return bed.DevNode(n).empty(); })) << "the unit leaves the bus";
    EXPECT_TRUE(WaitUntil([&] { return bed.CardName(n).empty(); })) << "its card goes with it";
    ASSERT_TRUE(WaitUntil([&] { return !bed.DevNode(n).empty(); })) << "the unit comes back";
    EXPECT_NE(bed.DevNode(n), before) << "as a new hidraw node";
    EXPECT_EQ(unit->ProductId(), 0x117);
    EXPECT_EQ(bed.CardName(n), "") << "its card comes later";
    ASSERT_TRUE(WaitUntil([&] { return bed.CardName(n) == "Qrvl VK550_SAL"; }));
    EXPECT_TRUE(Listed(bed, "Qrvl VK550_SAL Speaker"));
    EXPECT_FALSE(Listed(bed, "Qrvl VK550 Speaker"));

    bed.Unplug(n);
    EXPECT_TRUE(WaitUntil([&] { return bed.CardName(n).empty(); }));
    EXPECT_FALSE(Listed(bed, "Qrvl VK550_SAL Speaker"));
    std::lock_guard lock(mutex);
    // The first card was there from the start: not news.
    EXPECT_EQ(announced, (std::vector<std::string>{"", "Qrvl VK550_SAL", ""}));
}

// The loudest sample on a unit's speaker (which its microphone hears) over a
// third of a second; -1 when nothing could be recorded.
int SpeakerPeak(CRealStackBed& bed, int unit)
{
    if (!bed.Sound().BeginMonitor(unit))
        return -1;
    std::this_thread::sleep_for(Ms(300));
    return bed.Sound().EndMonitor(unit);
}

// Processes of the tone still running: its shell and cat name the tone's file.
int TonePlayers(CRealStackBed& bed)
{
    const std::string file = (bed.Folder() / "pa" / "tone.raw").string();
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "cmdline", std::ios::binary);
        const std::string command((std::istreambuf_iterator<char>(in)), {});
        if (command.find(file) != std::string::npos)
            ++count;
    }
    return count;
}

TEST(RealStackBed, AToneIsHeardOnTheCardAndOnItsNextListingUntilSilence)
{
    if (!CUmockdevBed::PreloadActive())
        GTEST_SKIP() << "needs umockdev's preload";
    CRealStackBed bed;
    std::string error;
    ASSERT_TRUE(bed.Start(&error)) << error;
    auto unit = std::make_shared<CSimUnit>(SimUnitKind::New);
    SimResetTiming timing;
    timing.cardAfterMs = 300;
    unit->SetResetTiming(timing);
    const int n = bed.Attach(unit);
    ASSERT_TRUE(WaitUntil([&] { return !bed.CardName(n).empty(); }));
    const auto atTone = [&] {
        const int peak = SpeakerPeak(bed, n);
        return peak >= 7900 && peak <= 8100;
    };

    bed.SetTone(test::CPrivateSoundServer::Tone{1000, 8000});
    EXPECT_TRUE(WaitUntil(atTone)) << "the tone at its peak";

    // The card goes with its unit and comes back with it: the tone follows.
    bed.Unplug(n);
    ASSERT_TRUE(WaitUntil([&] { return bed.CardName(n).empty(); }));
    bed.Replug(n);
    ASSERT_TRUE(WaitUntil([&] { return !bed.CardName(n).empty(); }));
    EXPECT_TRUE(WaitUntil(atTone)) << "the tone on the card listed again";

    bed.SetTone(std::nullopt);
    EXPECT_TRUE(WaitUntil([&] { return SpeakerPeak(bed, n) == 0; })) << "silence";
    EXPECT_EQ(TonePlayers(bed), 0);
}

}  // namespace
}  // namespace vk
