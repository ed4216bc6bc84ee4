// A private runtime folder (XDG_RUNTIME_DIR) for a test program: a fresh folder
// under /tmp that only this user may enter, removed with whatever it holds.
#pragma once

#include <filesystem>

namespace vk::test {

class CRuntimeFolder {
public:
    CRuntimeFolder();
    ~CRuntimeFolder();
    CRuntimeFolder(const CRuntimeFolder&) = delete;
    CRuntimeFolder& operator=(const CRuntimeFolder&) = delete;

    // Empty when no folder could be made (XDG_RUNTIME_DIR is then left alone).
    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace vk::test
