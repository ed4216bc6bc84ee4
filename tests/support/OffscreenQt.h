// Running a test program's tests in one offscreen QApplication, with a private
// runtime folder: no display is needed and nothing lands in the user's folders.
#pragma once

namespace vk::test {

// Runs every test. `platform` is Qt's platform plugin with its options; without
// one, QT_QPA_PLATFORM as the environment gives it, else "offscreen".
int RunOffscreenQtTests(int argc, char** argv, const char* platform = nullptr);

}  // namespace vk::test
