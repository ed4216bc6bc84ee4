#include "platform/ui/Dialog.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/ui/MessageBox.h"

namespace vk {
namespace {
CDialog* g_mainWindow = nullptr;

int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    // Rounds half away from zero, as the classic MulDiv does.
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

const ControlTemplate kMissingControl{-1, ControlKind::Static, "", {}, CS_HIDDEN, 0};

long long Overlap(const Rect& a, const Rect& b)
{
    const long long w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const long long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

long long DistanceSquared(const Rect& a, const Rect& b)
{
    const long long dx = std::max({0, b.left - a.right, a.left - b.right});
    const long long dy = std::max({0, b.top - a.bottom, a.top - b.bottom});
    return dx * dx + dy * dy;
}
}  // namespace

CDialog::CDialog(const DialogTemplate& tmpl, CDialog* parent) : m_template(tmpl), m_parent(parent), m_caption(tmpl.caption)
{
    for (const ControlTemplate& ct : tmpl.controls) {
        auto ctrl = std::make_unique<CControl>(*this, ct);
        m_byId.emplace(ct.id, ctrl.get());  // the first of a repeated id wins, as with the classic lookup
        m_controls.push_back(std::move(ctrl));
    }
}

CDialog::~CDialog()
{
    if (g_mainWindow == this)
        g_mainWindow = nullptr;
    if (HasWindow()) {
        UiHost().DestroyDialogWindow(*this);
        UiLoop().Unregister(m_handle);
        m_handle = 0;
    }
}

// --- life --------------------------------------------------------------------

void CDialog::CreateWindowFor()
{
    m_ended = false;
    m_result = 0;
    m_handle = UiLoop().Register(*this);
    UiHost().CreateDialogWindow(*this);
}

void CDialog::DestroyWindowFor()
{
    if (!HasWindow())
        return;
    OnDestroy();
    m_visible = false;
    UiHost().DestroyDialogWindow(*this);
    UiLoop().Unregister(m_handle);
    m_handle = 0;
}

bool CDialog::Create()
{
    if (HasWindow())
        return false;
    CreateWindowFor();
    (void)OnInitDialog();  // its result only says whether the framework sets the focus
    if (!m_ended)
        ShowWindow(SW_SHOW);
    return true;
}

void CDialog::DestroyWindow() { DestroyWindowFor(); }

int CDialog::DoModal()
{
    if (m_inModal)
        return -1;
    if (!HasWindow()) {
        CreateWindowFor();
        (void)OnInitDialog();
    }
    // OnInitDialog may already have ended the dialog; then it never shows.
    const bool disableParent = m_parent && m_parent->HasWindow() && m_parent->IsWindowEnabled();
    if (!m_ended) {
        ShowWindow(SW_SHOW);
        if (disableParent)
            m_parent->EnableWindow(false);
        m_inModal = true;
        UiHost().RunModalLoop(*this);
        m_inModal = false;
    }
    if (!m_ended)
        m_result = -1;  // the loop was abandoned
    // The owner is enabled again before this window goes, so it gets the activation back.
    if (disableParent)
        m_parent->EnableWindow(true);
    DestroyWindowFor();
    return m_result;
}

void CDialog::EndDialog(int result)
{
    m_ended = true;
    m_result = result;
    if (HasWindow())
        UiHost().WakeUp();  // a window without a loop needs no waking
}

// --- controls ----------------------------------------------------------------

CControl& CDialog::GetDlgItem(int id)
{
    const auto it = m_byId.find(id);
    if (it != m_byId.end())
        return *it->second;
    if (!m_missing) {
        std::fprintf(stderr, "dialog %d has no control %d\n", m_template.id, id);
        m_missing = std::make_unique<CControl>(*this, kMissingControl);
    }
    return *m_missing;
}

const CControl* CDialog::FindControl(int id) const
{
    const auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : it->second;
}

CControl* CDialog::GetFocus()
{
    if (!HasWindow())
        return nullptr;
    const auto it = m_byId.find(UiHost().GetFocus(*this));
    return it == m_byId.end() ? nullptr : it->second;
}

bool CDialog::ClickControl(int id)
{
    const auto it = m_byId.find(id);
    if (it == m_byId.end() || !m_enabled)
        return false;
    CControl& ctrl = *it->second;
    if (!ctrl.IsWindowVisible() || !ctrl.IsWindowEnabled())
        return false;
    if (ctrl.Kind() == ControlKind::CheckBox) {
        ctrl.SetCheck(ctrl.GetCheck() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    } else if (ctrl.Kind() == ControlKind::RadioButton) {
        // The group runs from the last CS_GROUP control at or before this one to the next CS_GROUP.
        const auto pos = std::find_if(m_controls.begin(), m_controls.end(), [&](const auto& c) { return c.get() == &ctrl; });
        auto first = pos;
        while (first != m_controls.begin() && ((*first)->Style() & CS_GROUP) == 0)
            --first;
        auto last = pos + 1;
        while (last != m_controls.end() && ((*last)->Style() & CS_GROUP) == 0)
            ++last;
        for (auto c = first; c != last; ++c)
            if ((*c)->Kind() == ControlKind::RadioButton && c->get() != &ctrl)
                (*c)->SetCheck(BST_UNCHECKED);
        ctrl.SetCheck(BST_CHECKED);
    } else if (ctrl.Kind() != ControlKind::PushButton) {
        return false;  // statics and frames take no clicks
    }
    ctrl.SetFocus();
    SendMessage(WM_COMMAND, static_cast<WPARAM>(id), 0);
    return true;
}

bool CDialog::ScrollControl(int id, int pos, int code)
{
    const auto it = m_byId.find(id);
    if (it == m_byId.end() || !m_enabled)
        return false;
    CControl& ctrl = *it->second;
    if (ctrl.Kind() != ControlKind::Slider && ctrl.Kind() != ControlKind::UpDown)
        return false;
    if (!ctrl.IsWindowVisible() || !ctrl.IsWindowEnabled())
        return false;
    ctrl.SetFocus();
    ctrl.SetPos(pos);
    const uint32_t message = (ctrl.Style() & CS_VERTICAL) ? WM_VSCROLL : WM_HSCROLL;
    const WPARAM wParam = (static_cast<WPARAM>(ctrl.GetPos() & 0xFFFF) << 16) | static_cast<WPARAM>(code & 0xFFFF);
    SendMessage(message, wParam, id);
    return true;
}

void CDialog::ControlChanged(const CControl& ctrl, unsigned what)
{
    if (HasWindow() && &ctrl != m_missing.get())
        UiHost().ControlChanged(*this, ctrl, what);
}

// --- the window ----------------------------------------------------------------

void CDialog::SetWindowText(const std::string& caption)
{
    m_caption = caption;
    if (HasWindow())
        UiHost().WindowChanged(*this);
}

void CDialog::ShowWindow(int showCmd)
{
    m_visible = showCmd != SW_HIDE;
    if (showCmd != SW_HIDE && showCmd != SW_SHOW)
        m_showCmd = showCmd;
    if (HasWindow())
        UiHost().WindowChanged(*this);
}

void CDialog::EnableWindow(bool enable)
{
    m_enabled = enable;
    if (HasWindow())
        UiHost().WindowChanged(*this);
}

void CDialog::SetIcon(int imageId, bool bigIcon)
{
    (bigIcon ? m_bigIcon : m_smallIcon) = imageId;
    if (HasWindow())
        UiHost().WindowChanged(*this);
}

void CDialog::AppendSystemMenu(unsigned id, const std::string& text)
{
    if (!HasSystemMenu())
        return;
    m_systemMenu.push_back({id, id == 0 ? std::string() : text});
    if (HasWindow())
        UiHost().WindowChanged(*this);
}

void CDialog::EnableSystemMenuItem(unsigned id, bool enable)
{
    for (SystemMenuItem& item : m_systemMenu)
        if (item.id == id && id != 0)
            item.enabled = enable;
}

bool CDialog::GetWindowPlacement(WindowPlacement& placement)
{
    return HasWindow() && UiHost().GetWindowPlacement(*this, placement);
}

bool CDialog::SetWindowPlacement(const WindowPlacement& placement)
{
    if (!HasWindow() || !UiHost().SetWindowPlacement(*this, placement))
        return false;
    m_showCmd = placement.showCmd;
    m_visible = placement.showCmd != SW_HIDE;
    UiHost().WindowChanged(*this);
    return true;
}

bool CDialog::MonitorFromRect(const Rect& r, MonitorInfo& info)
{
    const std::vector<MonitorInfo> monitors = UiHost().Monitors();
    if (monitors.empty())
        return false;
    // The monitor with the largest overlap; when none overlaps, the closest one.
    const MonitorInfo* best = nullptr;
    long long bestOverlap = 0;
    for (const MonitorInfo& m : monitors) {
        const long long o = Overlap(r, m.monitor);
        if (o > bestOverlap) {
            bestOverlap = o;
            best = &m;
        }
    }
    if (!best) {
        long long bestDistance = LLONG_MAX;
        for (const MonitorInfo& m : monitors) {
            const long long d = DistanceSquared(r, m.monitor);
            if (d < bestDistance) {
                bestDistance = d;
                best = &m;
            }
        }
    }
    info = *best;
    return true;
}

Rect CDialog::MapDialogRect(const DlgRect& r) const
{
    const Size base = UiHost().DialogBaseUnits(m_template.font);
    const double scale = UiHost().DialogScale();
    const auto map = [scale](int units, int unit, int per) {
        return scale == 1.0 ? MulDiv(units, unit, per) : static_cast<int>(std::lround(units * unit * scale / per));
    };
    return {map(r.x, base.cx, 4), map(r.y, base.cy, 8), map(r.x + r.cx, base.cx, 4), map(r.y + r.cy, base.cy, 8)};
}

Size CDialog::ClientSize() const
{
    const Rect r = MapDialogRect({0, 0, m_template.width, m_template.height});
    return {r.Width(), r.Height()};
}

// --- messages -------------------------------------------------------------------

bool CDialog::Post(uint32_t message, WPARAM wParam, LPARAM lParam)
{
    const CUiLoop::Handle handle = m_handle.load();
    return handle != 0 && UiLoop().Post(handle, message, wParam, lParam);
}

intptr_t CDialog::SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) { return WindowProc(message, wParam, lParam); }

void CDialog::SetTimer(unsigned id, uint32_t periodMs)
{
    if (HasWindow())
        UiLoop().SetTimer(m_handle, id, periodMs);
}

bool CDialog::KillTimer(unsigned id) { return HasWindow() && UiLoop().KillTimer(m_handle, id); }

bool CDialog::HasTimer(unsigned id) const { return m_handle != 0 && UiLoop().HasTimer(m_handle, id); }

void CDialog::Invalidate()
{
    if (HasWindow())
        UiHost().InvalidateWindow(*this);
}

int CDialog::MessageBox(const std::string& text, const std::string& caption, unsigned type)
{
    return MessageBoxes().Show(this, text, caption, type);
}

intptr_t CDialog::WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: OnCommand(static_cast<int>(wParam & 0xFFFF)); return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            OnCommand(IDCANCEL);  // the close box
        else
            OnSysCommand(static_cast<unsigned>(wParam), lParam);
        return 0;
    case WM_CLOSE: OnCommand(IDCANCEL); return 0;
    case WM_TIMER: OnTimer(static_cast<unsigned>(wParam)); return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: {
        const int code = static_cast<int>(wParam & 0xFFFF);
        const int pos = static_cast<int16_t>((wParam >> 16) & 0xFFFF);
        const auto it = m_byId.find(static_cast<int>(lParam));
        CControl* ctrl = it == m_byId.end() ? nullptr : it->second;
        if (message == WM_VSCROLL)
            OnVScroll(code, pos, ctrl);
        else
            OnHScroll(code, pos, ctrl);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        const Point p{static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
        OnLButtonDown(static_cast<unsigned>(wParam), p);
        return 0;
    }
    case WM_PAINT: OnPaint(); return 0;
    default: return OnMessage(message, wParam, lParam);
    }
}

void CDialog::OnCommand(int id)
{
    if (id == IDOK)
        OnOK();
    else if (id == IDCANCEL)
        OnCancel();
}

void CDialog::SetMainWindow(CDialog* dlg) { g_mainWindow = dlg; }

CDialog* CDialog::MainWindow() { return g_mainWindow; }

void CDialog::ExitProcess(int code) { UiHost().ExitProcess(code); }

}  // namespace vk
