// The echo figures: window bounds, levels, both tests and the report text, on
// recordings generated here, checked against an independent computation.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "audio/EchoFigures.h"
#include "audio/WizardAudio.h"
#include "platform/ui/MessageBox.h"
#include "tests/audio/echo/TestWav.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using testwav::AddSine;

// ---- Window bounds and report text --------------------------------------------

struct WindowCase {
    uint32_t rate;
    uint64_t bytes02, bytes18, bytes22;
};

class EchoWindowTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(EchoWindowTest, BoundsComeFromTheFloatConstants)
{
    const WindowCase& c = GetParam();
    EXPECT_EQ(EchoWindowA(c.rate), (EchoWindow{c.bytes02, c.bytes18}));
    EXPECT_EQ(EchoWindowB(c.rate), (EchoWindow{c.bytes22, c.bytes18}));
}

// 11025 and 44100 are the rates where the float constants round differently
// from the decimal ones.
INSTANTIATE_TEST_SUITE_P(Rates, EchoWindowTest,
                         ::testing::Values(WindowCase{8000, 3200, 28800, 35200}, WindowCase{11025, 4410, 39690, 48510},
                                           WindowCase{16000, 6400, 57600, 70400}, WindowCase{22050, 8820, 79380, 97020},
                                           WindowCase{32000, 12800, 115200, 140800},
                                           WindowCase{44100, 17640, 158760, 194040},
                                           WindowCase{48000, 19200, 172800, 211200}));

TEST(EchoReportTest, LinesAreExactWithTheirTrailingBlanks)
{
    EXPECT_EQ(FormatEchoReport(32.4, true, -40.2, false),
              "\n\r For new units: Echo Reduction is  32.4dB - Passed the test.  Limit is  30.0dB        \n\r"
              "\n\r For old units: Residual Echo is -40.2dB - Failed the test.  Limit is -45.0dB             ");
    EXPECT_EQ(FormatEchoReport(0.0, false, -1000.0, true),
              "\n\r For new units: Echo Reduction is   0.0dB - Failed the test.  Limit is  30.0dB        \n\r"
              "\n\r For old units: Residual Echo is -1000.0dB - Passed the test.  Limit is -45.0dB             ");
}

TEST(EchoLimitTest, LimitsAreInclusiveAndNotANumberFails)
{
    EXPECT_TRUE(EchoReductionPasses(30.0));
    EXPECT_FALSE(EchoReductionPasses(29.99));
    EXPECT_TRUE(ResidualEchoPasses(-45.0));
    EXPECT_FALSE(ResidualEchoPasses(-44.99));
    EXPECT_FALSE(EchoReductionPasses(std::nan("")));
    EXPECT_FALSE(ResidualEchoPasses(std::nan("")));
}

// ---- Files --------------------------------------------------------------------

class EchoFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxes(&m_boxes);
        m_dir = fs::temp_directory_path() / ("vk-echo-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        SetMessageBoxes(nullptr);
        fs::remove_all(m_dir);
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    // A 16000-per-second recording: a sine of amplitudeA over 0..2.2 s, one of
    // amplitudeB from 2.2 s on (samples 35200 to the end).
    static std::vector<int16_t> EchoSignal(double amplitudeA, double amplitudeB, size_t samples = 64000)
    {
        std::vector<int16_t> mono(samples, 0);
        AddSine(mono, 16000, 0, 35200, amplitudeA);
        AddSine(mono, 16000, 35200, samples, amplitudeB);
        return mono;
    }

    struct Figures {
        bool reductionPassed = false;
        double reduction = 0.0;
        bool residualPassed = false;
        double residual = 0.0;
    };
    Figures Measure(const std::string& path)
    {
        Figures f;
        f.reductionPassed = m_audio.EchoReductionTest(path, f.reduction);
        f.residualPassed = m_audio.ResidualEchoTest(path, f.residual);
        EXPECT_EQ(m_audio.m_pCheckFile, nullptr) << "the analysed file is released after each test";
        return f;
    }

    CScriptedMessageBox m_boxes;
    CWizardAudio m_audio;
    fs::path m_dir;
};

