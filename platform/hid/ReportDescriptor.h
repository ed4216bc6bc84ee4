#pragma once
// A small HID report-descriptor parser: what the unit link needs of an
// interface's capabilities (report lengths and input button capabilities),
// computed the way the Windows HID parser reports them.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/hid/HidBus.h"

namespace vk {

struct ReportDescriptorResult {
    bool ok = false;
    std::string error;  // why the descriptor was refused; empty when ok
    HidCaps caps;       // lengths include the report id byte, even without numbered reports
    // Each top-level collection as Windows presents it, as an interface of its
    // own: its usage, the lengths of its own reports and its own button counts.
    std::vector<HidCaps> collections;
    bool numberedReports = false;  // a Report ID item appeared: reports travel with their id
};

// Never reads outside `descriptor`; malformed input yields ok == false and a reason.
[[nodiscard]] ReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor);

}  // namespace vk
