#include "sim/unit/SimSystem.h"

#include <algorithm>
#include <array>
#include <string>

namespace vk {
namespace {

struct KindEntry {
    std::string_view name;
    std::vector<SimUnitKind> units;
};

const std::array<KindEntry, 5>& Kinds()
{
    static const std::array<KindEntry, 5> kinds{{
        {"new", {SimUnitKind::New}},
        {"stand-alone", {SimUnitKind::StandAlone}},
        {"master", {SimUnitKind::Master}},
        {"slave", {SimUnitKind::Slave}},
        {"master+slave", {SimUnitKind::Master, SimUnitKind::Slave}},
    }};
    return kinds;
}

}  // namespace

std::optional<std::vector<SimUnitKind>> SimulatedUnitKinds(std::string_view kind)
{
    for (const auto& k : Kinds())
        if (k.name == kind)
            return k.units;
    return std::nullopt;
}

bool IsSimulatedKind(std::string_view kind)
{
    for (const auto& k : Kinds())
        if (k.name == kind)
            return true;
    return false;
}

std::unique_ptr<CSimSystem> CSimSystem::Create(std::string_view kind)
{
    for (const auto& k : Kinds()) {
        if (k.name != kind)
            continue;
        std::unique_ptr<CSimSystem> system(new CSimSystem);
        system->m_bus = std::make_unique<CSimHidBus>();
        for (SimUnitKind unitKind : k.units) {
            // Each unit of the bench has its own serial number and identifier.
            const auto ordinal = static_cast<unsigned>(system->m_units.size());
            auto unit = std::make_shared<CSimUnit>(DefaultSimUnitState(unitKind, ordinal));
            (void)system->m_bus->Plug(unit);
            system->m_units.push_back(std::move(unit));
        }
        return system;
    }
    return nullptr;
}

CSimSystem::~CSimSystem()
{
    if (m_installed && &HidBus() == m_bus.get())
        SetHidBus(nullptr);
}

void CSimSystem::Install()
{
    SetHidBus(m_bus.get());
    m_installed = true;
}

}  // namespace vk
