#pragma once
// What a scenario runs on: the units, their microphones, time, the settings
// and the wizard's windows. The simulated stack (virtual clock, simulated bus
// and sound cards, headless host) and the real one (umockdev bed, private
// sound server, Qt host, real clock) each implement it; the step interpreter
// gives every verb its one meaning over it.

#include "platform/settings/SettingsStore.h"
#include "sim/unit/SimUnit.h"

#include <cstdint>
#include <memory>

namespace vk {
class CDialog;
}

namespace vk::scenario {

// What the units' microphones hear: silence, or a sine of hz with a peak in sample units.
struct MicSignal {
    bool sine = false;
    unsigned hz = 0;
    int peak = 0;
};

class IScenarioStack {
public:
    virtual ~IScenarioStack() = default;

    // Unit `number` (1 = the first of --units, plugged units number on); null when there is none.
    [[nodiscard]] virtual std::shared_ptr<CSimUnit> Unit(int number) const = 0;
    [[nodiscard]] virtual int UnitCount() const = 0;
    // A new unit of `kind` is plugged in; its card is listed after the usual delay. Its number.
    virtual int Plug(SimUnitKind kind) = 0;
    // Unit `number` (which exists) leaves the bus / is plugged in again.
    virtual void Unplug(int number) = 0;
    virtual void Replug(int number) = 0;
    virtual void SetMicrophones(const MicSignal& signal) = 0;

    // ms of the stack's time pass while the windows handle what comes; inside
    // the wizard the next step runs when they have.
    virtual void Wait(uint64_t ms) = 0;

    [[nodiscard]] virtual CSettingsStore& Settings() = 0;
    // The dialog whose modal loop runs innermost (null when none runs).
    [[nodiscard]] virtual CDialog* ActiveModal() const = 0;
    // Only the window thread follows the script and looks at the windows.
    [[nodiscard]] virtual bool OnWindowThread() const = 0;

    // The run ends now (end, a stall, a script error): every loop is left and
    // nothing more is printed but the closing checks.
    virtual void Stop() = 0;
};

}  // namespace vk::scenario
