#include "MonkeyWalk.h"

#include "DeviceEvents.h"
#include "resources/ControlIds.h"

#include <cstdio>
#include <vector>

namespace vk::faultsweep {

namespace {

// splitmix64: the same numbers everywhere (the standard's distributions are not).
class CWalkRandom {
public:
    explicit CWalkRandom(uint64_t seed) : m_state(seed) {}
    uint64_t Next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    template <typename T, size_t N>
    const T& Pick(const T (&items)[N])
    {
        return items[static_cast<size_t>(Below(static_cast<int>(N)))];
    }

private:
    uint64_t m_state;
};

const char* const kKinds[] = {"new", "stand-alone", "master", "slave", "master+slave"};
const char* const kPlugKinds[] = {"new", "stand-alone", "master", "slave"};

// The buttons a user can press on some page besides Next and Back: the three
// type choices, the test buttons, "Exit without saving", the hidden test.
constexpr int kWizardButtons[] = {IDC_TYPE_STAND_ALONE, IDC_TYPE_MASTER, IDC_TYPE_SLAVE, IDC_PLAY_VOICE,
                                  IDC_PLAY_MUSIC, IDC_SAVE_OUTPUT_RECORDING, IDC_EXIT_NO_SAVE, IDC_ECHO_TEST,
                                  IDC_INPUTS_PLAYBACK, IDC_INPUTS_RECORD, IDC_INPUTS_SAVE};
constexpr int kWizardSliders[] = {IDC_SPEAKER_SLIDER, IDC_OUTPUT_SLIDER};
constexpr unsigned kMenuEntries[] = {0x10, 0x20, 0x30, 0x40, 0x50};
const char* const kAnswers[] = {"yes", "no", "ok", "cancel"};
const char* const kFaults[] = {"silent", "error 253", "echo", "delay 1500", "unplug"};

int PanelClick(CWalkRandom& r)
{
    const ChannelPanelIds& p = kChannelPanels[static_cast<size_t>(r.Below(4))];
    const int ids[] = {p.use, p.first, p.second, p.third, p.phantom, p.v3, p.v24, p.mute};
    return r.Pick(ids);
}

int PanelSlider(CWalkRandom& r)
{
    const ChannelPanelIds& p = kChannelPanels[static_cast<size_t>(r.Below(4))];
    return r.Below(2) ? p.gainSpin : p.local;
}

// A user's pause: mostly short (inside the device watch's 200 ms settle time)
// or a few seconds, now and then a long one.
int PauseMs(CWalkRandom& r)
{
    switch (r.Below(4)) {
    case 0: return r.Between(0, 250);
    case 1:
    case 2: return r.Between(300, 4000);
    default: return r.Between(4000, 12000);
    }
}

enum class Action { Next, Back, Button, PanelControl, Panel, Slider, Pause, Menu, Answer, File, Leave, Plug, Unplug, Replug, Fault };

struct Weighted {
    int perMille;
    Action action;
};

// Mostly forward through the pages and about the inputs page, now and then a
// unit coming or going or a transaction failing (every 15th step or so); Esc
// and the close box end most walks, so they come seldom.
constexpr Weighted kActions[] = {
    {280, Action::Next},  {60, Action::Back},   {60, Action::Button}, {130, Action::PanelControl},
    {30, Action::Panel},  {60, Action::Slider}, {150, Action::Pause}, {25, Action::Menu},
    {45, Action::Answer}, {20, Action::File},   {3, Action::Leave},   {17, Action::Plug},
    {17, Action::Unplug}, {13, Action::Replug}, {20, Action::Fault},
};
constexpr int kTotalWeight = [] {
    int total = 0;
    for (const Weighted& w : kActions)
        total += w.perMille;
    return total;
}();

class CWalk {
public:
    CWalk(uint64_t seed, const std::string& units) : m_r(seed), m_units(units == "master+slave" ? 2 : 1)
    {
        m_present.assign(static_cast<size_t>(m_units), true);
    }

    std::string Step()
    {
        switch (PickAction()) {
        case Action::Next: return "click " + std::to_string(IDC_NEXT);
        case Action::Back: return "click " + std::to_string(IDC_BACK);
        case Action::Button: return "click " + std::to_string(m_r.Pick(kWizardButtons));
        case Action::PanelControl: return "click " + std::to_string(PanelClick(m_r));
        case Action::Panel: return "panel " + std::to_string(m_r.Between(1, 4));
        case Action::Slider:
            return "slider " + std::to_string(m_r.Below(2) ? m_r.Pick(kWizardSliders) : PanelSlider(m_r)) + " " +
                   std::to_string(m_r.Between(0, 20));
        case Action::Pause: return Pause();
        case Action::Menu: {
            char text[16];
            std::snprintf(text, sizeof text, "menu 0x%02X", m_r.Pick(kMenuEntries));
            return text;
        }
        case Action::Answer: return std::string("answer ") + m_r.Pick(kAnswers);
        case Action::File: return m_r.Below(3) ? "file \"walk-" + std::to_string(m_r.Below(3)) + ".cfg\"" : "file cancel";
        case Action::Leave: return m_r.Below(2) ? "escape" : "close";
        case Action::Plug: return Plug();
        case Action::Unplug: return Unplug();
        case Action::Replug: return Replug();
        case Action::Fault:
            return "fault " + std::to_string(m_r.Between(1, m_units)) + " at " + std::to_string(m_r.Between(1, 40)) + " " +
                   m_r.Pick(kFaults);
        }
        return Pause();
    }

private:
    Action PickAction()
    {
        int roll = m_r.Below(kTotalWeight);
        for (const Weighted& w : kActions) {
            if (roll < w.perMille)
                return w.action;
            roll -= w.perMille;
        }
        return Action::Pause;
    }
    std::string Pause() { return "wait " + std::to_string(PauseMs(m_r)); }
    std::string Plug()
    {
        if (m_units >= 6)
            return Unplug();
        ++m_units;
        m_present.push_back(true);
        return std::string("plug ") + m_r.Pick(kPlugKinds);
    }
    std::string Unplug()
    {
        const int unit = m_r.Between(1, m_units);
        m_present[static_cast<size_t>(unit - 1)] = false;
        return "unplug " + std::to_string(unit);
    }
    // Mostly a unit that left; a unit that is there may be replugged too (it
    // may have left by a fault).
    std::string Replug()
    {
        int unit = m_r.Between(1, m_units);
        for (int i = 1; i <= m_units; ++i)
            if (!m_present[static_cast<size_t>(i - 1)])
                unit = i;
        m_present[static_cast<size_t>(unit - 1)] = true;
        return "replug " + std::to_string(unit);
    }

    CWalkRandom m_r;
    int m_units;
    std::vector<bool> m_present;
};

}  // namespace

std::string MonkeyUnitsFor(uint64_t seed) { return kKinds[seed % std::size(kKinds)]; }

std::string MonkeyScript(uint64_t seed, int steps, const std::string& units)
{
    std::string script = "# monkey walk, seed " + std::to_string(seed) + ", " + std::to_string(steps) + " steps\n";
    script += "# options: --units=" + units + "\n";
    script += "start\n";
    CWalk walk(seed, units);
    for (int i = 0; i < steps; ++i)
        script += walk.Step() + "\n";
    script += "wait " + std::to_string(kSettleTailMs) + "\nend\n";
    return script;
}

}  // namespace vk::faultsweep
