// WAV files: what the writer produces byte for byte, what the reader accepts
// (ours, sox's, Python's), and clean failures on truncated or malformed files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/WaveFormat.h"
#include "audio/WaveReader.h"
#include "audio/WaveWriter.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
uint32_t Get32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }

Bytes Chunk(const char* id, const Bytes& body, std::optional<uint32_t> size = std::nullopt)
{
    Bytes b(id, id + 4);
    Put32(b, size.value_or(static_cast<uint32_t>(body.size())));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1)
        b.push_back(0);
    return b;
}

Bytes FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, std::optional<uint16_t> cbSize = {})
{
    Bytes b;
    Put16(b, tag);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * channels * bits / 8);
    Put16(b, static_cast<uint16_t>(channels * bits / 8));
    Put16(b, bits);
    if (cbSize)
        Put16(b, *cbSize);
    return b;
}

Bytes Riff(const std::vector<Bytes>& chunks)
{
    Bytes body{'W', 'A', 'V', 'E'};
    for (const auto& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    return Chunk("RIFF", body);
}

Bytes Counting(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(i * 7 + 1);
    return b;
}

class WaveFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("vk-wav-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string Store(const std::string& name, const Bytes& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return Path(name);
    }
    static Bytes Load(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static Bytes ReadAll(CWaveReader& reader)
    {
        Bytes all;
        uint8_t piece[1000];
        while (uint32_t n = reader.Read(piece, sizeof piece))
            all.insert(all.end(), piece, piece + n);
        return all;
    }
    static bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

    fs::path m_dir;
};

TEST_F(WaveFileTest, WriterLayoutAndSizesForEvenAndOddData)
{
    struct Case {
        uint32_t bytes;
        size_t fileSize;
        uint32_t riffSize;
    };
    for (const Case c : {Case{32000, 32046, 32038}, Case{3, 50, 42}, Case{0, 46, 38}}) {
        SCOPED_TRACE(c.bytes);
        const Bytes data = Counting(c.bytes);
        CWaveWriter writer;
        ASSERT_TRUE(writer.Open(Path("w.wav"), CWaveFormat(1, 16000, 16)));
        // Until closed both sizes read 0.
        EXPECT_EQ(c.bytes, static_cast<uint32_t>(writer.Write(data.data(), c.bytes)));
        writer.Close();
        writer.Close();  // a second close changes nothing

        const Bytes file = Load(Path("w.wav"));
        ASSERT_EQ(c.fileSize, file.size());
        EXPECT_EQ(0, std::memcmp(file.data(), "RIFF", 4));
        EXPECT_EQ(c.riffSize, Get32(file, 4));
        EXPECT_EQ(0, std::memcmp(file.data() + 8, "WAVEfmt ", 8));
        EXPECT_EQ(18u, Get32(file, 16));
        EXPECT_EQ(FmtBody(1, 1, 16000, 16, 0), Bytes(file.begin() + 20, file.begin() + 38));
        EXPECT_EQ(0, std::memcmp(file.data() + 38, "data", 4));
        EXPECT_EQ(c.bytes, Get32(file, 42));
        EXPECT_EQ(data, Bytes(file.begin() + 46, file.begin() + 46 + c.bytes));
        if (c.bytes & 1) {
            EXPECT_EQ(0, file.back());
        }
    }
}

// The RIFF size (38 + data + pad) must fit its 32 bits: a block that would take
// the data past that is refused whole, and the file still closes with sizes
// that describe it. The refused lengths are never read, so a short buffer does.
TEST_F(WaveFileTest, BlockThatWouldOverflowTheRiffSizeIsRefused)
{
    const Bytes data = Counting(101);
    CWaveWriter writer;
    ASSERT_TRUE(writer.Open(Path("w.wav"), CWaveFormat(1, 16000, 16)));
    ASSERT_EQ(101, writer.Write(data.data(), 101));
    for (const uint32_t refused : {0xFFFFFFFFu - 40 - 101 + 1, 0x80000000u, 0xFFFFFFFFu})
        EXPECT_EQ(-1, writer.Write(data.data(), refused)) << refused;
    EXPECT_EQ(1, writer.Write(data.data(), 1));  // the writer goes on
    ASSERT_TRUE(writer.Close());

    const Bytes file = Load(Path("w.wav"));
    ASSERT_EQ(46u + 102u, file.size());
    EXPECT_EQ(102u, Get32(file, 42));
    EXPECT_EQ(38u + 102u, Get32(file, 4));
}

TEST_F(WaveFileTest, SizesMatchTheFileWhenTheDiskRefusesData)
{
    // A child process with a file size limit stands for a full disk.
    const std::string path = Path("full.wav");
    const std::string big = Path("big.wav");
    {
        CWaveWriter source;
        ASSERT_TRUE(source.Open(big, CWaveFormat(1, 16000, 16)));
        const Bytes data = Counting(200000);
        ASSERT_EQ(200000, source.Write(data.data(), static_cast<uint32_t>(data.size())));
        source.Close();
    }
    const pid_t child = ::fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100001, 100001};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CWaveWriter writer;
        if (!writer.Open(path, CWaveFormat(1, 16000, 16)))
            ::_exit(1);
        const Bytes block = Counting(4096);
        bool refused = false;
        for (int i = 0; i < 40; ++i)
            refused |= writer.Write(block.data(), 4096) == -1;
        writer.Close();
        if (!refused)
            ::_exit(2);
        // A copy that does not fit is not reported as done.
        ::_exit(CopyWaveFile(big, Path("bigcopy.wav")) ? 3 : 0);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(0, WEXITSTATUS(status));

    const Bytes file = Load(path);
    ASSERT_LE(file.size(), 100001u);
    const uint32_t data = Get32(file, 42);
    EXPECT_EQ(file.size(), 46u + data + (data & 1));
    EXPECT_EQ(file.size() - 8, Get32(file, 4));
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(data, ReadAll(reader).size());
}

