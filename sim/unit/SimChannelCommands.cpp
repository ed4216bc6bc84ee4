// Channel records and routes. 0xF000 writes a channel's mode and two items (item
// byte: identifier in bits 0..6, flag in bit 7; then the value); 0xF001 reads the
// mode and the two items named in bytes 4 and 6, in either order. Items other than
// 1 and 2 do not exist: writes to them are ignored, reads answer value 0. A
// channel number the unit does not have is rejected (error 0xFD in byte 7; byte 2
// keeps the channel). 0xF006 routes the source in byte 6 to the destination in byte 7.
#include "sim/unit/SimAnswers.h"
#include "sim/unit/SimUnitState.h"

#include <utility>

namespace vk {
namespace {

constexpr uint8_t kIdentifier = 0x7F;
constexpr uint8_t kFlag = 0x80;

void StoreItem(SimChannel& channel, uint8_t itemByte, uint8_t value)
{
    const int identifier = itemByte & kIdentifier;
    if (identifier != 1 && identifier != 2)
        return;
    const auto slot = static_cast<size_t>(identifier - 1);
    channel.values[slot] = value;
    channel.flags[slot] = (itemByte & kFlag) != 0;
}

std::pair<uint8_t, uint8_t> ItemPair(const SimChannel& channel, uint8_t itemByte)
{
    const auto identifier = static_cast<uint8_t>(itemByte & kIdentifier);
    if (identifier != 1 && identifier != 2)
        return {identifier, 0};
    const auto slot = static_cast<size_t>(identifier - 1);
    return {static_cast<uint8_t>(identifier | (channel.flags[slot] ? kFlag : 0)), channel.values[slot]};
}

std::optional<SimBlock> AnswerChannel(SimUnitState& state, const SimBlock& command)
{
    const int number = command[2];
    if (number < 1 || number > static_cast<int>(state.channels.size()))
        return SimErrorAnswer(command, sim_error::kUnknownIndex);
    SimChannel& channel = state.channels[static_cast<size_t>(number - 1)];
    SimBlock answer = SimAnswerFrame(command);  // the channel in byte 2
    if (command[1] == 0x00) {
        channel.mode = command[3];
        StoreItem(channel, command[4], command[5]);
        StoreItem(channel, command[6], command[7]);
        return answer;
    }
    auto first = ItemPair(channel, command[4]);
    auto second = ItemPair(channel, command[6]);
    if (state.answerSecondItemFirst)
        std::swap(first, second);
    answer[3] = channel.mode;
    answer[4] = first.first;
    answer[5] = first.second;
    answer[6] = second.first;
    answer[7] = second.second;
    return answer;
}

std::optional<SimBlock> AnswerRoute(SimUnitState& state, const SimBlock& command)
{
    state.routes.emplace_back(command[6], command[7]);
    return SimAnswerFrame(command);  // source and destination in bytes 6 and 7
}

void AddChannelCommands(CSimCommandSet& set)
{
    set.OnLong(0x00, AnswerChannel);
    set.OnLong(0x01, AnswerChannel);
    set.OnLong(0x06, AnswerRoute);
}

const SimCommandRegistration registration(AddChannelCommands);

}  // namespace
}  // namespace vk
