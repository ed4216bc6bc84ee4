#pragma once
// A private PulseAudio server for the real-stack bed (the audio tests' server
// script in a folder of the bed), with one sound card per unit that the bed
// lists and unlists as the unit comes and goes.
//
// A card is a null sink (the unit's speaker) and a mono remap of its monitor
// (the unit's microphone, which so hears what the speaker plays), described as
// "<endpoint name> Speaker" and "<endpoint name> Microphone".
//
// pactl and parec run in a clean environment: the bed's process runs under
// umockdev's preload, which the helpers need not see.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vk::test {

class CPrivateSoundServer {
public:
    // `folder` must be short enough for a unix socket path (~90 characters).
    explicit CPrivateSoundServer(std::filesystem::path folder);
    ~CPrivateSoundServer();  // stops the server
    CPrivateSoundServer(const CPrivateSoundServer&) = delete;
    CPrivateSoundServer& operator=(const CPrivateSoundServer&) = delete;

    // Starts the server without any card. False with the reason in error.
    // `owned` (a folder holding the server's) is removed with the server by a
    // watchdog if this process dies without stopping it (killed, crashed).
    bool Start(std::string* error, const std::filesystem::path& owned = {});
    void Stop();
    // "unix:<folder>/native", for PULSE_SERVER.
    [[nodiscard]] std::string Address() const;
    [[nodiscard]] std::string Cookie() const;

    // Lists a card named `name` for the unit with this number; false when pactl refused.
    bool ListCard(int unit, const std::string& name);
    void UnlistCard(int unit);
    // The playback device's sink name of a unit's card (its monitor is "<sink>.monitor").
    [[nodiscard]] static std::string SinkName(int unit);
    // Descriptions of every sink and source now, for checks.
    [[nodiscard]] std::vector<std::string> Descriptions();

    // Starts recording the monitor of a unit's playback device (16-bit mono,
    // 16000/s) in the background; EndMonitor stops it and returns the loudest
    // sample heard (-1 when nothing could be recorded).
    bool BeginMonitor(int unit);
    int EndMonitor(int unit);

    // What the units' microphones hear: a sine of `hz` with this peak, played
    // in a loop into every listed card's speaker (which the microphone hears),
    // and into each card listed later; none: silence. Not thread-safe with
    // ListCard/UnlistCard: call it from the thread that lists the cards.
    struct Tone {
        unsigned hz = 0;
        int peak = 0;
        bool operator==(const Tone&) const = default;
    };
    void SetTone(std::optional<Tone> tone);

    // Runs a helper (pactl, parec) with the server's environment; its standard
    // output in `out`. The exit code, or -1 when it could not run.
    int Run(const std::vector<std::string>& args, std::string* out = nullptr, unsigned timeoutMs = 10000);

private:
    struct Monitor {
        int unit;
        int pid;
        std::filesystem::path file;
    };
    struct Card {
        int unit;
        std::vector<int> modules;  // unloaded in reverse order
        int tonePid = -1;          // the player of the tone, a process group of its own
    };
    void StartTone(Card& card);
    static void StopTone(Card& card);

    std::filesystem::path m_folder;
    std::string m_script;
    bool m_started = false;
    std::vector<Card> m_cards;
    std::vector<Monitor> m_monitors;
    std::optional<Tone> m_tone;
};

}  // namespace vk::test