TEST_F(WaveFileTest, UnclosedFileKeepsZeroSizesAndUncreatableFileFails)
{
    CWaveWriter writer;
    ASSERT_TRUE(writer.Open(Path("open.wav"), CWaveFormat(1, 16000, 16)));
    const Bytes header = Load(Path("open.wav"));
    ASSERT_EQ(46u, header.size());  // on disk at once, as a crash would leave it
    EXPECT_EQ(0u, Get32(header, 4));
    EXPECT_EQ(0u, Get32(header, 42));
    const Bytes data = Counting(100);
    writer.Write(data.data(), 100);
    {
        // A second writer cannot take a file that is being written.
        CWaveWriter other;
        EXPECT_FALSE(other.Open(Path("open.wav"), CWaveFormat()));
    }
    CWaveReader reader;
    EXPECT_FALSE(reader.Open(Path("open.wav")));  // RIFF size 0: nothing inside
    writer.Release();
    EXPECT_EQ(100u, Get32(Load(Path("open.wav")), 42));

    CWaveWriter nowhere;
    EXPECT_FALSE(nowhere.Open(Path("no/such/dir/x.wav"), CWaveFormat()));
    EXPECT_EQ(-1, nowhere.Write(data.data(), 10));
}

// A FIFO (a file dialog lets the user pick one) or a folder is refused at once:
// opening a FIFO without a writer or reader would wait forever.
TEST_F(WaveFileTest, OnlyRegularFilesAreOpenedAndOpeningNeverBlocks)
{
    ASSERT_EQ(0, ::mkfifo(Path("fifo.wav").c_str(), 0600));
    CWaveReader reader;
    EXPECT_FALSE(reader.Open(Path("fifo.wav")));
    EXPECT_FALSE(reader.Open(Path("")));  // the folder itself
    CWaveWriter writer;
    EXPECT_FALSE(writer.Open(Path("fifo.wav"), CWaveFormat()));
}

TEST_F(WaveFileTest, ReaderFindsChunksInAnyOrder)
{
    const Bytes samples = Counting(400);
    const Bytes list = Chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'x'});  // odd size: padded
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"data after LIST", Riff({Chunk("fmt ", FmtBody(1, 1, 8000, 16)), list, Chunk("data", samples)})},
        {"fmt after data", Riff({Chunk("data", samples), Chunk("fmt ", FmtBody(1, 1, 8000, 16))})},
        {"18-byte PCM fmt", Riff({Chunk("fmt ", FmtBody(1, 1, 8000, 16, 0)), Chunk("data", samples)})},
        {"PCM fmt with a stray cbSize", Riff({Chunk("fmt ", FmtBody(1, 1, 8000, 16, 99)), Chunk("data", samples)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWaveReader reader;
        ASSERT_TRUE(reader.Open(Store("c.wav", c.file)));
        EXPECT_EQ(1, reader.m_pFormat->wFormatTag);
        EXPECT_EQ(8000u, reader.m_pFormat->nSamplesPerSec);
        EXPECT_EQ(0, reader.m_pFormat->cbSize);
        EXPECT_EQ(400u, reader.m_dwDataSize);
        EXPECT_EQ(samples, ReadAll(reader));
    }
}

TEST_F(WaveFileTest, SeekThenReadInBlocks)
{
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(Store("s.wav", Riff({Chunk("fmt ", FmtBody(1, 1, 16000, 16)), Chunk("data", Counting(57600))}))));
    ASSERT_TRUE(reader.SeekToData(6400));
    std::vector<uint8_t> buffer(4096);
    for (int i = 0; i < 12; ++i)
        ASSERT_EQ(4096u, reader.Read(buffer.data(), 4096)) << i;
    EXPECT_EQ(2048u, reader.Read(buffer.data(), 4096));
    const Bytes all = Counting(57600);
    EXPECT_EQ(Bytes(all.end() - 2048, all.end()), Bytes(buffer.begin(), buffer.begin() + 2048));
    EXPECT_EQ(0u, reader.Read(buffer.data(), 4096));
    EXPECT_EQ(57600u, reader.m_dwPosition);

    ASSERT_TRUE(reader.SeekToData(60000));  // past the end: nothing to read
    EXPECT_EQ(0u, reader.Read(buffer.data(), 4096));
}

