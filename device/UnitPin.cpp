#include "device/UnitPin.h"

#include <algorithm>

namespace vk {

bool OpenUnitWithSerial(CHIDProtocol& protocol, const std::string& serialNumber, int productFilter)
{
    for (const HIDDeviceEntry& entry : protocol.ListUnits(productFilter)) {
        if (!protocol.OpenUnitAt(entry.path, true) || !protocol.IsOpen())
            continue;
        const std::optional<std::string> serial = protocol.ReadSerialNumber();
        if (serial && !serial->empty() && *serial == serialNumber)
            return true;
    }
    protocol.CloseUnit();
    return false;
}

bool CUnitPin::Pin(CHIDProtocol& protocol)
{
    Release();
    if (!protocol.IsOpen())
        return false;
    std::optional<std::string> serial = protocol.ConnectionSerial();
    if (!serial)
        serial = protocol.ReadSerialNumber();
    m_strSerial = serial.value_or(std::string());
    m_strPath = protocol.GetDevicePath();
    m_nProductId = protocol.GetProductId();
    m_nConnection = protocol.ConnectionNumber();
    m_bPinned = true;
    return true;
}

void CUnitPin::Release()
{
    m_bPinned = false;
    m_strSerial.clear();
    m_strPath.clear();
    m_nProductId = 0;
}

bool CUnitPin::Holds(const CHIDProtocol& protocol) const
{
    return m_bPinned && protocol.IsOpen() && protocol.ConnectionNumber() == m_nConnection;
}

bool CUnitPin::Follow(const CHIDProtocol& protocol)
{
    if (Holds(protocol))
        return true;
    const std::optional<std::string>& serial = protocol.ConnectionSerial();
    if (!m_bPinned || m_strSerial.empty() || !protocol.IsOpen() || serial != m_strSerial)
        return false;
    Took(protocol);
    return true;
}

void CUnitPin::Took(const CHIDProtocol& protocol)
{
    m_strPath = protocol.GetDevicePath();
    m_nProductId = protocol.GetProductId();
    m_nConnection = protocol.ConnectionNumber();
}

bool CUnitPin::Ensure(CHIDProtocol& protocol)
{
    if (Holds(protocol) && protocol.CheckConnection())
        return true;
    return Reopen(protocol);
}

bool CUnitPin::Reopen(CHIDProtocol& protocol) { return ReopenAs(protocol, m_nProductId); }

bool CUnitPin::ReopenAs(CHIDProtocol& protocol, int productFilter)
{
    if (!m_bPinned) {
        protocol.CloseUnit();
        return false;
    }
    const std::vector<HIDDeviceEntry> units = protocol.ListUnits(productFilter);
    const bool nodeThere = std::any_of(units.begin(), units.end(),
                                       [this](const HIDDeviceEntry& entry) { return entry.path == m_strPath; });
    if (nodeThere && protocol.OpenUnitAt(m_strPath, true) && protocol.IsOpen()) {
        // Without a serial number the node is all there is to go by; so it is
        // when the unit does not tell it now (no answer, or its versions were
        // not read this time).
        const std::optional<std::string> serial =
            m_strSerial.empty() ? std::optional<std::string>() : protocol.ReadSerialNumber();
        if (!serial || serial->empty() || *serial == m_strSerial) {
            Took(protocol);
            return true;
        }
    }
    if (m_strSerial.empty() || !OpenUnitWithSerial(protocol, m_strSerial, productFilter)) {
        protocol.CloseUnit();
        return false;
    }
    Took(protocol);
    return true;
}

bool CUnitPin::ReopenAfterReset(CHIDProtocol& protocol, uint16_t productId)
{
    if (!m_bPinned || !m_strSerial.empty()) {
        return ReopenAs(protocol, productId);
    }
    // Without a serial number the unit is known after its reset only as the one
    // unit of its new product id.
    const std::vector<HIDDeviceEntry> units = protocol.ListUnits(productId);
    if (units.size() == 1 && protocol.OpenUnitAt(units.front().path, true) && protocol.IsOpen()) {
        Took(protocol);
        return true;
    }
    protocol.CloseUnit();
    return false;
}

}  // namespace vk
