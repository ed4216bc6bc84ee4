#pragma once
// The real HID bus: hidapi over Linux hidraw.
//
// Capabilities come from the interface's report descriptor in sysfs, parsed by
// ParseReportDescriptor. Sharing follows the Windows share modes among the
// programs that use this backend: every open holds an flock on the device node,
// shared for ordinary opens and exclusive for exclusive ones, so an exclusive
// holder keeps everyone else out and vice versa (it cannot stop programs that
// ignore the lock).
//
// Time-outs of report reads run on real time: a real device does not follow a
// virtual clock.

#include <memory>

#include "platform/hid/HidBus.h"

namespace vk {

[[nodiscard]] std::unique_ptr<IHidBus> MakeHidapiBus();

}  // namespace vk
