// The wave queues on simulated devices: format and buffer sizes, open/close
// rules, both streaming cycles, and buffers given back before they are freed.

#include <gtest/gtest.h>

#include <cstring>

#include "audio/WaveFormat.h"
#include "audio/WaveInQueue.h"
#include "audio/WaveOutQueue.h"
#include "platform/clock/Clock.h"
#include "sim/sound/SimSoundSystem.h"

namespace vk {
namespace {

TEST(WaveFormatTest, BufferSizeFollowsTheRate)
{
    const std::pair<uint32_t, int> cases[] = {{8000, 2048},   {11025, 2048},  {12000, 4096}, {16000, 4096},
                                              {17999, 4096},  {18000, 8192},  {35999, 8192}, {36000, 16384},
                                              {48000, 16384}, {192000, 16384}};
    for (const auto& [rate, bytes] : cases)
        EXPECT_EQ(bytes, WaveBufferBytes(rate)) << rate;
}

TEST(WaveFormatTest, DerivedFieldsAndCopy)
{
    const CWaveFormat stereo(2, 44100, 16);
    EXPECT_EQ(4, stereo.nBlockAlign);
    EXPECT_EQ(176400u, stereo.nAvgBytesPerSec);
    EXPECT_EQ(WAVE_FORMAT_PCM, stereo.wFormatTag);

    const CWaveFormat standard;
    EXPECT_EQ(1, standard.nChannels);
    EXPECT_EQ(11025u, standard.nSamplesPerSec);
    EXPECT_EQ(16, standard.wBitsPerSample);

    WAVEFORMATEX extensible = stereo;
    extensible.cbSize = 22;
    EXPECT_EQ(0, CWaveFormat(extensible).cbSize);
}

class WaveQueueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetSoundSystem(&m_sound);
        SetClock(&m_clock);
        m_mic = m_sound.AddDevice(WaveDirection::In, "Qrvl VK550_SAL");
        m_speaker = m_sound.AddDevice(WaveDirection::Out, "Qrvl VK550_SAL");
        m_other = m_sound.AddDevice(WaveDirection::Out, "Other");
    }
    void TearDown() override
    {
        SetSoundSystem(nullptr);
        SetClock(nullptr);
    }

    CSimSoundSystem m_sound;
    CVirtualClock m_clock;
    CSimSoundSystem::DeviceId m_mic = -1;
    CSimSoundSystem::DeviceId m_speaker = -1;
    CSimSoundSystem::DeviceId m_other = -1;
    const CWaveFormat m_format{1, 16000, 16};
};

TEST_F(WaveQueueTest, OpenTwiceKeepsTheFirstDeviceAndCloseWhenClosedIsHarmless)
{
    CWaveOutQueue out;
    EXPECT_EQ(10, out.Count());
    EXPECT_EQ(WAVE_MAPPER, out.DeviceId());
    out.SetDeviceId(0);
    ASSERT_TRUE(out.Open(m_format));
    out.SetDeviceId(1);
    EXPECT_FALSE(out.Open(m_format));
    EXPECT_TRUE(out.IsOpen());

    // Still the first device: what is played there lands on the unit's speaker.
    out.SetCount(1);
    out.SetFormat(m_format, 4);
    CWaveBuffer* b = out.GetBuffer(0);
    std::memcpy(b->lpData, "\x01\x02\x03\x04", 4);
    ASSERT_TRUE(out.Prepare(b));
    ASSERT_TRUE(out.Write(b));
    out.WaitDone(b);
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4}), m_sound.Played(m_speaker));
    EXPECT_TRUE(m_sound.Played(m_other).empty());
    EXPECT_TRUE(out.Close());
    EXPECT_FALSE(out.IsOpen());

    CWaveInQueue in;
    EXPECT_TRUE(in.Close());
    EXPECT_EQ(nullptr, in.GetBuffer(0));  // no buffers yet

    CWaveOutQueue refused;
    refused.SetDeviceId(7);  // no such device
    EXPECT_FALSE(refused.Open(m_format));
    EXPECT_FALSE(refused.IsOpen());
}

TEST_F(WaveQueueTest, PlaybackBufferRules)
{
    CWaveOutQueue out;
    out.SetCount(4);
    out.SetFormat(m_format, 1024);
    EXPECT_EQ(nullptr, out.GetBuffer(4));
    CWaveBuffer* b = out.GetBuffer(0);
    EXPECT_EQ(1024u, b->dwBufferLength);
    EXPECT_TRUE(out.Unprepare(b));  // never prepared: fine, and without a device
    out.WaitDone(b);                // never written: returns at once

    // SetCount takes effect at the next SetFormat.
    out.SetCount(2);
    EXPECT_NE(nullptr, out.GetBuffer(3));
    out.SetFormat(m_format, 512);
    EXPECT_EQ(nullptr, out.GetBuffer(2));
    EXPECT_EQ(512u, out.GetBuffer(1)->dwBufferLength);
}

