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

// Each unit of a system has a serial number and an identifier of its own: the
// first unit keeps the bench defaults, the next ones count up from them.
SimUnitState NumberedUnit(SimUnitKind kind, size_t index)
{
    SimUnitState state = DefaultSimUnitState(kind);
    if (index == 0)
        return state;
    const std::string& serial = state.serialNumber;
    const size_t digits = serial.find_first_of("0123456789");
    const unsigned long long number = std::stoull(serial.substr(digits)) + index;
    const std::string counted = std::to_string(number);
    state.serialNumber = serial.substr(0, serial.size() - std::min(counted.size(), serial.size() - digits)) + counted;
    state.unitIdentifier += static_cast<uint32_t>(index);
    return state;
}

}  // namespace

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
            auto unit = std::make_shared<CSimUnit>(NumberedUnit(unitKind, system->m_units.size()));
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
