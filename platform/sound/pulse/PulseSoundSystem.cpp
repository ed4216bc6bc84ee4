#include "platform/sound/pulse/PulseSoundSystem.h"

#include "platform/sound/WaveHeaders.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace vk {

namespace {

constexpr uint32_t kDestinationLine = 0xFFFF0000;
constexpr uint32_t kSourceLine = 0x00001000;
constexpr uint32_t kVolumeControl = 1;
constexpr uint32_t kMuteControl = 2;

struct PulseDevice {
    uint32_t index = PA_INVALID_INDEX;  // the server's index
    std::string name;                   // the server's name
    std::string description;            // what users see: our product name
    uint8_t channels = 1;
};

// Holds the main-loop lock for a scope; callbacks run with it held already.
class CLoopLock {
public:
    explicit CLoopLock(pa_threaded_mainloop* loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~CLoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    CLoopLock(const CLoopLock&) = delete;
    CLoopLock& operator=(const CLoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

uint32_t ToLevel(pa_volume_t v)
{
    const double level = std::round(static_cast<double>(v) * 65535.0 / PA_VOLUME_NORM);
    return static_cast<uint32_t>(std::min(level, 65535.0));
}

pa_volume_t FromLevel(uint32_t level)
{
    return static_cast<pa_volume_t>(std::round(static_cast<double>(std::min<uint32_t>(level, 65535)) *
                                               PA_VOLUME_NORM / 65535.0));
}

bool SampleSpec(const WAVEFORMATEX& f, pa_sample_spec& spec)
{
    if (f.wFormatTag != WAVE_FORMAT_PCM || f.nChannels == 0 || f.nChannels > PA_CHANNELS_MAX || f.nSamplesPerSec == 0)
        return false;
    if (f.wBitsPerSample == 16)
        spec.format = PA_SAMPLE_S16LE;
    else if (f.wBitsPerSample == 8)
        spec.format = PA_SAMPLE_U8;
    else
        return false;
    spec.rate = f.nSamplesPerSec;
    spec.channels = static_cast<uint8_t>(f.nChannels);
    return pa_sample_spec_valid(&spec) != 0;
}

}  // namespace

struct CPulseSoundSystem::Impl {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    std::atomic<bool> ready{false};

    std::mutex listMutex;  // the device lists are read by callers, written on the loop thread
    std::vector<PulseDevice> sinks;
    std::vector<PulseDevice> sources;
    std::vector<PulseDevice> pendingSinks;
    std::vector<PulseDevice> pendingSources;
    std::function<void()> onChange;

    ~Impl()
    {
        if (loop)
            pa_threaded_mainloop_stop(loop);
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_set_subscribe_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        if (loop)
            pa_threaded_mainloop_free(loop);
    }

    // Runs an operation to its end; the loop lock is held by the caller.
    void Await(pa_operation* op)
    {
        if (!op)
            return;
        while (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            pa_threaded_mainloop_wait(loop);
        pa_operation_unref(op);
    }

    static void OnContextState(pa_context* c, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) {
            impl->ready = false;
            std::lock_guard lock(impl->listMutex);
            impl->sinks.clear();
            impl->sources.clear();
        }
        pa_threaded_mainloop_signal(impl->loop, 0);
    }

    template <typename Info>
    static PulseDevice Describe(const Info& info)
    {
        return {info.index, info.name ? info.name : "", info.description ? info.description : "", info.channel_map.channels};
    }

    // One entry of a list being read, or its end (device null), which replaces the list.
    void Listed(const PulseDevice* device, std::vector<PulseDevice>& pending, std::vector<PulseDevice>& current)
    {
        if (device) {
            pending.push_back(*device);
            return;
        }
        std::sort(pending.begin(), pending.end(), [](const auto& a, const auto& b) { return a.index < b.index; });
        {
            std::lock_guard lock(listMutex);
            current.swap(pending);
        }
        pending.clear();
        Changed();
    }

    static void OnSink(pa_context*, const pa_sink_info* info, int eol, void* self)
    {
        auto* impl = static_cast<Impl*>(self);
        const PulseDevice device = eol ? PulseDevice{} : Describe(*info);
        impl->Listed(eol ? nullptr : &device, impl->pendingSinks, impl->sinks);
    }

    static void OnSource(pa_context*, const pa_source_info* info, int eol, void* self)
    {
        if (!eol && info->monitor_of_sink != PA_INVALID_INDEX)
            return;  // what a sink plays is not a microphone
        auto* impl = static_cast<Impl*>(self);
        const PulseDevice device = eol ? PulseDevice{} : Describe(*info);
        impl->Listed(eol ? nullptr : &device, impl->pendingSources, impl->sources);
    }

    void Changed()
    {
        pa_threaded_mainloop_signal(loop, 0);
        if (onChange)
            onChange();
    }

    // Starts a fresh read of both lists; each replaces its list when complete.
    void Relist()
    {
        if (pa_operation* op = pa_context_get_sink_info_list(context, OnSink, this))
            pa_operation_unref(op);
        if (pa_operation* op = pa_context_get_source_info_list(context, OnSource, this))
            pa_operation_unref(op);
    }

    static void OnEvent(pa_context*, pa_subscription_event_type_t type, uint32_t, void* self)
    {
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if ((facility == PA_SUBSCRIPTION_EVENT_SINK || facility == PA_SUBSCRIPTION_EVENT_SOURCE) &&
            kind != PA_SUBSCRIPTION_EVENT_CHANGE)
            static_cast<Impl*>(self)->Relist();
    }

    static void OnSuccess(pa_context*, int, void* self) { pa_threaded_mainloop_signal(static_cast<Impl*>(self)->loop, 0); }

    [[nodiscard]] bool Device(WaveDirection dir, uint32_t index, PulseDevice& device)
    {
        std::lock_guard lock(listMutex);
        const auto& list = dir == WaveDirection::Out ? sinks : sources;
        if (index >= list.size())
            return false;
        device = list[index];
        return true;
    }

    // Mixer ids: one per sink, then one per source.
    [[nodiscard]] bool MixerDevice(uint32_t mixer, WaveDirection& dir, PulseDevice& device)
    {
        std::lock_guard lock(listMutex);
        if (mixer < sinks.size()) {
            dir = WaveDirection::Out;
            device = sinks[mixer];
            return true;
        }
        mixer -= static_cast<uint32_t>(sinks.size());
        if (mixer < sources.size()) {
            dir = WaveDirection::In;
            device = sources[mixer];
            return true;
        }
        return false;
    }

    struct VolumeQuery {
        Impl* impl = nullptr;
        bool found = false;
        pa_cvolume volume{};
        int mute = 0;
    };

    template <typename Info>
    static void OnVolume(pa_context*, const Info* info, int eol, void* self)
    {
        auto* q = static_cast<VolumeQuery*>(self);
        if (!eol && info) {
            q->found = true;
            q->volume = info->volume;
            q->mute = info->mute;
        }
        pa_threaded_mainloop_signal(q->impl->loop, 0);
    }

    [[nodiscard]] bool QueryVolume(WaveDirection dir, const PulseDevice& device, VolumeQuery& q)
    {
        q.impl = this;
        CLoopLock lock(loop);
        if (!ready)
            return false;
        Await(dir == WaveDirection::Out ? pa_context_get_sink_info_by_index(context, device.index, OnVolume<pa_sink_info>, &q)
                                        : pa_context_get_source_info_by_index(context, device.index, OnVolume<pa_source_info>, &q));
        return q.found;
    }
};

namespace {

// What both stream kinds share: one way to connect, the queue of buffers the
// device holds, and their hand-back; guarded by the main-loop lock.
template <typename Interface>
class CPulseStream : public Interface {
public:
    // Creates the stream on the device (null: the server's default), connects it
    // and waits until it is ready.
    MMRESULT Connect(const pa_sample_spec& spec, const char* device, uint32_t bufferBytes)
    {
        CLoopLock lock(m_impl.loop);
        m_stream = pa_stream_new(m_impl.context, m_playback ? "VK550 playback" : "VK550 recording", &spec, nullptr);
        if (!m_stream)
            return MMSYSERR_NOMEM;
        m_frame = static_cast<uint32_t>(pa_frame_size(&spec));
        pa_stream_set_state_callback(m_stream, OnState, this);
        pa_buffer_attr attr;
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(-1);
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY);
        int rc = 0;
        if (m_playback) {
            // The server holds about one buffer, so "done" is close to "played";
            // playback starts with the first byte, so a short sound plays too.
            attr.tlength = bufferBytes;
            attr.prebuf = 0;
            pa_stream_set_write_callback(m_stream, OnDataCallback, this);
            rc = pa_stream_connect_playback(m_stream, device, &attr, flags, nullptr, nullptr);
        } else {
            // One buffer per fragment: blocks arrive one by one instead of in bursts.
            attr.fragsize = bufferBytes;
            pa_stream_set_read_callback(m_stream, OnDataCallback, this);
            rc = pa_stream_connect_record(m_stream, device, &attr,
                                          static_cast<pa_stream_flags_t>(flags | PA_STREAM_START_CORKED));
        }
        if (rc < 0)
            return MMSYSERR_ALLOCATED;
        return AwaitReady();
    }

    MMRESULT Prepare(WAVEHDR& hdr) override { return PrepareHeader(hdr); }
    MMRESULT Unprepare(WAVEHDR& hdr) override { return UnprepareHeader(hdr); }

    bool Failed() const override
    {
        CLoopLock lock(m_impl.loop);
        return m_failed;
    }

protected:
    CPulseStream(CPulseSoundSystem::Impl& impl, CWaveEvent& event, WaveDirection dir)
        : m_impl(impl), m_event(event), m_playback(dir == WaveDirection::Out)
    {
    }

    ~CPulseStream() override { Shutdown(); }

    // Detaches from the server; each stream kind calls it first in its own
    // destructor, so no callback reaches a half-destroyed stream.
    void Shutdown()
    {
        CLoopLock lock(m_impl.loop);
        if (m_stream) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            pa_stream_set_read_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
            m_stream = nullptr;
        }
        // Whatever the device still held is handed back before the owner frees it.
        HandBack(0);
    }

    // The device takes a prepared buffer; the caller holds the loop lock.
    MMRESULT Queue(WAVEHDR& hdr)
    {
        if (m_failed)
            return MMSYSERR_NODRIVER;
        if (const MMRESULT rc = TakeHeader(hdr); rc != MMSYSERR_NOERROR)
            return rc;
        m_queue.push_back(&hdr);
        return MMSYSERR_NOERROR;
    }

    // Every queued buffer comes back done; the front one with `frontBytes` recorded.
    void HandBack(uint32_t frontBytes)
    {
        while (!m_queue.empty()) {
            FinishHeader(*m_queue.front(), frontBytes, m_event);
            m_queue.pop_front();
            frontBytes = 0;
        }
        m_offset = 0;
    }

    // Drops what the server holds and has not moved yet.
    void Flush()
    {
        if (m_stream && !m_failed)
            m_impl.Await(pa_stream_flush(m_stream, OnStreamSuccess, &m_impl));
    }

    void Cork(bool cork)
    {
        if (m_stream && !m_failed)
            m_impl.Await(pa_stream_cork(m_stream, cork ? 1 : 0, OnStreamSuccess, &m_impl));
    }

    // The server can take data (playback) or has data (recording).
    virtual void OnData(pa_stream* s) = 0;
    virtual void OnFailed() = 0;

    CPulseSoundSystem::Impl& m_impl;
    CWaveEvent& m_event;
    pa_stream* m_stream = nullptr;
    std::deque<WAVEHDR*> m_queue;
    uint32_t m_offset = 0;  // bytes of the front buffer already moved
    uint32_t m_frame = 2;
    bool m_failed = false;

private:
    MMRESULT AwaitReady()
    {
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(m_stream);
            if (state == PA_STREAM_READY)
                return MMSYSERR_NOERROR;
            if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
                return MMSYSERR_ALLOCATED;
            pa_threaded_mainloop_wait(m_impl.loop);
        }
    }

