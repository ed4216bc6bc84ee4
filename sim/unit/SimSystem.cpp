#include "sim/unit/SimSystem.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace vk {
namespace {

struct KindEntry {
    std::string_view name;
    SimUnitKind unit;
};

constexpr std::array<KindEntry, 4> kKinds{{
    {"new", SimUnitKind::New},
    {"stand-alone", SimUnitKind::StandAlone},
    {"master", SimUnitKind::Master},
    {"slave", SimUnitKind::Slave},
}};

// One unit of a bench: "KIND", or "KIND!N" for a unit that answers N commands
// and then falls silent (a unit that fails halfway through a run).
struct BenchUnit {
    SimUnitKind kind;
    std::optional<uint32_t> silentAfter;
};

std::optional<BenchUnit> ParseBenchUnit(std::string_view text)
{
    std::optional<uint32_t> silentAfter;
    if (const size_t bang = text.find('!'); bang != std::string_view::npos) {
        const std::string_view count = text.substr(bang + 1);
        if (count.empty() || count.size() > 6 || count.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        silentAfter = static_cast<uint32_t>(std::stoul(std::string(count)));
        text = text.substr(0, bang);
    }
    for (const auto& k : kKinds)
        if (k.name == text)
            return BenchUnit{k.unit, silentAfter};
    return std::nullopt;
}

// Units joined by '+', in bus order ("master+slave", "new+new!40+new").
std::optional<std::vector<BenchUnit>> ParseBench(std::string_view kind)
{
    std::vector<BenchUnit> units;
    while (true) {
        const size_t plus = kind.find('+');
        const auto unit = ParseBenchUnit(kind.substr(0, plus));
        if (!unit)
            return std::nullopt;
        units.push_back(*unit);
        if (plus == std::string_view::npos)
            return units;
        kind = kind.substr(plus + 1);
    }
}

}  // namespace

std::optional<std::vector<SimUnitKind>> SimulatedUnitKinds(std::string_view kind)
{
    const auto bench = ParseBench(kind);
    if (!bench)
        return std::nullopt;
    std::vector<SimUnitKind> kinds;
    for (const auto& unit : *bench)
        kinds.push_back(unit.kind);
    return kinds;
}

bool IsSimulatedKind(std::string_view kind) { return ParseBench(kind).has_value(); }

std::unique_ptr<CSimSystem> CSimSystem::Create(std::string_view kind)
{
    const auto bench = ParseBench(kind);
    if (!bench)
        return nullptr;
    std::unique_ptr<CSimSystem> system(new CSimSystem);
    system->m_bus = std::make_unique<CSimHidBus>();
    for (const BenchUnit& benchUnit : *bench) {
        // Each unit of the bench has its own serial number and identifier.
        const auto ordinal = static_cast<unsigned>(system->m_units.size());
        auto unit = std::make_shared<CSimUnit>(DefaultSimUnitState(benchUnit.kind, ordinal));
        if (benchUnit.silentAfter) {
            SimFaults faults;
            faults.silent = true;
            faults.passFirst = *benchUnit.silentAfter;
            unit->SetFaults(faults);
        }
        (void)system->m_bus->Plug(unit);
        system->m_units.push_back(std::move(unit));
    }
    return system;
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
