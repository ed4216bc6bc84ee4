#include "sim/sound/SimSoundSystem.h"

#include "platform/sound/WaveHeaders.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <thread>

namespace vk {

// How a device reaches its open streams to hand them a new budget: the stream
// clears pump when it closes.
struct SimStreamWaker {
    std::mutex mutex;
    std::function<void()> pump;
};

struct SimDevice {
    CSimSoundSystem::DeviceId id = -1;
    WaveDirection dir = WaveDirection::In;
    std::string name;
    uint32_t mixerId = 0;
    MMRESULT mixerIdResult = MMSYSERR_NOERROR;
    std::atomic<bool> removed{false};

    std::mutex mutex;  // guards what follows
    bool openFails = false;
    int acceptLimit = -1;
    uint32_t overReport = 0;
    std::shared_ptr<ISimSignal> signal = std::make_shared<CSilenceSignal>();
    long long budget = -1;
    std::vector<uint8_t> played;
    uint16_t playedChannels = 1;
    std::vector<std::weak_ptr<SimStreamWaker>> wakers;
};

namespace {

// One open stream of a simulated device; both stream kinds share it.
class CSimStreamCore {
public:
    CSimStreamCore(std::shared_ptr<SimDevice> device, const WAVEFORMATEX& format, CWaveEvent& event, SimPacing pacing)
        : m_device(std::move(device)), m_format(format), m_event(event), m_pacing(pacing),
          m_started(m_device->dir == WaveDirection::Out)
    {
        if (m_pacing == SimPacing::RealTime)
            m_thread = std::thread([this] { RunPaced(); });
        m_waker->pump = [this] {
            std::unique_lock lock(m_mutex);
            PumpFast();
            lock.unlock();
            m_changed.notify_all();
        };
        std::lock_guard guard(m_device->mutex);
        std::erase_if(m_device->wakers, [](const auto& w) { return w.expired(); });
        m_device->wakers.push_back(m_waker);
    }

    ~CSimStreamCore()
    {
        {
            std::lock_guard waker(m_waker->mutex);
            m_waker->pump = nullptr;
        }
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        std::lock_guard lock(m_mutex);
        while (!m_queue.empty())
            Complete(Pop(), 0, false);
    }

    MMRESULT Prepare(WAVEHDR& hdr) { return PrepareHeader(hdr); }
    MMRESULT Unprepare(WAVEHDR& hdr) { return UnprepareHeader(hdr); }

    MMRESULT Queue(WAVEHDR& hdr)
    {
        if (m_device->removed)
            return MMSYSERR_NODRIVER;
        {
            std::lock_guard device(m_device->mutex);
            if (m_device->acceptLimit >= 0 && m_accepted >= m_device->acceptLimit)
                return MMSYSERR_NOMEM;
        }
        if (const MMRESULT rc = TakeHeader(hdr); rc != MMSYSERR_NOERROR)
            return rc;
        std::unique_lock lock(m_mutex);
        ++m_accepted;
        m_queue.push_back(&hdr);
        PumpFast();
        lock.unlock();
        m_changed.notify_all();
        return MMSYSERR_NOERROR;
    }

    MMRESULT Start()
    {
        std::unique_lock lock(m_mutex);
        m_started = true;
        PumpFast();
        lock.unlock();
        m_changed.notify_all();
        return MMSYSERR_NOERROR;
    }

    MMRESULT Stop()
    {
        std::lock_guard lock(m_mutex);
        m_started = m_device->dir == WaveDirection::Out;
        return MMSYSERR_NOERROR;
    }

    MMRESULT Reset()
    {
        std::lock_guard lock(m_mutex);
        m_started = m_device->dir == WaveDirection::Out;
        while (!m_queue.empty())
            Complete(Pop(), 0, false);
        return MMSYSERR_NOERROR;
    }

    [[nodiscard]] bool Failed() const { return m_device->removed; }

private:
    WAVEHDR* Pop()
    {
        WAVEHDR* hdr = m_queue.front();
        m_queue.pop_front();
        return hdr;
    }

    // Whole frames that fit the buffer.
    [[nodiscard]] uint32_t UsableBytes(const WAVEHDR& hdr) const
    {
        const uint32_t align = std::max<uint32_t>(m_format.nBlockAlign, 1);
        return hdr.dwBufferLength / align * align;
    }

