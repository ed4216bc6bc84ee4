// What each step of a script does on the real stack: the user's actions go to
// the wizard's windows as on the simulated stack; the units' actions go through
// the bed (hidraw devices, udev events, sound cards).
#include "RealStackRunner.h"
#include "UserActions.h"

#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/settings/RegHelper.h"
#include "sim/unit/SimSystem.h"
#include "tools/vk550-scenario/realstack/RealStackBed.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace vk::scenario {

void CRealStackRunner::Do(const Step& step)
{
    switch (step.verb) {
    case Verb::Setting: {
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
        return;
    }
    case Verb::Start: return;
    case Verb::Answer:
    case Verb::File: m_prompts->Keep(step); return;
    case Verb::Wait:
        // Before the wizard runs only the bed moves: real time passes here.
        std::this_thread::sleep_for(std::chrono::milliseconds(step.numbers[0]));
        return;
    case Verb::Unplug:
    case Verb::Plug:
    case Verb::Replug:
    case Verb::Fault:
    case Verb::Mic: UnitAction(step); return;
    case Verb::Expect: Expect(step); return;
    case Verb::End:
        if (m_inWizard)
            Finish();
        m_next = m_steps->size();
        return;
    case Verb::Click:
    case Verb::Slider:
    case Verb::Panel:
    case Verb::Escape:
    case Verb::Close:
    case Verb::Post:
    case Verb::Command: UserAction(step); return;
    }
}

void CRealStackRunner::DoAfterWizard(const Step& step)
{
    if (step.verb == Verb::End || (step.verb == Verb::Expect && step.word == "setting"))
        Do(step);
    else
        ScriptFault(step.line, "the wizard has ended");
}

void CRealStackRunner::UserAction(const Step& step)
{
    CDialog* dlg = m_host->ActiveModal();
    CQuorvelVK550ConfigDlg* wizard = Wizard();
    if (!dlg || !wizard) {
        ScriptFault(step.line, "no wizard window");
        return;
    }
    DoUserAction(step, *dlg, *wizard, m_transcript);
}

void CRealStackRunner::UnitAction(const Step& step)
{
    if (step.verb == Verb::Plug) {
        const auto kinds = SimulatedUnitKinds(step.word);
        m_transcript.Event("unit " + std::to_string(m_units + 1) + " plugged");
        AddUnit(kinds->front(), false);
        return;
    }
    if (step.verb == Verb::Mic) {
        // A card's microphone hears its speaker: the tone is played into it.
        std::optional<test::CPrivateSoundServer::Tone> tone;
        if (step.word == "sine")
            tone = test::CPrivateSoundServer::Tone{static_cast<unsigned>(step.numbers[0]),
                                                   static_cast<int>(step.numbers[1])};
        m_bed->SetTone(tone);
        return;
    }
    const auto unit = m_bed->Unit(step.unit);
    if (!unit) {
        ScriptFault(step.line, "no unit " + std::to_string(step.unit));
        return;
    }
    const std::string n = std::to_string(step.unit);
    switch (step.verb) {
    case Verb::Unplug:
        m_transcript.Event("unit " + n + " unplugged");
        m_bed->Unplug(step.unit);
        return;
    case Verb::Replug:
        m_transcript.Event("unit " + n + " plugged");
        m_bed->Replug(step.unit);
        return;
    case Verb::Fault: {
        if (step.transactionFault) {
            unit->FailTransaction(step.transactionFault);
            return;
        }
        SimFaults faults = unit->Faults();
        SimResetTiming timing = unit->ResetTiming();
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
            faults = SimFaults{};
            timing = SimResetTiming{};
        }
        unit->SetFaults(faults);
        unit->SetResetTiming(timing);
        return;
    }
    default: return;
    }
}

void CRealStackRunner::Expect(const Step& step)
{
    if (step.word == "setting") {
        ExpectSetting(step);
        return;
    }
    CQuorvelVK550ConfigDlg* wizard = Wizard();
    CDialog* dlg = m_host->ActiveModal();
    if (!wizard || !dlg) {
        ScriptFault(step.line, "no wizard window");
        return;
    }
    const int n = static_cast<int>(step.numbers[0]);
    if (step.word == "page") {
        if (wizard->m_nPage != n)
            Fail(step.line, "page is " + std::to_string(wizard->m_nPage) + ", not " + std::to_string(n));
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

void CRealStackRunner::ExpectSetting(const Step& step)
{
    const auto value = m_bed->Settings().Query(kProgramKeyPath, step.name);
    const auto wanted = static_cast<uint32_t>(step.numbers[0]);
    if (!value) {
        Fail(step.line, "no setting " + Quote(step.name));
    } else if (value->type != RegValue::Type::Dword) {
        Fail(step.line, "setting " + Quote(step.name) + " is text " + Quote(value->text));
    } else if (value->number != wanted) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", value->number);
        Fail(step.line, "setting " + Quote(step.name) + " is dword " + hex);
    }
}

}  // namespace vk::scenario
