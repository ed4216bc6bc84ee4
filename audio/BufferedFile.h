#pragma once
// A file read or written through a buffer of its own, with absolute seeks: the
// file layer under the WAV reader and writer.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vk {

class CBufferedFile {
public:
    CBufferedFile() = default;
    CBufferedFile(const CBufferedFile&) = delete;
    CBufferedFile& operator=(const CBufferedFile&) = delete;
    ~CBufferedFile() { Close(); }

    // Holds a shared lock while open; fails while the file is being written.
    [[nodiscard]] bool OpenRead(const std::string& path);
    // Creates or replaces the file and holds an exclusive lock on it while open;
    // fails when somebody else holds a lock on it (reads it, or writes it).
    [[nodiscard]] bool Create(const std::string& path);
    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    // Bytes read; fewer than asked at the end of the file or on an error.
    [[nodiscard]] size_t Read(void* data, size_t len);
    [[nodiscard]] bool Write(const void* data, size_t len);
    [[nodiscard]] bool Seek(uint64_t offset);
    [[nodiscard]] uint64_t Tell() const { return m_pos; }
    [[nodiscard]] bool Flush();
    // Bytes the file really holds (after a flush), whatever failed on the way.
    [[nodiscard]] uint64_t StoredSize() const;
    // Cuts the file to `size` bytes (writing only; flushes first).
    [[nodiscard]] bool Truncate(uint64_t size);
    // Writes out the buffer and asks the system to put the data on the disk
    // (where a full disk may show only now); false when it could not.
    [[nodiscard]] bool Sync();
    // False when buffered data could not be written out.
    bool Close();
    // The error number of the first write that failed since Create (a full disk:
    // ENOSPC), 0 while none did (a file that could not be created is no write);
    // kept after Close.
    [[nodiscard]] int Error() const { return m_error; }

private:
    // A descriptor of a regular file opened without blocking, or -1.
    [[nodiscard]] static int OpenRegular(const std::string& path, int flags);
    static constexpr size_t kBufferSize = 64 * 1024;
    bool Failed();  // keeps errno as the error, unless one was kept already; false


    int m_fd = -1;
    bool m_writing = false;
    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_fill = 0;   // read: valid bytes in the buffer; write: bytes waiting
    size_t m_next = 0;   // read: next unread byte in the buffer
    uint64_t m_pos = 0;  // logical position in the file
    int m_error = 0;
};

}  // namespace vk
