#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ipc/ViewerRecord.h"
#include "platform/ipc/WindowSocket.h"
#include "tests/tools/hid-viewer/ViewerProcess.h"

namespace vk {
namespace {

using test::CViewerProcess;

TEST(HidViewerProcess, PrintsEachRecordItReceivesAndSkipsOtherMessages)
{
    CViewerProcess viewer({"--count", "2"});
    ASSERT_TRUE(viewer.WaitUntilListening());
    CSocketWindowDirectory windows;
    auto window = windows.FindWindow(kViewerWindowTitle);
    ASSERT_NE(window, nullptr);

    ViewerRecord text;
    text.kind = 2;
    text.time = {2026, 12, 4, 3, 9, 8, 7, 5};
    text.program = "vk550ctl";
    text.text = "Reset Device";
    ViewerRecord sent = text;
    sent.kind = 0;
    sent.text.clear();
    sent.bytes = {0x06, 0x66};
    const auto textBytes = EncodeViewerRecord(text);
    const auto sentBytes = EncodeViewerRecord(sent);
    EXPECT_TRUE(window->PostMessage(0x384, 0, 3));                                          // not a record
    EXPECT_TRUE(window->SendCopyData(kViewerWParam, kViewerDwData, {textBytes.data(), 100}));  // cut short
    EXPECT_TRUE(window->SendCopyData(kViewerWParam, kViewerDwData, textBytes));
    EXPECT_TRUE(window->SendCopyData(kViewerWParam, kViewerDwData, sentBytes));

    EXPECT_EQ(viewer.ReadLine(), "2026-12-03 09:08:07.005  text      vk550ctl  00 00 00 00 00 00 00 00  Reset Device");
    EXPECT_EQ(viewer.ReadLine(), "2026-12-03 09:08:07.005  sent      vk550ctl  06 66 00 00 00 00 00 00");
    EXPECT_EQ(viewer.Wait(), 0) << "--count 2 ends the viewer after two records";
    EXPECT_FALSE(std::filesystem::exists(viewer.SocketPath())) << "the window is gone with the viewer";
}

TEST(HidViewerProcess, ASecondViewerRefusesAndTheFirstKeepsItsWindow)
{
    CViewerProcess first;
    ASSERT_TRUE(first.WaitUntilListening());
    CViewerProcess second({}, first.Folder());
    EXPECT_EQ(second.Wait(), 1);
    const auto complaint = second.ReadErrorLine();
    ASSERT_TRUE(complaint);
    EXPECT_NE(complaint->find("already open"), std::string::npos) << *complaint;
    EXPECT_TRUE(std::filesystem::exists(first.SocketPath()));
    EXPECT_EQ(first.Stop(), 0) << "SIGTERM ends the viewer normally";
}

}  // namespace
}  // namespace vk
