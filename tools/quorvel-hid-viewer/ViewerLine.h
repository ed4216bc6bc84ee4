#pragma once
// One printed line per traffic-viewer record.

#include <string>

#include "platform/ipc/ViewerRecord.h"

namespace vk {

// "2026-12-03 09:08:30.125  sent      vk550ctl  F0 0D 00 00 00 00 00 00  text"
// Names and texts come from other programs: bytes that are not printable ASCII
// are shown as \xNN so that nothing reaches the terminal as a control sequence.
[[nodiscard]] std::string FormatViewerLine(const ViewerRecord& record);

}  // namespace vk
