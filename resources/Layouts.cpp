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
        {1005, K::Slider, "", {64, 104, 28, 102}, CS_VERTICAL | CS_TICKS | CS_TABSTOP},
        {1013, K::GroupBox, "Speaker", {118, 90, 64, 122}},
        {1007, K::Slider, "", {136, 104, 28, 102}, CS_VERTICAL | CS_TICKS | CS_TABSTOP},
        {1000, K::Progress, "", {200, 100, 147, 12}},
        {1114, K::Picture, "", {200, 114, 147, 16}, 0, IDB_METER_SCALE},
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
                                       {1008, K::Static, "Inputs Setup", {14, 10, 540, 20}},
                                       {1009, K::Static, "You can select a channel by clicking its panel.",
                                        {14, 32, 540, 22}},
                                   });
    for (int i = 0; i < 4; ++i) {
        const ChannelPanelIds& p = kChannelPanels[static_cast<size_t>(i)];
        const int x = 10 + i * 88;
        const std::string n = std::to_string(i + 1);
        auto add = [&](int id, K kind, std::string caption, DlgRect r, unsigned style = 0) {
            t.controls.push_back({id, kind, std::move(caption), {x + r.x, r.y, r.cx, r.cy}, style});
        };
        add(p.frame, K::GroupBox, "", {0, 58, 84, 158}, CS_GROUP | CS_MODALFRAME);
        add(p.use, K::CheckBox, "Use Input " + n, {6, 66, 72, 10}, CS_TABSTOP);
        add(p.typeGroup, K::GroupBox, "Type", {4, 78, 76, 48});
        add(p.first, K::RadioButton, "Microphone", {8, 89, 70, 10}, CS_GROUP | CS_TABSTOP);
        add(p.second, K::RadioButton, "Sound Reinforcement", {8, 100, 70, 10});
        add(p.third, K::RadioButton, "Auxiliary", {8, 111, 70, 10});
        add(p.gainLabel, K::Static, "Analog gain:", {6, 132, 44, 9}, CS_GROUP);
        add(p.gainText, K::Edit, "0 dB", {48, 130, 22, 12}, CS_READONLY);
        add(p.gainSpin, K::UpDown, "", {70, 130, 10, 12}, CS_VERTICAL);
        add(p.phantomGroup, K::GroupBox, "    ", {4, 146, 44, 42});
        add(p.phantom, K::CheckBox, "Phantom", {8, 145, 38, 10}, CS_TABSTOP);
        add(p.v3, K::RadioButton, "3V", {10, 159, 34, 10}, CS_GROUP | CS_TABSTOP);
        add(p.v24, K::RadioButton, "24V", {10, 171, 34, 10});
        add(p.localLabel, K::Static, "Local", {54, 146, 26, 9}, CS_GROUP | CS_CENTER);
        add(p.local, K::Slider, "", {54, 156, 26, 44}, CS_VERTICAL | CS_TICKS | CS_TABSTOP);
        add(p.mute, K::CheckBox, "Mute", {52, 202, 30, 10}, CS_TABSTOP);
    }
    const std::vector<ControlTemplate> rest = {
        {1106, K::Frame, "", {366, 58, 190, 124}, CS_GROUP},
        {1026, K::PushButton, "Record", {366, 190, 60, 16}, CS_TABSTOP},
        {1025, K::PushButton, "Playback", {431, 190, 60, 16}, CS_TABSTOP},
        {1027, K::PushButton, "Save Recording", {496, 190, 60, 16}, CS_TABSTOP},
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
