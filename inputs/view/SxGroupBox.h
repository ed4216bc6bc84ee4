#pragma once
// The frame of a channel panel: an etched rectangle of two lines whose colours
// the owner changes at run time (the selected channel's panel is red), with a
// gap in the top line for the caption. Attach it to a group-box control:
//
//   m_panel.SubclassDlgItem(1092, this);
//   m_panel.GetColors(shadow, hilite);                        // the normal colours
//   m_panel.SetColors(RGB(250, 0, 0), RGB(100, 50, 50), false);  // 0: the default colour
//   GetDlgItem(1092).Invalidate();

#include <string>

#include "platform/ui/Dialog.h"
#include "platform/ui/Surface.h"

namespace vk {

class CSxGroupBox {
public:
    // Caption alignments.
    static constexpr int kAlignLeft = 0x100;
    static constexpr int kAlignRight = 0x200;
    static constexpr int kAlignCenter = 0x300;

    CSxGroupBox();
    virtual ~CSxGroupBox();
    CSxGroupBox(const CSxGroupBox&) = delete;
    CSxGroupBox& operator=(const CSxGroupBox&) = delete;

    // Attaches to control nID of pParent: takes its caption, alignment and frame,
    // and paints it from now on. False without a parent.
    bool SubclassDlgItem(int nID, CDialog* pParent);

    // A colour of 0 means the default one (so black cannot be set); with bRedraw
    // the control is painted again.
    void SetColors(COLORREF clrShadow, COLORREF clrHilite, bool bRedraw);
    void GetColors(COLORREF& clrShadow, COLORREF& clrHilite) const;

    // Paints the frame and the caption into a context of the control's client area.
    void OnPaint(IDrawingSurface& dc);

    // The frame rectangle inside a window rectangle given in client coordinates,
    // by the control's extended styles.
    [[nodiscard]] static Rect FrameFromWindowRect(Rect window, bool modalFrame, bool clientEdge, bool staticEdge);

    [[nodiscard]] const Rect& GetFrameRect() const { return m_rcFrame; }
    [[nodiscard]] const DialogFont& GetCaptionFont() const { return m_pFont; }
    [[nodiscard]] int GetAlign() const { return m_nAlign; }

protected:
    // Runs when the object is attached to its control.
    virtual void PreSubclassWindow();

    COLORREF m_clrShadow;
    COLORREF m_clrHilite;
    COLORREF m_clrDefShadow;
    COLORREF m_clrDefHilite;
    int m_nLineWidth = 1;
    COLORREF m_clrText = 0;
    DialogFont m_pFont;
    std::string m_strCaption;
    int m_nAlign = kAlignLeft;
    int m_nIndent = 8;
    Rect m_rcFrame;

    CControl* m_pCtrl = nullptr;
};

}  // namespace vk
