#include "platform/ipc/ViewerRecord.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace vk {
namespace {

constexpr size_t kKindOffset = 0;
constexpr size_t kTimeOffset = 4;
constexpr size_t kProgramOffset = 20;
constexpr size_t kTextOffset = 80;
constexpr size_t kBytesOffset = 180;

void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Copies at most field-1 characters and always leaves a terminating NUL.
void PutText(uint8_t* field, size_t fieldSize, const std::string& text)
{
    const size_t n = std::min(text.size(), fieldSize - 1);
    std::memcpy(field, text.data(), n);
}

std::string GetText(const uint8_t* field, size_t fieldSize)
{
    const auto* end = std::find(field, field + fieldSize, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(field), static_cast<size_t>(end - field));
}

}  // namespace

ViewerRecordBytes EncodeViewerRecord(const ViewerRecord& record)
{
    ViewerRecordBytes out{};
    const auto kind = static_cast<uint32_t>(record.kind);
    for (int i = 0; i < 4; ++i)
        out[kKindOffset + static_cast<size_t>(i)] = static_cast<uint8_t>(kind >> (8 * i));
    const LocalTime& t = record.time;
    const uint16_t fields[8] = {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
    for (size_t i = 0; i < 8; ++i)
        PutU16(&out[kTimeOffset + 2 * i], fields[i]);
    PutText(&out[kProgramOffset], kViewerProgramField, record.program);
    PutText(&out[kTextOffset], kViewerTextField, record.text);
    std::copy(record.bytes.begin(), record.bytes.end(), out.begin() + kBytesOffset);
    return out;
}

std::optional<ViewerRecord> DecodeViewerRecord(std::span<const uint8_t> data)
{
    if (data.size() != kViewerRecordSize)
        return std::nullopt;
    ViewerRecord r;
    uint32_t kind = 0;
    for (int i = 0; i < 4; ++i)
        kind |= static_cast<uint32_t>(data[kKindOffset + static_cast<size_t>(i)]) << (8 * i);
    r.kind = static_cast<int32_t>(kind);
    const uint8_t* t = &data[kTimeOffset];
    r.time = {GetU16(t), GetU16(t + 2), GetU16(t + 4), GetU16(t + 6), GetU16(t + 8), GetU16(t + 10), GetU16(t + 12), GetU16(t + 14)};
    r.program = GetText(&data[kProgramOffset], kViewerProgramField);
    r.text = GetText(&data[kTextOffset], kViewerTextField);
    std::copy_n(data.begin() + kBytesOffset, r.bytes.size(), r.bytes.begin());
    return r;
}

std::string ProgramNameFromPath(std::string_view path)
{
    const size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::string(name);
}

std::string CurrentProgramName()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return ProgramNameFromPath(std::string_view(buf, static_cast<size_t>(n)));
}

}  // namespace vk