    // A device may move a buffer unless its budget is spent; a spent budget (or
    // a removed microphone) leaves buffers waiting.
    [[nodiscard]] bool TakeDelivery()
    {
        if (m_device->dir == WaveDirection::In && m_device->removed)
            return false;
        std::lock_guard device(m_device->mutex);
        if (m_device->budget == 0)
            return false;
        if (m_device->budget > 0)
            --m_device->budget;
        return true;
    }

    void Fill(WAVEHDR& hdr, uint32_t bytes)
    {
        std::shared_ptr<ISimSignal> signal;
        {
            std::lock_guard device(m_device->mutex);
            signal = m_device->signal;
        }
        const uint32_t channels = std::max<uint32_t>(m_format.nChannels, 1);
        auto* out = reinterpret_cast<int16_t*>(hdr.lpData);
        for (uint32_t frame = 0; frame < bytes / 2 / channels; ++frame) {
            const int16_t s = signal->Sample(m_sampleIndex++, m_format.nSamplesPerSec);
            for (uint32_t c = 0; c < channels; ++c)
                std::memcpy(out + frame * channels + c, &s, 2);
        }
    }

    void Complete(WAVEHDR* hdr, uint32_t bytes, bool delivered)
    {
        uint32_t recorded = m_device->dir == WaveDirection::In ? bytes : 0;
        if (delivered && m_device->dir == WaveDirection::In) {
            Fill(*hdr, bytes);
            std::lock_guard device(m_device->mutex);
            recorded += m_device->overReport;
        } else if (delivered) {
            std::lock_guard device(m_device->mutex);
            m_device->playedChannels = std::max<uint16_t>(m_format.nChannels, 1);
            m_device->played.insert(m_device->played.end(), hdr->lpData, hdr->lpData + bytes);
        }
        FinishHeader(*hdr, recorded, m_event);
    }

    // As fast as queued: every buffer the device may take is finished at once.
    void PumpFast()
    {
        if (m_pacing != SimPacing::AsFastAsQueued)
            return;
        while (m_started && !m_queue.empty() && TakeDelivery()) {
            WAVEHDR* hdr = Pop();
            Complete(hdr, UsableBytes(*hdr), true);
        }
    }

    // Paced: each buffer takes its own duration of real time.
    void RunPaced()
    {
        using namespace std::chrono;
        std::unique_lock lock(m_mutex);
        auto next = steady_clock::now();
        while (!m_quit) {
            if (m_device->removed && m_device->dir == WaveDirection::Out) {
                while (!m_queue.empty())
                    Complete(Pop(), 0, false);  // a gone speaker plays nothing, but lets go
            }
            if (!m_started || m_queue.empty() || m_device->removed) {
                m_changed.wait_for(lock, milliseconds(20));
                next = steady_clock::now();
                continue;
            }
            WAVEHDR* hdr = m_queue.front();
            const uint32_t bytes = UsableBytes(*hdr);
            const double seconds = static_cast<double>(bytes) / std::max<uint32_t>(m_format.nAvgBytesPerSec, 1);
            next += duration_cast<steady_clock::duration>(duration<double>(seconds));
            if (next < steady_clock::now() - milliseconds(500))
                next = steady_clock::now();  // fell far behind: do not catch up in a burst
            m_changed.wait_until(lock, next, [&] { return m_quit; });
            if (m_quit || m_queue.empty() || m_queue.front() != hdr || !m_started)
                continue;
            if (!TakeDelivery())
                continue;
            Complete(Pop(), bytes, true);
        }
    }