    static void OnStreamSuccess(pa_stream*, int, void* impl)
    {
        pa_threaded_mainloop_signal(static_cast<CPulseSoundSystem::Impl*>(impl)->loop, 0);
    }

    static void OnDataCallback(pa_stream* s, size_t, void* self) { static_cast<CPulseStream*>(self)->OnData(s); }

    static void OnState(pa_stream* s, void* self)
    {
        auto* stream = static_cast<CPulseStream*>(self);
        const pa_stream_state_t state = pa_stream_get_state(s);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
            stream->m_failed = true;
            stream->OnFailed();
        }
        pa_threaded_mainloop_signal(stream->m_impl.loop, 0);
    }

    const bool m_playback;
};

class CPulseOutStream final : public CPulseStream<IWaveOutStream> {
public:
    CPulseOutStream(CPulseSoundSystem::Impl& impl, CWaveEvent& event) : CPulseStream(impl, event, WaveDirection::Out) {}
    ~CPulseOutStream() override { Shutdown(); }

    MMRESULT Write(WAVEHDR& hdr) override
    {
        CLoopLock lock(m_impl.loop);
        const MMRESULT rc = Queue(hdr);
        if (rc == MMSYSERR_NOERROR)
            Pump();
        return rc;
    }

    MMRESULT Reset() override
    {
        CLoopLock lock(m_impl.loop);
        Flush();
        HandBack(0);
        return MMSYSERR_NOERROR;
    }

private:
    void OnFailed() override { HandBack(0); }  // a gone device plays nothing, but lets go

