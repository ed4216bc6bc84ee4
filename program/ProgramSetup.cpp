#include "program/ProgramSetup.h"

#include "program/SimulatedRoom.h"
#include "program/WindowTitleLink.h"
#include "device/UnitAccess.h"
#include "platform/settings/Paths.h"
#include "platform/hid/HidBus.h"
#include "platform/ui/qt/QtHost.h"
#include "resources/Resources.h"
#include "sim/unit/SimSystem.h"

#ifdef HAVE_VK_HID_HIDAPI
#include "platform/hid/hidapi/HidapiBus.h"
#endif
#ifdef HAVE_VK_HID_UDEV
#include "platform/hid/udev/UdevDeviceWatch.h"
#endif
#ifdef HAVE_VK_SOUND_PULSE
#include "platform/sound/pulse/PulseSoundSystem.h"
#endif
#ifdef HAVE_VK_SIM_SOUND
#include "sim/sound/SimUnitSoundCards.h"
#endif
#include "platform/sound/SoundSystem.h"

#include <QApplication>
#include <QMetaObject>
#include <QWidget>
#include <cstdio>

namespace vk {

CProgramSetup::CProgramSetup() = default;

CProgramSetup::~CProgramSetup()
{
    CHIDProtocol::SetMessagePump(nullptr);
    SetSoundSystem(nullptr);
    m_sound.reset();
    m_sim.reset();
    SetHidBus(nullptr);
}

bool CProgramSetup::Start(const ProgramOptions& options)
{
    m_host = std::make_unique<CQtHost>();
    m_host->Install();
    if (!RegisterResourceImages())
        std::fprintf(stderr, "Some images are missing below %s\n", ResourceImagePath(0).c_str());
    m_pump = std::make_unique<CUiMessagePump>();
    CHIDProtocol::SetMessagePump(m_pump.get());

    if (options.simulate) {
        auto sim = CSimSystem::Create(*options.simulate);
        if (!sim) {
            std::fprintf(stderr, "Unknown kind of simulated units: %s\n", options.simulate->c_str());
            return false;
        }
        Simulate(std::move(sim));
        return true;
    }
#ifdef HAVE_VK_HID_HIDAPI
    m_realBus = MakeHidapiBus();
    SetHidBus(m_realBus.get());
    // A unit is attached but this user may not open it: say so and name the fix.
    if (const auto refused = CHIDProtocol(*m_realBus).ListRefusedUnits(kFamilyFilter); !refused.empty())
        std::fprintf(stderr, "%s", RefusedUnitHint(refused).c_str());
#else
    std::fprintf(stderr, "This build has no HID backend; use --simulate\n");
#endif
#ifdef HAVE_VK_SOUND_PULSE
    auto pulse = std::make_shared<CPulseSoundSystem>();
    if (pulse->Connect()) {
        m_sound = pulse;
        SetSoundSystem(m_sound.get());
    } else {
        std::fprintf(stderr, "No sound server; the sound tests will not find the unit's sound card\n");
    }
#endif
    return true;
}

void CProgramSetup::Simulate(std::unique_ptr<CSimSystem> sim)
{
    SetSoundSystem(nullptr);
    m_sound.reset();
    m_sim = std::move(sim);
    if (!m_sim)
        return;
    m_sim->Install();
#ifdef HAVE_VK_SIM_SOUND
    // The simulated units bring their sound cards, which come and go with them.
    struct SimSound {
        CSimSoundSystem system;
        CSimUnitSoundCards cards{system};
    };
    auto sound = std::make_shared<SimSound>();
    // A person watches: the microphones deliver at the pace of real sound, not as
    // fast as buffers are queued (which would flood the window with blocks), and
    // they hear somebody talking.
    sound->system.SetPacing(SimPacing::RealTime);
    sound->cards.SetSignal(SimulatedRoom(paths::DefaultInstallDir()));
    for (const auto& unit : m_sim->Units())
        sound->cards.Follow(unit);
    m_sound = std::shared_ptr<ISoundSystem>(sound, &sound->system);
    SetSoundSystem(m_sound.get());
#endif
}

CQuorvelVK550ConfigDlg::Attach CProgramSetup::MakeAttach()
{
    return [this](CDialog& window) -> std::shared_ptr<void> {
        // Everything that reaches the window from outside, dropped with the window.
        struct Links {
            std::unique_ptr<CWindowTitleLink> title;
            CSimSystem* sim = nullptr;
#ifdef HAVE_VK_HID_UDEV
            std::unique_ptr<CUdevDeviceWatch> watch;
#endif
            ~Links()
            {
                if (sim)
                    sim->Bus().SetChangeListener({});
            }
        };
        auto links = std::make_shared<Links>();
        // A second start asks this window to the front; the request arrives on the
        // link's thread and is carried out on the window's, while the window lives.
        std::weak_ptr<Links> alive = links;
        CQtHost* host = m_host.get();
        // The window the user works in comes up (the inputs page, a box), not the
        // wizard the inputs page hid.
        links->title = CWindowTitleLink::Bind(kWizardTitle, window, [alive, host] {
            QMetaObject::invokeMethod(qApp, [alive, host] {
                if (alive.lock())
                    host->RaiseWorkingWindow();
            }, Qt::QueuedConnection);
        });
        if (m_sim) {
            links->sim = m_sim.get();
            m_sim->Bus().SetChangeListener([&window] { (void)window.Post(WM_DEVICECHANGE, 7, 0); });
        } else {
#ifdef HAVE_VK_HID_UDEV
            std::string error;
            links->watch = CUdevDeviceWatch::Create(window, &error);
            if (links->watch)
                links->watch->StartThread();
            else
                std::fprintf(stderr, "No device watch: %s\n", error.c_str());
#endif
        }
        return links;
    };
}

}  // namespace vk
