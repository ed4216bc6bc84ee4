// The lowest layer of the unit link: finding the unit's command interface among
// the HID interfaces present, opening it for reading and writing, following it
// through a reset.
#include "device/HIDProtocol.h"

#include "platform/clock/Clock.h"

#include <atomic>

namespace vk {
namespace {

std::atomic<IMessagePump*> g_pump{nullptr};

constexpr HidOpenMode kQueryMode{};                                 // no access, shared
constexpr HidOpenMode kReadMode{true, false, true, false};          // read, overlapped, shared
constexpr HidOpenMode kWriteMode{false, true, false, false};        // write, synchronous, shared

constexpr uint16_t kPresenceCommand = 0x0555;
constexpr uint16_t kResetCommand = 0x0666;

}  // namespace

bool PassesProductFilter(uint16_t productId, int filter)
{
    if (filter >= 0)
        return productId == filter;
    if (filter == kFamilyFilter) {
        switch (productId) {
        case 0x17:
        case 0x117:
        case 0x217:
        case 0x317:
        case 0x1C:
        case 0x1017:
            return true;
        default:
            return false;
        }
    }
    return false;
}

CHIDProtocol::CHIDProtocol() : m_pBus(nullptr) {}

CHIDProtocol::CHIDProtocol(IHidBus& bus) : m_pBus(&bus) {}

CHIDProtocol::~CHIDProtocol() { CloseUnit(); }

void CHIDProtocol::SetMessagePump(IMessagePump* pump) { g_pump.store(pump, std::memory_order_release); }

namespace {

// A node whose report descriptor holds several top-level collections is, to the
// command interface rule, several interfaces: the entry takes the capabilities of
// its first collection without input buttons (the command collection), so that
// a command collection sharing its node with a button collection is found.
HidCaps CommandCollectionCaps(const IHidInterface& handle)
{
    const std::vector<HidCaps> collections = handle.Collections();
    for (const HidCaps& caps : collections)
        if (caps.numberInputButtonCaps == 0)
            return caps;
    return collections.empty() ? handle.Caps() : collections.front();
}

}  // namespace

bool CHIDProtocol::IsUnitEntry(const HIDDeviceEntry& entry, int productFilter)
{
    // A command interface (the unit's other interfaces report input buttons) that
    // passes the filter and that we may open: a unit we cannot talk to is not one
    // to configure.
    return entry.attributes.vendorId == kUnitVendorId && entry.caps.numberInputButtonCaps == 0 &&
           PassesProductFilter(entry.attributes.productId, productFilter) && entry.accessible;
}

bool CHIDProtocol::OpenEntry(HIDDeviceEntry& entry, const std::string& path, const HidOpenMode& mode, bool readCaps)
{
    IHidBus& bus = m_pBus ? *m_pBus : HidBus();
    entry = HIDDeviceEntry{};
    auto handle = bus.Open(path, mode);
    if (!handle)
        return false;
    entry.path = path;
    entry.mode = mode;
    if (readCaps) {
        entry.attributes = handle->Attributes();
        entry.caps = CommandCollectionCaps(*handle);
        if (entry.attributes.vendorId == kUnitVendorId) {
            entry.inputReport.assign(entry.caps.inputReportByteLength, 0);
            entry.outputReport.assign(entry.caps.outputReportByteLength, 0);
            entry.featureReport.assign(entry.caps.featureReportByteLength, 0);
        }
    }
    entry.handle = std::move(handle);
    return true;
}

std::vector<HIDDeviceEntry> CHIDProtocol::Enumerate()
{
    IHidBus& bus = m_pBus ? *m_pBus : HidBus();
    const std::vector<std::string> paths = bus.PresentInterfaces();
    std::vector<HIDDeviceEntry> list(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        // An interface that cannot be opened (held exclusively elsewhere) keeps
        // zero attributes and never matches. Only its attributes and capabilities
        // are kept: the query handle is closed at once.
        if (OpenEntry(list[i], paths[i], kQueryMode, true))
            list[i].handle.reset();
        else
            list[i].path = paths[i];
        // Only our vendor's nodes are tried: other devices are none of our business.
        if (list[i].attributes.vendorId == kUnitVendorId)
            list[i].accessible = bus.MayOpen(paths[i]);
    }
    return list;
}

std::vector<std::string> CHIDProtocol::ListRefusedUnits(int productFilter)
{
    std::vector<std::string> refused;
    for (HIDDeviceEntry& entry : Enumerate()) {
        if (entry.accessible)
            continue;
        entry.accessible = true;  // would it be a unit if we could open it?
        if (IsUnitEntry(entry, productFilter))
            refused.push_back(entry.path);
    }
    return refused;
}

void CHIDProtocol::CloseEntries()
{
    m_readEntry = HIDDeviceEntry{};
    m_writeEntry = HIDDeviceEntry{};
    m_bOpen = false;
}

bool CHIDProtocol::OpenUnit(int productFilter, bool readIdentity)
{
    return SelectAndOpen([productFilter](const HIDDeviceEntry& entry) { return IsUnitEntry(entry, productFilter); },
                         readIdentity);
}

bool CHIDProtocol::OpenUnitAt(const std::string& path, bool readIdentity)
{
    return SelectAndOpen(
        [&path](const HIDDeviceEntry& entry) { return entry.path == path && IsUnitEntry(entry, kFamilyFilter); },
        readIdentity);
}

bool CHIDProtocol::SelectAndOpen(const std::function<bool(const HIDDeviceEntry&)>& wanted, bool readIdentity)
{
    m_devices = Enumerate();
    m_nSelected = -1;
    ++m_nConnection;
    if (m_bOpen)
        CloseEntries();
    for (size_t i = 0; i < m_devices.size(); ++i)
        if (wanted(m_devices[i]))
            m_nSelected = static_cast<int>(i);  // the last one in enumeration order wins

    if (m_nSelected < 0) {
        m_nProductId = 0;
        ClearIdentity();
        return false;
    }
    const HIDDeviceEntry& selected = m_devices[static_cast<size_t>(m_nSelected)];
    m_nProductId = selected.attributes.productId;
    BeginIdentity();

    CloseEntries();
    if (OpenEntry(m_readEntry, selected.path, kReadMode, true) && OpenEntry(m_writeEntry, selected.path, kWriteMode, true))
        m_bOpen = true;
    else
        CloseEntries();

    ReadIdentity(readIdentity);
    return true;
}

void CHIDProtocol::CloseUnit()
{
    CloseEntries();
    m_nSelected = -1;
    m_nProductId = 0;
    ClearIdentity();
}

std::string CHIDProtocol::GetDevicePath() const
{
    if (m_nSelected < 0 || static_cast<size_t>(m_nSelected) >= m_devices.size())
        return {};
    return m_devices[static_cast<size_t>(m_nSelected)].path;
}

bool CHIDProtocol::CheckConnection()
{
    if (!m_bOpen)
        return false;
    if (SendShortCommand(kPresenceCommand) != -1)
        return true;
    // A unit that answered "nothing to say" (0xFFFF) is there: it is asked once
    // more, as a transaction sends again after a silence, before it counts as gone.
    if (m_bLastAnswerEmpty && SendShortCommand(kPresenceCommand) != -1)
        return true;
    CloseEntries();  // the identity stays as it was
    return false;
}

int CHIDProtocol::CountMatching(int productFilter, bool stopAtFirst)
{
    int count = 0;
    for (const HIDDeviceEntry& entry : Enumerate()) {
        if (IsUnitEntry(entry, productFilter)) {
            ++count;
            if (stopAtFirst)
                break;
        }
    }
    return count;
}

std::vector<HIDDeviceEntry> CHIDProtocol::ListUnits(int productFilter)
{
    std::vector<HIDDeviceEntry> units;
    for (HIDDeviceEntry& entry : Enumerate())
        if (IsUnitEntry(entry, productFilter))
            units.push_back(std::move(entry));
    return units;
}

bool CHIDProtocol::IsUnitPresent(int productFilter) { return CountMatching(productFilter, true) > 0; }

int CHIDProtocol::CountUnits(int productFilter) { return CountMatching(productFilter, false); }

bool CHIDProtocol::ResetUnit(uint16_t expectedProductId)
{
    SendViewerText(m_viewer.Refresh(), "Reset Device");
    const int leaving = m_nProductId;
    // The unit resets without answering. A reset that never went out has nothing
    // to wait for: the unit still on the bus has not "come back".
    if (!WriteShortCommand(kResetCommand))
        return false;

    // Wait for the unit to leave the bus; after 12 s go on anyway.
    for (int poll = 0; poll < 60; ++poll) {
        Clock().SleepMs(200);
        PumpWaitingMessages();
        if (!IsUnitPresent(leaving))
            break;
    }
    // Wait up to 120 s for it to come back under the expected product id.
    for (int poll = 0; poll < 240; ++poll) {
        Clock().SleepMs(500);
        PumpWaitingMessages();
        if (IsUnitPresent(expectedProductId)) {
            Clock().SleepMs(1000);
            PumpWaitingMessages();
            return true;
        }
    }
    return false;
}

bool CHIDProtocol::PumpWaitingMessages()
{
    IMessagePump* pump = g_pump.load(std::memory_order_acquire);
    return pump ? pump->PumpWaitingMessages() : true;
}

bool CHIDProtocol::WriteReport(std::span<const uint8_t> report)
{
    return m_writeEntry.handle && m_writeEntry.handle->WriteReport(report);
}

// A read that times out leaves nothing outstanding: a report that arrives later
// waits in the handle's queue and is what the next read returns, where the
// answer matching passes over it if it belongs to an earlier command.
HidReadStatus CHIDProtocol::ReadReport(uint32_t timeoutMs)
{
    if (!m_readEntry.handle || m_readEntry.inputReport.empty())
        return HidReadStatus::Failed;
    return m_readEntry.handle->ReadReport(m_readEntry.inputReport, timeoutMs);
}

void CHIDProtocol::ReopenReadEntry()
{
    if (!m_bOpen)
        return;
    const std::string path = m_readEntry.path;
    // The new handle sees only reports that arrive from now on.
    if (!OpenEntry(m_readEntry, path, kReadMode, true))
        CloseEntries();
}

}  // namespace vk
