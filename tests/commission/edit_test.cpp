// A file laid over what the unit holds: a partial file changes only what it
// gives, and a value the wizard does not set is taken only by a unit that
// holds it already. Files are small and written out in each case.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "commission/ConfigurationDiff.h"
#include "commission/ConfigurationFile.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

// A Stand Alone unit as the wizard leaves it: four microphones at 0 dB without
// phantom power, every level 12.
UnitConfiguration StandAlone()
{
    UnitConfiguration config;
    config.type = kUnitStandAlone;
    config.flags = 0x800B;
    config.lines = {0x1F5E, 0x739C};
    config.address = 0x2000;
    for (int c = 0; c < kInputChannels; ++c) {
        config.channels[static_cast<size_t>(c)] = {kModeMicrophone, 24, false, 24, true};
        config.SetGainStep(c, 0);
        config.SetPhantom(c, kPhantomOff);
    }
    config.levels = {12, 12, 12, 12};
    return config;
}

UnitConfiguration Master()
{
    UnitConfiguration config = StandAlone();
    config.type = kUnitMaster;
    config.flags = 0xC00B;
    config.channels[0].mode = kModeSlaveLink;
    return config;
}

LoadedConfiguration Load(const std::string& body)
{
    const LoadOutcome outcome = ParseConfigurationFile("format_version = 2\n" + body, "f.toml");
    EXPECT_TRUE(outcome.loaded) << (outcome.errors.empty() ? "" : outcome.errors.front());
    return outcome.loaded.value_or(LoadedConfiguration{});
}

std::vector<std::string> Fields(const std::vector<FieldChange>& changes)
{
    std::vector<std::string> fields;
    for (const FieldChange& change : changes)
        fields.push_back(change.field);
    return fields;
}

TEST(ConfigurationEdit, APartialFileChangesOnlyWhatItGives)
{
    struct Case {
        const char* body;
        std::function<void(UnitConfiguration&)> change;  // what the unit is to hold afterwards
        std::vector<std::string> diff;
    };
    const Case cases[] = {
        {"", [](UnitConfiguration&) {}, {}},
        {"[levels]\nspeaker = 20\n", [](UnitConfiguration& u) { u.SetLevel(1, 20); }, {"speaker level"}},
        {"[levels]\noutput = 5\n",
         [](UnitConfiguration& u) {
             for (const int reg : {3, 4, 7})
                 u.SetLevel(reg, 5);
         },
         {"output level"}},
        {"[levels]\nregister_7 = 20\n", [](UnitConfiguration& u) { u.SetLevel(7, 20); },
         {"output register 7"}},
        {"[channel.2]\ngain_db = 42.0\n", [](UnitConfiguration& u) { u.SetGainStep(1, 7); }, {"channel 2 gain"}},
        {"[channel.2]\nphantom = \"24V\"\n[channel.4]\nmute = true\n",
         [](UnitConfiguration& u) {
             u.SetPhantom(1, kPhantom24V);
             u.channels[3].mute = true;
         },
         {"channel 2 phantom", "channel 4 mute"}},
        {"[channel.3]\ninput = \"auxiliary\"\n", [](UnitConfiguration& u) { u.channels[2].mode = kModeAuxiliary; },
         {"channel 3 input"}},
        {"[channel.4]\nin_use = false\n", [](UnitConfiguration& u) { u.channels[3].mode = kModeNotUsed; },
         {"channel 4 input"}},
        // The words' other bits are the file's, the inputs' bits stay the unit's.
        {"[controller]\nline_word_0 = 0x8000\n",
         [](UnitConfiguration& u) { u.lines[0] = static_cast<uint16_t>((u.lines[0] & InputLineMask()[0]) | 0x8000); },
         {"other controller lines"}},
    };
    const UnitConfiguration holds = StandAlone();
    for (const Case& c : cases) {
        UnitConfiguration expected = holds;
        c.change(expected);
        const WantedOutcome wanted = WantedConfiguration(Load(c.body), holds);
        EXPECT_TRUE(wanted.refusals.empty()) << c.body << wanted.refusals.front().message;
        EXPECT_TRUE(wanted.wanted.SameSettings(expected)) << c.body;
        EXPECT_EQ(Fields(DiffConfigurations(holds, wanted.wanted)), c.diff) << c.body;
    }
}

