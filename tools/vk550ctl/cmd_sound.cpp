// vk550ctl sound: the PC's recording and playback devices as the wizard sees
// them (index, product name, mixer id) and the unit devices its volume code
// would pick. With --simulate, the sound cards of the simulated units. Exit 2
// when there is no sound server.
#include "Command.h"
#include "audio/AudioEndpoints.h"
#include "platform/sound/pulse/PulseSoundSystem.h"
#include "sim/sound/SimUnitSoundCards.h"
#include "sim/unit/SimSystem.h"

#include <cstdio>
#include <memory>

namespace vk::ctl {
namespace {

void ListDevices(ISoundSystem& sound, WaveDirection dir, const char* title)
{
    std::printf("%s:\n", title);
    const uint32_t n = sound.GetNumDevs(dir);
    for (uint32_t i = 0; i < n; ++i) {
        std::string name;
        uint32_t mixer = 0;
        const bool hasMixer = sound.GetMixerId(dir, i, mixer) == MMSYSERR_NOERROR;
        const char* shown = sound.GetDevName(dir, i, name) == MMSYSERR_NOERROR ? name.c_str() : "?";
        if (hasMixer)
            std::printf("  %u  %-31s  mixer %u\n", i, shown, mixer);
        else
            std::printf("  %u  %-31s  no mixer\n", i, shown);
    }
    if (n == 0)
        std::printf("  none\n");
}

// Whether a device of this direction has `part` in its name.
bool AnyDeviceNamed(ISoundSystem& sound, WaveDirection dir, const std::string& part)
{
    const uint32_t n = sound.GetNumDevs(dir);
    for (uint32_t i = 0; i < n; ++i) {
        std::string name;
        if (sound.GetDevName(dir, i, name) == MMSYSERR_NOERROR && name.find(part) != std::string::npos)
            return true;
    }
    return false;
}

// The device the volume code picked, said plainly: the endpoint search falls back
// to a name from its list even when no device carries it.
std::string Describe(ISoundSystem& sound, WaveDirection dir, const std::string& picked)
{
    constexpr const char* kUnitName = "Qrvl";  // the unit's sound card: "Qrvl VK550_SAL", ...
    if (AnyDeviceNamed(sound, dir, kUnitName))
        return picked;
    if (!picked.empty() && AnyDeviceNamed(sound, dir, picked))
        return picked + "  (no device carries the unit's name \"" + kUnitName + "\"; this is another device)";
    return std::string("none: no device carries the unit's name \"") + kUnitName + "\"";
}

int RunSound(const Invocation& invocation)
{
    std::unique_ptr<CSimSystem> simulated;
    std::unique_ptr<CSimSoundSystem> simSound;
    std::unique_ptr<CSimUnitSoundCards> cards;
    CPulseSoundSystem pulse;
    ISoundSystem* sound = &pulse;
    if (invocation.simulate) {
        simulated = CSimSystem::Create(*invocation.simulate);
        if (!simulated) {
            std::fprintf(stderr, "vk550ctl: unknown kind '%s'\n", invocation.simulate->c_str());
            return 2;
        }
        simSound = std::make_unique<CSimSoundSystem>();
        cards = std::make_unique<CSimUnitSoundCards>(*simSound);
        for (const auto& unit : simulated->Units())
            cards->Follow(unit);
        sound = simSound.get();
    } else if (!pulse.Connect()) {
        std::fprintf(stderr, "vk550ctl: no sound server\n");
        return 2;
    }
    SetSoundSystem(sound);
    ListDevices(*sound, WaveDirection::In, "recording devices");
    ListDevices(*sound, WaveDirection::Out, "playback devices");
    const CAudioEndpoints endpoints;
    std::printf("unit recording device: %s\nunit playback device:  %s\n",
                Describe(*sound, WaveDirection::In, endpoints.m_strRecordDevice).c_str(),
                Describe(*sound, WaveDirection::Out, endpoints.m_strPlayDevice).c_str());
    SetSoundSystem(nullptr);
    return 0;
}

const CommandRegistration registration({"sound", "sound", "the sound devices and the unit's among them", RunSound});

}  // namespace
}  // namespace vk::ctl