    std::shared_ptr<SimDevice> m_device;
    WAVEFORMATEX m_format;
    CWaveEvent& m_event;
    SimPacing m_pacing;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<WAVEHDR*> m_queue;
    bool m_started;
    bool m_quit = false;
    int m_accepted = 0;
    uint64_t m_sampleIndex = 0;
    std::thread m_thread;
    std::shared_ptr<SimStreamWaker> m_waker = std::make_shared<SimStreamWaker>();
};

class CSimOutStream final : public IWaveOutStream {
public:
    template <typename... Args>
    explicit CSimOutStream(Args&&... args) : m_core(std::forward<Args>(args)...) {}
    MMRESULT Prepare(WAVEHDR& hdr) override { return m_core.Prepare(hdr); }
    MMRESULT Unprepare(WAVEHDR& hdr) override { return m_core.Unprepare(hdr); }
    MMRESULT Reset() override { return m_core.Reset(); }
    bool Failed() const override { return m_core.Failed(); }
    MMRESULT Write(WAVEHDR& hdr) override { return m_core.Queue(hdr); }

private:
    CSimStreamCore m_core;
};

class CSimInStream final : public IWaveInStream {
public:
    template <typename... Args>
    explicit CSimInStream(Args&&... args) : m_core(std::forward<Args>(args)...) {}
    MMRESULT Prepare(WAVEHDR& hdr) override { return m_core.Prepare(hdr); }
    MMRESULT Unprepare(WAVEHDR& hdr) override { return m_core.Unprepare(hdr); }
    MMRESULT Reset() override { return m_core.Reset(); }
    bool Failed() const override { return m_core.Failed(); }
    MMRESULT AddBuffer(WAVEHDR& hdr) override { return m_core.Queue(hdr); }
    MMRESULT Start() override { return m_core.Start(); }
    MMRESULT Stop() override { return m_core.Stop(); }

private:
    CSimStreamCore m_core;
};

[[nodiscard]] bool SupportedFormat(const WAVEFORMATEX& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && f.wBitsPerSample == 16 && f.nChannels >= 1 && f.nChannels <= 2 &&
           f.nSamplesPerSec > 0;
}

SimMixerControl Control(uint32_t id, uint32_t type, uint32_t channels, uint32_t value)
{
    SimMixerControl c;
    c.dwControlID = id;
    c.dwControlType = type;
    c.values.assign(channels, value);
    return c;
}

}  // namespace

SimMixer MakeSimCardMixer(const std::string& name)
{
    SimMixer mixer;
    mixer.name = name;
    SimMixerLine waveIn{0xFFFF0000, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 1, "Wave In", {}, {}, MMSYSERR_NOERROR};
    waveIn.controls = {Control(1, MIXERCONTROL_CONTROLTYPE_VOLUME, 1, 0x8000),
                       Control(2, MIXERCONTROL_CONTROLTYPE_MUTE, 1, 1)};
    waveIn.sources.push_back({0x00001000, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, "Microphone", {}, {}, 0});
    SimMixerLine speakers{0xFFFF0001, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, "Speakers", {}, {}, MMSYSERR_NOERROR};
    speakers.controls = {Control(3, MIXERCONTROL_CONTROLTYPE_VOLUME, 2, 0x8000),
                         Control(4, MIXERCONTROL_CONTROLTYPE_MUTE, 1, 1)};
    speakers.sources.push_back({0x00011000, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 2, "Wave", {}, {}, 0});
    mixer.destinations = {waveIn, speakers};
    return mixer;
}

CSimSoundSystem::CSimSoundSystem() : m_pacing(std::make_shared<SimPacing>(SimPacing::AsFastAsQueued)) {}

CSimSoundSystem::~CSimSoundSystem() = default;

CSimSoundSystem::DeviceId CSimSoundSystem::AddDevice(WaveDirection dir, const std::string& productName,
                                                     uint32_t mixerId, MMRESULT mixerIdResult)
{
    auto device = std::make_shared<SimDevice>();
    device->dir = dir;
    device->name = productName;
    device->mixerId = mixerId;
    device->mixerIdResult = mixerIdResult;
    std::lock_guard lock(m_mutex);
    device->id = m_nextId++;
    m_devices.push_back(device);
    return device->id;
}

void CSimSoundSystem::RemoveDevice(DeviceId id)
{
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_devices.begin(), m_devices.end(), [&](const auto& d) { return d->id == id; });
    if (it == m_devices.end())
        return;
    (*it)->removed = true;
    m_devices.erase(it);
}

CSimSoundSystem::Card CSimSoundSystem::AddCard(const std::string& productName)
{
    Card card;
    card.mixer = AddMixer(MakeSimCardMixer(productName));
    card.in = AddDevice(WaveDirection::In, productName, card.mixer);
    card.out = AddDevice(WaveDirection::Out, productName, card.mixer);
    return card;
}

void CSimSoundSystem::RemoveCard(const Card& card)
{
    RemoveDevice(card.in);
    RemoveDevice(card.out);
    // The card's mixer stays listed, as mixer ids must stay stable for the other cards.
}

uint32_t CSimSoundSystem::AddMixer(SimMixer mixer)
{
    std::lock_guard lock(m_mutex);
    m_mixers.push_back(std::move(mixer));
    return static_cast<uint32_t>(m_mixers.size() - 1);
}

