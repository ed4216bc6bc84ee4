#include "platform/settings/Paths.h"

#include "platform/settings/RegistryDocument.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#ifndef VK_BUILD_DATA_DIR
#define VK_BUILD_DATA_DIR ""
#endif
#ifndef VK_BUILD_TREE
#define VK_BUILD_TREE ""
#endif
#ifndef VK_INSTALLED_DATA_DIR
#define VK_INSTALLED_DATA_DIR "/usr/share/quorvel-vk550-config/"
#endif
#ifndef VK_DATA_DIR_FROM_BIN
#define VK_DATA_DIR_FROM_BIN "../share/quorvel-vk550-config/"
#endif

namespace vk::paths {

namespace {

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool IsDrivePath(const std::string& s)
{
    return s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':';
}

}  // namespace

std::string ExecutablePath()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string DataDirBeside(const std::string& executable)
{
    if (executable.empty())
        return {};
    std::error_code ec;
    const auto dir = (std::filesystem::path(executable).parent_path() / VK_DATA_DIR_FROM_BIN).lexically_normal();
    return std::filesystem::is_directory(dir, ec) ? WithSlash(dir.string()) : std::string();
}

std::string DefaultInstallDir()
{
    if (const char* dir = std::getenv("QUORVEL_DATA_DIR"); dir && *dir)
        return WithSlash(dir);
    const std::string tree = VK_BUILD_TREE;
    if (!tree.empty() && ExecutablePath().starts_with(WithSlash(tree)))
        return WithSlash(VK_BUILD_DATA_DIR);
    // An installed program finds its data beside itself, wherever the tree was
    // installed or unpacked; the configured prefix is the last resort.
    if (std::string beside = DataDirBeside(ExecutablePath()); !beside.empty())
        return beside;
    return WithSlash(VK_INSTALLED_DATA_DIR);
}

std::string DefaultWaveDir()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        base = "/tmp";
    return WithSlash(base) + "Selvo/Quorvel Dravena Config/WaveFiles/";
}

std::string LocalPath(const std::string& name)
{
    std::string out = name;
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

std::string FolderFromSetting(const std::string& value, const std::string& fallback)
{
    if (SameRegName(value, kWindowsInstallDir))
        return DefaultInstallDir();
    if (SameRegName(value, kWindowsWaveDir))
        return DefaultWaveDir();
    if (value.empty() || IsDrivePath(value))
        return fallback;
    return WithSlash(LocalPath(value));
}

}  // namespace vk::paths
