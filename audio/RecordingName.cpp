#include "audio/RecordingName.h"

#include <array>

#include "audio/StrFormat.h"

namespace vk {

std::string RecordingFileName(const char* prefix, const LocalTime& now)
{
    static constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // A clock that gives no month (a broken one) still gives a name.
    const size_t month = now.wMonth >= 1 && now.wMonth <= 12 ? now.wMonth - 1u : 0u;
    return StrFormat("%s%s %02u %u %02u-%02u-%02u.wav", prefix, kMonths[month], unsigned(now.wDay), unsigned(now.wYear),
                     unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond));
}

}  // namespace vk
