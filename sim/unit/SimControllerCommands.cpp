// The unit's two small controllers. The main PIC drives 32 output lines:
// 0xF010 sub-function 0x0B sets (byte 3 = 1) or clears (any other value) the lines
// in the mask of bytes 4..7; 0xF011 sub-function 0x0A reads them. Both PICs tell
// their software version on sub-function 0x19 (0xF011 main, 0xF021 interface):
// selector 4 answers major, minor and identifier, selector 1 major and minor;
// older controller firmware answers selector 4 with minor 0xFF.
#include "sim/unit/SimAnswers.h"
#include "sim/unit/SimUnitState.h"

namespace vk {
namespace {

constexpr uint8_t kReadLines = 0x0A;
constexpr uint8_t kSetLines = 0x0B;
constexpr uint8_t kVersion = 0x19;

uint32_t MaskOf(const SimBlock& command)
{
    return static_cast<uint32_t>(command[4]) << 24 | static_cast<uint32_t>(command[5]) << 16 |
           static_cast<uint32_t>(command[6]) << 8 | command[7];
}

SimBlock NotUnderstood(SimUnitState& state, const SimBlock& command)
{
    SimUnknownCommand(state);
    return SimPicErrorAnswer(command, sim_pic_error::kBadRequest);
}

SimBlock AnswerVersion(SimUnitState& state, const SimBlock& command, const SimPicVersion& pic)
{
    const uint8_t selector = command[3];
    if (selector != 1 && selector != 4)
        return NotUnderstood(state, command);
    SimBlock answer = SimAnswerFrame(command);
    answer[4] = pic.major;
    answer[5] = pic.minor;
    if (selector == 4) {
        if (pic.answersSelector4) {
            answer[7] = pic.identifier;
        } else {
            answer[4] = 0;
            answer[5] = 0xFF;
        }
    }
    return answer;
}

std::optional<SimBlock> SetLines(SimUnitState& state, const SimBlock& command)
{
    if (command[2] != kSetLines)
        return NotUnderstood(state, command);
    if (command[3] == 1)
        state.picLines |= MaskOf(command);
    else
        state.picLines &= ~MaskOf(command);
    return SimAnswerFrame(command);
}

std::optional<SimBlock> MainRequest(SimUnitState& state, const SimBlock& command)
{
    if (command[2] == kVersion)
        return AnswerVersion(state, command, state.mainPic);
    if (command[2] != kReadLines)
        return NotUnderstood(state, command);
    SimBlock answer = SimAnswerFrame(command);
    for (int i = 0; i < 4; ++i)
        answer[static_cast<size_t>(4 + i)] = static_cast<uint8_t>(state.picLines >> (24 - 8 * i));
    return answer;
}

std::optional<SimBlock> InterfaceRequest(SimUnitState& state, const SimBlock& command)
{
    if (command[2] != kVersion)
        return NotUnderstood(state, command);
    if (!state.hasInterfacePic)
        return SimPicErrorAnswer(command, sim_pic_error::kNoController);
    return AnswerVersion(state, command, state.interfacePic);
}

void AddControllerCommands(CSimCommandSet& set)
{
    set.OnLong(0x10, SetLines);
    set.OnLong(0x11, MainRequest);
    set.OnLong(0x21, InterfaceRequest);
}

const SimCommandRegistration registration(AddControllerCommands);

}  // namespace
}  // namespace vk
