#include "platform/ui/MessageBox.h"

#include <atomic>

namespace vk {
namespace {
CScriptedMessageBox g_default;
std::atomic<IMessageBox*> g_box{&g_default};
}  // namespace

IMessageBox& MessageBoxes() { return *g_box.load(std::memory_order_acquire); }

void SetMessageBoxes(IMessageBox* box) { g_box.store(box ? box : &g_default, std::memory_order_release); }

int AfxMessageBox(const std::string& text, unsigned type, const std::string& caption)
{
    return MessageBoxes().Show(nullptr, text, caption, type);
}

}  // namespace vk
