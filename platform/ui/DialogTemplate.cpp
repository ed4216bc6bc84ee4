#include "platform/ui/DialogTemplate.h"

#include <map>
#include <mutex>

namespace vk {
namespace {
std::mutex g_imagesMutex;
std::map<int, std::string>& Images()
{
    static std::map<int, std::string> images;
    return images;
}
}  // namespace

void RegisterImageFile(int id, const std::string& path)
{
    std::lock_guard lock(g_imagesMutex);
    Images()[id] = path;
}

std::string ImageFile(int id)
{
    std::lock_guard lock(g_imagesMutex);
    const auto it = Images().find(id);
    return it == Images().end() ? std::string() : it->second;
}

}  // namespace vk
