#pragma once
// What the inputs page needs of the window that runs it (the wizard), so that the
// inputs page never depends on the wizard's own code.

#include <array>
#include <string>

#include "device/HIDProtocol.h"
#include "platform/ui/UiTypes.h"

namespace vk {

class CDialog;

class IInputsOwner {
public:
    virtual ~IInputsOwner() = default;

    // The window the page runs over (its parent).
    [[nodiscard]] virtual CDialog& OwnerWindow() = 0;
    // The connection to the unit being configured.
    [[nodiscard]] virtual CHIDProtocol& UnitProtocol() = 0;
    // 1 Stand Alone, 2 Master, 3 Slave.
    [[nodiscard]] virtual int UnitType() const = 0;
    // The wave-files folder (ends in '/').
    [[nodiscard]] virtual std::string WaveDir() const = 0;
    // A master's channel records kept aside while the tests run; the page changes
    // some of their bytes, and the wizard writes them back when the page ends.
    [[nodiscard]] virtual std::array<ChannelRecord, 4>& MasterInputs() = 0;
    // The wizard's three fonts.
    [[nodiscard]] virtual const DialogFont& TitleFont() const = 0;
    [[nodiscard]] virtual const DialogFont& TextFont() const = 0;
    [[nodiscard]] virtual const DialogFont& ButtonFont() const = 0;
    // Opens the unit being configured again after its connection was lost;
    // never another unit (a master left beside a slave that went away).
    [[nodiscard]] virtual bool ReopenUnit() = 0;
    // Raises (on) or lowers the unit's "PC plays through the speaker" flag.
    virtual void SetSpeakerPlayFlag(bool on) = 0;
};

}  // namespace vk
