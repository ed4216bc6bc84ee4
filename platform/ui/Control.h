#pragma once
// One control of a dialog, owned by the dialog and found by its id. It holds the
// whole state the logic can set or read; every change is passed to the host so a
// real window shows it. Nothing here notifies the dialog: like the classic
// controls, setting a position or a check mark from code sends no message.

#include <functional>
#include <string>

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Drawing.h"

namespace vk {

class CDialog;
class IDrawingSurface;

// What changed, for the host's redraw (bit set).
enum : unsigned {
    CC_TEXT = 1u << 0,
    CC_VISIBLE = 1u << 1,
    CC_ENABLED = 1u << 2,
    CC_CHECK = 1u << 3,
    CC_RANGE = 1u << 4,  // range, position, ticks, line and page size
    CC_IMAGE = 1u << 5,
    CC_FONT = 1u << 6,
    CC_DRAWING = 1u << 7,
    CC_ZORDER = 1u << 8,
    CC_ALL = 0xFFFFu,
};

constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

class CControl {
public:
    CControl(CDialog& owner, const ControlTemplate& tmpl);
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    [[nodiscard]] int Id() const { return m_id; }
    [[nodiscard]] ControlKind Kind() const { return m_kind; }
    [[nodiscard]] unsigned Style() const { return m_style; }
    [[nodiscard]] const DlgRect& LayoutRect() const { return m_layoutRect; }
    [[nodiscard]] CDialog& Owner() const { return m_owner; }

    void SetWindowText(const std::string& text);
    [[nodiscard]] const std::string& GetWindowText() const { return m_text; }

    void ShowWindow(int showCmd);  // SW_HIDE hides, anything else shows
    void Show(bool visible) { ShowWindow(visible ? SW_SHOW : SW_HIDE); }
    [[nodiscard]] bool IsWindowVisible() const { return m_visible; }

    void EnableWindow(bool enable);
    [[nodiscard]] bool IsWindowEnabled() const { return m_enabled; }

    void SetCheck(int state);  // BST_CHECKED / BST_UNCHECKED
    [[nodiscard]] int GetCheck() const { return m_check; }

    // Sliders, up-down controls and progress bars. The position is kept inside the range.
    void SetRange(int minimum, int maximum);
    [[nodiscard]] int GetRangeMin() const { return m_min; }
    [[nodiscard]] int GetRangeMax() const { return m_max; }
    void SetPos(int pos);
    [[nodiscard]] int GetPos() const { return m_pos; }
    void SetTicFreq(int freq);
    [[nodiscard]] int GetTicFreq() const { return m_ticFreq; }
    void SetLineSize(int size);
    [[nodiscard]] int GetLineSize() const { return m_lineSize; }
    void SetPageSize(int size);
    [[nodiscard]] int GetPageSize() const { return m_pageSize; }

    // Icon or bitmap resource shown by an IconStatic / Picture control.
    void SetImage(int imageId);
    [[nodiscard]] int GetImage() const { return m_image; }
    // The layout's name of a control without a caption of its own (a slider, a
    // meter), for screen readers; empty for controls that are named by their text.
    [[nodiscard]] const std::string& AccessibleName() const { return m_name; }

    // A font of its own (the dialog's font when never set).
    void SetFont(const DialogFont& font);
    [[nodiscard]] const DialogFont& GetFont() const { return m_font; }
    [[nodiscard]] bool HasOwnFont() const { return m_hasFont; }

    // Owner drawing: the picture replaces the control's own look (Frame, GroupBox).
    void SetDrawing(CDrawing drawing);
    [[nodiscard]] const CDrawing& GetDrawing() const { return m_drawing; }

    // Painting by the code: the host calls the handler whenever the control is
    // painted, with a context in client pixels (empty handler: the host's own look).
    using PaintHandler = std::function<void(IDrawingSurface&)>;
    void SetPaintHandler(PaintHandler handler);
    [[nodiscard]] const PaintHandler& GetPaintHandler() const { return m_paint; }
    // Copies an off-screen surface to the client area at (0, 0) in one step.
    void Blit(const IDrawingSurface& surface);
    // Width of the modal frame (CS_MODALFRAME) around the client area; 0 without.
    [[nodiscard]] int FrameBorder() const;
    // The client area's size in pixels, as the host shows the control.
    [[nodiscard]] Size GetClientSize() const;

    // Gives this control the keyboard focus.
    void SetFocus();

    // Repaint request (owner-drawn controls repaint from their drawing).
    void Invalidate() { Changed(CC_DRAWING); }

    // Brings the control to the top of its dialog's window order.
    void BringWindowToTop();
    [[nodiscard]] unsigned ZOrderStamp() const { return m_zStamp; }

    // Window rectangle in the dialog's client pixels (the layout mapped by the host's font).
    [[nodiscard]] Rect GetClientRectInDialog() const;

private:
    void Changed(unsigned what);

    CDialog& m_owner;
    int m_id;
    ControlKind m_kind;
    unsigned m_style;
    DlgRect m_layoutRect;
    std::string m_text;
    bool m_visible;
    bool m_enabled;
    int m_check = BST_UNCHECKED;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_ticFreq = 1;
    int m_lineSize = 1;
    int m_pageSize = 0;
    int m_image = 0;
    std::string m_name;
    DialogFont m_font;
    bool m_hasFont = false;
    CDrawing m_drawing;
    PaintHandler m_paint;
    unsigned m_zStamp = 0;
};

}  // namespace vk