TEST_F(WaveFileTest, ReadChannelPicksOneSampleOfEachWholeFrame)
{
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    struct Case {
        int channel;
        uint32_t result;
        Bytes front;
    };
    for (const Case& c : {Case{0, 10, data}, Case{1, 4, {1, 2, 5, 6}}, Case{2, 4, {3, 4, 7, 8}}}) {
        SCOPED_TRACE(c.channel);
        CWaveReader reader;
        ASSERT_TRUE(reader.Open(Store("ch.wav", Riff({Chunk("fmt ", FmtBody(1, 2, 8000, 16)), Chunk("data", data)}))));
        uint8_t buffer[10] = {};
        ASSERT_EQ(c.result, reader.ReadChannel(buffer, 5, c.channel));
        EXPECT_EQ(c.front, Bytes(buffer, buffer + c.front.size()));
    }
}

TEST_F(WaveFileTest, MalformedFilesFailCleanlyOrYieldOnlyTheirOwnBytes)
{
    const Bytes fmt = Chunk("fmt ", FmtBody(1, 1, 8000, 16));
    const Bytes good = Riff({fmt, Chunk("data", Counting(100))});
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case refused[] = {
        {"empty", {}},
        {"not RIFF", Bytes{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}},
        {"not WAVE", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}},
        {"no fmt", Riff({Chunk("data", Counting(10))})},
        {"fmt too short", Riff({Chunk("fmt ", Bytes(14, 1)), Chunk("data", Counting(10))})},
        {"fmt cut by the end of the file", Bytes(good.begin(), good.begin() + 30)},
        {"extensible fmt without its extra bytes",
         Riff({Chunk("fmt ", FmtBody(0xFFFE, 1, 8000, 16, 22)), Chunk("data", Counting(10))})},
        {"chunk size pointing nowhere", Riff({Chunk("LIST", {}, 0xFFFFFFF0u), fmt})},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        CWaveReader reader;
        EXPECT_FALSE(reader.Open(Store("bad.wav", c.file)));
        EXPECT_FALSE(reader.IsOpen());
        uint8_t buffer[16];
        EXPECT_EQ(0u, reader.Read(buffer, sizeof buffer));
    }

    // Opened, but the data is short, missing or claims more than the file holds.
    Bytes truncated(good.begin(), good.end() - 40);
    Bytes overlong = Riff({fmt, Chunk("data", Counting(10), 1000)});
    overlong.insert(overlong.end(), {0xEE, 0xEE, 0xEE, 0xEE});  // bytes behind the RIFF chunk
    Bytes riffLies = good;
    riffLies[4] = static_cast<uint8_t>(good.size() - 8 - 50);  // RIFF ends inside the data
    struct Opened {
        const char* name;
        Bytes file;
        uint32_t dataSize;
        size_t readable;
    };
    const Opened opened[] = {
        {"missing data", Riff({fmt}), 0, 0},
        {"file ends inside data", truncated, 100, 0},
        {"data longer than the RIFF chunk", overlong, 10, 10},
        {"RIFF shorter than its data", riffLies, 50, 50},
    };
    for (const Opened& c : opened) {
        SCOPED_TRACE(c.name);
        CWaveReader reader;
        ASSERT_TRUE(reader.Open(Store("odd.wav", c.file)));
        EXPECT_EQ(c.dataSize, reader.m_dwDataSize);
        const Bytes got = ReadAll(reader);
        EXPECT_LE(got.size(), c.readable);
        for (uint8_t b : got)
            EXPECT_NE(0xEE, b);
    }
}

TEST_F(WaveFileTest, LongPathIsKeptCutForMessagesButOpenedWhole)
{
    std::string dir = m_dir.string();
    while (dir.size() < 230)
        dir += "/d123456789";
    fs::create_directories(dir);
    CWaveWriter writer;
    const std::string path = dir + "/long.wav";
    ASSERT_TRUE(writer.Open(path, CWaveFormat()));
    writer.Close();
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(path.substr(0, 199), std::string(reader.m_szPath));
}

