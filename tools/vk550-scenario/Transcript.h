#pragma once
// The transcript: one event per line, in the order the events happen. Lines may
// come from any thread; each is written whole.

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>

namespace vk::scenario {

class CTranscript {
public:
    using Sink = std::function<void(const std::string& line)>;
    explicit CTranscript(Sink sink) : m_sink(std::move(sink)) {}

    void Event(const std::string& line);
    // The run's private folder appears as `<folder>` in every line, so that a
    // transcript naming a recording or a file dialog's path is the same in every run.
    void HideFolder(std::string folder);
    // From now on nothing more is printed (the run has ended).
    void Mute();
    // The closing checks of a run speak even after it has ended.
    void Unmute();
    [[nodiscard]] bool Muted() const;

private:
    Sink m_sink;
    std::string m_folder;
    mutable std::mutex m_mutex;
    bool m_muted = false;
};

// A text in double quotes with C escapes, so that it stays on one line.
[[nodiscard]] std::string Quote(const std::string& text);
// Bytes as upper-case hex pairs separated by blanks.
[[nodiscard]] std::string HexBytes(std::span<const uint8_t> bytes);
// 0x and four (or more) upper-case hex digits.
[[nodiscard]] std::string Hex4(unsigned value);

}  // namespace vk::scenario