TEST_F(WaveQueueTest, PlaybackCycleStreamsEveryByteInOrder)
{
    m_sound.SetPacing(SimPacing::RealTime);  // buffers take their time: the ring must wait
    const CWaveFormat fast(1, 48000, 16);
    std::vector<uint8_t> source(10 * 1000 + 7);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint8_t>(i * 13);
    {
        CWaveOutQueue out;
        out.SetCount(4);
        out.SetFormat(fast, 1000);
        out.SetDeviceId(0);
        ASSERT_TRUE(out.Open(fast));
        out.ResetEvent();
        int i = 0;
        CWaveBuffer* last = nullptr;
        for (size_t at = 0; at < source.size(); at += 1000) {
            CWaveBuffer* b = out.GetBuffer(i);
            while (!out.Unprepare(b))
                Clock().SleepMs(1);
            const size_t n = std::min<size_t>(1000, source.size() - at);
            std::memcpy(b->lpData, source.data() + at, n);
            b->dwBufferLength = static_cast<uint32_t>(n);
            out.Prepare(b);
            i = (i + 1) % 4;
            out.Write(b);
            last = b;
        }
        out.WaitDone(last);
        out.Reset();
        EXPECT_TRUE(out.Close());
    }
    // The last buffer held 7 bytes: the device plays whole frames only.
    std::vector<uint8_t> expected(source.begin(), source.end() - 1);
    EXPECT_EQ(expected, m_sound.Played(m_speaker));
}

TEST_F(WaveQueueTest, RecordingCycleDeliversTheSignalInRingOrder)
{
    m_sound.SetSignal(m_mic, std::make_shared<CSineSignal>(1000.0, 8000.0));
    CWaveInQueue in;
    in.SetCount(6);
    in.SetFormat(m_format, 4096);
    in.SetDeviceId(0);
    ASSERT_TRUE(in.Open(m_format));
    m_sound.SetDeliveryBudget(m_mic, 9);
    ASSERT_TRUE(in.PrepareAndAddAll());
    in.ResetEvent();
    ASSERT_TRUE(in.Start());
    CSineSignal reference(1000.0, 8000.0);
    uint64_t sample = 0;
    int timeouts = 0;
    for (int block = 0, i = 0; block < 10; ++block, i = (i + 1) % in.Count()) {
        CWaveBuffer* b = in.GetBuffer(i);
        while (!in.IsDone(b) && timeouts < 3)
            timeouts += in.Wait(1000) == WAIT_TIMEOUT;
        if (!in.IsDone(b))
            break;
        ASSERT_TRUE(in.Unprepare(b));
        ASSERT_EQ(4096u, b->dwBytesRecorded);
        const auto* samples = reinterpret_cast<const int16_t*>(b->lpData);
        for (int k = 0; k < 2048; ++k)
            ASSERT_EQ(reference.Sample(sample++, 16000), samples[k]) << block;
        in.Prepare(b);
        in.AddBuffer(b);
    }
    EXPECT_EQ(9u * 2048, sample);  // the budget ran out: the tenth block never came
    EXPECT_EQ(3, timeouts);
    EXPECT_GE(m_clock.NowMs(), 3000u);  // three one-second waits, on the clock
    in.Stop();
    in.Reset();
    EXPECT_TRUE(in.Close());
}

TEST_F(WaveQueueTest, FailedQueueingHandsBuffersBackBeforeTheyAreFreed)
{
    m_sound.SetDeliveryBudget(m_mic, 0);  // the device holds what it takes
    m_sound.SetAcceptLimit(m_mic, 3);
    auto in = std::make_unique<CWaveInQueue>();
    in->SetCount(6);
    in->SetFormat(m_format, 4096);
    in->SetDeviceId(0);
    ASSERT_TRUE(in->Open(m_format));
    EXPECT_FALSE(in->PrepareAndAddAll());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(in->GetBuffer(i)->Has(WHDR_INQUEUE)) << i;
    in.reset();  // ASan would see the device touch freed buffers otherwise

    // A queue destroyed while the device still holds buffers lets go of them too.
    m_sound.SetAcceptLimit(m_mic, -1);
    in = std::make_unique<CWaveInQueue>();
    in->SetCount(6);
    in->SetFormat(m_format, 4096);
    in->SetDeviceId(0);
    ASSERT_TRUE(in->Open(m_format));
    ASSERT_TRUE(in->PrepareAndAddAll());
    EXPECT_FALSE(in->Close());  // queued buffers cannot be unprepared
    in.reset();
}

TEST_F(WaveQueueTest, RemovedMicrophoneFailsInsteadOfDelivering)
{
    CWaveInQueue in;
    in.SetCount(2);
    in.SetFormat(m_format, 4096);
    in.SetDeviceId(0);
    ASSERT_TRUE(in.Open(m_format));
    m_sound.RemoveDevice(m_mic);
    EXPECT_FALSE(in.PrepareAndAddAll());
    EXPECT_EQ(WAIT_TIMEOUT, in.Wait(1000));
    EXPECT_FALSE(in.IsDone(in.GetBuffer(0)));
}

}  // namespace
}  // namespace vk
