#pragma once
// What the simulated units' microphones hear in --simulate: somebody in the room
// reading the voice test sound over and over, with a pause after each time, so
// the output page's meter moves and a recording holds speech.

#include <memory>
#include <string>

#include "sim/sound/SimSignal.h"

namespace vk {

// installDir holds WaveFiles/VoicePlayback.wav; silence when it cannot be read.
[[nodiscard]] std::shared_ptr<ISimSignal> SimulatedRoom(const std::string& installDir);

}  // namespace vk