TEST_F(EchoFileTest, LevelOfAWindowIsItsSpreadInDecibelsOfFullScale)
{
    struct Case {
        const char* name;
        std::vector<int16_t> samples;
        float expected;
        float tolerance;
    };
    std::vector<int16_t> fullScale(32000), thousand(32000), offsetSine(32000), sevens(32000, 7);
    AddSine(fullScale, 16000, 0, fullScale.size(), 32767);
    AddSine(thousand, 16000, 0, thousand.size(), 1000);
    AddSine(offsetSine, 16000, 0, offsetSine.size(), 1000);
    for (int16_t& s : offsetSine)
        s = static_cast<int16_t>(s + 5000);  // the mean is removed before the spread is taken
    const std::vector<Case> cases = {
        {"full-scale sine", fullScale, -3.01f, 0.01f},
        {"sine of 1000", thousand, -33.32f, 0.01f},
        {"sine of 1000 on an offset", offsetSine, -33.32f, 0.01f},
        {"constant 7", sevens, kSilentLevel, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("level.wav");
        testwav::WriteWav(path, 1, 16000, c.samples);
        CWaveReader reader;
        ASSERT_TRUE(reader.Open(path));
        EXPECT_NEAR(m_audio.CalcRMS(reader, 0, 6400, 57600), c.expected, c.tolerance);
    }
    EXPECT_TRUE(m_boxes.asked.empty());
}

TEST_F(EchoFileTest, WindowOfOneSampleHasNoSpread)
{
    testwav::WriteWav(Path("one.wav"), 1, 16000, {100, -100, 300});
    CWaveReader reader;
    ASSERT_TRUE(reader.Open(Path("one.wav")));
    EXPECT_EQ(m_audio.CalcRMS(reader, 0, 2, 2), kSilentLevel);
    EXPECT_EQ(m_audio.CalcRMS(reader, 0, 0, 0), kSilentLevel);
}

// The level is 20 x log10(sigma) taken in double: with the float logarithm
// these windows of two samples {-a, a} would read one float step off.
TEST_F(EchoFileTest, LevelIsTakenInDoublePrecision)
{
    for (const int16_t a : {3, 13, 21, 38, 56}) {
        SCOPED_TRACE(a);
        testwav::WriteWav(Path("pair.wav"), 1, 16000, {static_cast<int16_t>(-a), a});
        CWaveReader reader;
        ASSERT_TRUE(reader.Open(Path("pair.wav")));
        const auto sigma = static_cast<float>(std::sqrt(2.0 * a * a));
        const auto expected = static_cast<float>(20.0 * std::log10(static_cast<double>(sigma)) - 90.309);
        EXPECT_EQ(m_audio.CalcRMS(reader, 0, 0, 4), expected);
    }
}

// Samples that are not 16-bit PCM, mono or stereo, give no figures: the file
// is treated as one that cannot be opened.
TEST_F(EchoFileTest, FormatsTheFiguresCannotReadAreUnableToOpen)
{
    const auto fmt = [](uint16_t tag, uint16_t channels, uint16_t blockAlign, uint16_t bits) {
        testwav::Chunk chunk = testwav::FmtChunk(channels, 16000);
        chunk.bytes[0] = static_cast<uint8_t>(tag);
        chunk.bytes[1] = static_cast<uint8_t>(tag >> 8);
        chunk.bytes[12] = static_cast<uint8_t>(blockAlign);
        chunk.bytes[13] = static_cast<uint8_t>(blockAlign >> 8);
        chunk.bytes[14] = static_cast<uint8_t>(bits);
        chunk.bytes[15] = static_cast<uint8_t>(bits >> 8);
        if (tag != 1)
            testwav::PutLE(chunk.bytes, 0, 2);  // cbSize
        return chunk;
    };
    struct Case {
        const char* name;
        testwav::Chunk fmt;
    };
    const Case cases[] = {
        {"8 bits", fmt(1, 1, 1, 8)},           {"24 bits", fmt(1, 1, 3, 24)},
        {"0 bits", fmt(1, 1, 2, 0)},           {"float", fmt(3, 1, 4, 32)},
        {"no channels", fmt(1, 0, 2, 16)},     {"three channels", fmt(1, 3, 6, 16)},
        {"block align 0", fmt(1, 1, 0, 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_boxes.asked.clear();
        testwav::WriteChunks(Path("odd.wav"), {c.fmt, testwav::DataChunk(EchoSignal(1000, 10))});
        const Figures f = Measure(Path("odd.wav"));
        EXPECT_FALSE(f.reductionPassed);
        EXPECT_FALSE(f.residualPassed);
        EXPECT_EQ(f.reduction, 0.0);
        EXPECT_EQ(f.residual, 0.0);
        ASSERT_EQ(m_boxes.asked.size(), 2u);
        EXPECT_EQ(m_boxes.asked[0].text, "Unable to open file: " + Path("odd.wav"));
        EXPECT_EQ(m_boxes.asked[0].caption, "WaveOpen");
    }
}

// A residual figure means something only when the test signal reached the
// microphone: a window A without spread fails the residual test, -1000 kept.
TEST_F(EchoFileTest, NoTestSignalFailsTheResidualTest)
{
    struct Case {
        const char* name;
        uint32_t rate;
        std::vector<int16_t> samples;
    };
    std::vector<int16_t> signalAfter(64000, 0);
    AddSine(signalAfter, 16000, 35200, signalAfter.size(), 1000);
    const Case cases[] = {
        {"all zeros", 16000, std::vector<int16_t>(64000, 0)},
        {"a DC offset", 16000, std::vector<int16_t>(64000, -321)},
        {"rate 0: empty windows", 0, EchoSignal(1000, 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testwav::WriteWav(Path("silent.wav"), 1, c.rate, c.samples);
        const Figures f = Measure(Path("silent.wav"));
        EXPECT_EQ(f.residual, kSilentLevel);
        EXPECT_FALSE(f.residualPassed);
        EXPECT_FALSE(f.reductionPassed);
    }
    EXPECT_TRUE(m_boxes.asked.empty());
}

TEST_F(EchoFileTest, BothTestsJudgeTheirWindows)
{
    struct Case {
        const char* name;
        double amplitudeA, amplitudeB;
        double reduction;
        bool reductionPassed;
        double residual;
        bool residualPassed;
    };
    const Case cases[] = {
        {"good unit", 1000, 10, 40.0, true, -73.3, true},
        {"echo left over", 1000, 300, 10.5, false, -43.8, false},
        {"digital silence after", 1000, 0, -33.3 + 1000.0, true, -1000.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testwav::WriteWav(Path("echo.wav"), 1, 16000, EchoSignal(c.amplitudeA, c.amplitudeB));
        const Figures f = Measure(Path("echo.wav"));
        EXPECT_NEAR(f.reduction, c.reduction, 0.05);
        EXPECT_EQ(f.reductionPassed, c.reductionPassed);
        EXPECT_NEAR(f.residual, c.residual, 0.05);
        EXPECT_EQ(f.residualPassed, c.residualPassed);
    }
    EXPECT_TRUE(m_boxes.asked.empty());
}

TEST_F(EchoFileTest, StereoFilesAreJudgedOnTheLeftChannelOnly)
{
    const std::vector<int16_t> left = EchoSignal(1000, 10);
    std::vector<int16_t> right(left.size());
    AddSine(right, 16000, 0, right.size(), 20000, 440.0);
    testwav::WriteWav(Path("stereo.wav"), 2, 16000, testwav::Stereo(left, right));
    testwav::WriteWav(Path("mono.wav"), 1, 16000, left);

    const Figures stereo = Measure(Path("stereo.wav"));
    const Figures mono = Measure(Path("mono.wav"));
    EXPECT_EQ(stereo.reduction, mono.reduction);
    EXPECT_EQ(stereo.residual, mono.residual);
    EXPECT_TRUE(stereo.reductionPassed);
    EXPECT_TRUE(stereo.residualPassed);
}

TEST_F(EchoFileTest, WindowBeyondTheEndCountsAsZeroAfterItsMessage)
{
    // Window B ends with sample 63999: one sample short of it is too short.
    testwav::WriteWav(Path("short.wav"), 1, 16000, EchoSignal(1000, 10, 63999));
    const Figures f = Measure(Path("short.wav"));
    EXPECT_NEAR(f.reduction, -33.3, 0.05);  // A - 0.0
    EXPECT_FALSE(f.reductionPassed);
    EXPECT_EQ(f.residual, 0.0);
    EXPECT_FALSE(f.residualPassed);
    ASSERT_EQ(m_boxes.asked.size(), 2u);
    for (const auto& box : m_boxes.asked) {
        EXPECT_EQ(box.text, "File: " + Path("short.wav") + "\nFunction: CalcRMS");
        EXPECT_EQ(box.caption, "Trying to read beyond EOF:");
        EXPECT_EQ(box.type, MB_OK);
    }

    m_boxes.asked.clear();
    testwav::WriteWav(Path("exact.wav"), 1, 16000, EchoSignal(1000, 10, 64000));
    EXPECT_TRUE(Measure(Path("exact.wav")).residualPassed);
    EXPECT_TRUE(m_boxes.asked.empty());
}

TEST_F(EchoFileTest, FileThatCannotBeOpenedFailsBothWithFigureZero)
{
    std::FILE* garbage = std::fopen(Path("garbage.wav").c_str(), "wb");
    std::fputs("this is not a RIFF file", garbage);
    std::fclose(garbage);
    for (const std::string name : {"missing.wav", "garbage.wav"}) {
        SCOPED_TRACE(name);
        m_boxes.asked.clear();
        const Figures f = Measure(Path(name));
        EXPECT_EQ(f.reduction, 0.0);
        EXPECT_EQ(f.residual, 0.0);
        EXPECT_FALSE(f.reductionPassed);
        EXPECT_FALSE(f.residualPassed);
        ASSERT_EQ(m_boxes.asked.size(), 2u);
        EXPECT_EQ(m_boxes.asked[0].text, "Unable to open file: " + Path(name));
        EXPECT_EQ(m_boxes.asked[0].caption, "WaveOpen");
        EXPECT_EQ(m_boxes.asked[0].type, MB_OK);
    }
}

TEST_F(EchoFileTest, FileWithoutDataReportsAReadError)
{
    testwav::WriteChunks(Path("nodata.wav"), {testwav::FmtChunk(1, 16000)});
    const Figures f = Measure(Path("nodata.wav"));
    EXPECT_EQ(f.reduction, 0.0);
    EXPECT_FALSE(f.reductionPassed);
    EXPECT_FALSE(f.residualPassed);
    ASSERT_FALSE(m_boxes.asked.empty());
    EXPECT_EQ(m_boxes.asked[0].text, "Unable to read file: " + Path("nodata.wav"));
    EXPECT_EQ(m_boxes.asked[0].caption, "Error");
    EXPECT_EQ(m_boxes.asked[0].type, MB_OK | MB_ICONERROR);
}

// An absurd rate puts the windows past what any data chunk can reach.
TEST_F(EchoFileTest, WindowsBeyondAnyFileAreReportedNotWrapped)
{
    testwav::WriteWav(Path("fast.wav"), 2, 0xFFFFFFFFu, EchoSignal(1000, 10));
    double figure = 1.0;
    EXPECT_FALSE(m_audio.ResidualEchoTest(Path("fast.wav"), figure));
    EXPECT_EQ(figure, 0.0);
    ASSERT_EQ(m_boxes.asked.size(), 1u);
    EXPECT_EQ(m_boxes.asked[0].caption, "Trying to read beyond EOF:");
}

// ---- Independent check ----------------------------------------------------------

// The same windows and levels computed by Python's standard library from the
// file as its own wave module reads it.
constexpr const char* kReferenceScript = R"PY(
import math, struct, sys, wave
def f32(x): return struct.unpack('<f', struct.pack('<f', x))[0]
def window_bytes(k, r): return int((f32(k) * r + 0.5) * 2) & ~1
with wave.open(sys.argv[1], 'rb') as w:
    rate, channels = w.getframerate(), w.getnchannels()
    raw = w.readframes(w.getnframes())
samples = struct.unpack('<%dh' % (len(raw) // 2), raw)[::channels]
def level(start, length):
    xs = samples[start // 2:start // 2 + length // 2]
    mean = math.fsum(xs) / len(xs)
    sigma = math.sqrt(math.fsum((x - mean) ** 2 for x in xs) / (len(xs) - 1))
    return 20 * math.log10(sigma) - 90.309 if sigma > 0 else -1000.0
a = level(window_bytes(0.2, rate), window_bytes(1.8, rate))
b = level(window_bytes(2.2, rate), window_bytes(1.8, rate))
print('%.6f %.6f' % (a - b, b))
)PY";

TEST_F(EchoFileTest, FiguresAgreeWithAnIndependentComputation)
{
    const std::string script = Path("reference.py");
    {
        std::FILE* f = std::fopen(script.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(kReferenceScript, f);
        std::fclose(f);
    }
    struct Case {
        uint32_t rate;
        uint16_t channels;
    };
    uint32_t noise = 12345;  // a fixed pseudo-random hiss with a DC offset on top of the tones
    for (const Case c : {Case{11025, 1}, Case{16000, 2}, Case{44100, 2}, Case{48000, 1}}) {
        SCOPED_TRACE(c.rate);
        const size_t frames = c.rate * 4 + c.rate / 10;
        std::vector<int16_t> left(frames), right(frames);
        AddSine(left, c.rate, 0, frames * 11 / 20, 3000, 700.0);
        AddSine(right, c.rate, 0, frames, 9000, 300.0);
        for (int16_t& s : left) {
            noise = noise * 1103515245u + 12345u;
            s = static_cast<int16_t>(s + 40 + static_cast<int>(noise >> 16) % 61);
        }
        const std::string path = Path("mixed.wav");
        testwav::WriteWav(path, c.channels, c.rate, c.channels == 1 ? left : testwav::Stereo(left, right));

        const std::string command = "python3 " + script + " " + path;
        std::FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        double reduction = 0.0, residual = 0.0;
        const int read = std::fscanf(pipe, "%lf %lf", &reduction, &residual);
        ASSERT_EQ(::pclose(pipe), 0);
        ASSERT_EQ(read, 2);

        const Figures f = Measure(path);
        EXPECT_NEAR(f.reduction, reduction, 1e-3);
        EXPECT_NEAR(f.residual, residual, 1e-3);
    }
    EXPECT_TRUE(m_boxes.asked.empty());
}

}  // namespace
}  // namespace vk
