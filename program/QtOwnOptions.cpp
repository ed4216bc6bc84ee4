#include "program/QtOwnOptions.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vk {
namespace {

// Qt's options that take the next word as their value.
constexpr std::array<std::string_view, 16> kWithValue{
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin",  "-qwindowgeometry", "-geometry",
    "-qwindowtitle", "-title", "-qwindowicon", "-icon", "-session", "-style", "-stylesheet", "-display",
    "-name", "-visual"};
// Those that stand alone.
constexpr std::array<std::string_view, 5> kAlone{"-reverse", "-widgetcount", "-testability", "-nograb", "-dograb"};
// Those that carry their value after '='.
constexpr std::array<std::string_view, 3> kWithEquals{"-style=", "-stylesheet=", "-qmljsdebugger="};

template <size_t N>
bool Among(const std::array<std::string_view, N>& names, std::string_view word)
{
    return std::find(names.begin(), names.end(), word) != names.end();
}

}  // namespace

SplitArguments SplitQtOptions(int argc, const char* const* argv)
{
    SplitArguments split;
    for (int i = 1; i < argc; ++i) {
        std::string_view word = argv[i];
        if (word.size() > 2 && word.substr(0, 2) == "--")
            word.remove_prefix(1);  // Qt reads --style as -style
        const bool withEquals = std::any_of(kWithEquals.begin(), kWithEquals.end(), [word](std::string_view name) {
            return word.size() > name.size() && word.substr(0, name.size()) == name;
        });
        if (Among(kWithValue, word) && i + 1 < argc) {
            split.qt.emplace_back(argv[i]);
            split.qt.emplace_back(argv[++i]);
        } else if (Among(kAlone, word) || withEquals) {
            split.qt.emplace_back(argv[i]);
        } else {
            split.own.emplace_back(argv[i]);
        }
    }
    return split;
}

}  // namespace vk
