#include "sim/hid/SimHidBus.h"

#include "platform/clock/Clock.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

namespace vk {
namespace {

// A boot keyboard: eight modifier buttons, a reserved byte and six key codes.
constexpr uint8_t kButtonsDescriptor[] = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,              // generic desktop, keyboard, application
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,              // key codes 0xE0..0xE7
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08,  // 8 one-bit fields
    0x81, 0x02,                                      // input (data, variable): the buttons
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,              // reserved byte
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,  // six key codes
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,  // input (data, array)
    0xC0,
};

constexpr size_t kReportsPerReader = 64;  // what a driver buffers per open handle
constexpr uint16_t kVersionNumber = 0x0100;

struct ReaderQueue {
    std::deque<SimReport> reports;
};

}  // namespace

struct CSimHidBus::Core {
    struct Slot {
        std::string path;
        std::shared_ptr<CSimUnit> unit;  // a unit's command interface, else null
        SimInterfaceSpec spec;           // any other interface
        bool heldElsewhere = false;
        int openCount = 0;
        bool openedExclusive = false;
        std::vector<std::weak_ptr<ReaderQueue>> readers;
        uint64_t pathGeneration = 0;  // the unit's appearance the path belongs to

        [[nodiscard]] bool Present() const
        {
            if (unit)
                return unit->Present();
            return !spec.follows || spec.follows->Present();
        }
        [[nodiscard]] HidAttributes Attributes() const
        {
            if (!unit)
                return spec.attributes;
            return {unit->VendorId(), unit->ProductId(), kVersionNumber};
        }
        [[nodiscard]] HidCaps Caps() const { return unit ? unit->InterfaceCaps() : spec.caps; }

        // Hands every report the unit has ready to each open reader (lock held).
        void Drain()
        {
            if (!unit)
                return;
            std::erase_if(readers, [](const auto& r) { return r.expired(); });
            while (auto report = unit->TakeAnswer()) {
                for (const auto& weak : readers) {
                    const auto reader = weak.lock();
                    if (reader->reports.size() >= kReportsPerReader)
                        reader->reports.pop_front();
                    reader->reports.push_back(*report);
                }
            }
        }
    };

    std::mutex mutex;
    std::vector<std::unique_ptr<Slot>> slots;  // never shrinks: handles keep pointers
    std::function<void()> listener;
    // What was on the bus when last looked: each present slot with its unit's appearance.
    std::vector<std::pair<const Slot*, uint64_t>> seen;
    unsigned nextNode = 0;  // hidraw nodes are never handed out twice

    [[nodiscard]] std::string NewPath() { return "/sim/hidraw" + std::to_string(nextNode++); }

    // A unit that appeared again (back from a reset, or plugged in again) is a
    // new device node, as the system makes it: a path kept from before is dead.
    // Lock held.
    void Renumber()
    {
        for (const auto& s : slots) {
            if (!s->unit)
                continue;
            const uint64_t generation = s->unit->Generation();
            if (generation != s->pathGeneration && s->unit->Present()) {
                s->path = NewPath();
                s->pathGeneration = generation;
            }
        }
    }

    // Takes a new look (lock held); true when something came or went since the last one.
    bool Rescan()
    {
        Renumber();
        std::vector<std::pair<const Slot*, uint64_t>> now;
        for (const auto& s : slots)
            if (s->Present())
                now.emplace_back(s.get(), s->unit ? s->unit->Generation() : 0);
        if (now == seen)
            return false;
        seen = std::move(now);
        return true;
    }

    // Calls the listener outside the lock when the bus changed.
    void NotifyChanges()
    {
        std::function<void()> notify;
        {
            std::lock_guard lock(mutex);
            if (Rescan())
                notify = listener;
        }
        if (notify)
            notify();
    }

    std::string Add(std::unique_ptr<Slot> slot)
    {
        std::string path;
        {
            std::lock_guard lock(mutex);
            path = NewPath();
            slot->path = path;
            if (slot->unit)
                slot->pathGeneration = slot->unit->Generation();
            slots.push_back(std::move(slot));
        }
        NotifyChanges();
        return path;
    }

    Slot* Find(const std::string& path)
    {
        for (auto& s : slots)
            if (s->path == path)
                return s.get();
        return nullptr;
    }
};

namespace {

class CSimHidHandle final : public IHidInterface {
public:
    using Slot = CSimHidBus::Core::Slot;

    CSimHidHandle(std::shared_ptr<CSimHidBus::Core> core, Slot* slot, const HidOpenMode& mode)
        : m_core(std::move(core)), m_slot(slot), m_mode(mode), m_attributes(slot->Attributes()), m_caps(slot->Caps())
    {
        if (m_slot->unit) {
            m_generation = m_slot->unit->Generation();
            if (mode.read) {
                m_reader = std::make_shared<ReaderQueue>();
                m_slot->readers.push_back(m_reader);
            }
        }
    }

    ~CSimHidHandle() override
    {
        std::lock_guard lock(m_core->mutex);
        --m_slot->openCount;
        if (m_mode.exclusive)
            m_slot->openedExclusive = false;
        // Released under the lock: Drain must never see a reader expire between
        // dropping the expired ones and handing out reports.
        m_reader.reset();
    }

    CSimHidHandle(const CSimHidHandle&) = delete;
    CSimHidHandle& operator=(const CSimHidHandle&) = delete;

    const HidAttributes& Attributes() const override { return m_attributes; }
    const HidCaps& Caps() const override { return m_caps; }

    bool WriteReport(std::span<const uint8_t> report) override
    {
        if (!m_mode.write || report.size() != m_caps.outputReportByteLength || !Alive())
            return false;
        if (m_slot->unit)
            m_slot->unit->Receive(report);
        return true;
    }

