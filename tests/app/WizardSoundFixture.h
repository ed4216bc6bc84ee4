#pragma once
// The wizard fixture with sound: the simulated units bring their sound cards,
// which leave and come back with them (re-enumeration included). The
// microphones are paced at real time, so a listening engine does not flood the
// window with blocks.

#include "platform/sound/SoundSystem.h"
#include "sim/sound/SimSoundSystem.h"
#include "sim/sound/SimUnitSoundCards.h"
#include "WizardFixture.h"

namespace vk::testing {

class WizardSoundFixture : public WizardFixture {
protected:
    void SetUp() override
    {
        WizardFixture::SetUp();
        m_sound.SetPacing(SimPacing::RealTime);
        SetSoundSystem(&m_sound);
    }
    void TearDownWizard() override { SetSoundSystem(nullptr); }

    // A unit with its sound card.
    std::shared_ptr<CSimUnit> PlugWithCard(SimUnitKind kind)
    {
        auto unit = Plug(kind);
        m_cards.Follow(unit);
        return unit;
    }

    CSimSoundSystem m_sound;
    CSimUnitSoundCards m_cards{m_sound};
};

}  // namespace vk::testing
