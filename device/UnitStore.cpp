#include "device/UnitStore.h"

namespace vk {

StoreResult StoreSettings(CHIDProtocol& protocol)
{
    const int answer = protocol.SendShortCommand(0xB7FF, kTransactTimeoutMs);
    if (answer == -1)
        return {StoreResult::Kind::Failed, "0xB7FF"};
    if ((answer & 1) == 0)
        return {StoreResult::Kind::NothingToStore, {}};
    const bool stored0 = protocol.SendShortCommand(0xB100, kTransactTimeoutMs) != -1;
    const bool stored2 = protocol.SendShortCommand(0xB102, kTransactTimeoutMs) != -1;
    if (!stored0)
        return {StoreResult::Kind::Failed, "0xB100"};
    if (!stored2)
        return {StoreResult::Kind::Failed, "0xB102"};
    return {StoreResult::Kind::Stored, {}};
}

}  // namespace vk
