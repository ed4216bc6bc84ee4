#pragma once
// Control ids of the wizard (layout 102) and the inputs page (layout 103). The
// ids are fixed: other programs of the family and their documentation refer to
// them. The layouts, the wizard and the inputs page all take them from here.

#include <array>

namespace vk {

// --- Both layouts -------------------------------------------------------------
constexpr int IDC_TITLE = 1008;  // page title
constexpr int IDC_BODY = 1009;   // page text
constexpr int IDC_NEXT = 1003;   // "Next  >" / "Exit >"
constexpr int IDC_BACK = 1004;   // "<  Back"

// --- Wizard (layout 102) --------------------------------------------------------
constexpr int IDC_LEVEL_METER = 1000;
constexpr int IDC_PLAY_VOICE = 1001;      // "Play Voice" / "Record" / "Stop"
constexpr int IDC_OUTPUT_SLIDER = 1005;
constexpr int IDC_PLAY_MUSIC = 1006;      // "Play Music" / "Playback"
constexpr int IDC_SPEAKER_SLIDER = 1007;
constexpr int IDC_OUTPUT_FRAME = 1010;
constexpr int IDC_PAGE_ICON = 1011;
constexpr int IDC_SPEAKER_FRAME = 1013;
constexpr int IDC_EXIT_NO_SAVE = 1014;
constexpr int IDC_ECHO_TEST = 1015;       // the hidden "&Secret Test"
constexpr int IDC_TYPE_STAND_ALONE = 1022;
constexpr int IDC_TYPE_MASTER = 1023;
constexpr int IDC_TYPE_SLAVE = 1024;
constexpr int IDC_TYPE_SYSTEM = 1025;     // "System Integration" (never shown)
constexpr int IDC_SAVE_OUTPUT_RECORDING = 1026;
constexpr int IDC_OUTPUT_LEVEL_FRAME = 1109;
constexpr int IDC_OUTPUT_LEVEL_MIC = 1110;
constexpr int IDC_OUTPUT_LEVEL_LINE = 1112;
constexpr int IDC_METER_SCALE = 1114;

// --- Inputs page (layout 103) ---------------------------------------------------
constexpr int IDC_INPUTS_PLAYBACK = 1025;
constexpr int IDC_INPUTS_RECORD = 1026;
constexpr int IDC_INPUTS_SAVE = 1027;
constexpr int IDC_MONITOR_SLIDER = 1104;         // hidden; gives the level 24 of register 4
constexpr int IDC_SYSTEM_SPEAKER_SLIDER = 1105;  // hidden, unused
constexpr int IDC_SIGNAL_VIEW = 1106;
constexpr int IDC_SYSTEM_SPEAKER_LABEL = 1108;   // hidden

// One channel panel of the inputs page.
struct ChannelPanelIds {
    int frame, use, typeGroup, first, second, third, gainLabel, gainText, gainSpin, phantomGroup, phantom, v3, v24,
        localLabel, local, mute;
};
// Channels 1..4 at index 0..3.
constexpr std::array<ChannelPanelIds, 4> kChannelPanels{{
    {1092, 1064, 1093, 1052, 1056, 1060, 1071, 1067, 1066, 1100, 1070, 1072, 1073, 1051, 1035, 1043},
    {1094, 1065, 1097, 1053, 1057, 1061, 1076, 1075, 1074, 1101, 1077, 1078, 1079, 1048, 1032, 1040},
    {1095, 1068, 1098, 1054, 1058, 1062, 1082, 1081, 1080, 1102, 1083, 1084, 1085, 1049, 1033, 1041},
    {1096, 1069, 1099, 1055, 1059, 1063, 1088, 1087, 1086, 1103, 1089, 1090, 1091, 1050, 1034, 1042},
}};

}  // namespace vk