SimMixer& CSimSoundSystem::Mixer(uint32_t id)
{
    std::lock_guard lock(m_mutex);
    return m_mixers.at(id);
}

std::vector<SimMixerWrite> CSimSoundSystem::MixerWrites() const
{
    std::lock_guard lock(m_mutex);
    return m_writes;
}

void CSimSoundSystem::ClearMixerWrites()
{
    std::lock_guard lock(m_mutex);
    m_writes.clear();
}

std::vector<uint32_t> CSimSoundSystem::ControlValues(uint32_t mixer, uint32_t controlId) const
{
    std::lock_guard lock(m_mutex);
    auto* self = const_cast<CSimSoundSystem*>(this);
    const SimMixerControl* control = self->FindControl(mixer, controlId);
    return control ? control->values : std::vector<uint32_t>{};
}

void CSimSoundSystem::SetPacing(SimPacing pacing)
{
    std::lock_guard lock(m_mutex);
    *m_pacing = pacing;
}

void CSimSoundSystem::SetSignal(DeviceId microphone, std::shared_ptr<ISimSignal> signal)
{
    if (auto device = Find(microphone)) {
        std::lock_guard lock(device->mutex);
        device->signal = signal ? std::move(signal) : std::make_shared<CSilenceSignal>();
    }
}

void CSimSoundSystem::SetDeliveryBudget(DeviceId id, long long buffers)
{
    auto device = Find(id);
    if (!device)
        return;
    std::vector<std::shared_ptr<SimStreamWaker>> wakers;
    {
        std::lock_guard lock(device->mutex);
        device->budget = buffers;
        for (const auto& weak : device->wakers)
            if (auto w = weak.lock())
                wakers.push_back(std::move(w));
    }
    // Buffers that waited for a budget move now.
    for (const auto& w : wakers) {
        std::lock_guard lock(w->mutex);
        if (w->pump)
            w->pump();
    }
}

void CSimSoundSystem::SetOpenFails(DeviceId id, bool fails)
{
    if (auto device = Find(id)) {
        std::lock_guard lock(device->mutex);
        device->openFails = fails;
    }
}

void CSimSoundSystem::SetAcceptLimit(DeviceId id, int buffers)
{
    if (auto device = Find(id)) {
        std::lock_guard lock(device->mutex);
        device->acceptLimit = buffers;
    }
}

void CSimSoundSystem::SetOverReport(DeviceId microphone, uint32_t bytes)
{
    if (auto device = Find(microphone)) {
        std::lock_guard lock(device->mutex);
        device->overReport = bytes;
    }
}

std::vector<uint8_t> CSimSoundSystem::Played(DeviceId speaker) const
{
    if (auto device = Find(speaker)) {
        std::lock_guard lock(device->mutex);
        return device->played;
    }
    return {};
}

std::shared_ptr<ISimSignal> CSimSoundSystem::EchoOf(DeviceId speaker, double gain, uint64_t delay) const
{
    std::weak_ptr<SimDevice> weak = Find(speaker);
    auto played = [weak](uint64_t n, int16_t& sample) {
        auto device = weak.lock();
        if (!device)
            return false;
        std::lock_guard lock(device->mutex);
        const uint64_t at = n * device->playedChannels * 2;
        if (at + 2 > device->played.size())
            return false;
        std::memcpy(&sample, device->played.data() + at, 2);
        return true;
    };
    return std::make_shared<CEchoSignal>(played, gain, delay);
}

std::shared_ptr<SimDevice> CSimSoundSystem::Find(DeviceId id) const
{
    std::lock_guard lock(m_mutex);
    for (const auto& d : m_devices)
        if (d->id == id)
            return d;
    return nullptr;
}

std::shared_ptr<SimDevice> CSimSoundSystem::Listed(WaveDirection dir, uint32_t index) const
{
    std::lock_guard lock(m_mutex);
    uint32_t i = 0;
    for (const auto& d : m_devices) {
        if (d->dir != dir)
            continue;
        if (i++ == index)
            return d;
    }
    return nullptr;
}

void CSimSoundSystem::SetBeforeLookup(std::function<void()> hook)
{
    std::lock_guard lock(m_hookMutex);
    m_beforeLookup = std::move(hook);
}

