#include "device/SlaveAddress.h"

#include "device/HIDProtocol.h"

namespace vk {
namespace {

constexpr uint16_t kReadAddressLow = 0x34FF;
constexpr uint16_t kReadAddressHigh = 0x36FF;

}  // namespace

std::optional<uint16_t> ReadSlaveAddress(CHIDProtocol& protocol)
{
    const int lo = protocol.SendShortCommand(kReadAddressLow, kTransactTimeoutMs);
    const int hi = protocol.SendShortCommand(kReadAddressHigh, kTransactTimeoutMs);
    if (lo < 0 || hi < 0)
        return std::nullopt;
    return static_cast<uint16_t>((hi & 0xFF) << 8 | (lo & 0xFF));
}

bool WriteSlaveAddress(CHIDProtocol& protocol, uint16_t address)
{
    const auto inverse = static_cast<uint16_t>(~address);
    bool answered = true;
    for (const int code : {0x2500 + (address & 0xFF), 0x2400 + (inverse & 0xFF), 0x2700 + ((address >> 8) & 0xFF),
                           0x2600 + ((inverse >> 8) & 0xFF)})
        answered = protocol.SendShortCommand(static_cast<uint16_t>(code), kTransactTimeoutMs) >= 0 && answered;
    return answered;
}

}  // namespace vk
