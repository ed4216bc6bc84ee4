#pragma once
// A stand-in for the other programs' windows, recording what is posted to them.

#include "platform/ipc/WindowDirectory.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vk::testing {

class CRecordingWindows final : public IWindowDirectory {
public:
    struct Posted {
        std::string title;
        uint32_t message;
        int64_t wParam, lParam;
    };
    std::unique_ptr<IRemoteWindow> FindWindow(const std::string& title) override
    {
        if (std::find(present.begin(), present.end(), title) == present.end())
            return nullptr;
        class CWindow final : public IRemoteWindow {
        public:
            CWindow(CRecordingWindows& owner, std::string title) : m_owner(owner), m_title(std::move(title)) {}
            bool PostMessage(uint32_t message, int64_t wParam, int64_t lParam) override
            {
                m_owner.posted.push_back({m_title, message, wParam, lParam});
                return true;
            }
            bool SendCopyData(int64_t, int64_t, std::span<const uint8_t>) override { return false; }

        private:
            CRecordingWindows& m_owner;
            std::string m_title;
        };
        return std::make_unique<CWindow>(*this, title);
    }
    std::vector<std::string> present;
    std::vector<Posted> posted;
};

}  // namespace vk::testing
