#pragma once
// A simulated HID bus holding any number of simulated units and other
// interfaces. Every open read handle gets its own copy of each input report
// that arrives after it was opened, as with the operating system's drivers.
//
// Reads wait on the process clock. A read that times out leaves nothing
// outstanding: a report that arrives later waits in the handle's queue and is
// what the next read returns.

#include "platform/hid/HidBus.h"
#include "sim/unit/SimUnit.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vk {

// An interface that is not a unit's command interface (or one that follows a unit).
struct SimInterfaceSpec {
    HidAttributes attributes;
    HidCaps caps;
    // Present only while this unit is on the bus (nullptr: always present).
    std::shared_ptr<CSimUnit> follows;
};

class CSimHidBus final : public IHidBus {
public:
    CSimHidBus();
    ~CSimHidBus() override;
    CSimHidBus(const CSimHidBus&) = delete;
    CSimHidBus& operator=(const CSimHidBus&) = delete;

    // Attaches the unit's command interface; returns its path.
    std::string Plug(std::shared_ptr<CSimUnit> unit);
    // Takes the unit off the bus now (it stays listed here and can be plugged again).
    void Unplug(const std::shared_ptr<CSimUnit>& unit);
    // Attaches any other interface; returns its path.
    std::string AddInterface(const SimInterfaceSpec& spec);
    // The unit's second interface that reports input buttons (a keypad).
    std::string AddButtonsInterface(std::shared_ptr<CSimUnit> unit);
    // Another vendor's interface, without buttons.
    std::string AddForeignInterface(uint16_t vendorId, uint16_t productId);
    // Another program holds this interface exclusively: every open fails.
    void HoldExclusively(const std::string& path, bool held);
    // The interface's node refuses this user (as without the udev rule): it is
    // listed and its attributes can be queried, but it cannot be opened for
    // reading or writing.
    void RefuseAccess(const std::string& path, bool refused);
    // The device-change notification: called (on the caller's thread, no lock
    // held) whenever an interface came or went, including a unit leaving and
    // returning after a reset. Such clock-driven changes are noticed at the next
    // enumeration or Poll; a host with a timer calls Poll.
    void SetChangeListener(std::function<void()> listener);
    void Poll();

    [[nodiscard]] std::vector<std::shared_ptr<CSimUnit>> Units() const;

    // IHidBus
    [[nodiscard]] std::vector<std::string> PresentInterfaces() override;
    [[nodiscard]] std::unique_ptr<IHidInterface> Open(const std::string& path, const HidOpenMode& mode) override;
    [[nodiscard]] bool MayOpen(const std::string& path) override;
    [[nodiscard]] bool Simulated() const override { return true; }

    // Report descriptor of a keyboard-like interface with input buttons.
    [[nodiscard]] static std::span<const uint8_t> ButtonsReportDescriptor();

    struct Core;  // shared with the open handles, which may outlive the bus

private:
    std::shared_ptr<Core> m_core;
};

}  // namespace vk
