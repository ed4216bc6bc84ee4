#pragma once
// Telling the unit to keep its settings over a power cycle: 0xB7FF asks whether
// anything differs from what it keeps (bit 0 of the answer); when it does,
// 0xB100 and then 0xB102 store it. Every answer counts; 0xB102 is sent even
// when 0xB100 went unanswered, as the wizard has always sent both.

#include <string>

#include "device/HIDProtocol.h"

namespace vk {

struct StoreResult {
    enum class Kind {
        Stored,          // 0xB100 and 0xB102 were sent and answered
        NothingToStore,  // 0xB7FF answered with bit 0 clear: the unit keeps what it holds
        Failed,          // failedStep names the first command left unanswered
    };
    Kind kind = Kind::Failed;
    std::string failedStep;
    [[nodiscard]] bool Kept() const { return kind != Kind::Failed; }
};

[[nodiscard]] StoreResult StoreSettings(CHIDProtocol& protocol);

}  // namespace vk
