#pragma once
// A dialog window: owns its controls by id (built from a DialogTemplate), receives
// its messages on the user-interface thread through the virtual handlers below,
// runs modally (DoModal, a nested loop in which every other window's timers and
// posted messages are still dispatched) and ends with a result (EndDialog).
//
// Derive, override the handlers you need, and construct with the layout:
//
//   class CAboutDlg : public vk::CDialog {
//   public:
//       explicit CAboutDlg(vk::CDialog* parent) : CDialog(kAboutTemplate, parent) {}
//       bool OnInitDialog() override { GetDlgItem(1013).SetWindowText(m_version); return true; }
//   };
//
// Posting from any thread: dlg.Post(msg, wParam, lParam) (the dialog is an
// IMessageTarget); a post to a dialog whose window does not exist fails.

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/post/MessageTarget.h"
#include "platform/ui/Control.h"
#include "platform/ui/DialogHost.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/UiTypes.h"

namespace vk {

struct SystemMenuItem {
    unsigned id = 0;       // 0 for a separator
    std::string text;
    bool enabled = true;
    friend bool operator==(const SystemMenuItem&, const SystemMenuItem&) = default;
};

class CDialog : public IMessageTarget, public IWindowOwner, public IPlacedWindow {
public:
    explicit CDialog(const DialogTemplate& tmpl, CDialog* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // --- life -------------------------------------------------------------
    // Creates the window, runs OnInitDialog, shows it, disables the parent and
    // runs the loop until EndDialog; then OnDestroy and the window goes. Returns
    // the EndDialog result, or -1 when the loop was abandoned (the host could not
    // go on, or the program is ending).
    virtual int DoModal();
    void EndDialog(int result);
    [[nodiscard]] bool IsEnded() const { return m_ended; }
    [[nodiscard]] int Result() const { return m_result; }
    [[nodiscard]] bool HasWindow() const { return m_handle != 0; }
    // Modeless use: create the window and run OnInitDialog; DestroyWindow undoes it.
    bool Create();
    void DestroyWindow();

    // --- controls -----------------------------------------------------------
    // The control with this id; a missing id is a layout error and is reported
    // once, after which a detached stand-in control is returned.
    [[nodiscard]] CControl& GetDlgItem(int id);
    [[nodiscard]] const CControl* FindControl(int id) const;
    [[nodiscard]] const std::vector<std::unique_ptr<CControl>>& Controls() const { return m_controls; }
    void SetDlgItemText(int id, const std::string& text) { GetDlgItem(id).SetWindowText(text); }
    [[nodiscard]] std::string GetDlgItemText(int id) { return GetDlgItem(id).GetWindowText(); }
    void CheckDlgButton(int id, int state) { GetDlgItem(id).SetCheck(state); }
    [[nodiscard]] int IsDlgButtonChecked(int id) { return GetDlgItem(id).GetCheck(); }

    // The control with the keyboard focus, or null.
    [[nodiscard]] CControl* GetFocus();

    // What a user does to a control (hosts call these; tests may too): a click
    // toggles an automatic check box or checks an automatic radio button (clearing
    // the others of its group), then sends WM_COMMAND. Disabled or hidden controls
    // take no clicks. ScrollControl moves a slider or up-down control and sends
    // WM_VSCROLL (vertical) or WM_HSCROLL.
    bool ClickControl(int id);
    bool ScrollControl(int id, int pos, int code = SB_THUMBPOSITION);

    // --- the window -----------------------------------------------------------
    [[nodiscard]] const DialogTemplate& Template() const { return m_template; }
    [[nodiscard]] CDialog* GetParent() const { return m_parent; }
    void SetWindowText(const std::string& caption);
    [[nodiscard]] const std::string& GetWindowText() const { return m_caption; }
    void ShowWindow(int showCmd);
    [[nodiscard]] bool IsWindowVisible() const { return m_visible; }
    [[nodiscard]] bool IsIconic() const { return m_showCmd == SW_SHOWMINIMIZED; }
    void EnableWindow(bool enable);
    [[nodiscard]] bool IsWindowEnabled() const { return m_enabled; }
    void SetIcon(int imageId, bool bigIcon);
    [[nodiscard]] int GetIcon(bool bigIcon) const { return bigIcon ? m_bigIcon : m_smallIcon; }
    [[nodiscard]] bool HasSystemMenu() const { return (m_template.style & DS_SYSMENU) != 0; }
    void AppendSystemMenu(unsigned id, const std::string& text);  // id 0: separator
    [[nodiscard]] const std::vector<SystemMenuItem>& SystemMenu() const { return m_systemMenu; }
    void EnableSystemMenuItem(unsigned id, bool enable);
    // A host calls this just before it shows the system menu: the dialog sets
    // which entries can be chosen now (the classic WM_INITMENUPOPUP).
    void PrepareSystemMenu() { OnInitSystemMenu(); }
    [[nodiscard]] DialogFont GetFont() const { return m_template.font; }

    [[nodiscard]] bool GetWindowPlacement(WindowPlacement& placement) override;
    [[nodiscard]] bool CanBePlaced() const override { return UiHost().CanPlaceWindows(); }
    bool SetWindowPlacement(const WindowPlacement& placement) override;
    // The monitor nearest to a rectangle (screen pixels); false when there is none.
    [[nodiscard]] static bool MonitorFromRect(const Rect& r, MonitorInfo& info);
    [[nodiscard]] bool NearestMonitor(const Rect& r, MonitorInfo& info) const override { return MonitorFromRect(r, info); }

    // Dialog units to pixels with the dialog font's base units.
    [[nodiscard]] Rect MapDialogRect(const DlgRect& r) const;
    [[nodiscard]] Size ClientSize() const;

    // --- messages -------------------------------------------------------------
    bool Post(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    // Delivers a message now (the classic SendMessage to one's own window).
    intptr_t SendMessage(uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
    void SetTimer(unsigned id, uint32_t periodMs);
    bool KillTimer(unsigned id);
    [[nodiscard]] bool HasTimer(unsigned id) const;
    // Redraw request: the host repaints and sends WM_PAINT.
    void Invalidate();

    // Prompts, owned by this window.
    int MessageBox(const std::string& text, const std::string& caption, unsigned type);

    // Routes a message to the handlers below.
    virtual intptr_t WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam);

    [[nodiscard]] CUiLoop::Handle WindowHandle() const { return m_handle; }

    // The application's main window (set by the application object).
    static void SetMainWindow(CDialog* dlg);
    [[nodiscard]] static CDialog* MainWindow();
    // Ends the whole program at once with this exit code (through the host).
    static void ExitProcess(int code);

protected:
    virtual bool OnInitDialog() { return true; }
    // Commands: buttons and posted WM_COMMAND. IDOK and IDCANCEL go to OnOK/OnCancel.
    virtual void OnCommand(int id);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnTimer(unsigned /*id*/) {}
    virtual void OnSysCommand(unsigned /*id*/, LPARAM /*lParam*/) {}
    virtual void OnInitSystemMenu() {}
    virtual void OnVScroll(int /*code*/, int /*pos*/, CControl* /*ctrl*/) {}
    virtual void OnHScroll(int /*code*/, int /*pos*/, CControl* /*ctrl*/) {}
    virtual void OnLButtonDown(unsigned /*flags*/, Point /*clientPoint*/) {}
    virtual void OnPaint() {}
    virtual void OnDestroy() {}
    // Any other message (WM_APP+n, 0x384, WM_DEVICECHANGE, ...): its result.
    virtual intptr_t OnMessage(uint32_t /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return 0; }

private:
    friend class CControl;
    void ControlChanged(const CControl& ctrl, unsigned what);
    void CreateWindowFor();
    void DestroyWindowFor();

    const DialogTemplate& m_template;
    CDialog* m_parent;
    std::vector<std::unique_ptr<CControl>> m_controls;
    std::map<int, CControl*> m_byId;
    std::unique_ptr<CControl> m_missing;  // stand-in for a wrong id
    std::string m_caption;
    bool m_visible = false;
    bool m_enabled = true;
    int m_showCmd = SW_SHOWNORMAL;
    int m_bigIcon = 0;
    int m_smallIcon = 0;
    std::vector<SystemMenuItem> m_systemMenu;
    std::atomic<CUiLoop::Handle> m_handle{0};
    bool m_ended = false;
    int m_result = 0;
    bool m_inModal = false;
    unsigned m_zCounter = 0;
};

}  // namespace vk
