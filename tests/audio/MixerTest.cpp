// Mixer volumes on simulated mixers: which lines become the record and playback
// controls, what is written to them, and the messages on mixer failures.

#include <gtest/gtest.h>

#include "audio/AudioCtrl.h"
#include "audio/AudioDevice.h"
#include "audio/AudioEndpoints.h"
#include "platform/ui/MessageBox.h"
#include "sim/sound/SimSoundSystem.h"

namespace vk {
namespace {

constexpr uint32_t kDest = 0xFFFF0000;
constexpr uint32_t kLineIn = 0x1000;
constexpr uint32_t kMic = 0x1001;

SimMixerControl Ctl(uint32_t id, uint32_t type, std::vector<uint32_t> values = {0}, uint32_t flags = 0)
{
    SimMixerControl c;
    c.dwControlID = id;
    c.dwControlType = type;
    c.fdwControl = flags;
    c.values = std::move(values);
    return c;
}

SimMixerControl Mux(uint32_t id, std::vector<uint32_t> lineIds)
{
    SimMixerControl c = Ctl(id, MIXERCONTROL_CONTROLTYPE_MUX, std::vector<uint32_t>(lineIds.size(), 1));
    c.cMultipleItems = static_cast<uint32_t>(lineIds.size());
    for (uint32_t lineId : lineIds)
        c.listTexts.push_back({lineId, 0, "entry"});
    return c;
}

SimMixerLine Line(uint32_t id, uint32_t type, uint32_t channels, std::vector<SimMixerControl> controls)
{
    SimMixerLine l;
    l.dwLineID = id;
    l.dwComponentType = type;
    l.cChannels = channels;
    l.controls = std::move(controls);
    return l;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetSoundSystem(&m_sound);
        SetMessageBoxes(&m_boxes);
    }
    void TearDown() override
    {
        SetSoundSystem(nullptr);
        SetMessageBoxes(nullptr);
    }
    // A recording device "Qrvl VK550_SAL" whose mixer has this wave-in destination.
    void RecordMixer(SimMixerLine waveIn)
    {
        SimMixer mixer;
        mixer.name = "Qrvl VK550_SAL";
        mixer.destinations = {std::move(waveIn)};
        const uint32_t id = m_sound.AddMixer(mixer);
        m_sound.AddDevice(WaveDirection::In, "Qrvl VK550_SAL", id);
    }
    std::vector<SimMixerWrite> Writes() const { return m_sound.MixerWrites(); }

