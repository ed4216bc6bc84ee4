#pragma once
// Small value types of the dialog framework: fonts and the classic message
// numbers, so the wizard reads like the Windows program it is ported from;
// rectangles, points and window placement come from platform/window.

#include <cstdint>
#include <string>

#include "platform/post/MessageTarget.h"
#include "platform/window/PlacedWindow.h"

namespace vk {

// Anything a message box or file dialog can belong to (a dialog); may be null.
class IWindowOwner {
public:
    virtual ~IWindowOwner() = default;
};

// A font as the layouts and the code name it: a face, and either a point size (dialog
// templates) or a height in pixels (fonts the code creates). Faces that Linux
// lacks ("MS Shell Dlg", "Microsoft Sans Serif", "Tahoma") fall back to a sans font.
struct DialogFont {
    std::string face;
    int pointSize = 0;  // used when not 0
    int height = 0;     // pixels, used when pointSize is 0
    int weight = 400;   // 400 normal, 700 bold
    bool italic = false;
    friend bool operator==(const DialogFont&, const DialogFont&) = default;
};

// Window messages a dialog receives (posted or delivered by its host).
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_HSCROLL = 0x0114;
constexpr uint32_t WM_VSCROLL = 0x0115;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;

// lParam of a mouse message: x in the low word, y in the high word (signed).
constexpr LPARAM MakePointLParam(Point p)
{
    return static_cast<LPARAM>((static_cast<uint32_t>(static_cast<uint16_t>(p.y)) << 16) | static_cast<uint16_t>(p.x));
}
constexpr unsigned MK_LBUTTON = 0x0001;

// Scroll codes of WM_VSCROLL / WM_HSCROLL (low word of wParam).
constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_ENDSCROLL = 8;

// System commands of the framework itself (the low four bits are free for the owner).
constexpr unsigned SC_CLOSE = 0xF060;

// Colours as 0x00BBGGRR, the classic layout.
using COLORREF = uint32_t;
constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }
constexpr unsigned GetRValue(COLORREF c) { return c & 0xFF; }
constexpr unsigned GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr unsigned GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

// System colours and metrics with their classic values (one look on every host).
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr COLORREF GetSysColor(int index)
{
    switch (index) {
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    default: return RGB(0, 0, 0);
    }
}
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    default: return 0;
    }
}

}  // namespace vk
