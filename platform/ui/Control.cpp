#include "platform/ui/Control.h"

#include <algorithm>

#include "platform/ui/Dialog.h"

namespace vk {

CControl::CControl(CDialog& owner, const ControlTemplate& tmpl)
    : m_owner(owner),
      m_id(tmpl.id),
      m_kind(tmpl.kind),
      m_style(tmpl.style),
      m_layoutRect(tmpl.rect),
      m_text(tmpl.caption),
      m_visible((tmpl.style & CS_HIDDEN) == 0),
      m_enabled((tmpl.style & CS_DISABLED) == 0),
      m_image(tmpl.image),
      m_name(tmpl.name),
      m_font(owner.Template().font)
{
}

void CControl::Changed(unsigned what) { m_owner.ControlChanged(*this, what); }

void CControl::SetWindowText(const std::string& text)
{
    if (text == m_text)
        return;
    m_text = text;
    Changed(CC_TEXT);
}

void CControl::ShowWindow(int showCmd)
{
    const bool visible = showCmd != SW_HIDE;
    if (visible == m_visible)
        return;
    m_visible = visible;
    Changed(CC_VISIBLE);
}

void CControl::EnableWindow(bool enable)
{
    if (enable == m_enabled)
        return;
    m_enabled = enable;
    Changed(CC_ENABLED);
}

void CControl::SetCheck(int state)
{
    const int check = state == BST_UNCHECKED ? BST_UNCHECKED : BST_CHECKED;
    if (check == m_check)
        return;
    m_check = check;
    Changed(CC_CHECK);
}

void CControl::SetRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum;
    // A reversed range is legal for up-down controls; keep the position between the two.
    m_pos = std::clamp(m_pos, std::min(m_min, m_max), std::max(m_min, m_max));
    Changed(CC_RANGE);
}

void CControl::SetPos(int pos)
{
    m_pos = std::clamp(pos, std::min(m_min, m_max), std::max(m_min, m_max));
    Changed(CC_RANGE);
}

void CControl::SetTicFreq(int freq)
{
    m_ticFreq = freq;
    Changed(CC_RANGE);
}

void CControl::SetLineSize(int size)
{
    m_lineSize = size;
    Changed(CC_RANGE);
}

void CControl::SetPageSize(int size)
{
    m_pageSize = size;
    Changed(CC_RANGE);
}

void CControl::SetImage(int imageId)
{
    m_image = imageId;
    Changed(CC_IMAGE);
}

void CControl::SetFont(const DialogFont& font)
{
    m_font = font;
    m_hasFont = true;
    Changed(CC_FONT);
}

void CControl::SetDrawing(CDrawing drawing)
{
    m_drawing = std::move(drawing);
    Changed(CC_DRAWING);
}

void CControl::SetFocus()
{
    if (m_owner.HasWindow())
        UiHost().SetFocus(m_owner, m_id);
}

void CControl::BringWindowToTop()
{
    m_zStamp = ++m_owner.m_zCounter;
    Changed(CC_ZORDER);
}

Rect CControl::GetClientRectInDialog() const { return m_owner.MapDialogRect(m_layoutRect); }

}  // namespace vk
