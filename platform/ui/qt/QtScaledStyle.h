#pragma once
// A shrunk dialog (QtScreenFit.h) shrinks its check and radio marks with its
// text: the style draws them at a fixed pixel size, and in a box laid out in
// shrunk dialog units they would push the text past the control's edge.

class QStyle;

namespace vk {

// The style for the check boxes and radio buttons of a shrunk dialog, its marks
// and their gap to the text scaled by the dialog scale; nullptr when nothing is
// shrunk (the controls keep the application's style).
[[nodiscard]] QStyle* ScaledMarksStyle();

}  // namespace vk
