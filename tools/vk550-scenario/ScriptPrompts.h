#pragma once
// Message boxes and file dialogs answered from the script and printed.
//
// The answer to a box is the last `answer` step run since the previous box, or,
// when there is none, an `answer` step that comes right after the step that
// raised the box; without either the box gets its default (OK for an OK box, No
// for a box that offers No, else Cancel). File dialogs take `file` steps alike.

#include "Script.h"
#include "Transcript.h"

#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>

namespace vk::scenario {

class CScriptPrompts final : public IMessageBox, public IFileDialogs {
public:
    // takeNext(verb): the next step of the script when it is of that verb (it then
    // counts as run), else nothing. fail(line, what): an expectation failed.
    CScriptPrompts(CTranscript& transcript, std::function<std::optional<Step>(Verb)> takeNext,
                   std::function<void(int line, const std::string& what)> fail, std::filesystem::path folder);

    // An `answer` or `file` step run in its turn: kept for the next prompt.
    void Keep(const Step& step);

    int Show(IWindowOwner* owner, const std::string& text, const std::string& caption, unsigned type) override;
    std::optional<std::string> Ask(IWindowOwner* owner, const FileDialogRequest& request) override;

private:
    std::optional<Step> Take(Verb verb, std::optional<Step>& kept);

    CTranscript& m_transcript;
    std::function<std::optional<Step>(Verb)> m_takeNext;
    std::function<void(int, const std::string&)> m_fail;
    std::filesystem::path m_folder;  // relative paths of `file` steps lie below it
    std::mutex m_mutex;              // engine threads show boxes too
    std::optional<Step> m_answer;
    std::optional<Step> m_file;
};

}  // namespace vk::scenario
