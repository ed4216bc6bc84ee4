#include "audio/BufferedFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vk {

namespace {

ssize_t ReadFully(int fd, uint8_t* data, size_t len)
{
    size_t done = 0;
    while (done < len) {
        const ssize_t n = ::read(fd, data + done, len - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool WriteFully(int fd, const uint8_t* data, size_t len)
{
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;  // a regular file that takes nothing
        if (n <= 0)
            return false;
        data += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int CBufferedFile::OpenRegular(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool CBufferedFile::OpenRead(const std::string& path)
{
    Close();
    // Never blocks on opening (a FIFO without a writer would wait forever), and
    // only a regular file can be read: a WAV file is read with seeks.
    m_fd = OpenRegular(path, O_RDONLY);
    if (m_fd < 0)
        return false;
    // A shared lock: a file being read cannot be replaced by our writer, whose
    // exclusive lock then fails. A file system without locks reads as before.
    if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_writing = false;
    m_buffer.reset(new uint8_t[kBufferSize]);
    m_fill = m_next = 0;
    m_pos = 0;
    return true;
}

bool CBufferedFile::Create(const std::string& path)
{
    Close();
    m_error = 0;
    const int fd = OpenRegular(path, O_WRONLY | O_CREAT);
    if (fd < 0)
        return false;
    // Lock before truncating, so a file being written by somebody else is left alone.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_writing = true;
    m_buffer.reset(new uint8_t[kBufferSize]);
    m_fill = m_next = 0;
    m_pos = 0;
    return true;
}

size_t CBufferedFile::Read(void* data, size_t len)
{
    if (m_fd < 0 || m_writing)
        return 0;
    auto* out = static_cast<uint8_t*>(data);
    size_t done = 0;
    while (done < len) {
        if (m_next < m_fill) {
            const size_t n = std::min(len - done, m_fill - m_next);
            std::memcpy(out + done, m_buffer.get() + m_next, n);
            m_next += n;
            done += n;
            continue;
        }
        if (len - done >= kBufferSize) {
            // Large requests go straight to the caller's memory.
            const ssize_t n = ReadFully(m_fd, out + done, len - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            m_fill = m_next = 0;  // the buffer no longer mirrors the file here
            break;
        }
        const ssize_t n = ReadFully(m_fd, m_buffer.get(), kBufferSize);
        if (n <= 0)
            break;
        m_fill = static_cast<size_t>(n);
        m_next = 0;
    }
    m_pos += done;
    return done;
}

bool CBufferedFile::Write(const void* data, size_t len)
{
    if (m_fd < 0 || !m_writing)
        return false;
    if (len == 0)
        return true;
    const auto* in = static_cast<const uint8_t*>(data);
    if (m_fill + len > kBufferSize && !Flush())
        return false;
    if (len >= kBufferSize) {
        if (!WriteFully(m_fd, in, len))
            return Failed();
    } else {
        std::memcpy(m_buffer.get() + m_fill, in, len);
        m_fill += len;
    }
    m_pos += len;
    return true;
}

bool CBufferedFile::Flush()
{
    if (m_fd < 0 || !m_writing || m_fill == 0)
        return m_fd >= 0;
    const bool ok = WriteFully(m_fd, m_buffer.get(), m_fill) || Failed();
    m_fill = 0;
    return ok;
}

bool CBufferedFile::Failed()
{
    if (m_error == 0)
        m_error = errno != 0 ? errno : EIO;
    return false;
}

bool CBufferedFile::Sync()
{
    if (m_fd < 0 || !m_writing || !Flush())
        return false;
    return ::fdatasync(m_fd) == 0 || Failed();
}

uint64_t CBufferedFile::StoredSize() const
{
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0 || st.st_size < 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

bool CBufferedFile::Truncate(uint64_t size)
{
    if (m_fd < 0 || !m_writing)
        return false;
    (void)Flush();
    return ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 || Failed();
}

bool CBufferedFile::Seek(uint64_t offset)
{
    if (m_fd < 0)
        return false;
    if (m_writing) {
        if (!Flush())
            return false;
    } else if (offset >= m_pos - m_next && offset <= m_pos - m_next + m_fill) {
        // Inside what is buffered: no system call.
        m_next = static_cast<size_t>(offset - (m_pos - m_next));
        m_pos = offset;
        return true;
    }
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0)
        return false;
    m_fill = m_next = 0;
    m_pos = offset;
    return true;
}

bool CBufferedFile::Close()
{
    if (m_fd < 0)
        return true;
    bool ok = Flush();
    if (::close(m_fd) != 0 && m_writing)
        ok = Failed();
    m_fd = -1;
    m_buffer.reset();
    m_fill = m_next = 0;
    return ok;
}

}  // namespace vk
