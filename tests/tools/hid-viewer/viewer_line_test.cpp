#include "tools/quorvel-hid-viewer/ViewerLine.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace vk {
namespace {

TEST(ViewerLine, ShowsTimeKindProgramBytesAndText)
{
    struct Case {
        int32_t kind;
        std::string program;
        std::string text;
        std::array<uint8_t, 8> bytes;
        const char* expected;
    };
    const LocalTime t{2026, 12, 4, 3, 9, 8, 7, 5};
    const Case cases[] = {
        {0, "vk550ctl", "", {0xF0, 0x0D, 0, 0x01, 0x0A, 0, 0, 0},
         "2026-12-03 09:08:07.005  sent      vk550ctl  F0 0D 00 01 0A 00 00 00"},
        {1, "vk550ctl", "", {0xF0, 0x0D, 0, 0x01, 0x0A, 0, 0x80, 0x0B},
         "2026-12-03 09:08:07.005  answer    vk550ctl  F0 0D 00 01 0A 00 80 0B"},
        {2, "quorvel-vk550-config", "Reset Device", {},
         "2026-12-03 09:08:07.005  text      quorvel-vk550-config  00 00 00 00 00 00 00 00  Reset Device"},
        {3, "p", "", {0x05, 0x55}, "2026-12-03 09:08:07.005  resent    p  05 55 00 00 00 00 00 00"},
        {4, "p", "", {0xFF, 0xFF}, "2026-12-03 09:08:07.005  rejected  p  FF FF 00 00 00 00 00 00"},
        {9, "p", "", {}, "2026-12-03 09:08:07.005  kind 9    p  00 00 00 00 00 00 00 00"},
        // Unknown kinds are printed whole, however long.
        {INT32_MIN, "p", "", {}, "2026-12-03 09:08:07.005  kind -2147483648  p  00 00 00 00 00 00 00 00"},
        {-1, "p", "", {}, "2026-12-03 09:08:07.005  kind -1   p  00 00 00 00 00 00 00 00"},
    };
    for (const auto& c : cases) {
        ViewerRecord r;
        r.kind = c.kind;
        r.time = t;
        r.program = c.program;
        r.text = c.text;
        r.bytes = c.bytes;
        EXPECT_EQ(FormatViewerLine(r), c.expected);
    }
}

TEST(ViewerLine, ControlCharactersFromOtherProgramsAreEscaped)
{
    ViewerRecord r;
    r.kind = 2;
    r.program = "a\x1b[2Jb";
    r.text = "line\r\nnext\\ \xE9";
    const std::string line = FormatViewerLine(r);
    EXPECT_NE(line.find("a\\x1B[2Jb"), std::string::npos) << line;
    EXPECT_NE(line.find("line\\x0D\\x0Anext\\x5C \\xE9"), std::string::npos) << line;
    for (const char c : line)
        EXPECT_TRUE(c >= 0x20 && c < 0x7F) << line;
}

}  // namespace
}  // namespace vk
