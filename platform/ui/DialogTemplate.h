#pragma once
// The layout of a dialog as plain C++ tables: ids, kinds, captions, rectangles in
// dialog units, styles, images and the dialog font. A layout is a constant that a
// dialog class is constructed from; both hosts build their windows from it.
//
// Dialog units: x units are a quarter of the font's average character width,
// y units an eighth of its height (the host measures the font; the headless
// host takes 6 x 13 pixels, the classic 8-point figure).
//
// Example (one button, one slider):
//
//   const vk::DialogTemplate kExample{
//       .id = 100, .caption = "Example", .width = 200, .height = 80,
//       .font = {"MS Shell Dlg", 8},
//       .style = vk::DS_SYSMENU | vk::DS_MODALFRAME,
//       .controls = {
//           {1001, vk::ControlKind::PushButton, "Play Voice", {10, 10, 60, 14}},
//           {1005, vk::ControlKind::Slider, "", {80, 10, 20, 60}, vk::CS_VERTICAL | vk::CS_TABSTOP},
//       }};

#include <string>
#include <vector>

#include "platform/ui/UiTypes.h"

namespace vk {

enum class ControlKind {
    Static,       // text label
    IconStatic,   // shows an icon resource (image id)
    Picture,      // shows a bitmap resource (image id)
    Frame,        // a static with a black frame; the code may draw into it (CDrawing)
    GroupBox,     // a frame with a caption; the code may draw it itself (CDrawing)
    PushButton,
    CheckBox,     // automatic check box: a click toggles it, then WM_COMMAND
    RadioButton,  // automatic radio button: a click checks it and clears its group
    Slider,       // trackbar: range, position, ticks, line and page size
    UpDown,       // up-down (spin) control: range and position
    Progress,     // progress bar: range and position
    Edit,         // edit box (CS_READONLY for a display)
};

// Control styles (bit set).
enum : unsigned {
    CS_HIDDEN = 1u << 0,    // starts hidden
    CS_DISABLED = 1u << 1,  // starts disabled
    CS_GROUP = 1u << 2,     // first control of a group (radio groups run to the next CS_GROUP)
    CS_TABSTOP = 1u << 3,
    CS_VERTICAL = 1u << 4,  // sliders and up-down controls
    CS_READONLY = 1u << 5,  // edit boxes
    CS_DEFAULT = 1u << 6,   // the default push button
    CS_CENTER = 1u << 7,    // text centred
    CS_RIGHT = 1u << 8,     // text right-aligned
    CS_TICKS = 1u << 9,     // sliders draw tick marks
    CS_MODALFRAME = 1u << 10,  // extended style: a raised, doubled border
};

// Dialog styles (bit set).
enum : unsigned {
    DS_SYSMENU = 1u << 0,     // caption bar with a system menu
    DS_MODALFRAME = 1u << 1,
    DS_APPWINDOW = 1u << 2,   // shown in the task bar
    DS_MINIMIZEBOX = 1u << 3,
};

// Position and size in dialog units, as a layout writes them.
struct DlgRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string caption;
    DlgRect rect;        // dialog units
    unsigned style = 0;  // CS_...
    int image = 0;       // icon or bitmap resource id for IconStatic / Picture
    std::string name{};  // what a screen reader calls a control without a caption of its own
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int width = 0;   // dialog units
    int height = 0;  // dialog units
    DialogFont font;
    unsigned style = 0;  // DS_...
    std::vector<ControlTemplate> controls;
};

// Images by resource id (icons 128.., bitmap 138): the file a host loads (PNG).
// The resources library registers its files at start-up; unknown ids draw nothing.
void RegisterImageFile(int id, const std::string& path);
[[nodiscard]] std::string ImageFile(int id);  // empty when not registered

}  // namespace vk
