#pragma once
// The simulated units' sound cards: while a unit is on the bus, a recording and
// a playback device named after its USB device name are listed; they go when
// the unit leaves and come back (under its new name) when it returns.
//
// The cards follow the units whenever somebody looks at the device list, so a
// unit that resets on the clock is seen exactly as the audio code polls for it.

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/sound/SimSoundSystem.h"
#include "sim/unit/SimUnit.h"

namespace vk {

class CSimUnitSoundCards {
public:
    // Hooks itself into `sound`, which must outlive it.
    explicit CSimUnitSoundCards(CSimSoundSystem& sound);
    ~CSimUnitSoundCards();
    CSimUnitSoundCards(const CSimUnitSoundCards&) = delete;
    CSimUnitSoundCards& operator=(const CSimUnitSoundCards&) = delete;

    void Follow(std::shared_ptr<CSimUnit> unit);
    // What every card's microphone hears from now on, also after a re-enumeration
    // (silence until set).
    void SetMicrophoneSignal(std::shared_ptr<ISimSignal> signal);
    // Brings the device list in line with the units now (also done at every lookup).
    void Sync();
    // The devices of a unit's card now (-1 while it is off the bus).
    [[nodiscard]] CSimSoundSystem::Card CardOf(const std::shared_ptr<CSimUnit>& unit);

private:
    struct Followed {
        std::shared_ptr<CSimUnit> unit;
        CSimSoundSystem::Card card;
        bool listed = false;
        uint64_t generation = 0;
        bool hasMixer = false;
    };

    CSimSoundSystem& m_sound;
    std::mutex m_mutex;
    std::vector<Followed> m_units;
    std::shared_ptr<ISimSignal> m_microphone;
};

}  // namespace vk
