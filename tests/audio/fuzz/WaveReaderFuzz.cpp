// libFuzzer target: the WAV reader over arbitrary bytes. Whatever the file,
// opening and reading must neither crash nor read out of bounds, and the bytes
// handed out never exceed the data chunk or the file.
//
// Longer runs on demand:
//   build/tests/audio/fuzz/wave_reader_fuzz -max_total_time=600 build/tests/audio/fuzz/corpus tests/audio/fuzz/seeds

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "audio/WaveReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int fd = memfd_create("wav", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    vk::CWaveReader reader;
    if (!reader.Open(path))
        return 0;
    // Touch the whole format block, extra bytes included.
    const auto* format = reinterpret_cast<const uint8_t*>(reader.m_pFormat);
    unsigned sum = 0;
    for (size_t i = 0; i < sizeof(vk::WAVEFORMATEX) + reader.m_pFormat->cbSize; ++i)
        sum += format[i];
    (void)sum;

    uint8_t buffer[3000];
    uint64_t total = 0;
    for (uint32_t len = 1; len < sizeof buffer; len = len * 3 + 1) {
        const uint32_t n = reader.Read(buffer, len);
        if (n > len)
            std::abort();
        total += n;
    }
    if (total > reader.m_dwDataSize || total > size)
        std::abort();
    for (uint32_t offset : {0u, 1u, 7u, reader.m_dwDataSize / 2, reader.m_dwDataSize, 0xFFFFFFFFu}) {
        if (!reader.SeekToData(offset))
            continue;
        const int channel = static_cast<int>(offset % 3);
        const uint32_t n = reader.ReadChannel(buffer, sizeof buffer / 2, channel);
        if (n > sizeof buffer)
            std::abort();
    }
    reader.Close();
    return 0;
}
