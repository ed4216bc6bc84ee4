#pragma once
// The simulated system behind --simulate[=KIND]: a simulated HID bus with the
// units of one kind on it. Every program builds it the same way.

#include "sim/hid/SimHidBus.h"
#include "sim/unit/SimUnit.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace vk {

// "new", "stand-alone", "master", "slave", or several joined by '+' in bus order
// ("master+slave"); "KIND!N" is a unit that falls silent after N commands.
[[nodiscard]] bool IsSimulatedKind(std::string_view kind);
// The units a kind stands for, in bus order; nothing for an unknown kind.
[[nodiscard]] std::optional<std::vector<SimUnitKind>> SimulatedUnitKinds(std::string_view kind);

class CSimSystem {
public:
    // nullptr for an unknown kind.
    [[nodiscard]] static std::unique_ptr<CSimSystem> Create(std::string_view kind);
    ~CSimSystem();
    CSimSystem(const CSimSystem&) = delete;
    CSimSystem& operator=(const CSimSystem&) = delete;

    // Makes this bus the process-wide HID bus (vk::HidBus()) until destruction.
    void Install();

    [[nodiscard]] CSimHidBus& Bus() { return *m_bus; }
    [[nodiscard]] const std::vector<std::shared_ptr<CSimUnit>>& Units() const { return m_units; }

private:
    CSimSystem() = default;
    std::unique_ptr<CSimHidBus> m_bus;
    std::vector<std::shared_ptr<CSimUnit>> m_units;
    bool m_installed = false;
};

}  // namespace vk
