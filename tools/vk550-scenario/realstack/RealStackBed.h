#pragma once
// The real Linux stack around simulated units: each unit's command interface is
// a hidraw device of a umockdev test bed (udev events included), and its sound
// card is a playback and a recording device of a private PulseAudio server,
// listed under the unit's current endpoint name a while after the unit appears
// (as a real card is, later than the command interface: the unit's
// SimResetTiming::cardAfterMs, never when unset) and unlisted when it leaves. The bed keeps private runtime, settings and server folders in one
// temporary folder and removes them, the server included, when it goes.
//
// The process must run under umockdev's preload (CUmockdevBed::PreloadActive)
// and the bed must exist before any udev monitor. The simulated units keep
// their timeline on the process clock (the real one here).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/settings/SettingsStore.h"
#include "sim/unit/SimUnit.h"
#include "tests/platform/hid/umockdev/UmockdevBed.h"
#include "tools/vk550-scenario/realstack/SoundServer.h"

namespace vk::test {

class CRealStackBed {
public:
    CRealStackBed();
    ~CRealStackBed();
    CRealStackBed(const CRealStackBed&) = delete;
    CRealStackBed& operator=(const CRealStackBed&) = delete;

    // Makes the folders, points the process at them (XDG_CONFIG_HOME,
    // XDG_RUNTIME_DIR, QUORVEL_WINDOWS_DIR, PULSE_SERVER, PULSE_COOKIE and the
    // settings store of the process, which lives as long as the bed), starts
    // the sound server and the thread that keeps the bed in step with the
    // units. False with the reason in error.
    bool Start(std::string* error);

    // Puts a unit on the bed; it gets the next number (1, 2, ...). A unit on the
    // bus from the start has its card listed already; one plugged in later gets
    // it after the delay, as after every return.
    int Attach(std::shared_ptr<CSimUnit> unit, bool cardListedNow = true);
    void Unplug(int number);
    void Replug(int number);
    [[nodiscard]] std::shared_ptr<CSimUnit> Unit(int number) const;
    // The name the unit's card is listed under now ("" when none is).
    [[nodiscard]] std::string CardName(int number) const;
    // A unit's device node now ("" while it is away).
    [[nodiscard]] std::string DevNode(int number);

    // What the units' microphones hear from now on (none: silence); the bed's
    // thread plays it into the cards, those listed later included.
    void SetTone(std::optional<CPrivateSoundServer::Tone> tone);

    [[nodiscard]] const std::filesystem::path& Folder() const { return m_folder; }
    [[nodiscard]] std::filesystem::path ConfigFolder() const { return m_folder / "config"; }
    [[nodiscard]] CPrivateSoundServer& Sound() { return *m_sound; }
    [[nodiscard]] CSettingsStore& Settings() { return *m_store; }

    // Called on the bed's thread whenever a card was listed after its unit
    // appeared (number, name) or unlisted (number, ""); set before Start.
    std::function<void(int, const std::string&)> onCard;

private:
    struct Followed {
        std::shared_ptr<CSimUnit> unit;
        uint64_t generation = 0;           // the appearance the card belongs to
        std::optional<uint64_t> listAtMs;  // when the card of this appearance is due
        std::string pendingName;
        std::string listedName;
        bool announce = true;  // the first card of a unit on the bus from the start is not news
    };

    void Run();
    void Step();

    std::filesystem::path m_folder;
    std::unique_ptr<CUmockdevBed> m_bed;
    std::unique_ptr<CPrivateSoundServer> m_sound;
    std::unique_ptr<CSettingsStore> m_store;

    mutable std::mutex m_mutex;
    std::vector<Followed> m_units;
    std::optional<CPrivateSoundServer::Tone> m_tone;
    bool m_toneChanged = false;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace vk::test
