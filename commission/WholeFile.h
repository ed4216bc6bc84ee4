#pragma once
// Configuration files and records are read and written whole, by the wizard and
// vk550ctl alike. Only regular files no larger than kWholeFileLimit are read: a
// FIFO, a device or a folder is refused with its reason before anything waits on
// it. A file is written beside its place and renamed over it, so a failed save
// leaves an old file as it was; a symbolic link is written through to the file
// it names and stays a link. Every refusal says why, in English.

#include <cstddef>
#include <optional>
#include <string>

namespace vk::commission {

inline constexpr size_t kWholeFileLimit = size_t{1} << 20;

struct WholeFileText {
    std::optional<std::string> text;
    std::string why;  // when there is no text: "No such file or directory", "not a regular file (a FIFO)", ...
    explicit operator bool() const { return text.has_value(); }
    const std::string& operator*() const { return *text; }
};

struct WholeFileWritten {
    std::string why;  // empty when the file was written
    explicit operator bool() const { return why.empty(); }
};

[[nodiscard]] WholeFileText ReadWholeFile(const std::string& path);
// An open descriptor (standard input) read to its end, within the same limit.
[[nodiscard]] WholeFileText ReadWholeStream(int fd);
[[nodiscard]] WholeFileWritten WriteWholeFile(const std::string& path, const std::string& text);

}  // namespace vk::commission
