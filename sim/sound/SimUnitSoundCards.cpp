#include "sim/sound/SimUnitSoundCards.h"

#include "platform/clock/Clock.h"

namespace vk {

namespace {

// The clock time a unit's card is due on the list, if it ever comes.
std::optional<uint64_t> CardDueMs(const CSimUnit& unit)
{
    const auto after = unit.ResetTiming().cardAfterMs;
    if (!after)
        return std::nullopt;
    return unit.AppearedAtMs() + *after;
}

}  // namespace

CSimUnitSoundCards::CSimUnitSoundCards(CSimSoundSystem& sound) : m_sound(sound)
{
    m_sound.SetBeforeLookup([this] { Sync(); });
}

CSimUnitSoundCards::~CSimUnitSoundCards() { m_sound.SetBeforeLookup(nullptr); }

void CSimUnitSoundCards::Follow(std::shared_ptr<CSimUnit> unit, bool cardListedNow)
{
    {
        std::lock_guard lock(m_mutex);
        m_units.push_back({std::move(unit), {}, false, 0, false});
        Followed& f = m_units.back();
        if (cardListedNow && f.unit->Present())
            List(f, f.unit->Generation(), false);
    }
    Sync();
}

void CSimUnitSoundCards::List(Followed& f, uint64_t generation, bool announce)
{
    const std::string name = f.unit->UsbName();
    // A unit keeps its mixer across re-enumerations.
    if (!f.hasMixer) {
        f.card.mixer = m_sound.AddMixer(MakeSimCardMixer(name));
        f.hasMixer = true;
    }
    f.card.in = m_sound.AddDevice(WaveDirection::In, name, f.card.mixer);
    f.card.out = m_sound.AddDevice(WaveDirection::Out, name, f.card.mixer);
    if (m_signal)
        m_sound.SetSignal(f.card.in, m_signal);
    if (m_paced) {
        m_sound.SetDeliveryBudget(f.card.in, 0);
        m_sound.SetDeliveryBudget(f.card.out, 0);
    }
    f.listed = true;
    f.generation = generation;
    if (announce && m_listed)
        m_listed(f.unit, name);
}

void CSimUnitSoundCards::Sync()
{
    std::lock_guard lock(m_mutex);
    const uint64_t now = Clock().NowMs();
    for (Followed& f : m_units) {
        const bool present = f.unit->Present();
        const uint64_t generation = f.unit->Generation();
        if (f.listed && (!present || generation != f.generation)) {
            m_sound.RemoveDevice(f.card.in);
            m_sound.RemoveDevice(f.card.out);
            f.card.in = f.card.out = -1;
            f.listed = false;
        }
        if (present && !f.listed) {
            const auto due = CardDueMs(*f.unit);
            if (due && now >= *due)
                List(f, generation, true);
        }
    }
}

CSimSoundSystem::Card CSimUnitSoundCards::CardOf(const std::shared_ptr<CSimUnit>& unit)
{
    Sync();
    std::lock_guard lock(m_mutex);
    for (const Followed& f : m_units)
        if (f.unit == unit && f.listed)
            return f.card;
    return {};
}

std::optional<uint64_t> CSimUnitSoundCards::NextCardDueMs()
{
    std::lock_guard lock(m_mutex);
    std::optional<uint64_t> next;
    for (const Followed& f : m_units) {
        if (f.listed || !f.unit->Present())
            continue;
        if (const auto due = CardDueMs(*f.unit); due && (!next || *due < *next))
            next = due;
    }
    return next;
}

void CSimUnitSoundCards::Pace(bool paced)
{
    std::lock_guard lock(m_mutex);
    m_paced = paced;
    for (const Followed& f : m_units) {
        if (!f.listed)
            continue;
        m_sound.SetDeliveryBudget(f.card.in, paced ? 0 : -1);
        m_sound.SetDeliveryBudget(f.card.out, paced ? 0 : -1);
    }
}

void CSimUnitSoundCards::Grant(long long buffers)
{
    std::vector<CSimSoundSystem::Card> cards;
    {
        std::lock_guard lock(m_mutex);
        for (const Followed& f : m_units)
            if (f.listed)
                cards.push_back(f.card);
    }
    // Outside the lock: the streams finish buffers and wake their owners.
    for (const auto& card : cards) {
        m_sound.SetDeliveryBudget(card.in, buffers);
        m_sound.SetDeliveryBudget(card.out, buffers);
    }
}

void CSimUnitSoundCards::SetSignal(std::shared_ptr<ISimSignal> signal)
{
    std::lock_guard lock(m_mutex);
    m_signal = std::move(signal);
    for (const Followed& f : m_units)
        if (f.listed)
            m_sound.SetSignal(f.card.in, m_signal);
}

void CSimUnitSoundCards::SetListedListener(
    std::function<void(const std::shared_ptr<CSimUnit>&, const std::string&)> listener)
{
    std::lock_guard lock(m_mutex);
    m_listed = std::move(listener);
}

}  // namespace vk