// Values the wizard does not set: refused with where the file gives them,
// taken where the unit holds them already. Phantom power is kept only on an
// input that keeps its type.
TEST(ConfigurationEdit, ValuesTheWizardDoesNotSetOnlyWhereTheUnitHoldsThem)
{
    struct Case {
        const char* what;
        std::function<UnitConfiguration()> holds;
        const char* body;
        std::vector<std::string> refused;  // the fields, as the diff names them
        const char* message = "";          // a part of the first refusal
    };
    const auto sa = [] { return StandAlone(); };
    const Case cases[] = {
        {"24 V on an auxiliary input", sa, "[channel.3]\ninput = \"auxiliary\"\nphantom = \"24V\"\n",
         {"channel 3 phantom"},
         "f.toml:4:11: channel.3.phantom: 24V: the wizard gives no phantom power to an auxiliary input of a STAND "
         "ALONE unit; only a unit that holds it already takes it, and this one holds off"},
        {"a unit that holds it", [] {
             UnitConfiguration u = StandAlone();
             u.channels[2].mode = kModeAuxiliary;
             u.SetPhantom(2, kPhantom24V);
             return u;
         },
         "[channel.3]\ninput = \"auxiliary\"\nphantom = \"24V\"\n", {}},
        {"an input that changes type and keeps its supply", [] {
             UnitConfiguration u = StandAlone();
             u.SetPhantom(0, kPhantom24V);
             return u;
         },
         "[channel.1]\ninput = \"auxiliary\"\n", {"channel 1 phantom"},
         "f.toml:3:9: channel.1.phantom: 24V: the wizard gives no phantom power to an auxiliary input"},
        {"24 V on a microphone", sa, "[channel.1]\nphantom = \"24V\"\n", {}},
        {"a slave link on a Stand Alone unit", sa, "[channel.1]\ninput = \"slave link\"\n", {"channel 1 input"},
         "the wizard gives a STAND ALONE unit microphone, sound reinforcement or auxiliary inputs"},
        {"phantom power on an unused input", [] {
             UnitConfiguration u = StandAlone();
             u.channels[3].mode = kModeNotUsed;
             return u;
         },
         "[channel.4]\nphantom = \"3V\"\n", {"channel 4 phantom"}, "an input not in use"},
        // Where the gain does not apply the wizard leaves it; it changes nothing heard.
        {"gain on a master's slave link", [] { return Master(); }, "[channel.1]\ngain_db = 42.0\n", {}},
        {"a level above the sliders", sa, "[levels]\nspeaker = 30\n", {"speaker level"},
         "f.toml:3:11: levels.speaker: 30: the wizard's levels go from 0 to 24"},
        {"a level the unit holds", [] {
             UnitConfiguration u = StandAlone();
             u.SetLevel(1, 30);
             return u;
         },
         "[levels]\nspeaker = 30\n", {}},
        {"one output register above the sliders, held", [] {
             UnitConfiguration u = StandAlone();
             u.SetLevel(7, 40);
             return u;
         },
         "[levels]\nregister_7 = 40\n", {}},
        {"the whole output above the sliders", [] {
             UnitConfiguration u = StandAlone();
             u.SetLevel(7, 40);
             return u;
         },
         "[levels]\noutput = 40\n", {"output register 3", "output register 4"}},
        {"a local level above the sliders", sa, "[channel.2]\nlocal_level = 25\n", {"channel 2 local level"}},
        {"an item level above the sliders", sa, "[channel.2]\nlevel = 250\n", {"channel 2 level"}},
        {"a mode no input type stands for, held", [] {
             UnitConfiguration u = StandAlone();
             u.channels[1].mode = 9;
             return u;
         },
         "[channel.2]\ninput = \"mode 9\"\n", {}},
        {"a mode no input type stands for", sa, "[channel.2]\ninput = \"mode 9\"\n", {"channel 2 input"}},
        {"an unused input put in use without its type", [] {
             UnitConfiguration u = StandAlone();
             u.channels[3].mode = kModeNotUsed;
             return u;
         },
         "[channel.4]\nin_use = true\n", {"channel 4 input"},
         "f.toml:3:10: channel.4.in_use: the unit does not use input 4: give its input type too"},
    };
    for (const Case& c : cases) {
        const WantedOutcome wanted = WantedConfiguration(Load(c.body), c.holds());
        std::vector<std::string> refused;
        for (const Refusal& refusal : wanted.refusals)
            refused.push_back(refusal.field);
        EXPECT_EQ(refused, c.refused) << c.what;
        if (!wanted.refusals.empty()) {
            EXPECT_THAT(wanted.refusals.front().message, ::testing::HasSubstr(c.message)) << c.what;
        }
    }
}

// config check: values only a unit holding them takes are noted where they
// stand; rules that need the unit's type wait for it.
TEST(ConfigurationEdit, NotesWithoutAUnit)
{
    struct Case {
        const char* body;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"[levels]\nspeaker = 12\n", {}},
        {"[levels]\nspeaker = 30\n",
         {"f.toml:3:11: levels.speaker: 30: the wizard's levels go from 0 to 24; only a unit that holds it already "
          "takes it"}},
        {"[unit]\ntype = \"STAND ALONE\"\nflags = 0x800B\n[channel.3]\ninput = \"auxiliary\"\nphantom = \"24V\"\n",
         {"f.toml:7:11: channel.3.phantom: 24V: the wizard gives no phantom power to an auxiliary input of a STAND "
          "ALONE unit; only a unit that holds it already takes it"}},
        {"[channel.3]\nphantom = \"24V\"\n",
         {"f.toml: the file leaves out the unit's type or an input's type: gain, phantom and input types are judged "
          "against the unit when the file is applied"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NotesWithoutUnit(Load(c.body)), c.notes) << c.body;
}

}  // namespace
}  // namespace vk::commission
