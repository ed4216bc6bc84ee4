#pragma once
// The one way the program asks the user something: a message box with a text, a
// caption, an icon and a set of buttons; the answer is the button chosen. The
// constants have the classic Windows values, which the ported logic and its
// tests are written with.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vk {

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNOCANCEL = 0x3;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONEXCLAMATION = MB_ICONWARNING;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_ICONASTERISK = MB_ICONINFORMATION;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class IWindowOwner;  // the dialog that owns the box; may be null

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual int Show(IWindowOwner* owner, const std::string& text, const std::string& caption, unsigned type) = 0;
};

// Answers from a script and records every question, for tests.
class CScriptedMessageBox final : public IMessageBox {
public:
    struct Asked {
        std::string text;
        std::string caption;
        unsigned type = 0;
    };
    int Show(IWindowOwner*, const std::string& text, const std::string& caption, unsigned type) override
    {
        std::lock_guard lock(m_mutex);  // worker threads show boxes too
        asked.push_back({text, caption, type});
        if (next < answers.size())
            return answers[next++];
        return defaultAnswer(type);
    }
    static int defaultAnswer(unsigned type)
    {
        switch (type & 0xF) {
        case MB_YESNO:
        case MB_YESNOCANCEL: return IDYES;
        default: return IDOK;
        }
    }
    std::vector<int> answers;  // one per question, in order; then the default button
    size_t next = 0;
    std::vector<Asked> asked;

private:
    std::mutex m_mutex;
};

// The process-wide message box (set by the host; a scripted one by default so
// library code and tests never block on a missing user).
IMessageBox& MessageBoxes();
void SetMessageBoxes(IMessageBox* box);  // nullptr restores the default
int AfxMessageBox(const std::string& text, unsigned type, const std::string& caption = "");

}  // namespace vk
