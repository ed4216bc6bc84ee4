#pragma once
// The options QApplication takes for itself (-platform offscreen, -style fusion,
// -reverse, and the same with two dashes). The wizard leaves them, with their
// values, to Qt and parses the rest of its command line itself.

#include <string>
#include <vector>

namespace vk {

struct SplitArguments {
    std::vector<std::string> own;  // in order, without the program's name
    std::vector<std::string> qt;
};

// An option of Qt's that misses its value stays with the program's own words,
// which then refuse it.
[[nodiscard]] SplitArguments SplitQtOptions(int argc, const char* const* argv);

}  // namespace vk
