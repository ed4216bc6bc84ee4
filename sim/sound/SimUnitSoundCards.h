#pragma once
// The simulated units' sound cards: while a unit is on the bus, a recording and
// a playback device named after its USB device name are listed; they go when
// the unit leaves and come back (under its new name) when it returns, later
// than its command interface, as a real card does: the unit's
// SimResetTiming::cardAfterMs after it appeared (never when that is unset).
//
// The cards follow the units whenever somebody looks at the device list, so a
// unit that resets on the clock is seen exactly as the audio code polls for it.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/sound/SimSignal.h"
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

    // cardListedNow: a unit that is on the bus already has its card listed (a
    // bench set up before the program starts); false: the card comes after the
    // usual delay, as for a unit plugged in while the program runs.
    void Follow(std::shared_ptr<CSimUnit> unit, bool cardListedNow = true);
    // Brings the device list in line with the units now (also done at every lookup).
    void Sync();
    // The devices of a unit's card now (-1 while it is not listed).
    [[nodiscard]] CSimSoundSystem::Card CardOf(const std::shared_ptr<CSimUnit>& unit);
    // When the next card is due to be listed (clock ms), if one is waiting.
    [[nodiscard]] std::optional<uint64_t> NextCardDueMs();

    // Paced cards move no buffer (record or play) but those granted: a caller
    // with a clock of its own lets them move as its time passes.
    void Pace(bool paced);
    // Every listed card's devices may move this many more buffers each.
    void Grant(long long buffers);

    // What every unit's microphone hears, from now on and after re-listing (null: the default).
    void SetSignal(std::shared_ptr<ISimSignal> signal);
    // Called (under this object's lock: it must not call back) when a card is
    // listed again after its unit came back or was plugged in, with the card's name.
    void SetListedListener(std::function<void(const std::shared_ptr<CSimUnit>&, const std::string&)> listener);

private:
    struct Followed {
        std::shared_ptr<CSimUnit> unit;
        CSimSoundSystem::Card card;
        bool listed = false;
        uint64_t generation = 0;
        bool hasMixer = false;
    };
    void List(Followed& f, uint64_t generation, bool announce);

    CSimSoundSystem& m_sound;
    std::mutex m_mutex;
    std::vector<Followed> m_units;
    std::shared_ptr<ISimSignal> m_signal;
    bool m_paced = false;
    std::function<void(const std::shared_ptr<CSimUnit>&, const std::string&)> m_listed;
};

}  // namespace vk
