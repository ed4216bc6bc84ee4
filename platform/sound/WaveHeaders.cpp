#include "platform/sound/WaveHeaders.h"

namespace vk {

namespace {
void Swap(WAVEHDR& hdr, uint32_t off, uint32_t on)
{
    uint32_t flags = hdr.dwFlags.load(std::memory_order_acquire);
    while (!hdr.dwFlags.compare_exchange_weak(flags, (flags & ~off) | on, std::memory_order_acq_rel)) {
    }
}
}  // namespace

MMRESULT PrepareHeader(WAVEHDR& hdr)
{
    if (hdr.Has(WHDR_INQUEUE))
        return WAVERR_STILLPLAYING;
    hdr.dwFlags.fetch_or(WHDR_PREPARED, std::memory_order_acq_rel);
    return MMSYSERR_NOERROR;
}

MMRESULT UnprepareHeader(WAVEHDR& hdr)
{
    if (hdr.Has(WHDR_INQUEUE))
        return WAVERR_STILLPLAYING;
    hdr.dwFlags.fetch_and(~WHDR_PREPARED, std::memory_order_acq_rel);
    return MMSYSERR_NOERROR;
}

MMRESULT TakeHeader(WAVEHDR& hdr)
{
    if (!hdr.Has(WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (hdr.Has(WHDR_INQUEUE))
        return WAVERR_STILLPLAYING;
    Swap(hdr, WHDR_DONE, WHDR_INQUEUE);
    return MMSYSERR_NOERROR;
}

void FinishHeader(WAVEHDR& hdr, uint32_t bytesRecorded, CWaveEvent& event)
{
    hdr.dwBytesRecorded = bytesRecorded;
    Swap(hdr, WHDR_INQUEUE, WHDR_DONE);
    event.Set();
}

}  // namespace vk
