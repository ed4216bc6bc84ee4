#pragma once
// The one place where Windows folders and backslash-separated names (stored
// settings may hold them) become Linux paths. Folders always end in '/'.

#include <string>

namespace vk::paths {

// The folder defaults as Windows settings spell them; stored values written
// there look the same.
inline constexpr const char* kWindowsInstallDir = "c:\\program files\\Selvo\\Quorvel Dravena Config\\";
inline constexpr const char* kWindowsWaveDir = "c:\\ProgramData\\Selvo\\Quorvel Dravena Config\\WaveFiles\\";

[[nodiscard]] std::string ExecutablePath();

// The installed data folder holding "WaveFiles/" with the test sounds; the build
// tree's data folder when the program runs from the build tree;
// $QUORVEL_DATA_DIR when set.
[[nodiscard]] std::string DefaultInstallDir();
// $XDG_DATA_HOME (or ~/.local/share) /Selvo/Quorvel Dravena Config/WaveFiles/
[[nodiscard]] std::string DefaultWaveDir();

// A file or folder name with '\\' separators as a Linux path ("WaveFiles\\a.wav"
// -> "WaveFiles/a.wav").
[[nodiscard]] std::string LocalPath(const std::string& name);
// A folder value from the settings as a usable folder ending in '/': backslashes
// become slashes, the two Windows defaults map to their Linux places, and an
// empty value or another drive-letter folder gives the fallback.
[[nodiscard]] std::string FolderFromSetting(const std::string& value, const std::string& fallback);

}  // namespace vk::paths
