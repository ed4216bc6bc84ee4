#pragma once
// Open and save file dialogs as prompts the host answers: the logic builds a
// request (filter in the classic "text|pattern|text|pattern||" form, default
// extension, initial name) and gets a path or nothing (cancelled).

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vk {

class IWindowOwner;

struct FileDialogRequest {
    bool open = true;          // false: a save dialog
    std::string defaultExt;    // ".wav" or "wav": appended when the chosen name has none
    std::string initialName;   // proposed file name, may hold a folder
    unsigned flags = 0;        // OFN_... (only OFN_OVERWRITEPROMPT is looked at)
    std::string filter;        // "WAV Files (*.wav)|*.wav||"
    friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

constexpr unsigned OFN_OVERWRITEPROMPT = 0x2;

struct FileFilter {
    std::string text;     // "WAV Files (*.wav)"
    std::string pattern;  // "*.wav" (several joined by ';')
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};
// Splits "text|pattern|text|pattern||"; an unpaired text at the end is dropped.
[[nodiscard]] std::vector<FileFilter> ParseFileFilter(const std::string& filter);
// Appends the default extension when the name has none (the classic rule).
[[nodiscard]] std::string ApplyDefaultExtension(const std::string& path, const std::string& defaultExt);

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> Ask(IWindowOwner* owner, const FileDialogRequest& request) = 0;
};

// Answers from a script and records every request, for tests.
class CScriptedFileDialogs final : public IFileDialogs {
public:
    std::optional<std::string> Ask(IWindowOwner*, const FileDialogRequest& request) override
    {
        std::lock_guard lock(m_mutex);
        asked.push_back(request);
        if (next < answers.size())
            return answers[next++];
        return std::nullopt;  // nobody there: cancelled
    }
    std::vector<std::optional<std::string>> answers;  // one per request, in order; then cancel
    size_t next = 0;
    std::vector<FileDialogRequest> asked;

private:
    std::mutex m_mutex;
};

// The process-wide file dialogs (set by the host; a scripted one by default).
IFileDialogs& FileDialogs();
void SetFileDialogs(IFileDialogs* dialogs);  // nullptr restores the default

// The classic wrapper: CFileDialog dlg(FALSE, ".wav", name, 0, filter, this);
// if (dlg.DoModal() == IDOK) path = dlg.GetPathName();
class CFileDialog {
public:
    CFileDialog(bool openFileDialog, const std::string& defaultExt, const std::string& fileName, unsigned flags,
                const std::string& filter, IWindowOwner* parent = nullptr);
    [[nodiscard]] int DoModal();  // IDOK or IDCANCEL
    [[nodiscard]] const std::string& GetPathName() const { return m_path; }
    [[nodiscard]] const FileDialogRequest& Request() const { return m_request; }

private:
    FileDialogRequest m_request;
    IWindowOwner* m_parent;
    std::string m_path;
};

}  // namespace vk
