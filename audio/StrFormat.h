#pragma once
// printf-style formatting into a std::string, for message texts written as
// printf formats ("Unable to open file: %s").

#include <cstdarg>
#include <cstdio>
#include <string>

namespace vk {

[[nodiscard]] inline std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline std::string StrFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

}  // namespace vk
