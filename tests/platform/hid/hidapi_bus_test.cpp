#include "platform/hid/hidapi/HidapiBus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace vk {
namespace {

size_t HidrawNodesOnThisMachine()
{
    std::error_code ec;
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator("/sys/class/hidraw", ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec))
        ++n;
    return n;
}

TEST(HidapiBus, ListsEachHidrawNodeOnce)
{
    auto bus = MakeHidapiBus();
    const auto paths = bus->PresentInterfaces();
    const std::set<std::string> unique(paths.begin(), paths.end());
    EXPECT_EQ(unique.size(), paths.size());
    EXPECT_LE(paths.size(), HidrawNodesOnThisMachine());
    if (HidrawNodesOnThisMachine() == 0) {
        EXPECT_TRUE(paths.empty());
    }
}

TEST(HidapiBus, OpeningAPathThatIsNotThereFailsCleanly)
{
    auto bus = MakeHidapiBus();
    const HidOpenMode modes[] = {{}, {true, false, true, false}, {false, true, false, false}, {true, true, false, true}};
    for (const char* path : {"/dev/hidraw250", "/dev/null", "", "/dev/hidraw", "hidraw1x", "/tmp/../dev/hidraw0/.."}) {
        for (const auto& mode : modes) {
            SCOPED_TRACE(path);
            EXPECT_EQ(bus->Open(path, mode), nullptr);
        }
    }
}

}  // namespace
}  // namespace vk
