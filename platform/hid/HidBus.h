#pragma once
// The HID bus seam: what the unit link needs of an operating system's HID stack.
// Reports always carry the report id in byte 0 (0 for devices without numbered
// reports), whatever the backend does underneath.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vk {

struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

// Capabilities of one top-level interface, lengths including the report id byte.
struct HidCaps {
    uint16_t usage = 0;
    uint16_t usagePage = 0;
    uint16_t inputReportByteLength = 0;
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    uint16_t numberInputButtonCaps = 0;
};

struct HidOpenMode {
    bool read = false;
    bool write = false;
    bool overlapped = false;  // reads are waited for with a time-out
    bool exclusive = false;   // no other handle may share the interface
};

enum class HidReadStatus {
    Ok,        // one whole report arrived
    TimedOut,  // nothing within the time-out; nothing stays outstanding
    Failed,    // the interface is gone or the handle is broken
};

class IHidInterface {
public:
    virtual ~IHidInterface() = default;
    [[nodiscard]] virtual const HidAttributes& Attributes() const = 0;
    [[nodiscard]] virtual const HidCaps& Caps() const = 0;
    // Each top-level collection of the interface with its own capabilities, as
    // Windows presents them (an interface of its own each). By default the
    // interface is one collection.
    [[nodiscard]] virtual std::vector<HidCaps> Collections() const { return {Caps()}; }
    // Blocking write of one output report; true only when the whole report went out.
    [[nodiscard]] virtual bool WriteReport(std::span<const uint8_t> report) = 0;
    // Waits up to timeoutMs (on the process clock) for one input report and copies
    // at most report.size() bytes of it.
    [[nodiscard]] virtual HidReadStatus ReadReport(std::span<uint8_t> report, uint32_t timeoutMs) = 0;
};

class IHidBus {
public:
    virtual ~IHidBus() = default;
    // Paths of the HID interfaces present now, in enumeration order.
    [[nodiscard]] virtual std::vector<std::string> PresentInterfaces() = 0;
    // Opens an interface; a mode without read or write only queries attributes and
    // capabilities. nullptr when the path is gone or cannot be opened this way.
    [[nodiscard]] virtual std::unique_ptr<IHidInterface> Open(const std::string& path, const HidOpenMode& mode) = 0;
    // Whether this user may open the interface for reading and writing. False for
    // a node that is there but refuses us (no udev rule gives us access): it is
    // still listed and its attributes can still be queried.
    [[nodiscard]] virtual bool MayOpen(const std::string& path)
    {
        (void)path;
        return true;
    }
    // True for a bus of simulated units: nothing done on it reaches a real unit.
    [[nodiscard]] virtual bool Simulated() const { return false; }
};

// The process-wide bus the unit link enumerates: an empty one until a program
// installs the real backend or the simulated units.
IHidBus& HidBus();
void SetHidBus(IHidBus* bus);  // nullptr restores the empty bus

}  // namespace vk
