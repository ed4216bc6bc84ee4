// The finished page's success text comes only after a store the unit answered
// whole: 0xB7FF answered with its own code (bit 0: something to store), then,
// when there was something to store, 0xB100 and 0xB102 each answered with its
// own code. An unanswered or rejected (0xFFFF) answer anywhere is no store.
#include "SweepInvariants.h"

#include <map>

namespace vk::faultsweep {

namespace {

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

class CStoreTracker {
public:
    void Command(const std::string& command)
    {
        if (StartsWith(command, "B7 FF"))
            m_state = State::Asked;
    }
    void Answer(const std::string& command, const std::string& answer)
    {
        const bool own = answer.substr(0, 5) == command.substr(0, 5);
        if (StartsWith(command, "B7 FF")) {
            if (!StartsWith(answer, "B7 ") || StartsWith(answer, "FF FF"))
                m_state = State::Failed;
            else
                m_state = (std::stoi(answer.substr(3, 2), nullptr, 16) & 1) != 0 ? State::First : State::Done;
        } else if (StartsWith(command, "B1 00") && m_state == State::First) {
            m_state = own ? State::Second : State::Failed;
        } else if (StartsWith(command, "B1 02") && m_state == State::Second) {
            m_state = own ? State::Done : State::Failed;
        }
    }
    void Reset() { m_state = State::None; }
    [[nodiscard]] bool Stored() const { return m_state == State::Done; }

private:
    enum class State { None, Asked, First, Second, Done, Failed };
    State m_state = State::None;
};

bool IsSuccessTitle(const std::string& titleLine) { return titleLine.find("ended succesfully.") != std::string::npos; }

}  // namespace

void CheckStore(const RunResult& run, std::vector<Violation>& out)
{
    CStoreTracker store;
    std::map<char, std::string> lastCommand;  // per unit
    bool told = false;       // the store-failure box came
    bool finished = false;   // "page 13" was the line before
    for (const std::string& line : run.transcript) {
        if (finished) {
            finished = false;
            // Without the page's title (the real stack) the page tells success
            // unless the store-failure box came.
            const bool success = StartsWith(line, "title ") ? IsSuccessTitle(line) : !told;
            if (success && !store.Stored())
                out.push_back({"success after a failed store", StartsWith(line, "title ") ? line : "page 13"});
        }
        if (line.size() > 3 && line[0] >= '1' && line[0] <= '9' && line[2] == ' ') {
            if (line[1] == '>') {
                lastCommand[line[0]] = line.substr(3);
                store.Command(line.substr(3));
            } else if (line[1] == '<') {
                store.Answer(lastCommand[line[0]], line.substr(3));
            }
        } else if (StartsWith(line, "box exclamation \"Dravena store failure\"")) {
            told = true;
        } else if (StartsWith(line, "page ")) {
            finished = line == "page 13";
            if (!finished) {
                store.Reset();
                told = false;
            }
        }
    }
    if (finished && !told && !store.Stored())
        out.push_back({"success after a failed store", "page 13"});
}

}  // namespace vk::faultsweep
