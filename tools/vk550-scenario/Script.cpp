#include "Script.h"

#include "ScriptTokens.h"
#include "sim/unit/SimSystem.h"

#include <array>
#include <cstdint>

namespace vk::scenario {

namespace {

struct VerbName {
    std::string_view name;
    Verb verb;
    bool needsWizard;  // acts on the running wizard: only after start
};

constexpr std::array<VerbName, 21> kVerbs{{
    {"setting", Verb::Setting, false}, {"start", Verb::Start, false},   {"click", Verb::Click, true},
    {"slider", Verb::Slider, true},    {"panel", Verb::Panel, true},    {"escape", Verb::Escape, true},
    {"close", Verb::Close, true},      {"answer", Verb::Answer, false}, {"file", Verb::File, false},
    {"wait", Verb::Wait, false},       {"post", Verb::Post, true},      {"command", Verb::Command, true},
    {"unplug", Verb::Unplug, false},   {"plug", Verb::Plug, false},     {"replug", Verb::Replug, false},
    {"fault", Verb::Fault, false},     {"mic", Verb::Mic, false},       {"expect", Verb::Expect, false},
    {"menu", Verb::Menu, true},        {"end", Verb::End, true},
    {"power-cycle", Verb::PowerCycle, false},
}};

// Reads the words after the verb, one by one; every read states what it wanted.
class CLineReader {
public:
    CLineReader(const std::vector<Token>& tokens, std::string& reason) : m_tokens(tokens), m_reason(reason) {}

    [[nodiscard]] bool AtEnd() const { return m_next >= m_tokens.size(); }
    [[nodiscard]] const Token* Peek() const { return AtEnd() ? nullptr : &m_tokens[m_next]; }

    bool Number(const char* what, int64_t min, int64_t max, int64_t& value)
    {
        if (AtEnd())
            return Fail(std::string("missing ") + what);
        const Token& t = m_tokens[m_next++];
        const auto n = ParseNumber(t);
        if (!n)
            return Fail("bad number for " + std::string(what) + ": " + Shown(t.text));
        if (*n < min || *n > max)
            return Fail(std::string(what) + " out of range: " + Shown(t.text));
        value = *n;
        return true;
    }
    bool Number(const char* what, int64_t min, int64_t max, std::vector<int64_t>& values)
    {
        int64_t v = 0;
        if (!Number(what, min, max, v))
            return false;
        values.push_back(v);
        return true;
    }
    bool Text(const char* what, std::string& value)
    {
        if (AtEnd())
            return Fail(std::string("missing ") + what);
        const Token& t = m_tokens[m_next++];
        if (!t.quoted)
            return Fail(std::string(what) + " must be in double quotes");
        value = t.text;
        return true;
    }
    bool Word(const char* what, std::string& value)
    {
        if (AtEnd())
            return Fail(std::string("missing ") + what);
        const Token& t = m_tokens[m_next++];
        if (t.quoted)
            return Fail(std::string(what) + " must not be quoted");
        value = t.text;
        return true;
    }
    bool Finish()
    {
        if (!AtEnd())
            return Fail("unexpected " + Shown(m_tokens[m_next].text));
        return true;
    }
    bool Fail(std::string reason)
    {
        m_reason = std::move(reason);
        return false;
    }

private:
    const std::vector<Token>& m_tokens;
    std::string& m_reason;
    size_t m_next = 1;
};

constexpr int64_t kMaxId = 0xFFFF;
constexpr int64_t kMaxWait = 24LL * 3600 * 1000;

class CParser {
public:
    explicit CParser(int initialUnits) : m_units(initialUnits) {}