    HidReadStatus ReadReport(std::span<uint8_t> report, uint32_t timeoutMs) override
    {
        if (!m_mode.read)
            return HidReadStatus::Failed;
        const uint64_t deadline = Clock().NowMs() + timeoutMs;
        for (;;) {
            if (!Alive())
                return HidReadStatus::Failed;
            if (m_reader) {
                std::lock_guard lock(m_core->mutex);
                m_slot->Drain();
                if (!m_reader->reports.empty()) {
                    const SimReport& r = m_reader->reports.front();
                    std::memcpy(report.data(), r.data(), std::min(report.size(), r.size()));
                    m_reader->reports.pop_front();
                    return HidReadStatus::Ok;
                }
            }
            const uint64_t now = Clock().NowMs();
            if (now >= deadline)
                return HidReadStatus::TimedOut;
            uint64_t wake = deadline;
            if (m_reader)
                if (const auto due = m_slot->unit->NextAnswerDueMs())
                    wake = std::min(wake, *due);
            Clock().SleepMs(static_cast<uint32_t>(wake > now ? wake - now : 1));
        }
    }

private:
    [[nodiscard]] bool Alive() const
    {
        if (m_slot->unit)
            return m_slot->unit->Present() && m_slot->unit->Generation() == m_generation;
        return m_slot->Present();
    }

    std::shared_ptr<CSimHidBus::Core> m_core;
    Slot* m_slot;
    HidOpenMode m_mode;
    HidAttributes m_attributes;
    HidCaps m_caps;
    uint64_t m_generation = 0;
    std::shared_ptr<ReaderQueue> m_reader;  // guarded by the core's mutex
};

}  // namespace

CSimHidBus::CSimHidBus() : m_core(std::make_shared<Core>()) {}

CSimHidBus::~CSimHidBus() = default;

std::string CSimHidBus::Plug(std::shared_ptr<CSimUnit> unit)
{
    bool known = false;
    {
        std::lock_guard lock(m_core->mutex);
        for (const auto& s : m_core->slots)
            known = known || s->unit == unit;
    }
    if (!known) {
        auto slot = std::make_unique<Core::Slot>();
        slot->unit = std::move(unit);
        return m_core->Add(std::move(slot));
    }
    unit->Plug();  // back on the bus after Unplug, under a new path
    m_core->NotifyChanges();
    std::lock_guard lock(m_core->mutex);
    m_core->Renumber();
    for (const auto& s : m_core->slots)
        if (s->unit == unit)
            return s->path;
    return {};
}

void CSimHidBus::Unplug(const std::shared_ptr<CSimUnit>& unit)
{
    unit->Unplug();
    m_core->NotifyChanges();
}

std::string CSimHidBus::AddInterface(const SimInterfaceSpec& spec)
{
    auto slot = std::make_unique<Core::Slot>();
    slot->spec = spec;
    return m_core->Add(std::move(slot));
}

std::string CSimHidBus::AddButtonsInterface(std::shared_ptr<CSimUnit> unit)
{
    SimInterfaceSpec spec;
    spec.attributes = {unit->VendorId(), unit->ProductId(), kVersionNumber};
    spec.caps = {6, 1, 9, 2, 0, 1};  // keyboard: 8-byte input report, LED output, one button capability
    spec.follows = std::move(unit);
    return AddInterface(spec);
}

std::string CSimHidBus::AddForeignInterface(uint16_t vendorId, uint16_t productId)
{
    SimInterfaceSpec spec;
    spec.attributes = {vendorId, productId, kVersionNumber};
    spec.caps = CSimUnit::Caps();
    return AddInterface(spec);
}

void CSimHidBus::HoldExclusively(const std::string& path, bool held)
{
    std::lock_guard lock(m_core->mutex);
    if (auto* slot = m_core->Find(path))
        slot->heldElsewhere = held;
}

void CSimHidBus::SetChangeListener(std::function<void()> listener)
{
    std::lock_guard lock(m_core->mutex);
    m_core->listener = std::move(listener);
}

std::vector<std::shared_ptr<CSimUnit>> CSimHidBus::Units() const
{
    std::lock_guard lock(m_core->mutex);
    std::vector<std::shared_ptr<CSimUnit>> units;
    for (const auto& s : m_core->slots)
        if (s->unit)
            units.push_back(s->unit);
    return units;
}

void CSimHidBus::Poll() { m_core->NotifyChanges(); }

std::vector<std::string> CSimHidBus::PresentInterfaces()
{
    std::vector<std::string> paths;
    {
        std::lock_guard lock(m_core->mutex);
        m_core->Renumber();
        for (const auto& s : m_core->slots)
            if (s->Present())
                paths.push_back(s->path);
    }
    // A unit that re-enumerated on the clock is noticed when somebody looks.
    m_core->NotifyChanges();
    return paths;
}

std::unique_ptr<IHidInterface> CSimHidBus::Open(const std::string& path, const HidOpenMode& mode)
{
    std::lock_guard lock(m_core->mutex);
    m_core->Renumber();
    Core::Slot* slot = m_core->Find(path);
    if (!slot || !slot->Present() || slot->heldElsewhere || slot->openedExclusive)
        return nullptr;
    if (mode.exclusive && slot->openCount > 0)
        return nullptr;
    slot->Drain();  // reports that arrived before this open are not its to see
    ++slot->openCount;
    slot->openedExclusive = mode.exclusive;
    return std::make_unique<CSimHidHandle>(m_core, slot, mode);
}

std::span<const uint8_t> CSimHidBus::ButtonsReportDescriptor() { return kButtonsDescriptor; }

}  // namespace vk
