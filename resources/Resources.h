#pragma once
// The program's resources: dialog layouts 100 (About box), 102 (wizard) and 103
// (inputs page), icons 128, 129, 130, 132, the level-meter scale 138 and the
// string table.

#include <string>

#include "platform/ui/DialogTemplate.h"

namespace vk {

// Layout ids.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_QUORVELVK550CONFIG_DIALOG = 102;
constexpr int IDD_INPUTS_SETUP = 103;

// Image ids.
constexpr int IDR_MAINFRAME = 128;  // the application icon
constexpr int IDI_OUTPUT = 129;     // page icon of the output test
constexpr int IDI_SPEAKER = 130;    // page icon of the speaker test (the layout's own)
constexpr int IDI_UNIT = 132;       // page icon of detection, type choice and the end
constexpr int IDB_METER_SCALE = 138;

// String ids.
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDS_ABOUTDEVICE = 102;

extern const DialogTemplate kAboutTemplate;
extern const DialogTemplate kWizardTemplate;
extern const DialogTemplate kInputsTemplate;

// A string of the table; empty for an unknown id.
[[nodiscard]] std::string LoadResourceString(int id);

// Registers the image files with the dialog framework (from the data folder's
// "images/"); true when every image file exists.
bool RegisterResourceImages();
[[nodiscard]] std::string ResourceImagePath(int id);

}  // namespace vk