void CSimSoundSystem::BeforeLookup()
{
    std::function<void()> hook;
    {
        std::lock_guard lock(m_hookMutex);
        hook = m_beforeLookup;
    }
    if (hook)
        hook();
}

uint32_t CSimSoundSystem::GetNumDevs(WaveDirection dir)
{
    BeforeLookup();
    std::lock_guard lock(m_mutex);
    return static_cast<uint32_t>(std::count_if(m_devices.begin(), m_devices.end(), [&](const auto& d) { return d->dir == dir; }));
}

MMRESULT CSimSoundSystem::GetDevName(WaveDirection dir, uint32_t index, std::string& productName)
{
    auto device = Listed(dir, index);
    if (!device)
        return MMSYSERR_BADDEVICEID;
    productName = CutProductName(device->name);
    return MMSYSERR_NOERROR;
}

MMRESULT CSimSoundSystem::GetMixerId(WaveDirection dir, uint32_t index, uint32_t& mixerId)
{
    auto device = Listed(dir, index);
    if (!device)
        return MMSYSERR_BADDEVICEID;
    if (device->mixerIdResult != MMSYSERR_NOERROR)
        return device->mixerIdResult;
    mixerId = device->mixerId;
    return MMSYSERR_NOERROR;
}

template <typename Stream, typename Interface>
MMRESULT CSimSoundSystem::Open(WaveDirection dir, uint32_t index, const WAVEFORMATEX& format, CWaveEvent& event,
                               std::unique_ptr<Interface>& stream)
{
    auto device = Listed(dir, index == WAVE_MAPPER ? 0 : index);
    if (!device)
        return MMSYSERR_BADDEVICEID;
    if (!SupportedFormat(format))
        return WAVERR_BADFORMAT;
    {
        std::lock_guard lock(device->mutex);
        if (device->openFails)
            return MMSYSERR_ALLOCATED;
    }
    SimPacing pacing;
    {
        std::lock_guard lock(m_mutex);
        pacing = *m_pacing;
    }
    stream = std::make_unique<Stream>(device, format, event, pacing);
    return MMSYSERR_NOERROR;
}

// The simulation takes buffers of any size.
MMRESULT CSimSoundSystem::OpenOut(uint32_t index, const WAVEFORMATEX& format, uint32_t, CWaveEvent& event,
                                  std::unique_ptr<IWaveOutStream>& stream)
{
    return Open<CSimOutStream>(WaveDirection::Out, index, format, event, stream);
}

MMRESULT CSimSoundSystem::OpenIn(uint32_t index, const WAVEFORMATEX& format, uint32_t, CWaveEvent& event,
                                 std::unique_ptr<IWaveInStream>& stream)
{
    return Open<CSimInStream>(WaveDirection::In, index, format, event, stream);
}

uint32_t CSimSoundSystem::MixerGetNumDevs()
{
    std::lock_guard lock(m_mutex);
    return static_cast<uint32_t>(m_mixers.size());
}

MMRESULT CSimSoundSystem::MixerGetDevCaps(uint32_t mixer, MIXERCAPS& caps)
{
    std::lock_guard lock(m_mutex);
    if (mixer >= m_mixers.size())
        return MMSYSERR_BADDEVICEID;
    const SimMixer& m = m_mixers[mixer];
    if (m.capsResult != MMSYSERR_NOERROR)
        return m.capsResult;
    caps.szPname = CutProductName(m.name);
    caps.cDestinations = static_cast<uint32_t>(m.destinations.size());
    return MMSYSERR_NOERROR;
}

namespace {

void Describe(const SimMixerLine& l, uint32_t destination, uint32_t source, MIXERLINE& line)
{
    line.dwDestination = destination;
    line.dwSource = source;
    line.dwLineID = l.dwLineID;
    line.dwComponentType = l.dwComponentType;
    line.cChannels = l.cChannels;
    line.cConnections = static_cast<uint32_t>(l.sources.size());
    line.cControls = static_cast<uint32_t>(l.controls.size());
    line.szName = l.name;
}

}  // namespace

MMRESULT CSimSoundSystem::MixerGetDestination(uint32_t mixer, uint32_t destination, MIXERLINE& line)
{
    std::lock_guard lock(m_mutex);
    if (mixer >= m_mixers.size())
        return MMSYSERR_BADDEVICEID;
    const auto& dests = m_mixers[mixer].destinations;
    if (destination >= dests.size())
        return MIXERR_INVALLINE;
    if (dests[destination].readResult != MMSYSERR_NOERROR)
        return dests[destination].readResult;
    Describe(dests[destination], destination, 0, line);
    return MMSYSERR_NOERROR;
}