    void OnData(pa_stream*) override { Pump(); }

    // Moves queued data to the server as far as it takes it.
    void Pump()
    {
        while (!m_queue.empty() && !m_failed) {
            WAVEHDR& hdr = *m_queue.front();
            const uint32_t length = hdr.dwBufferLength / m_frame * m_frame;
            size_t room = pa_stream_writable_size(m_stream);
            if (room == static_cast<size_t>(-1))
                return;
            room = room / m_frame * m_frame;
            const uint32_t n = static_cast<uint32_t>(std::min<size_t>(room, length - m_offset));
            if (n == 0 && m_offset < length)
                return;
            if (n > 0 && pa_stream_write(m_stream, hdr.lpData + m_offset, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return;
            m_offset += n;
            if (m_offset >= length) {
                m_queue.pop_front();
                m_offset = 0;
                FinishHeader(hdr, 0, m_event);
            }
        }
    }
};

class CPulseInStream final : public CPulseStream<IWaveInStream> {
public:
    CPulseInStream(CPulseSoundSystem::Impl& impl, CWaveEvent& event) : CPulseStream(impl, event, WaveDirection::In) {}
    ~CPulseInStream() override { Shutdown(); }

    MMRESULT AddBuffer(WAVEHDR& hdr) override
    {
        CLoopLock lock(m_impl.loop);
        return Queue(hdr);
    }

    MMRESULT Start() override
    {
        CLoopLock lock(m_impl.loop);
        if (m_failed)
            return MMSYSERR_NODRIVER;
        m_started = true;
        Cork(false);
        return MMSYSERR_NOERROR;
    }

    // The buffer being filled comes back with what it holds; empty ones stay queued.
    MMRESULT Stop() override
    {
        CLoopLock lock(m_impl.loop);
        m_started = false;
        Cork(true);
        if (!m_queue.empty() && m_offset > 0) {
            FinishHeader(*m_queue.front(), m_offset, m_event);
            m_queue.pop_front();
            m_offset = 0;
        }
        return MMSYSERR_NOERROR;
    }

    MMRESULT Reset() override
    {
        CLoopLock lock(m_impl.loop);
        m_started = false;
        Cork(true);
        Flush();
        HandBack(m_offset);
        return MMSYSERR_NOERROR;
    }

private:
    // A gone microphone delivers nothing more: the buffers stay queued, so the
    // owner sees silence rather than another device's sound.
    void OnFailed() override {}

    void OnData(pa_stream* s) override
    {
        const void* data = nullptr;
        size_t n = 0;
        while (pa_stream_readable_size(s) > 0 && pa_stream_peek(s, &data, &n) == 0) {
            if (n == 0)
                break;
            if (data && m_started)
                Take(static_cast<const uint8_t*>(data), n);
            pa_stream_drop(s);
        }
    }

    // Fills the queued buffers in order; with none queued the data is lost, as on any device.
    void Take(const uint8_t* data, size_t n)
    {
        while (n > 0 && !m_queue.empty()) {
            WAVEHDR& hdr = *m_queue.front();
            const uint32_t length = hdr.dwBufferLength;
            const auto chunk = static_cast<uint32_t>(std::min<size_t>(n, length - m_offset));
            std::memcpy(hdr.lpData + m_offset, data, chunk);
            m_offset += chunk;
            data += chunk;
            n -= chunk;
            if (m_offset >= length) {
                m_queue.pop_front();
                m_offset = 0;
                FinishHeader(hdr, length, m_event);
            }
        }
    }

    bool m_started = false;
};

}  // namespace

CPulseSoundSystem::CPulseSoundSystem() : m_impl(std::make_unique<Impl>()) {}

CPulseSoundSystem::~CPulseSoundSystem() = default;

bool CPulseSoundSystem::Connect(const std::string& server)
{
    Impl& impl = *m_impl;
    if (impl.loop)
        return impl.ready;
    impl.loop = pa_threaded_mainloop_new();
    if (!impl.loop)
        return false;
    impl.context = pa_context_new(pa_threaded_mainloop_get_api(impl.loop), "Quorvel VK550 configuration");
    if (!impl.context)
        return false;
    pa_context_set_state_callback(impl.context, Impl::OnContextState, &impl);
    CLoopLock lock(impl.loop);
    if (pa_context_connect(impl.context, server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    if (pa_threaded_mainloop_start(impl.loop) < 0)
        return false;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(impl.context);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state))
            return false;
        pa_threaded_mainloop_wait(impl.loop);
    }
    pa_context_set_subscribe_callback(impl.context, Impl::OnEvent, &impl);
    impl.Await(pa_context_subscribe(impl.context,
                                    static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE),
                                    Impl::OnSuccess, &impl));
    impl.Await(pa_context_get_sink_info_list(impl.context, Impl::OnSink, &impl));
    impl.Await(pa_context_get_source_info_list(impl.context, Impl::OnSource, &impl));
    impl.ready = true;
    return true;
}