TEST_F(WaveFileTest, CopyKeepsFormatAndDataAndSurvivesEarlyEnd)
{
    const Bytes data = Counting(10001);
    CWaveWriter writer;
    ASSERT_TRUE(writer.Open(Path("a.wav"), CWaveFormat(2, 44100, 16)));
    writer.Write(data.data(), static_cast<uint32_t>(data.size()));
    writer.Close();
    ASSERT_TRUE(CopyWaveFile(Path("a.wav"), Path("b.wav")));
    EXPECT_EQ(Load(Path("a.wav")), Load(Path("b.wav")));

    // A file cut short: the copy ends where the bytes end instead of spinning.
    Bytes cut = Load(Path("a.wav"));
    cut.resize(cut.size() - 5000);
    ASSERT_TRUE(CopyWaveFile(Store("cut.wav", cut), Path("c.wav")));
    CWaveReader copy;
    ASSERT_TRUE(copy.Open(Path("c.wav")));
    EXPECT_LT(copy.m_dwDataSize, 10001u);
    EXPECT_FALSE(CopyWaveFile(Path("none.wav"), Path("d.wav")));
}

TEST_F(WaveFileTest, FilesOfOtherProgramsRead)
{
    if (!Have("sox") || !Have("python3"))
        GTEST_SKIP() << "sox or python3 missing";
    // Python's wave module: plain PCM with known sample bytes.
    const std::string py = Path("py.wav");
    ASSERT_EQ(0, std::system(("python3 -c \"import wave; w=wave.open('" + py +
                              "','wb'); w.setnchannels(2); w.setsampwidth(2); w.setframerate(22050); "
                              "w.writeframes(bytes(i*7+1 & 255 for i in range(4000))); w.close()\"")
                                 .c_str()));
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(py));
    EXPECT_EQ(2, reader.m_pFormat->nChannels);
    EXPECT_EQ(22050u, reader.m_pFormat->nSamplesPerSec);
    EXPECT_EQ(Counting(4000), ReadAll(reader));
    reader.Close();

    // sox: plain 16-bit, and 4-channel 24-bit (WAVE_FORMAT_EXTENSIBLE, 22 extra bytes).
    struct Case {
        const char* options;
        uint16_t tag;
        uint16_t cbSize;
    };
    for (const Case& c : {Case{"-r 16000 -c 1 -b 16", 1, 0}, Case{"-r 48000 -c 4 -b 24", 0xFFFE, 22}}) {
        SCOPED_TRACE(c.options);
        const std::string wav = Path("sox.wav");
        const std::string raw = Path("sox.raw");
        ASSERT_EQ(0, std::system(("sox -n " + std::string(c.options) + " " + wav + " synth 0.25 sine 1000 2>/dev/null").c_str()));
        ASSERT_EQ(0, std::system(("sox " + wav + " -t raw " + raw).c_str()));
        ASSERT_TRUE(reader.Open(wav));
        EXPECT_EQ(c.tag, reader.m_pFormat->wFormatTag);
        EXPECT_EQ(c.cbSize, reader.m_pFormat->cbSize);
        EXPECT_EQ(Load(raw), ReadAll(reader));
        reader.Close();

        // A copy of it reads back the same, without the extra format bytes.
        ASSERT_TRUE(CopyWaveFile(wav, Path("copy.wav")));
        ASSERT_TRUE(reader.Open(Path("copy.wav")));
        EXPECT_EQ(c.tag, reader.m_pFormat->wFormatTag);
        EXPECT_EQ(0, reader.m_pFormat->cbSize);
        EXPECT_EQ(Load(raw), ReadAll(reader));
        reader.Close();
    }
}

TEST_F(WaveFileTest, SoxAcceptsWhatTheWriterWrites)
{
    if (!Have("soxi"))
        GTEST_SKIP() << "soxi missing";
    for (uint32_t bytes : {32000u, 3u}) {
        CWaveWriter writer;
        ASSERT_TRUE(writer.Open(Path("ours.wav"), CWaveFormat(1, 16000, 16)));
        const Bytes data = Counting(bytes);
        writer.Write(data.data(), bytes);
        writer.Close();
        FILE* out = ::popen(("soxi -s " + Path("ours.wav") + " 2>&1").c_str(), "r");
        ASSERT_NE(nullptr, out);
        char line[128] = {};
        ASSERT_NE(nullptr, std::fgets(line, sizeof line, out));
        EXPECT_EQ(0, ::pclose(out)) << line;
        EXPECT_EQ(std::to_string(bytes / 2) + "\n", line);
    }
}

}  // namespace
}  // namespace vk
