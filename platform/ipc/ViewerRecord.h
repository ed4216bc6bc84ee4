#pragma once
// The record that copies every step of a unit transaction to the traffic viewer.
// It travels as WM_COPYDATA (wParam 24, dwData 1) to the window titled
// "Quorvel HID Viewer" and is exactly 188 bytes, little-endian:
//   0  int32  kind
//   4  8 x uint16  local time (year, month, day of week, day, hour, minute, second, ms)
//  20  60     program name, NUL-terminated (at most 59 characters)
//  80  100    text, NUL-terminated (at most 99 characters)
// 180  8      report bytes

#include "platform/clock/Clock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vk {

enum class ViewerKind : int32_t {
    CommandSent = 0,
    AnswerReceived = 1,  // a matching answer, or the 0xFFFF of a unit without answer
    Text = 2,
    CommandResent = 3,
    AnswerRejected = 4,  // an answer that belongs to something else
};

inline constexpr size_t kViewerRecordSize = 188;
inline constexpr size_t kViewerProgramField = 60;
inline constexpr size_t kViewerTextField = 100;
inline constexpr char kViewerWindowTitle[] = "Quorvel HID Viewer";
inline constexpr int64_t kViewerWParam = 24;
inline constexpr int64_t kViewerDwData = 1;

using ViewerRecordBytes = std::array<uint8_t, kViewerRecordSize>;

struct ViewerRecord {
    int32_t kind = 0;
    LocalTime time;
    std::string program;  // cut to 59 characters when encoded
    std::string text;     // cut to 99 characters when encoded
    std::array<uint8_t, 8> bytes{};
};

[[nodiscard]] ViewerRecordBytes EncodeViewerRecord(const ViewerRecord& record);
// nullopt unless the data is exactly one record long.
[[nodiscard]] std::optional<ViewerRecord> DecodeViewerRecord(std::span<const uint8_t> data);

// This executable's file name without folder and extension.
[[nodiscard]] std::string CurrentProgramName();
// "dir/name.ext" -> "name"; exposed for tests.
[[nodiscard]] std::string ProgramNameFromPath(std::string_view path);

}  // namespace vk