void CPulseSoundSystem::SetDevicesChanged(std::function<void()> onChange)
{
    if (m_impl->loop) {
        CLoopLock lock(m_impl->loop);
        m_impl->onChange = std::move(onChange);
    } else {
        m_impl->onChange = std::move(onChange);
    }
}

std::string CPulseSoundSystem::ServerName(WaveDirection dir, uint32_t index)
{
    PulseDevice device;
    return m_impl->Device(dir, index, device) ? device.name : std::string();
}

uint32_t CPulseSoundSystem::GetNumDevs(WaveDirection dir)
{
    std::lock_guard lock(m_impl->listMutex);
    return static_cast<uint32_t>(dir == WaveDirection::Out ? m_impl->sinks.size() : m_impl->sources.size());
}

MMRESULT CPulseSoundSystem::GetDevName(WaveDirection dir, uint32_t index, std::string& productName)
{
    PulseDevice device;
    if (!m_impl->Device(dir, index, device))
        return MMSYSERR_BADDEVICEID;
    productName = CutProductName(device.description);
    return MMSYSERR_NOERROR;
}

MMRESULT CPulseSoundSystem::GetMixerId(WaveDirection dir, uint32_t index, uint32_t& mixerId)
{
    std::lock_guard lock(m_impl->listMutex);
    if (dir == WaveDirection::Out) {
        if (index >= m_impl->sinks.size())
            return MMSYSERR_BADDEVICEID;
        mixerId = index;
    } else {
        if (index >= m_impl->sources.size())
            return MMSYSERR_BADDEVICEID;
        mixerId = static_cast<uint32_t>(m_impl->sinks.size()) + index;
    }
    return MMSYSERR_NOERROR;
}

