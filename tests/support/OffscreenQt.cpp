#include "tests/support/OffscreenQt.h"

#include "tests/support/RuntimeFolder.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string_view>

// fontconfig keeps caches that only the application's destructor frees; a
// program that ends at once leaves them behind. Not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace vk::test {

int RunOffscreenQtTests(int argc, char** argv, const char* platform)
{
    // A death test's child (the program run again by the test framework) may end
    // without unwinding: it keeps the runtime folder of its parent, which removes it.
    const bool deathTestChild = std::any_of(argv, argv + argc, [](const char* arg) {
        return std::string_view(arg).starts_with("--gtest_internal_run_death_test");
    });
    std::optional<CRuntimeFolder> runtime;
    if (!deathTestChild && runtime.emplace().Path().empty())
        return 2;
    if (platform)
        ::setenv("QT_QPA_PLATFORM", platform, 1);
    else
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace vk::test