    CSimSoundSystem m_sound;
    CScriptedMessageBox m_boxes;
};

TEST_F(MixerTest, SingleSourceDestinationIsTheRecordControl)
{
    SimMixerLine waveIn = Line(kDest, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 2,
                               {Ctl(1, MIXERCONTROL_CONTROLTYPE_VOLUME, {0, 0}), Ctl(2, MIXERCONTROL_CONTROLTYPE_MUTE, {1})});
    waveIn.sources = {Line(kMic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, {Ctl(3, MIXERCONTROL_CONTROLTYPE_VOLUME)})};
    RecordMixer(waveIn);
    CAudioEndpoints endpoints;
    EXPECT_EQ(0, endpoints.SetRecordVolume(0x1234, 0x5678));
    EXPECT_EQ(0, endpoints.UnmuteRecord());
    const std::vector<SimMixerWrite> expected = {{0, 1, {0x1234, 0x5678}}, {0, 2, {0}}};
    EXPECT_EQ(expected, Writes());  // the source line is never touched
    EXPECT_TRUE(m_boxes.asked.empty());
}

TEST_F(MixerTest, SourcesUnderAMuxAreSwitchedOffAndTheDestinationRecords)
{
    SimMixerLine waveIn = Line(kDest, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 1,
                               {Ctl(1, MIXERCONTROL_CONTROLTYPE_VOLUME), Mux(2, {kLineIn, kMic})});
    waveIn.sources = {Line(kLineIn, MIXERLINE_COMPONENTTYPE_SRC_LINE, 1, {Ctl(3, MIXERCONTROL_CONTROLTYPE_VOLUME)}),
                      Line(kMic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, {Ctl(4, MIXERCONTROL_CONTROLTYPE_VOLUME)})};
    RecordMixer(waveIn);
    CAudioEndpoints endpoints;
    EXPECT_EQ(0, endpoints.SetRecordVolume(0xFFFF));
    const std::vector<SimMixerWrite> setVolume = {{0, 2, {0, 0}}, {0, 2, {0, 0}}, {0, 1, {0xFFFF}}};
    EXPECT_EQ(setVolume, Writes());
    m_sound.ClearMixerWrites();
    EXPECT_EQ(0, endpoints.UnmuteRecord());
    // Only the sources' switching off again: the destination has no switch of its own.
    const std::vector<SimMixerWrite> unmute = {{0, 2, {0, 0}}, {0, 2, {0, 0}}};
    EXPECT_EQ(unmute, Writes());
}

TEST_F(MixerTest, MicrophoneBecomesTheRecordControlWhenTheDestinationHasNone)
{
    SimMixerLine waveIn = Line(kDest, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 1, {});
    waveIn.sources = {Line(kLineIn, MIXERLINE_COMPONENTTYPE_SRC_LINE, 1, {Ctl(3, MIXERCONTROL_CONTROLTYPE_MUTE)}),
                      Line(kMic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1,
                           {Ctl(4, MIXERCONTROL_CONTROLTYPE_VOLUME), Ctl(5, MIXERCONTROL_CONTROLTYPE_MUTE, {1})})};
    RecordMixer(waveIn);
    CAudioEndpoints endpoints;
    EXPECT_EQ(0, endpoints.SetRecordVolume(100, 200));
    EXPECT_EQ(0, endpoints.UnmuteRecord());
    const std::vector<SimMixerWrite> expected = {
        {0, 3, {1}}, {0, 4, {100}},  // line-in muted; mono: only the left value
        {0, 3, {1}}, {0, 5, {0}}};
    EXPECT_EQ(expected, Writes());
}

TEST_F(MixerTest, SwitchFinding)
{
    struct Case {
        const char* name;
        std::vector<SimMixerControl> destination;  // controls of the wave-in destination
        std::vector<SimMixerControl> source;       // controls of the line under test (source 0)
        bool init;
        int kind;
        uint32_t switchId;
        uint32_t itemIndex;
        int single;
    };
    const Case cases[] = {
        {"mute", {}, {Ctl(1, MIXERCONTROL_CONTROLTYPE_MUTE)}, true, CAudioCtrl::kSourceMute, 1, 0, 0},
        {"disabled mute, no volume", {}, {Ctl(1, MIXERCONTROL_CONTROLTYPE_MUTE, {0}, MIXERCONTROL_CONTROLF_DISABLED)},
         false, CAudioCtrl::kNoSwitch, CAudioCtrl::kNone, 0, 0},
        {"disabled mute, volume",
         {},
         {Ctl(1, MIXERCONTROL_CONTROLTYPE_MUTE, {0}, MIXERCONTROL_CONTROLF_DISABLED), Ctl(2, MIXERCONTROL_CONTROLTYPE_VOLUME)},
         true, CAudioCtrl::kSourceMute, CAudioCtrl::kNone, 0, 0},
        {"entry 2 of a MUX", {Mux(9, {0x7, 0x8, kMic})}, {Ctl(2, MIXERCONTROL_CONTROLTYPE_VOLUME)}, true,
         CAudioCtrl::kListEntry, 9, 2, 1},
        {"not an entry of the MUX: its mute", {Mux(9, {0x7, 0x8})},
         {Ctl(2, MIXERCONTROL_CONTROLTYPE_MUTE)}, true, CAudioCtrl::kSourceMute, 2, 0, 0},
        {"single select", {}, {Ctl(6, MIXERCONTROL_CONTROLTYPE_SINGLESELECT)}, true, CAudioCtrl::kListEntry, 6, 0, 0},
        {"no controls", {}, {}, false, CAudioCtrl::kNoSwitch, CAudioCtrl::kNone, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSimSoundSystem sound;
        SetSoundSystem(&sound);
        SimMixer mixer;
        SimMixerLine waveIn = Line(kDest, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 1, c.destination);
        waveIn.sources = {Line(kMic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, c.source)};
        mixer.destinations = {waveIn};
        sound.AddMixer(mixer);
        CAudioCtrl ctrl;
        EXPECT_EQ(c.init, ctrl.Init(0, 0, 0));
        EXPECT_EQ(c.kind, ctrl.m_nSwitchKind);
        EXPECT_EQ(c.switchId, ctrl.m_dwSwitchId);
        EXPECT_EQ(c.itemIndex, ctrl.m_nItemIndex);
        EXPECT_EQ(c.single, ctrl.m_bSingleSelect);
        if (c.switchId == CAudioCtrl::kNone) {
            ctrl.SetSwitch(1, true);
            EXPECT_TRUE(sound.MixerWrites().empty());
        }
    }
    SetSoundSystem(&m_sound);
}

TEST_F(MixerTest, ListEntryWrites)
{
    // A line that is entry 2 of a 3-entry list: a MUX clears the others, a MIXER keeps them.
    for (bool mux : {true, false}) {
        SCOPED_TRACE(mux ? "MUX" : "MIXER");
        CSimSoundSystem sound;
        SetSoundSystem(&sound);
        SimMixerControl list = Mux(9, {0x7, 0x8, kMic});
        if (!mux)
            list.dwControlType = MIXERCONTROL_CONTROLTYPE_MIXER;
        SimMixerLine waveIn = Line(kDest, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 1, {list});
        waveIn.sources = {Line(kMic, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 1, {Ctl(2, MIXERCONTROL_CONTROLTYPE_VOLUME)})};
        SimMixer mixer;
        mixer.destinations = {waveIn};
        sound.AddMixer(mixer);
        CAudioCtrl ctrl;
        ASSERT_TRUE(ctrl.Init(0, 0, 0));
        ctrl.SetSwitch(0, true);
        EXPECT_EQ((mux ? std::vector<uint32_t>{0, 0, 1} : std::vector<uint32_t>{1, 1, 1}), sound.ControlValues(0, 9));
        ctrl.SetSwitch(1, true);
        EXPECT_EQ((mux ? std::vector<uint32_t>{0, 0, 0} : std::vector<uint32_t>{1, 1, 0}), sound.ControlValues(0, 9));
    }
    SetSoundSystem(&m_sound);
}

TEST_F(MixerTest, PlaybackVolumeAndUnmuteOnAUnitCard)
{
    m_sound.AddDevice(WaveDirection::Out, "Speakers (Realtek)");
    const auto card = m_sound.AddCard("Qrvl VK550_SAL");
    // The wave-out source gets a volume of its own, so both controls are set.
    SimMixerLine& wave = m_sound.Mixer(card.mixer).destinations[1].sources[0];
    wave.controls = {Ctl(10, MIXERCONTROL_CONTROLTYPE_VOLUME, {0, 0}), Ctl(11, MIXERCONTROL_CONTROLTYPE_MUTE, {1})};
    CAudioEndpoints endpoints;
    EXPECT_EQ("Qrvl VK550_SAL", endpoints.m_strPlayDevice);
    EXPECT_EQ(0, endpoints.SetPlayVolume(24 * 0xFFFF / 24));
    EXPECT_EQ(0, endpoints.UnmutePlay());
    EXPECT_EQ((std::vector<uint32_t>{0xFFFF, 0xFFFF}), m_sound.ControlValues(card.mixer, 3));
    EXPECT_EQ((std::vector<uint32_t>{0xFFFF, 0xFFFF}), m_sound.ControlValues(card.mixer, 10));
    EXPECT_EQ((std::vector<uint32_t>{0}), m_sound.ControlValues(card.mixer, 4));
    EXPECT_EQ((std::vector<uint32_t>{0}), m_sound.ControlValues(card.mixer, 11));

    // Without a wave control the master is switched on twice.
    wave.controls.clear();
    m_sound.ClearMixerWrites();
    EXPECT_EQ(0, endpoints.UnmutePlay());
    const std::vector<SimMixerWrite> twice = {{card.mixer, 4, {0}}, {card.mixer, 4, {0}}};
    EXPECT_EQ(twice, m_sound.MixerWrites());
}

TEST_F(MixerTest, LostDeviceClearsTheNameAndTheNextCallSearchesAgain)
{
    auto card = m_sound.AddCard("Qrvl VK550_SAL");
    CAudioEndpoints endpoints;
    m_sound.RemoveCard(card);
    EXPECT_EQ(-1, endpoints.SetRecordVolume(0x8000));
    EXPECT_EQ("", endpoints.m_strRecordDevice);
    EXPECT_EQ(-1, endpoints.SetPlayVolume(0x8000));
    EXPECT_EQ("", endpoints.m_strPlayDevice);

    card = m_sound.AddCard("Qrvl VK550_MAS");  // back under its new name
    EXPECT_EQ(0, endpoints.SetRecordVolume(0x4000));
    EXPECT_EQ("Qrvl VK550_MAS", endpoints.m_strRecordDevice);
    EXPECT_EQ((std::vector<uint32_t>{0x4000}), m_sound.ControlValues(card.mixer, 1));
    EXPECT_EQ(0, endpoints.UnmutePlay());
    EXPECT_EQ("Qrvl VK550_MAS", endpoints.m_strPlayDevice);
}

TEST_F(MixerTest, FindLineNumberReportsEachUnreadableDestination)
{
    SimMixer mixer;
    mixer.name = "Qrvl VK550_SAL";
    SimMixerLine broken = Line(0x1, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, 1, {});
    broken.readResult = MIXERR_INVALLINE;
    SimMixerLine odd = broken;
    odd.readResult = MMSYSERR_NOMEM;
    mixer.destinations = {broken, odd, Line(0x2, MIXERLINE_COMPONENTTYPE_DST_UNDEFINED, 2, {})};
    m_sound.AddMixer(mixer);
    CAudioDevice device;
    EXPECT_EQ(2, device.FindLineNumber(1));
    EXPECT_EQ(-1, device.FindLineNumber(0));
    ASSERT_EQ(4u, m_boxes.asked.size());
    EXPECT_EQ("mixerGetLineInfo Error MIXERR_INVALLINE 1024:  m_iCard = 0   mxLine.dwDestination = 0   \n",
              m_boxes.asked[0].text);
    EXPECT_EQ("FindLineNumber", m_boxes.asked[0].caption);
    EXPECT_EQ(MB_OK, m_boxes.asked[0].type);
    EXPECT_EQ("mixerGetLineInfo Error 7:  m_iCard = 0   mxLine.dwDestination = 1   \n", m_boxes.asked[1].text);

    m_boxes.asked.clear();
    m_sound.Mixer(0).capsResult = MMSYSERR_NODRIVER;
    EXPECT_EQ(-1, device.FindLineNumber(0));
    ASSERT_EQ(1u, m_boxes.asked.size());
    EXPECT_EQ("No mixers \n", m_boxes.asked[0].text);

    // A recording device whose mixer has no wave-in destination.
    m_boxes.asked.clear();
    m_sound.Mixer(0).capsResult = MMSYSERR_NOERROR;
    m_sound.Mixer(0).destinations = {Line(0x2, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, {})};
    m_sound.AddDevice(WaveDirection::In, "Qrvl VK550_SAL", 0);
    CAudioEndpoints endpoints;
    EXPECT_EQ(-1, endpoints.SetRecordVolume(1));
    ASSERT_EQ(1u, m_boxes.asked.size());
    EXPECT_EQ("iLine = -1 \n", m_boxes.asked[0].text);
    EXPECT_EQ("CreateRecordControls", m_boxes.asked[0].caption);
}

}  // namespace
}  // namespace vk