namespace {

template <typename Stream, typename Interface>
MMRESULT OpenStream(CPulseSoundSystem::Impl& impl, WaveDirection dir, uint32_t index, const WAVEFORMATEX& format,
                    uint32_t bufferBytes, CWaveEvent& event, std::unique_ptr<Interface>& stream)
{
    if (!impl.ready)
        return MMSYSERR_NODRIVER;
    pa_sample_spec spec;
    if (!SampleSpec(format, spec))
        return WAVERR_BADFORMAT;
    PulseDevice device;
    if (index != WAVE_MAPPER && !impl.Device(dir, index, device))
        return MMSYSERR_BADDEVICEID;
    auto opened = std::make_unique<Stream>(impl, event);
    const MMRESULT rc = opened->Connect(spec, index == WAVE_MAPPER ? nullptr : device.name.c_str(), bufferBytes);
    if (rc != MMSYSERR_NOERROR)
        return rc;
    stream = std::move(opened);
    return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT CPulseSoundSystem::OpenOut(uint32_t index, const WAVEFORMATEX& format, uint32_t bufferBytes,
                                    CWaveEvent& event, std::unique_ptr<IWaveOutStream>& stream)
{
    return OpenStream<CPulseOutStream>(*m_impl, WaveDirection::Out, index, format, bufferBytes, event, stream);
}

MMRESULT CPulseSoundSystem::OpenIn(uint32_t index, const WAVEFORMATEX& format, uint32_t bufferBytes, CWaveEvent& event,
                                   std::unique_ptr<IWaveInStream>& stream)
{
    return OpenStream<CPulseInStream>(*m_impl, WaveDirection::In, index, format, bufferBytes, event, stream);
}

uint32_t CPulseSoundSystem::MixerGetNumDevs()
{
    std::lock_guard lock(m_impl->listMutex);
    return static_cast<uint32_t>(m_impl->sinks.size() + m_impl->sources.size());
}

MMRESULT CPulseSoundSystem::MixerGetDevCaps(uint32_t mixer, MIXERCAPS& caps)
{
    WaveDirection dir;
    PulseDevice device;
    if (!m_impl->MixerDevice(mixer, dir, device))
        return MMSYSERR_BADDEVICEID;
    caps.szPname = CutProductName(device.description);
    caps.cDestinations = 1;
    return MMSYSERR_NOERROR;
}

MMRESULT CPulseSoundSystem::MixerGetDestination(uint32_t mixer, uint32_t destination, MIXERLINE& line)
{
    WaveDirection dir;
    PulseDevice device;
    if (!m_impl->MixerDevice(mixer, dir, device))
        return MMSYSERR_BADDEVICEID;
    if (destination != 0)
        return MIXERR_INVALLINE;
    line.dwDestination = 0;
    line.dwSource = 0;
    line.dwLineID = kDestinationLine;
    line.dwComponentType =
        dir == WaveDirection::Out ? MIXERLINE_COMPONENTTYPE_DST_SPEAKERS : MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    line.cChannels = device.channels;
    line.cConnections = 1;
    line.cControls = 2;
    line.szName = dir == WaveDirection::Out ? "Speakers" : "Wave In";
    return MMSYSERR_NOERROR;
}

MMRESULT CPulseSoundSystem::MixerGetSource(uint32_t mixer, uint32_t destination, uint32_t source, MIXERLINE& line)
{
    WaveDirection dir;
    PulseDevice device;
    if (!m_impl->MixerDevice(mixer, dir, device))
        return MMSYSERR_BADDEVICEID;
    if (destination != 0 || source != 0)
        return MIXERR_INVALLINE;
    // The source line only names what feeds the destination; its level is the destination's.
    line.dwDestination = 0;
    line.dwSource = 0;
    line.dwLineID = kSourceLine;
    line.dwComponentType =
        dir == WaveDirection::Out ? MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT : MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
    line.cChannels = device.channels;
    line.cConnections = 0;
    line.cControls = 0;
    line.szName = dir == WaveDirection::Out ? "Wave" : "Microphone";
    return MMSYSERR_NOERROR;
}

MMRESULT CPulseSoundSystem::MixerGetControlByType(uint32_t mixer, uint32_t lineId, uint32_t controlType,
                                                  MIXERCONTROL& control)
{
    WaveDirection dir;
    PulseDevice device;
    if (!m_impl->MixerDevice(mixer, dir, device))
        return MMSYSERR_BADDEVICEID;
    if (lineId != kDestinationLine && lineId != kSourceLine)
        return MIXERR_INVALLINE;
    if (lineId == kSourceLine)
        return MIXERR_INVALCONTROL;
    control = MIXERCONTROL{};
    control.dwControlType = controlType;
    if (controlType == MIXERCONTROL_CONTROLTYPE_VOLUME)
        control.dwControlID = kVolumeControl;
    else if (controlType == MIXERCONTROL_CONTROLTYPE_MUTE)
        control.dwControlID = kMuteControl;
    else
        return MIXERR_INVALCONTROL;
    return MMSYSERR_NOERROR;
}

MMRESULT CPulseSoundSystem::MixerGetValues(uint32_t mixer, uint32_t controlId, std::vector<uint32_t>& values)
{
    WaveDirection dir;
    PulseDevice device;
    if (!m_impl->MixerDevice(mixer, dir, device))
        return MMSYSERR_BADDEVICEID;
    if (controlId != kVolumeControl && controlId != kMuteControl)
        return MIXERR_INVALCONTROL;
    Impl::VolumeQuery q;
    if (!m_impl->QueryVolume(dir, device, q))
        return MMSYSERR_NODRIVER;
    values.clear();
    if (controlId == kMuteControl) {
        values.push_back(q.mute ? 1 : 0);
    } else {
        for (uint8_t c = 0; c < q.volume.channels; ++c)
            values.push_back(ToLevel(q.volume.values[c]));
    }
    return MMSYSERR_NOERROR;
}

MMRESULT CPulseSoundSystem::MixerGetListText(uint32_t, uint32_t, std::vector<MIXERLISTTEXT>&)
{
    return MIXERR_INVALCONTROL;  // no selection lists on these mixers
}

MMRESULT CPulseSoundSystem::MixerSetValues(uint32_t mixer, uint32_t controlId, std::span<const uint32_t> values)
{
    WaveDirection dir;
    PulseDevice device;
    if (!m_impl->MixerDevice(mixer, dir, device))
        return MMSYSERR_BADDEVICEID;
    if ((controlId != kVolumeControl && controlId != kMuteControl) || values.empty())
        return MIXERR_INVALCONTROL;
    Impl& impl = *m_impl;
    CLoopLock lock(impl.loop);
    if (!impl.ready)
        return MMSYSERR_NODRIVER;
    pa_operation* op = nullptr;
    if (controlId == kMuteControl) {
        const int mute = values[0] != 0;
        op = dir == WaveDirection::Out ? pa_context_set_sink_mute_by_index(impl.context, device.index, mute, Impl::OnSuccess, &impl)
                                       : pa_context_set_source_mute_by_index(impl.context, device.index, mute, Impl::OnSuccess, &impl);
    } else {
        // Channels beyond the values given take the last value.
        pa_cvolume volume;
        pa_cvolume_init(&volume);
        volume.channels = device.channels;
        for (uint8_t c = 0; c < device.channels; ++c)
            volume.values[c] = FromLevel(values[std::min<size_t>(c, values.size() - 1)]);
        op = dir == WaveDirection::Out
                 ? pa_context_set_sink_volume_by_index(impl.context, device.index, &volume, Impl::OnSuccess, &impl)
                 : pa_context_set_source_volume_by_index(impl.context, device.index, &volume, Impl::OnSuccess, &impl);
    }
    if (!op)
        return MMSYSERR_ERROR;
    impl.Await(op);
    return MMSYSERR_NOERROR;
}

}  // namespace vk
