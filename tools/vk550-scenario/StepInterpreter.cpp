// What each step of a script does to the wizard, the units and the settings,
// and the expectations it checks: the same on every stack.
#include "StepInterpreter.h"
#include "UserActions.h"

#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/settings/RegHelper.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "sim/unit/SimSystem.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace vk::scenario {

namespace {

bool SameKey(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Dword(uint32_t value)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", value);
    return hex;
}

}  // namespace

CStepInterpreter::CStepInterpreter(IScenarioStack& stack, CTranscript& transcript, std::filesystem::path filesFolder)
    : m_stack(stack),
      m_transcript(transcript),
      m_prompts(
          transcript, [this](Verb verb) { return TakeNext(verb); },
          [this](int line, const std::string& what) { Fail(line, what); }, std::move(filesFolder))
{
}

CStepInterpreter::~CStepInterpreter() { Unwatch(); }

void CStepInterpreter::Watch(const std::shared_ptr<CSimUnit>& unit, int number)
{
    const std::string n = std::to_string(number);
    // Called under the unit's lock, on whichever thread drives it: only the transcript is touched.
    unit->SetObserver([this, n](const SimUnitEvent& e) {
        switch (e.kind) {
        case SimUnitEvent::Kind::Received: m_transcript.Event(n + "> " + HexBytes(e.bytes)); break;
        case SimUnitEvent::Kind::Answered: m_transcript.Event(n + "< " + HexBytes(e.bytes)); break;
        case SimUnitEvent::Kind::Reset: m_transcript.Event("unit " + n + " reset"); break;
        case SimUnitEvent::Kind::Returned: m_transcript.Event("unit " + n + " back " + Hex4(e.productId)); break;
        case SimUnitEvent::Kind::Left: m_transcript.Event("unit " + n + " unplugged"); break;
        }
    });
    m_watched.push_back(unit);
}

void CStepInterpreter::WatchSettings(CSettingsStore& store)
{
    m_store = &store;
    store.SetWriteObserver([this](const std::string& key, const std::string& name, const RegValue& value) {
        if (m_scriptWriting || !SameKey(key, kProgramKeyPath))
            return;
        m_transcript.Event("setting " + Quote(name) + " = " +
                           (value.type == RegValue::Type::Dword ? "dword " + Dword(value.number)
                                                                : "text " + Quote(value.text)));
    });
}

void CStepInterpreter::Unwatch()
{
    if (m_store)
        m_store->SetWriteObserver({});
    m_store = nullptr;
    for (const auto& unit : m_watched)
        unit->SetObserver({});
    m_watched.clear();
}

// --- the run ---------------------------------------------------------------------------

int CStepInterpreter::Run(const std::vector<Step>& steps, const std::function<void()>& runWizard,
                          std::optional<ScriptError>& error)
{
    m_steps = &steps;
    m_next = 0;
    while (HasNext()) {
        const Step& step = Next();
        if (step.verb == Verb::Start) {
            m_inWizard = true;
            m_wizardRan = true;
            runWizard();
            m_inWizard = false;
        } else if (!m_wizardRan) {
            Do(step);
        } else {
            DoAfterWizard(step);
        }
    }
    error = m_error;
    if (m_error)
        return kRunScriptError;
    ReportUnknownCommands();
    return ExitCode();
}

int CStepInterpreter::ExitCode() const
{
    if (m_error)
        return kRunScriptError;
    return m_failed ? kRunFailed : kRunOk;
}

// A command the unit does not know means the wizard sent something no unit
// understands: every such command fails the run.
void CStepInterpreter::ReportUnknownCommands()
{
    m_transcript.Unmute();
    for (int n = 1; n <= m_stack.UnitCount(); ++n) {
        for (const SimLoggedCommand& command : m_stack.Unit(n)->UnknownCommands()) {
            m_transcript.Event("unknown command " + std::to_string(n) + "> " + HexBytes(command.bytes));
            m_failed = true;
        }
    }
}

void CStepInterpreter::Stall()
{
    Poll();
    m_transcript.Event("stalled");
    m_failed = true;
    Stop();
}

void CStepInterpreter::Stop()
{
    m_stopped = true;
    m_stack.Stop();
}

void CStepInterpreter::Fail(int line, const std::string& what)
{
    m_failed = true;
    m_transcript.Event("expect failed " + std::to_string(line) + ": " + what);
}

void CStepInterpreter::ScriptFault(int line, const std::string& reason)
{
    if (!m_error)
        m_error = ScriptError{line, reason};
    Stop();
}

