#pragma once
// Large text: a dialog laid out in dialog units grows with its font, so at 150 %
// text scaling a window designed for 96 dpi is wider than a 1280-pixel screen.
// The Qt host then shrinks every dialog by one factor, the largest with which the
// window, frame included, fits the work area of its screen: the layout (the dialog
// units, fractional), the fonts (rounded down so no text outgrows its control) and
// the check and radio marks (QtScaledStyle.h) alike.

#include <QMargins>
#include <QSize>

namespace vk {

class CDialog;

// The factor on every dialog font: 1 until a dialog had to shrink. It only goes
// down, so the dialogs of one run keep one look.
[[nodiscard]] double DialogFontScale();
void SetDialogFontScale(double scale);  // clamped to [kMinDialogFontScale, 1]

inline constexpr double kMinDialogFontScale = 0.5;  // below that text is unreadable anyway
// What a window manager's title bar and borders add around a client area.
inline constexpr QMargins kWindowFrame{8, 40, 8, 8};

// Lowers the scale so the dialog's client area plus `frame` fits `workArea` (or
// to its minimum). Returns the scale in force.
double FitDialogToWorkArea(const CDialog& dlg, QSize workArea, QMargins frame = kWindowFrame);

// Whether windows are fitted to their screen: always, except on the offscreen
// platform's built-in 800x600 screen (tests and screenshots draw the designed
// size there); an offscreen screen given by a configfile counts as real.
[[nodiscard]] bool FitsWindowsToScreen();

}  // namespace vk
