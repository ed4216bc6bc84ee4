// Dialog layouts in dialog units. Ids and captions are fixed (other programs'
// documentation and the logic refer to them); positions are ours.
#include "resources/Resources.h"

#include "resources/ControlIds.h"

#include <array>

namespace vk {

namespace {
using K = ControlKind;
const DialogFont kShellDlg{"MS Shell Dlg", 8};

// The wizard and the inputs page share one window frame: the inputs page opens
// exactly over the wizard.
DialogTemplate WizardFrame(int id, std::vector<ControlTemplate> controls)
{
    return {.id = id,
            .caption = "Quorvel Dravena Configuration",
            .width = 567,
            .height = 251,
            .font = kShellDlg,
            .style = DS_SYSMENU | DS_MODALFRAME | DS_APPWINDOW,
            .controls = std::move(controls)};
}
}  // namespace

const DialogTemplate kAboutTemplate{
    .id = IDD_ABOUTBOX,
    .caption = "About Quorvel Dravena Configuration",
    .width = 267,
    .height = 61,
    .font = kShellDlg,
    .style = DS_SYSMENU | DS_MODALFRAME,
    .controls = {
        {-1, K::IconStatic, "", {12, 14, 21, 20}, 0, IDR_MAINFRAME},
        {1013, K::Static, "<Version>", {44, 12, 160, 10}},
        {-1, K::Static, "Copyright (C) 2026 Selvo. All rights reserved.", {44, 28, 160, 10}},
        {1, K::PushButton, "OK", {210, 10, 50, 14}, CS_DEFAULT | CS_TABSTOP | CS_GROUP},
    }};

// The wizard: the page icon at the top left beside the title and text, the
// page's own controls in the middle band and Back / Next at the bottom right.
const DialogTemplate kWizardTemplate = WizardFrame(
    IDD_QUORVELVK550CONFIG_DIALOG,
    {
        {1011, K::IconStatic, "", {14, 14, 21, 20}, 0, IDI_SPEAKER},
        {1008, K::Static, "", {46, 12, 510, 22}},
        {1009, K::Static, "", {46, 38, 510, 46}},
        // The type choice (one radio group).
        {1022, K::RadioButton, "Stand Alone (up to 4 inputs)", {62, 96, 280, 14}, CS_GROUP | CS_TABSTOP},
        {1023, K::RadioButton, "Master Unit", {62, 116, 280, 14}},
        {1024, K::RadioButton, "Slave Unit", {62, 136, 280, 14}},
        {1025, K::RadioButton, "System Integration", {62, 156, 280, 14}, CS_HIDDEN},
        // Levels: the two sliders in their frames, the meter with its scale.
        {1010, K::GroupBox, "Output", {46, 90, 64, 122}, CS_GROUP},
        {1005, K::Slider, "", {64, 104, 28, 102}, CS_VERTICAL | CS_TICKS | CS_TABSTOP, 0, "Output volume"},
        {1013, K::GroupBox, "Speaker", {118, 90, 64, 122}},
        {1007, K::Slider, "", {136, 104, 28, 102}, CS_VERTICAL | CS_TICKS | CS_TABSTOP, 0, "Speaker volume"},
        {1000, K::Progress, "", {200, 100, 147, 12}, 0, 0, "Output level meter"},
        {1114, K::Picture, "", {200, 114, 147, 16}, 0, IDB_METER_SCALE, "Output level scale"},
        {1109, K::GroupBox, "Output Level", {200, 146, 147, 50}},
        {1110, K::RadioButton, "Microphone", {212, 160, 120, 12}, CS_GROUP | CS_TABSTOP},
        {1112, K::RadioButton, "Line", {212, 176, 120, 12}},
        // The test buttons.
        {1001, K::PushButton, "Play Voice", {456, 100, 96, 18}, CS_GROUP | CS_TABSTOP},
        {1006, K::PushButton, "Play Music", {456, 124, 96, 18}, CS_TABSTOP},
        {1026, K::PushButton, "Save Recording", {456, 148, 96, 18}, CS_TABSTOP},
        // Navigation and the buttons that are never shown.
        {1014, K::PushButton, "Exit without saving", {14, 224, 110, 18}, CS_HIDDEN | CS_TABSTOP},
        {1015, K::PushButton, "&Secret Test", {130, 224, 60, 18}, CS_HIDDEN},
        {1, K::PushButton, "Cancel", {196, 224, 60, 18}, CS_HIDDEN},
        {1004, K::PushButton, "<  Back", {370, 224, 86, 18}, CS_TABSTOP},
        {1003, K::PushButton, "Next  >", {466, 224, 86, 18}, CS_DEFAULT | CS_TABSTOP},
    });

namespace {

DialogTemplate MakeInputsTemplate()
{
    DialogTemplate t = WizardFrame(IDD_INPUTS_SETUP,
                                   {
                                       {1008, K::Static, "Inputs Setup", {14, 6, 540, 18}},
                                       {1009, K::Static, "You can select a channel by clicking its panel.",
                                        {14, 24, 540, 36}},
                                   });
    // Four panels side by side; inside each, positions are from the panel's top left.
    constexpr int kPanelTop = 62;
    for (int i = 0; i < 4; ++i) {
        const ChannelPanelIds& p = kChannelPanels[static_cast<size_t>(i)];
        const int x = 8 + i * 98;
        const std::string n = std::to_string(i + 1);
        auto add = [&](int id, K kind, std::string caption, DlgRect r, unsigned style = 0, std::string name = {}) {
            t.controls.push_back(
                {id, kind, std::move(caption), {x + r.x, kPanelTop + r.y, r.cx, r.cy}, style, 0, std::move(name)});
        };
        add(p.frame, K::GroupBox, "", {0, 0, 94, 156}, CS_GROUP | CS_MODALFRAME, "Input " + n);
        add(p.use, K::CheckBox, "Use Input " + n, {6, 8, 80, 10}, CS_TABSTOP);
        add(p.typeGroup, K::GroupBox, "Type", {4, 20, 86, 48});
        add(p.first, K::RadioButton, "Microphone", {8, 31, 80, 10}, CS_GROUP | CS_TABSTOP);
        add(p.second, K::RadioButton, "Sound Reinforcement", {8, 42, 80, 10});
        add(p.third, K::RadioButton, "Auxiliary", {8, 53, 80, 10});
        add(p.gainLabel, K::Static, "Analog gain:", {6, 76, 44, 9}, CS_GROUP);
        add(p.gainText, K::Edit, "0 dB", {50, 74, 30, 12}, CS_READONLY, "Input " + n + " analog gain");
        add(p.gainSpin, K::UpDown, "", {80, 74, 10, 12}, CS_VERTICAL, "Input " + n + " analog gain up-down");
        add(p.phantomGroup, K::GroupBox, "    ", {4, 92, 50, 42});
        add(p.phantom, K::CheckBox, "Phantom", {8, 90, 44, 10}, CS_TABSTOP);
        add(p.v3, K::RadioButton, "3V", {12, 105, 36, 10}, CS_GROUP | CS_TABSTOP);
        add(p.v24, K::RadioButton, "24V", {12, 118, 36, 10});
        add(p.localLabel, K::Static, "Local", {60, 90, 28, 9}, CS_GROUP | CS_CENTER);
        add(p.local, K::Slider, "", {62, 100, 24, 40}, CS_VERTICAL | CS_TICKS | CS_TABSTOP, "Input " + n + " local volume");
        add(p.mute, K::CheckBox, "Mute", {58, 141, 34, 10}, CS_TABSTOP);  // clear of the frame's bottom line
    }
    const std::vector<ControlTemplate> rest = {
        // Record and Playback become "Stop Recording" and "Stop Playback": two buttons a row.
        {1106, K::Frame, "", {402, 62, 154, 110}, CS_GROUP, 0, "Selected input signal"},
        {1026, K::PushButton, "Record", {402, 176, 75, 16}, CS_TABSTOP},
        {1025, K::PushButton, "Playback", {481, 176, 75, 16}, CS_TABSTOP},
        {1027, K::PushButton, "Save Recording", {481, 196, 75, 16}, CS_TABSTOP},
        {1104, K::Slider, "", {366, 210, 20, 30}, CS_VERTICAL | CS_HIDDEN},
        {1105, K::Slider, "", {390, 210, 20, 30}, CS_VERTICAL | CS_HIDDEN},
        {1108, K::Static, "System Speaker", {414, 214, 60, 9}, CS_HIDDEN},
        {1004, K::PushButton, "<  Back", {370, 224, 86, 18}, CS_TABSTOP},
        {1003, K::PushButton, "Next  >", {466, 224, 86, 18}, CS_DEFAULT | CS_TABSTOP},
    };
    t.controls.insert(t.controls.end(), rest.begin(), rest.end());
    return t;
}

}  // namespace

const DialogTemplate kInputsTemplate = MakeInputsTemplate();

}  // namespace vk
