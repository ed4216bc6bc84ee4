#pragma once
// A scenario script: one step per line, read whole before anything runs, so a
// script with a mistake anywhere is refused before it does anything.

#include "sim/unit/SimUnit.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vk::scenario {

enum class Verb {
    Setting,  // word "dword" (number) or "text" (text); name
    Start,
    Click,    // numbers: id
    Slider,   // numbers: id, pos
    Panel,    // numbers: channel 1..4
    Escape,
    Close,
    Answer,   // word: yes, no, ok, cancel
    File,     // text: the path; word "cancel" instead
    Wait,     // numbers: ms
    Post,     // numbers: message, wParam, lParam
    Command,  // numbers: id
    Menu,     // numbers: the system menu entry's id
    Unplug,   // unit
    Plug,     // word: the kind
    Replug,   // unit
    PowerCycle,  // unit
    Fault,    // unit; word: silent, delay, lose, ffff, error, echo, only, clear, noreturn, nocard; numbers: its value;
              // word "at": the fault of one transaction in transactionFault
    Mic,      // word: silence, sine; numbers: hz, peak
    Expect,   // word: page, text, shown, hidden, enabled, disabled, checked, unchecked, setting
    End,
};

struct Step {
    int line = 0;
    Verb verb = Verb::End;
    std::string word;
    std::vector<int64_t> numbers;
    std::string name;  // a setting's name
    std::string text;  // a setting's or a control's text, a file path
    int unit = 1;      // 1 = the first unit of --units, plugged units numbered on
    std::optional<SimTransactionFault> transactionFault;  // fault [N] at K ...
};

struct ScriptError {
    int line = 0;
    std::string reason;
};

struct ParsedScript {
    std::vector<Step> steps;
    std::optional<ScriptError> error;  // the first mistake; then steps is empty
};

// initialUnits: how many units --units puts on the bus (unit numbers are checked).
[[nodiscard]] ParsedScript ParseScript(std::string_view text, int initialUnits);

// The kinds `plug` takes: one unit each.
[[nodiscard]] bool IsSingleUnitKind(std::string_view kind);

}  // namespace vk::scenario
