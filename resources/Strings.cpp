#include "resources/Resources.h"

#include "platform/settings/Paths.h"

#include <filesystem>

namespace vk {

std::string LoadResourceString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX: return "&About Quorvel's Dravena Configuration...";
    case IDS_ABOUTDEVICE: return "About Device ...";
    default: return {};
    }
}

std::string ResourceImagePath(int id)
{
    return paths::DefaultInstallDir() + "images/" + std::to_string(id) + ".png";
}

bool RegisterResourceImages()
{
    bool all = true;
    for (int id : {IDR_MAINFRAME, IDI_OUTPUT, IDI_SPEAKER, IDI_UNIT, IDB_METER_SCALE}) {
        const std::string path = ResourceImagePath(id);
        all = std::filesystem::exists(path) && all;
        RegisterImageFile(id, path);
    }
    return all;
}

}  // namespace vk