std::optional<Step> CStepInterpreter::TakeNext(Verb verb)
{
    if (!m_stack.OnWindowThread() || !HasNext())
        return std::nullopt;
    const Step& next = (*m_steps)[m_next];
    if (next.verb != verb)
        return std::nullopt;
    ++m_next;
    return next;
}

CQuorvelVK550ConfigDlg* CStepInterpreter::Wizard() const
{
    return dynamic_cast<CQuorvelVK550ConfigDlg*>(CDialog::MainWindow());
}

void CStepInterpreter::Poll()
{
    if (!m_stack.OnWindowThread())
        return;
    CQuorvelVK550ConfigDlg* wizard = Wizard();
    if (!wizard || !wizard->HasWindow())
        return;
    // Before the first page set-up the wizard shows no page at all.
    if (PageNumber(wizard->View().CurrentPage()) != m_lastPage && !wizard->GetDlgItemText(IDC_TITLE).empty()) {
        m_lastPage = PageNumber(wizard->View().CurrentPage());
        m_transcript.Event("page " + std::to_string(m_lastPage));
    }
    CDialog* active = m_stack.ActiveModal();
    int channel = 0;
    if (active && &active->Template() == &kInputsTemplate) {
        // The title names the selected channel: "... Input N Setup".
        const std::string title = active->GetDlgItemText(IDC_TITLE);
        const size_t at = title.find("Input ");
        if (at != std::string::npos && at + 6 < title.size() && title[at + 6] >= '1' && title[at + 6] <= '4')
            channel = title[at + 6] - '0';
    }
    if (channel != m_lastChannel) {
        m_lastChannel = channel;
        if (channel != 0)
            m_transcript.Event("inputs channel " + std::to_string(channel));
    }
}

// --- the steps -------------------------------------------------------------------------

void CStepInterpreter::Do(const Step& step)
{
    switch (step.verb) {
    case Verb::Setting: WriteSetting(step); return;
    case Verb::Start: return;  // the run itself starts the wizard
    case Verb::Answer:
    case Verb::File: m_prompts.Keep(step); return;
    case Verb::Wait: m_stack.Wait(static_cast<uint64_t>(step.numbers[0])); return;
    case Verb::Unplug:
    case Verb::Plug:
    case Verb::Replug:
    case Verb::PowerCycle:
    case Verb::Fault:
    case Verb::Mic: UnitAction(step); return;
    case Verb::Expect: Expect(step); return;
    case Verb::End: Stop(); return;
    case Verb::Click:
    case Verb::Slider:
    case Verb::Panel:
    case Verb::Escape:
    case Verb::Close:
    case Verb::Post:
    case Verb::Command:
    case Verb::Menu: UserAction(step); return;
    }
}

// Once the wizard has ended only the settings it left can be looked at.
void CStepInterpreter::DoAfterWizard(const Step& step)
{
    if (step.verb == Verb::End || (step.verb == Verb::Expect && step.word == "setting"))
        Do(step);
    else
        ScriptFault(step.line, "the wizard has ended");
}

// The script's own values are the bench, not what the program writes.
void CStepInterpreter::WriteSetting(const Step& step)
{
    m_scriptWriting = true;
    CRegHelper reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    bool ok = reg.CreateKey(kProgramKey);
    if (ok && step.word == "dword")
        reg.WriteDword(step.name, static_cast<uint32_t>(step.numbers[0]));
    else if (ok)
        ok = reg.WriteString(step.name, step.text);
    m_scriptWriting = false;
    if (!ok)
        ScriptFault(step.line, "the settings cannot be written");
}

void CStepInterpreter::UserAction(const Step& step)
{
    CDialog* dlg = m_stack.ActiveModal();
    CQuorvelVK550ConfigDlg* wizard = Wizard();
    if (!dlg || !wizard) {
        ScriptFault(step.line, "no wizard window");
        return;
    }
    DoUserAction(step, *dlg, *wizard, m_transcript);
}

