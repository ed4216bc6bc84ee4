#pragma once
// The host for tests: no windows, deterministic dispatch on the process clock
// (install a CVirtualClock: timers fire when the test advances time, so a
// 180000 ms timer costs nothing), scripted message-box and file-dialog answers
// with a record of what was asked, and a script of steps for modal loops.
//
// Two ways to drive a dialog:
//  - modeless: dlg.Create(); then Click/Scroll/Post, host.RunUntilIdle(),
//    host.AdvanceTime(ms); read control state with dlg.GetDlgItem(id).
//  - modal: queue steps with host.Then(...) / host.ThenWaitFor(...), then
//    dlg.DoModal(). Whenever the innermost loop (the outermost DoModal or one
//    nested inside a handler) has nothing to dispatch, it runs the next step.
//    Steps act on host.ActiveModal(), the innermost modal dialog. A loop with
//    nothing to dispatch and no steps left is stalled: it ends with -1 and
//    Stalled() turns true, so a test never hangs.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/Dialog.h"
#include "platform/ui/DialogHost.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PixelSurface.h"

namespace vk {

class CVirtualClock;

class CHeadlessHost final : public IDialogHost {
public:
    CHeadlessHost();
    ~CHeadlessHost() override;

    // Installs this host, its message boxes and file dialogs as the process-wide
    // ones (and restores the defaults in the destructor).
    void Install();

    // --- scripts ------------------------------------------------------------------
    using Step = std::function<void(CHeadlessHost&)>;
    // Runs once when a loop is idle.
    CHeadlessHost& Then(Step step);
    // Waits (real time, up to timeoutMs) until the predicate holds, dispatching
    // whatever arrives meanwhile; on time-out the loop is stalled.
    CHeadlessHost& ThenWaitFor(std::function<bool(CHeadlessHost&)> done, uint32_t timeoutMs = 5000);
    [[nodiscard]] size_t StepsLeft() const { return m_steps.size(); }
    [[nodiscard]] bool Stalled() const { return m_stalled; }

    // The innermost dialog running modally, or null.
    [[nodiscard]] CDialog* ActiveModal() const { return m_modal.empty() ? nullptr : m_modal.back(); }
    [[nodiscard]] size_t ModalDepth() const { return m_modal.size(); }

    // --- time ---------------------------------------------------------------------
    // Dispatches posted messages and due timers until nothing is due (no time passes).
    void RunUntilIdle();
    // Moves the virtual clock forward in steps to each timer's due time, firing the
    // timers in order, then to now + ms. Needs a CVirtualClock installed as vk::Clock().
    void AdvanceTime(uint64_t ms);

    // --- prompts ------------------------------------------------------------------
    CScriptedMessageBox messageBoxes;
    CScriptedFileDialogs fileDialogs;

    // --- the screen ---------------------------------------------------------------
    std::vector<MonitorInfo> monitors{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
    bool canPlaceWindows = true;  // false: as on Wayland
    Size baseUnits{6, 13};  // pixels per 4 x and 8 y dialog units
    // Text extent: characters x (font height or 13) / 2 wide, the height tall.
    [[nodiscard]] Size MeasureText(const DialogFont& font, const std::string& text) override;

    // The program's exit, when a handler ended it (the cancel paths).
    [[nodiscard]] bool Exited() const { return m_exited; }
    // Told of the exit when a handler asks for it, before the loops end.
    std::function<void(int code)> exitObserver;
    // Told of every change of a control's state (CC_... bits in what), as it happens.
    std::function<void(CDialog& dlg, const CControl& ctrl, unsigned what)> controlObserver;
    [[nodiscard]] int ExitCode() const { return m_exitCode; }

    // How often each window was painted (WM_PAINT after Invalidate).
    [[nodiscard]] int PaintCount(const CDialog& dlg) const;

    // --- drawing --------------------------------------------------------------------
    // The picture last copied to a control (CControl::Blit), or null, and how many copies it got.
    [[nodiscard]] const CPixelSurface* LastBlit(const CDialog& dlg, int id) const;
    [[nodiscard]] int BlitCount(const CDialog& dlg, int id) const;
    // The control's client area as a screen would show it: the button face, then
    // its last copy, or what its paint handler draws.
    [[nodiscard]] CPixelSurface RenderControl(CDialog& dlg, int id);
    void BlitToControl(CDialog& dlg, const CControl& ctrl, const IDrawingSurface& surface) override;

    // IDialogHost
    void CreateDialogWindow(CDialog& dlg) override;
    void DestroyDialogWindow(CDialog& dlg) override;
    void RunModalLoop(CDialog& dlg) override;
    bool PumpWaitingMessages() override;
    void WakeUp() override;
    void ControlChanged(CDialog& dlg, const CControl& ctrl, unsigned what) override;
    void WindowChanged(CDialog& dlg) override;
    void InvalidateWindow(CDialog& dlg) override;
    void SetFocus(CDialog& dlg, int id) override { m_focus[&dlg] = id; }
    [[nodiscard]] int GetFocus(CDialog& dlg) override { return m_focus.contains(&dlg) ? m_focus[&dlg] : 0; }
    [[nodiscard]] bool GetWindowPlacement(CDialog& dlg, WindowPlacement& placement) override;
    bool SetWindowPlacement(CDialog& dlg, const WindowPlacement& placement) override;
    [[nodiscard]] std::vector<MonitorInfo> Monitors() override { return monitors; }
    [[nodiscard]] bool CanPlaceWindows() const override { return canPlaceWindows; }
    [[nodiscard]] Size DialogBaseUnits(const DialogFont&) override { return baseUnits; }
    void ExitProcess(int code) override;

private:
    struct Waiting {
        std::function<bool(CHeadlessHost&)> done;
        uint32_t timeoutMs;
    };
    struct ScriptItem {
        Step step;
        Waiting wait;
        bool isWait = false;
    };
    bool RunNextStep();
    bool DispatchOrPaint();
    void WaitForPost(uint32_t ms);

    std::deque<ScriptItem> m_steps;
    std::vector<CDialog*> m_modal;
    std::map<const CDialog*, WindowPlacement> m_placements;
    std::map<const CDialog*, int> m_paints;
    std::vector<CDialog*> m_dirty;
    std::map<const CDialog*, int> m_focus;
    struct Screen {
        CPixelSurface pixels;
        int copies = 0;
    };
    std::map<std::pair<const CDialog*, int>, Screen> m_screens;
    bool m_stalled = false;
    bool m_exited = false;
    int m_exitCode = 0;
    bool m_installed = false;

    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    uint64_t m_wakeCount = 0;
};

}  // namespace vk
