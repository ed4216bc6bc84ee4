#include "platform/ui/FileDialog.h"

#include <atomic>

#include "platform/ui/MessageBox.h"

namespace vk {
namespace {
CScriptedFileDialogs g_default;
std::atomic<IFileDialogs*> g_dialogs{&g_default};
}  // namespace

IFileDialogs& FileDialogs() { return *g_dialogs.load(std::memory_order_acquire); }

void SetFileDialogs(IFileDialogs* dialogs) { g_dialogs.store(dialogs ? dialogs : &g_default, std::memory_order_release); }

std::vector<FileFilter> ParseFileFilter(const std::string& filter)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        const size_t bar = filter.find('|', start);
        if (bar == std::string::npos) {
            parts.push_back(filter.substr(start));
            break;
        }
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty())  // "||" ends the list
            break;
        filters.push_back({parts[i], parts[i + 1]});
    }
    return filters;
}

std::string ApplyDefaultExtension(const std::string& path, const std::string& defaultExt)
{
    if (defaultExt.empty() || path.empty())
        return path;
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name.find('.') != std::string::npos)
        return path;
    return path + (defaultExt.front() == '.' ? defaultExt : "." + defaultExt);
}

CFileDialog::CFileDialog(bool openFileDialog, const std::string& defaultExt, const std::string& fileName,
                         unsigned flags, const std::string& filter, IWindowOwner* parent)
    : m_request{openFileDialog, defaultExt, fileName, flags, filter}, m_parent(parent)
{
}

int CFileDialog::DoModal()
{
    const auto answer = FileDialogs().Ask(m_parent, m_request);
    if (!answer || answer->empty())
        return IDCANCEL;
    m_path = ApplyDefaultExtension(*answer, m_request.defaultExt);
    return IDOK;
}

}  // namespace vk