    bool Line(const std::vector<Token>& tokens, Step& step, std::string& reason)
    {
        const VerbName* verb = nullptr;
        for (const auto& v : kVerbs)
            if (!tokens[0].quoted && tokens[0].text == v.name)
                verb = &v;
        if (!verb)
            return Fail(reason, "unknown verb " + Shown(tokens[0].text));
        if (m_ended)
            return Fail(reason, "a step after end");  // it would never run
        if (verb->needsWizard && !m_started)
            return Fail(reason, std::string(verb->name) + " before start");
        step.verb = verb->verb;
        CLineReader r(tokens, reason);
        switch (step.verb) {
        case Verb::Setting: return Setting(r, step);
        case Verb::Start:
            if (m_started)
                return r.Fail("a second start");
            m_started = true;
            return r.Finish();
        case Verb::Click:
        case Verb::Command: return r.Number("control id", 0, kMaxId, step.numbers) && r.Finish();
        case Verb::Menu: return r.Number("menu entry id", 1, 0xFFFF, step.numbers) && r.Finish();
        case Verb::Slider:
            return r.Number("control id", 0, kMaxId, step.numbers) && r.Number("position", -32768, 32767, step.numbers) &&
                   r.Finish();
        case Verb::Panel: return r.Number("channel", 1, 4, step.numbers) && r.Finish();
        case Verb::End: m_ended = true; return r.Finish();
        case Verb::Escape:
        case Verb::Close: return r.Finish();
        case Verb::Answer:
            if (!r.Word("answer", step.word))
                return false;
            if (step.word != "yes" && step.word != "no" && step.word != "ok" && step.word != "cancel")
                return r.Fail("answer must be yes, no, ok or cancel: " + Shown(step.word));
            return r.Finish();
        case Verb::File:
            if (r.Peek() && !r.Peek()->quoted) {
                if (!r.Word("path or cancel", step.word) || step.word != "cancel")
                    return r.Fail("file takes a quoted path or cancel");
                return r.Finish();
            }
            return r.Text("path", step.text) && r.Finish();
        case Verb::Wait: return r.Number("milliseconds", 0, kMaxWait, step.numbers) && r.Finish();
        case Verb::Post:
            return r.Number("message", 0, UINT32_MAX, step.numbers) &&
                   r.Number("wParam", INT64_MIN + 1, INT64_MAX, step.numbers) &&
                   r.Number("lParam", INT64_MIN + 1, INT64_MAX, step.numbers) && r.Finish();
        case Verb::Unplug:
        case Verb::Replug:
        case Verb::PowerCycle: return Unit(r, step, true) && r.Finish();
        case Verb::Plug:
            if (!r.Word("kind", step.word))
                return false;
            if (!IsSingleUnitKind(step.word))
                return r.Fail("unknown kind of unit: " + Shown(step.word));
            ++m_units;
            return r.Finish();
        case Verb::Fault: return Unit(r, step, false) && Fault(r, step);
        case Verb::Mic: return Mic(r, step);
        case Verb::Expect: return Expect(r, step);
        }
        return r.Fail("unknown verb");
    }

private:
    static bool Fail(std::string& reason, std::string text)
    {
        reason = std::move(text);
        return false;
    }

    bool Setting(CLineReader& r, Step& step)
    {
        if (m_started)
            return r.Fail("setting after start");
        if (!r.Text("setting name", step.name) || !r.Word("dword or text", step.word))
            return false;
        if (step.word == "dword")
            return r.Number("value", INT32_MIN, UINT32_MAX, step.numbers) && r.Finish();
        if (step.word == "text")
            return r.Text("value", step.text) && r.Finish();
        return r.Fail("setting takes dword or text: " + Shown(step.word));
    }

    // An optional unit number first (1 when left out). For unplug, replug and power-cycle it is
    // the last word; for fault a word follows it.
    bool Unit(CLineReader& r, Step& step, bool last)
    {
        const Token* t = r.Peek();
        if (!t || (!last && !ParseNumber(*t)))
            return true;
        int64_t n = 0;
        if (!r.Number("unit", 1, INT32_MAX, n))
            return false;
        if (n > m_units)
            return r.Fail("no unit " + Shown(t->text));
        step.unit = static_cast<int>(n);
        return true;
    }

    static bool Fault(CLineReader& r, Step& step)
    {
        if (!r.Word("fault", step.word))
            return false;
        const std::string& w = step.word;
        if (w == "delay")
            return r.Number("milliseconds", 0, UINT32_MAX, step.numbers) && r.Finish();
        if (w == "lose")
            return r.Number("count", 0, UINT32_MAX, step.numbers) && r.Finish();
        if (w == "error")
            return r.Number("error code", 0, 0xFF, step.numbers) && r.Finish();
        if (w == "only")
            return r.Number("command code", 0, 0xFFFF, step.numbers) && r.Finish();
        if (w == "at")
            return TransactionFault(r, step);
        if (w == "silent" || w == "ffff" || w == "echo" || w == "clear" || w == "noreturn" || w == "nocard")
            return r.Finish();
        return r.Fail("unknown fault " + Shown(w));
    }

