#pragma once
// How every wave device moves a buffer header through its life: prepared by
// the owner, taken by the device, handed back done. Shared by the backends so
// they all follow the same rules.

#include "platform/sound/SoundTypes.h"
#include "platform/sound/WaveEvent.h"

namespace vk {

// WHDR_PREPARED on; refused while the device holds the buffer.
MMRESULT PrepareHeader(WAVEHDR& hdr);
// WHDR_PREPARED off; refused while the device holds the buffer.
MMRESULT UnprepareHeader(WAVEHDR& hdr);
// The device takes a prepared buffer: WHDR_DONE off, WHDR_INQUEUE on.
MMRESULT TakeHeader(WAVEHDR& hdr);
// The device hands the buffer back: dwBytesRecorded set, then WHDR_INQUEUE off
// and WHDR_DONE on in one step, then the event.
void FinishHeader(WAVEHDR& hdr, uint32_t bytesRecorded, CWaveEvent& event);

}  // namespace vk
