#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/tools/hid-viewer/ViewerProcess.h"

namespace vk {
namespace {

using test::CViewerProcess;

// Two programs, two processes: the unit traffic of `vk550ctl report` against a
// simulated unit shows up in the viewer, starting with the identity read.
TEST(HidViewerWithVk550ctl, ViewerShowsTheTrafficOfAnotherProgram)
{
    CViewerProcess viewer;
    ASSERT_TRUE(viewer.WaitUntilListening());
    const std::string command = std::string("'") + VK550CTL_EXE + "' --simulate=stand-alone report >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    const auto first = viewer.ReadLine();
    const auto second = viewer.ReadLine();
    ASSERT_TRUE(first && second);
    // Skip the 23 characters of date and time.
    EXPECT_EQ(first->substr(23), "  sent      vk550ctl  90 00 00 00 00 00 00 00");
    EXPECT_EQ(second->substr(23), "  answer    vk550ctl  94 17 00 00 00 00 00 00");
}

}  // namespace
}  // namespace vk