    // fault [N] at K [only|code CODE] silent|error CODE|echo|delay MS|unplug
    static bool TransactionFault(CLineReader& r, Step& step)
    {
        SimTransactionFault fault;
        int64_t n = 0;
        if (!r.Number("transaction", 1, UINT32_MAX, n))
            return false;
        fault.at = static_cast<uint32_t>(n);
        std::string kind;
        if (!r.Word("fault of the transaction", kind))
            return false;
        if (kind == "only" || kind == "code") {
            if (!r.Number("command code", 0, 0xFFFF, n) || !r.Word("fault of the transaction", kind))
                return false;
            fault.onlyFor = static_cast<uint16_t>(n);
        }
        using K = SimTransactionFault::Kind;
        if (kind == "silent" || kind == "echo" || kind == "unplug") {
            fault.kind = kind == "silent" ? K::Silent : kind == "echo" ? K::Echo : K::Unplug;
        } else if (kind == "error" || kind == "delay") {
            const bool error = kind == "error";
            fault.kind = error ? K::Error : K::Delay;
            if (!r.Number(error ? "error code" : "milliseconds", 0, error ? 0xFF : UINT32_MAX, n))
                return false;
            fault.value = static_cast<uint32_t>(n);
        } else {
            return r.Fail("unknown fault of a transaction " + kind);
        }
        step.transactionFault = fault;
        return r.Finish();
    }

    static bool Mic(CLineReader& r, Step& step)
    {
        if (!r.Word("signal", step.word))
            return false;
        if (step.word == "silence")
            return r.Finish();
        if (step.word == "sine")
            return r.Number("frequency", 1, 96000, step.numbers) && r.Number("peak", 0, 32767, step.numbers) &&
                   r.Finish();
        return r.Fail("mic takes silence or sine: " + Shown(step.word));
    }

    bool Expect(CLineReader& r, Step& step)
    {
        if (!r.Word("what to expect", step.word))
            return false;
        const std::string& w = step.word;
        if (w == "setting")
            return r.Text("setting name", step.name) && r.Word("dword", step.text) &&
                   (step.text == "dword" || r.Fail("expect setting takes dword")) &&
                   r.Number("value", INT32_MIN, UINT32_MAX, step.numbers) && r.Finish();
        if (!m_started)
            return r.Fail("expect " + Shown(w) + " before start");
        if (w == "page")
            return r.Number("page", 0, 255, step.numbers) && r.Finish();
        if (w == "text")
            return r.Number("control id", 0, kMaxId, step.numbers) && r.Text("text", step.text) && r.Finish();
        if (w == "shown" || w == "hidden" || w == "enabled" || w == "disabled" || w == "checked" || w == "unchecked")
            return r.Number("control id", 0, kMaxId, step.numbers) && r.Finish();
        return r.Fail("unknown expectation " + Shown(w));
    }

    int m_units;
    bool m_started = false;
    bool m_ended = false;
};

}  // namespace

bool IsSingleUnitKind(std::string_view kind)
{
    const auto kinds = SimulatedUnitKinds(kind);
    return kinds && kinds->size() == 1;
}

ParsedScript ParseScript(std::string_view text, int initialUnits)
{
    ParsedScript parsed;
    CParser parser(initialUnits);
    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        start = end + 1;
        ++lineNumber;
        std::vector<Token> tokens;
        std::string reason;
        if (!Tokenize(line, tokens, reason)) {
            parsed.steps.clear();
            parsed.error = ScriptError{lineNumber, reason};
            return parsed;
        }
        if (tokens.empty())
            continue;
        Step step;
        step.line = lineNumber;
        if (!parser.Line(tokens, step, reason)) {
            parsed.steps.clear();
            parsed.error = ScriptError{lineNumber, reason};
            return parsed;
        }
        parsed.steps.push_back(std::move(step));
    }
    // A script that does nothing is a mistake (an empty file, a wrong path piped in).
    if (parsed.steps.empty())
        parsed.error = ScriptError{0, "no steps"};
    return parsed;
}

}  // namespace vk::scenario