void CStepInterpreter::UnitAction(const Step& step)
{
    if (step.verb == Verb::Plug) {
        const auto kinds = SimulatedUnitKinds(step.word);
        m_transcript.Event("unit " + std::to_string(m_stack.UnitCount() + 1) + " plugged");
        (void)m_stack.Plug(kinds->front());
        return;
    }
    if (step.verb == Verb::Mic) {
        MicSignal signal;
        if (step.word == "sine")
            signal = MicSignal{true, static_cast<unsigned>(step.numbers[0]), static_cast<int>(step.numbers[1])};
        m_stack.SetMicrophones(signal);
        return;
    }
    const std::shared_ptr<CSimUnit> unit = m_stack.Unit(step.unit);
    if (!unit) {
        ScriptFault(step.line, "no unit " + std::to_string(step.unit));
        return;
    }
    const std::string n = std::to_string(step.unit);
    switch (step.verb) {
    case Verb::Unplug:
        m_transcript.Event("unit " + n + " unplugged");
        m_stack.Unplug(step.unit);
        return;
    case Verb::Replug:
        m_transcript.Event("unit " + n + " plugged");
        m_stack.Replug(step.unit);
        return;
    case Verb::PowerCycle:
        // Off the bus, the memory loses what was not stored, on the bus again.
        m_transcript.Event("unit " + n + " power-cycled");
        m_stack.Unplug(step.unit);
        unit->PowerCycle();
        m_stack.Replug(step.unit);
        return;
    case Verb::Fault: Fault(*unit, step); return;
    default: return;
    }
}

void CStepInterpreter::Fault(CSimUnit& unit, const Step& step)
{
    if (step.transactionFault) {
        unit.FailTransaction(step.transactionFault);
        return;
    }
    SimFaults faults = unit.Faults();
    SimResetTiming timing = unit.ResetTiming();
    const std::string& w = step.word;
    const uint32_t value = step.numbers.empty() ? 0 : static_cast<uint32_t>(step.numbers[0]);
    if (w == "silent")
        faults.silent = true;
    else if (w == "delay")
        faults.answerDelayMs = value;
    else if (w == "lose")
        faults.loseAnswers = value;
    else if (w == "ffff")
        faults.answerFFFF = true;
    else if (w == "error")
        faults.errorNumber = static_cast<uint8_t>(value);
    else if (w == "echo")
        faults.wrongEcho = true;
    else if (w == "only")
        faults.onlyFor = static_cast<uint16_t>(value);
    else if (w == "noreturn")
        timing.returnAfterMs.reset();
    else if (w == "nocard")
        timing.cardAfterMs.reset();
    else if (w == "clear") {
        unit.FailTransaction(std::nullopt);
        faults = SimFaults{};
        timing = SimResetTiming{};
    }
    unit.SetFaults(faults);
    unit.SetResetTiming(timing);
}

void CStepInterpreter::Expect(const Step& step)
{
    if (step.word == "setting") {
        ExpectSetting(step);
        return;
    }
    CQuorvelVK550ConfigDlg* wizard = Wizard();
    CDialog* dlg = m_stack.ActiveModal();
    if (!wizard || !dlg) {
        ScriptFault(step.line, "no wizard window");
        return;
    }
    const int n = static_cast<int>(step.numbers[0]);
    if (step.word == "page") {
        if (PageNumber(wizard->View().CurrentPage()) != n)
            Fail(step.line, "page is " + std::to_string(PageNumber(wizard->View().CurrentPage())) + ", not " + std::to_string(n));
        return;
    }
    const CControl* ctrl = dlg->FindControl(n);
    if (!ctrl) {
        Fail(step.line, "no control " + std::to_string(n));
        return;
    }
    const std::string id = std::to_string(n);
    const std::string& w = step.word;
    if (w == "text") {
        if (ctrl->GetWindowText() != step.text)
            Fail(step.line, "text of " + id + " is " + Quote(ctrl->GetWindowText()));
        return;
    }
    struct State {
        const char* word;
        bool holds;
        const char* otherwise;
    };
    const State states[] = {
        {"shown", ctrl->IsWindowVisible(), "hidden"},
        {"hidden", !ctrl->IsWindowVisible(), "shown"},
        {"enabled", ctrl->IsWindowEnabled(), "disabled"},
        {"disabled", !ctrl->IsWindowEnabled(), "enabled"},
        {"checked", ctrl->GetCheck() == BST_CHECKED, "unchecked"},
        {"unchecked", ctrl->GetCheck() != BST_CHECKED, "checked"},
    };
    for (const State& s : states)
        if (w == s.word && !s.holds)
            Fail(step.line, id + " is " + s.otherwise);
}

void CStepInterpreter::ExpectSetting(const Step& step)
{
    const auto value = m_stack.Settings().Query(kProgramKeyPath, step.name);
    const auto wanted = static_cast<uint32_t>(step.numbers[0]);
    if (!value)
        Fail(step.line, "no setting " + Quote(step.name));
    else if (value->type != RegValue::Type::Dword)
        Fail(step.line, "setting " + Quote(step.name) + " is text " + Quote(value->text));
    else if (value->number != wanted)
        Fail(step.line, "setting " + Quote(step.name) + " is dword " + Dword(value->number));
}

}  // namespace vk::scenario
