#include "commission/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include "audio/StrFormat.h"

namespace vk::commission {
namespace {

namespace fs = std::filesystem;

// Symbolic links followed before the path counts as a loop, as the kernel counts them.
constexpr int kMaxLinkHops = 40;

std::string NotRegularWhy(mode_t mode)
{
    const char* kind = S_ISDIR(mode)    ? "a folder"
                       : S_ISFIFO(mode) ? "a FIFO"
                       : S_ISCHR(mode)  ? "a character device"
                       : S_ISBLK(mode)  ? "a block device"
                       : S_ISSOCK(mode) ? "a socket"
                                        : "of an unknown kind";
    return std::string("not a regular file (") + kind + ")";
}

std::string TooLargeWhy() { return "larger than " + std::to_string(kWholeFileLimit >> 20) + " MiB"; }

class CDescriptor {
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    ~CDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    [[nodiscard]] int Get() const { return m_fd; }
    // Closing reports a late write error; the descriptor is gone either way.
    [[nodiscard]] int Close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// Reads to the end, one byte past the limit at most: a file that grows while it
// is read, or a stream without end, stops there.
WholeFileText ReadToEnd(int fd)
{
    std::string text;
    char buffer[16384];
    while (text.size() <= kWholeFileLimit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {std::nullopt, ErrorText(errno)};
        if (n == 0)
            return {std::move(text), {}};
        text.append(buffer, static_cast<size_t>(n));
    }
    return {std::nullopt, TooLargeWhy()};
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The file a path stands for once its symbolic links are followed: the place
// where the new text goes. The path itself when nothing is there yet.
std::optional<fs::path> FollowLinks(const fs::path& path, std::string& why)
{
    fs::path at = path;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return at;
            why = ErrorText(errno);
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode))
            return at;
        std::error_code error;
        const fs::path target = fs::read_symlink(at, error);
        if (error) {
            why = ErrorText(error.value());
            return std::nullopt;
        }
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    why = ErrorText(ELOOP);
    return std::nullopt;
}

// A name beside the file that no other writer (thread or process) picks.
fs::path TemporaryBeside(const fs::path& file)
{
    static std::atomic<unsigned> counter{0};
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    return folder / ("." + file.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                     std::to_string(counter.fetch_add(1)));
}

}  // namespace

WholeFileText ReadWholeFile(const std::string& path)
{
    // Asked before opening: opening a device may already do something.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {std::nullopt, ErrorText(errno)};
    if (!S_ISREG(st.st_mode))
        return {std::nullopt, NotRegularWhy(st.st_mode)};
    // Not blocking: whatever was swapped in since is looked at before it is waited on.
    CDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0)
        return {std::nullopt, ErrorText(errno)};
    if (::fstat(fd.Get(), &st) != 0)
        return {std::nullopt, ErrorText(errno)};
    if (!S_ISREG(st.st_mode))
        return {std::nullopt, NotRegularWhy(st.st_mode)};
    if (static_cast<unsigned long long>(st.st_size) > kWholeFileLimit)
        return {std::nullopt, TooLargeWhy()};
    return ReadToEnd(fd.Get());
}

WholeFileText ReadWholeStream(int fd) { return ReadToEnd(fd); }

WholeFileWritten WriteWholeFile(const std::string& path, const std::string& text)
{
    // What the path ends at, links and all (/dev/stdout leads to a pipe or a terminal).
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return {ErrorText(errno)};
    if (exists && !S_ISREG(st.st_mode))
        return {NotRegularWhy(st.st_mode)};
    std::string why;
    const auto file = FollowLinks(path, why);
    if (!file)
        return {why};

    const fs::path temporary = TemporaryBeside(*file);
    // A new file gets the usual mode less the umask; an old one keeps its own.
    CDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.Get() < 0)
        return {ErrorText(errno)};
    const auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        return WholeFileWritten{ErrorText(error)};
    };
    if (!WriteAll(fd.Get(), text) || ::fsync(fd.Get()) != 0)
        return fail(errno);
    if (exists && ::fchmod(fd.Get(), st.st_mode & 07777) != 0)
        return fail(errno);
    if (fd.Close() != 0)
        return fail(errno);
    if (::rename(temporary.c_str(), file->c_str()) != 0)
        return fail(errno);
    return {};
}

}  // namespace vk::commission
