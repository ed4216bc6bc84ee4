#include "ScriptPrompts.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vk::scenario {

namespace {

struct Button {
    const char* word;
    int id;
};
constexpr Button kButtons[] = {{"ok", IDOK}, {"cancel", IDCANCEL}, {"yes", IDYES}, {"no", IDNO}, {"retry", IDRETRY}};

const char* WordOf(int id)
{
    for (const auto& b : kButtons)
        if (b.id == id)
            return b.word;
    return "?";
}

int IdOf(const std::string& word)
{
    for (const auto& b : kButtons)
        if (word == b.word)
            return b.id;
    return IDCANCEL;
}

// The buttons a box of this type offers, its default answer first.
std::vector<int> Offered(unsigned type)
{
    switch (type & 0xF) {
    case MB_OKCANCEL: return {IDCANCEL, IDOK};
    case MB_YESNOCANCEL: return {IDNO, IDYES, IDCANCEL};
    case MB_YESNO: return {IDNO, IDYES};
    case MB_RETRYCANCEL: return {IDCANCEL, IDRETRY};
    default: return {IDOK};
    }
}

const char* IconOf(unsigned type)
{
    switch (type & 0xF0) {
    case MB_ICONERROR: return "error";
    case MB_ICONQUESTION: return "question";
    case MB_ICONEXCLAMATION: return "exclamation";
    case MB_ICONINFORMATION: return "information";
    default: return "none";
    }
}

}  // namespace

CScriptPrompts::CScriptPrompts(CTranscript& transcript, std::function<std::optional<Step>(Verb)> takeNext,
                               std::function<void(int, const std::string&)> fail, std::filesystem::path folder)
    : m_transcript(transcript), m_takeNext(std::move(takeNext)), m_fail(std::move(fail)), m_folder(std::move(folder))
{
}

void CScriptPrompts::Keep(const Step& step)
{
    std::lock_guard lock(m_mutex);
    (step.verb == Verb::Answer ? m_answer : m_file) = step;
}

std::optional<Step> CScriptPrompts::Take(Verb verb, std::optional<Step>& kept)
{
    std::optional<Step> step;
    {
        std::lock_guard lock(m_mutex);
        step.swap(kept);
    }
    if (!step)
        step = m_takeNext(verb);
    return step;
}

int CScriptPrompts::Show(IWindowOwner*, const std::string& text, const std::string& caption, unsigned type)
{
    const std::vector<int> offered = Offered(type);
    int answer = offered.front();
    const std::optional<Step> step = Take(Verb::Answer, m_answer);
    if (step) {
        const int wanted = IdOf(step->word);
        if (std::find(offered.begin(), offered.end(), wanted) != offered.end())
            answer = wanted;
        else
            m_fail(step->line, "the box has no " + step->word + " button");
    }
    m_transcript.Event("box " + std::string(IconOf(type)) + " " + Quote(caption) + " " + Quote(text) + " -> " +
                       WordOf(answer));
    return answer;
}

std::optional<std::string> CScriptPrompts::Ask(IWindowOwner*, const FileDialogRequest& request)
{
    const std::optional<Step> step = Take(Verb::File, m_file);
    const std::string head = std::string("file ") + (request.open ? "open " : "save ") + Quote(request.initialName);
    if (!step || step->word == "cancel") {
        m_transcript.Event(head + " -> cancel");
        return std::nullopt;
    }
    m_transcript.Event(head + " -> " + Quote(step->text));
    const std::filesystem::path path(step->text);
    return path.is_absolute() ? path.string() : (m_folder / path).string();
}

}  // namespace vk::scenario
