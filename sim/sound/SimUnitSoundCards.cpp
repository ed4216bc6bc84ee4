#include "sim/sound/SimUnitSoundCards.h"

namespace vk {

CSimUnitSoundCards::CSimUnitSoundCards(CSimSoundSystem& sound) : m_sound(sound)
{
    m_sound.SetBeforeLookup([this] { Sync(); });
}

CSimUnitSoundCards::~CSimUnitSoundCards() { m_sound.SetBeforeLookup(nullptr); }

void CSimUnitSoundCards::Follow(std::shared_ptr<CSimUnit> unit)
{
    {
        std::lock_guard lock(m_mutex);
        m_units.push_back({std::move(unit), {}, false, 0, false});
    }
    Sync();
}

void CSimUnitSoundCards::SetMicrophoneSignal(std::shared_ptr<ISimSignal> signal)
{
    std::lock_guard lock(m_mutex);
    m_microphone = std::move(signal);
    for (const Followed& f : m_units)
        if (f.listed)
            m_sound.SetSignal(f.card.in, m_microphone);
}

void CSimUnitSoundCards::Sync()
{
    std::lock_guard lock(m_mutex);
    for (Followed& f : m_units) {
        const bool present = f.unit->Present();
        const uint64_t generation = f.unit->Generation();
        if (f.listed && (!present || generation != f.generation)) {
            m_sound.RemoveDevice(f.card.in);
            m_sound.RemoveDevice(f.card.out);
            f.listed = false;
        }
        if (present && !f.listed) {
            // A unit keeps its mixer across re-enumerations.
            if (!f.hasMixer) {
                f.card.mixer = m_sound.AddMixer(MakeSimCardMixer(f.unit->UsbName()));
                f.hasMixer = true;
            }
            f.card.in = m_sound.AddDevice(WaveDirection::In, f.unit->UsbName(), f.card.mixer);
            f.card.out = m_sound.AddDevice(WaveDirection::Out, f.unit->UsbName(), f.card.mixer);
            if (m_microphone)
                m_sound.SetSignal(f.card.in, m_microphone);
            f.listed = true;
            f.generation = generation;
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

}  // namespace vk