MMRESULT CSimSoundSystem::MixerGetSource(uint32_t mixer, uint32_t destination, uint32_t source, MIXERLINE& line)
{
    std::lock_guard lock(m_mutex);
    if (mixer >= m_mixers.size())
        return MMSYSERR_BADDEVICEID;
    const auto& dests = m_mixers[mixer].destinations;
    if (destination >= dests.size() || source >= dests[destination].sources.size())
        return MIXERR_INVALLINE;
    const SimMixerLine& l = dests[destination].sources[source];
    if (l.readResult != MMSYSERR_NOERROR)
        return l.readResult;
    Describe(l, destination, source, line);
    return MMSYSERR_NOERROR;
}

const SimMixerLine* CSimSoundSystem::FindLine(uint32_t mixer, uint32_t lineId) const
{
    if (mixer >= m_mixers.size())
        return nullptr;
    for (const auto& d : m_mixers[mixer].destinations) {
        if (d.dwLineID == lineId)
            return &d;
        for (const auto& s : d.sources)
            if (s.dwLineID == lineId)
                return &s;
    }
    return nullptr;
}

SimMixerControl* CSimSoundSystem::FindControl(uint32_t mixer, uint32_t controlId)
{
    if (mixer >= m_mixers.size())
        return nullptr;
    for (auto& d : m_mixers[mixer].destinations) {
        for (auto& c : d.controls)
            if (c.dwControlID == controlId)
                return &c;
        for (auto& s : d.sources)
            for (auto& c : s.controls)
                if (c.dwControlID == controlId)
                    return &c;
    }
    return nullptr;
}

MMRESULT CSimSoundSystem::MixerGetControlByType(uint32_t mixer, uint32_t lineId, uint32_t controlType,
                                                MIXERCONTROL& control)
{
    std::lock_guard lock(m_mutex);
    if (mixer >= m_mixers.size())
        return MMSYSERR_BADDEVICEID;
    const SimMixerLine* line = FindLine(mixer, lineId);
    if (!line)
        return MIXERR_INVALLINE;
    for (const auto& c : line->controls) {
        if (c.dwControlType != controlType)
            continue;
        control.dwControlID = c.dwControlID;
        control.dwControlType = c.dwControlType;
        control.fdwControl = c.fdwControl;
        control.cMultipleItems = c.cMultipleItems;
        return MMSYSERR_NOERROR;
    }
    return MIXERR_INVALCONTROL;
}

MMRESULT CSimSoundSystem::MixerGetValues(uint32_t mixer, uint32_t controlId, std::vector<uint32_t>& values)
{
    std::lock_guard lock(m_mutex);
    const SimMixerControl* c = FindControl(mixer, controlId);
    if (!c)
        return MIXERR_INVALCONTROL;
    values = c->values;
    return MMSYSERR_NOERROR;
}

MMRESULT CSimSoundSystem::MixerGetListText(uint32_t mixer, uint32_t controlId, std::vector<MIXERLISTTEXT>& entries)
{
    std::lock_guard lock(m_mutex);
    const SimMixerControl* c = FindControl(mixer, controlId);
    if (!c || c->listTexts.empty())
        return MIXERR_INVALCONTROL;
    entries = c->listTexts;
    return MMSYSERR_NOERROR;
}

MMRESULT CSimSoundSystem::MixerSetValues(uint32_t mixer, uint32_t controlId, std::span<const uint32_t> values)
{
    SimMixerWrite write;
    {
        std::lock_guard lock(m_mutex);
        SimMixerControl* c = FindControl(mixer, controlId);
        if (!c)
            return MIXERR_INVALCONTROL;
        c->values.assign(values.begin(), values.end());
        write = {mixer, controlId, c->values};
        m_writes.push_back(write);
    }
    std::function<void(const SimMixerWrite&)> listener;
    {
        std::lock_guard lock(m_hookMutex);
        listener = m_writeListener;
    }
    if (listener)
        listener(write);
    return MMSYSERR_NOERROR;
}

void CSimSoundSystem::SetWriteListener(std::function<void(const SimMixerWrite&)> listener)
{
    std::lock_guard lock(m_hookMutex);
    m_writeListener = std::move(listener);
}

}  // namespace vk
