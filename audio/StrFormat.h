#pragma once
// printf-style formatting into a std::string, for message texts written as
// printf formats ("Unable to open file: %s"), and the other fixed texts the
// program writes. They read the same in every locale: the Qt host switches the
// C library to the user's locale, where "%5.1f" would give "40,1" and "%b"
// "Dez"; these helpers format under the C locale on the calling thread only.

#include <locale.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace vk {

// The C locale as an object of its own (made once; never freed).
[[nodiscard]] inline locale_t ClassicLocale()
{
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// The calling thread formats in the C locale while this lives; other threads
// and the global locale are left alone.
class CClassicLocaleScope {
public:
    CClassicLocaleScope() : m_previous(ClassicLocale() ? ::uselocale(ClassicLocale()) : nullptr) {}
    ~CClassicLocaleScope()
    {
        if (m_previous)
            ::uselocale(m_previous);
    }
    CClassicLocaleScope(const CClassicLocaleScope&) = delete;
    CClassicLocaleScope& operator=(const CClassicLocaleScope&) = delete;

private:
    locale_t m_previous;
};

[[nodiscard]] inline std::string StrFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline std::string StrFormat(const char* format, ...)
{
    const CClassicLocaleScope classic;
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

// The system's text for an error number, in English whatever the locale.
[[nodiscard]] inline std::string ErrorText(int error)
{
    return ClassicLocale() ? ::strerror_l(error, ClassicLocale()) : std::strerror(error);
}

}  // namespace vk
