#pragma once
// A view drawn completely off screen: it takes a placeholder control of a
// dialog, owns a surface of the control's client size and copies that surface
// to the control in one step (Blit). Derived views draw into the surface.

#include <memory>
#include <string>

#include "platform/ui/Dialog.h"
#include "platform/ui/Surface.h"

namespace vk {

class CBaseView {
public:
    CBaseView();
    virtual ~CBaseView();
    CBaseView(const CBaseView&) = delete;
    CBaseView& operator=(const CBaseView&) = delete;

    // Takes control nID of pParent and builds the black surface of its client
    // size. False only without a parent.
    bool Create(CDialog* pParent, int nID);
    // The whole surface black; the current position to (0, H / 2).
    void Erase();
    // The surface to the control's client area at (0, 0), W x H, one plain copy.
    void Blit();

    // The placeholder's client rectangle (W = right, H = bottom) and the surface.
    [[nodiscard]] const Rect& GetClientRect() const { return m_rcClient; }
    [[nodiscard]] IDrawingSurface* GetSurface() const { return m_dcMem.get(); }

protected:
    // Drawing with the surface's current selections.
    Pen SelectPen(const Pen& pen);  // returns the previous pen
    void MoveTo(Point p) { m_ptCurrent = p; }
    void LineTo(Point p);
    void TextOut(Point at, const std::string& text);

    std::unique_ptr<IDrawingSurface> m_dcMem;
    COLORREF m_brBack = RGB(0, 0, 0);
    DialogFont m_fontText;
    Rect m_rcClient;
    CDialog* m_pParent = nullptr;
    CControl* m_pCtrl = nullptr;

    // What is selected into the surface: pen, background mode and colour, text colour, position.
    Pen m_penSelected{RGB(255, 255, 255), 0, false};
    bool m_bOpaque = false;
    COLORREF m_clrBk = RGB(0, 0, 0);
    COLORREF m_clrText = RGB(255, 255, 0);
    Point m_ptCurrent;
};

}  // namespace vk
