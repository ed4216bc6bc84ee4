#pragma once
// The HID bus a subcommand talks to: the simulated units of --simulate[=KIND],
// else the machine's real HID interfaces. Installed as the process-wide bus for
// as long as the object lives.

#include "Command.h"
#include "platform/hid/HidBus.h"
#include "platform/hid/hidapi/HidapiBus.h"
#include "sim/unit/SimSystem.h"

#include <cstdio>
#include <memory>

namespace vk::ctl {

class CUnitBus {
public:
    // nullptr (after a message on stderr) for an unknown simulated kind.
    static std::unique_ptr<CUnitBus> Install(const Invocation& invocation)
    {
        std::unique_ptr<CUnitBus> bus(new CUnitBus);
        if (invocation.simulate) {
            bus->m_sim = CSimSystem::Create(*invocation.simulate);
            if (!bus->m_sim) {
                std::fprintf(stderr, "vk550ctl: unknown kind '%s' (new, stand-alone, master, slave, master+slave)\n",
                             invocation.simulate->c_str());
                return nullptr;
            }
            bus->m_sim->Install();
        } else {
            bus->m_real = MakeHidapiBus();
            SetHidBus(bus->m_real.get());
        }
        return bus;
    }

    ~CUnitBus() { SetHidBus(nullptr); }
    CUnitBus(const CUnitBus&) = delete;
    CUnitBus& operator=(const CUnitBus&) = delete;

private:
    CUnitBus() = default;
    std::unique_ptr<CSimSystem> m_sim;
    std::unique_ptr<IHidBus> m_real;
};

}  // namespace vk::ctl
