#pragma once
// The host draws the windows and runs the message loops; the framework core
// (CDialog, CUiLoop) holds all state and decides what is dispatched when.
//
// Two hosts exist: the headless one (platform/ui/headless/HeadlessHost.h), which
// runs on the virtual clock for tests, and the Qt 6 Widgets host
// (platform/ui/qt/QtHost.h) for real windows. There is no default: a program
// installs one before it creates a window.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <deque>
#include <vector>

#include "platform/post/MessageTarget.h"
#include "platform/ui/UiTypes.h"

namespace vk {

class IClock;
class CDialog;
class CControl;
class IDrawingSurface;

class IDialogHost {
public:
    virtual ~IDialogHost() = default;

    // The window of a dialog is created hidden (before OnInitDialog) and destroyed
    // after OnDestroy.
    virtual void CreateDialogWindow(CDialog& dlg) = 0;
    virtual void DestroyDialogWindow(CDialog& dlg) = 0;
    // Runs a (possibly nested) loop until dlg.IsEnded(); dispatches every window's
    // posted messages and timers meanwhile.
    virtual void RunModalLoop(CDialog& dlg) = 0;
    // Dispatches what is waiting now and returns (no waiting). False when the
    // program is ending.
    virtual bool PumpWaitingMessages() = 0;
    // Any thread: a message was posted or the timers changed.
    virtual void WakeUp() = 0;

    // State changes to show. `what` is a CC_... set for controls.
    virtual void ControlChanged(CDialog& dlg, const CControl& ctrl, unsigned what) = 0;
    virtual void WindowChanged(CDialog& dlg) = 0;  // caption, icon, visible, enabled, system menu
    // Repaint soon: the host sends WM_PAINT when its loop is idle.
    virtual void InvalidateWindow(CDialog& dlg) = 0;
    // Keyboard focus inside a dialog, by control id (0: none).
    virtual void SetFocus(CDialog& dlg, int id) = 0;
    [[nodiscard]] virtual int GetFocus(CDialog& dlg) = 0;

    // Window placement in screen pixels.
    [[nodiscard]] virtual bool GetWindowPlacement(CDialog& dlg, WindowPlacement& placement) = 0;
    virtual bool SetWindowPlacement(CDialog& dlg, const WindowPlacement& placement) = 0;
    [[nodiscard]] virtual std::vector<MonitorInfo> Monitors() = 0;
    // False where the windowing system alone places windows (Wayland).
    [[nodiscard]] virtual bool CanPlaceWindows() const { return true; }

    // Fonts: dialog base units (average character width, height) of a font at its
    // designed size, and text extents.
    [[nodiscard]] virtual Size DialogBaseUnits(const DialogFont& font) = 0;
    // The factor on every layout where the host shrinks its dialogs to fit the
    // screen (large text on a small screen), its fonts shrunk to match; 1 elsewhere.
    // Not rounded to whole base units, which would shrink the layout by up to a
    // seventh more than its text.
    [[nodiscard]] virtual double DialogScale() { return 1.0; }
    [[nodiscard]] virtual Size MeasureText(const DialogFont& font, const std::string& text) = 0;

    // Ends the whole program at once (the cancel paths of the wizard).
    virtual void ExitProcess(int code) = 0;

    // --- drawing (Surface.h); the defaults serve hosts without a screen -----------
    // An off-screen surface of this size (default: a CPixelSurface).
    [[nodiscard]] virtual std::unique_ptr<IDrawingSurface> CreateSurface(Size size);
    // Shows the surface in the control's client area at (0, 0) in one copy; the
    // control shows that picture until the next copy (default: nothing to show on).
    virtual void BlitToControl(CDialog& dlg, const CControl& ctrl, const IDrawingSurface& surface);
    // The control's client area: its window less its modal frame (default: the layout's size).
    [[nodiscard]] virtual Size ControlClientSize(CDialog& dlg, const CControl& ctrl);
    // System colours from the host's palette (default: the classic values).
    [[nodiscard]] virtual COLORREF SysColor(int index);
    // The screen's vertical resolution in dots per inch (default 96).
    [[nodiscard]] virtual int LogPixelsY();
};

// The process-wide host. Using the framework's windows without one installed is
// a programming error: UiHost() then says so on stderr and aborts.
IDialogHost& UiHost();
[[nodiscard]] bool HasUiHost();
void SetUiHost(IDialogHost* host);  // nullptr: none again

// The user-interface thread's message queue and timers, shared by all windows.
// Posting is thread-safe; everything else runs on the user-interface thread.
// Like the classic loop, posted messages come before timers, and a timer that
// is due fires once however late it is, then counts its period from now.
class CUiLoop {
public:
    using Handle = uint32_t;

    Handle Register(CDialog& dlg);
    void Unregister(Handle handle);  // drops its queued messages and timers
    [[nodiscard]] CDialog* Find(Handle handle) const;

    // False when the window does not exist (any more).
    bool Post(Handle handle, uint32_t message, WPARAM wParam, LPARAM lParam);
    void SetTimer(Handle handle, unsigned id, uint32_t periodMs);  // restarts a running timer
    bool KillTimer(Handle handle, unsigned id);
    [[nodiscard]] bool HasTimer(Handle handle, unsigned id) const;

    // Dispatches one posted message, or else one due timer. False when nothing was due.
    bool DispatchOne();
    // Dispatches until nothing is due now.
    void DispatchAll();
    [[nodiscard]] bool HasPosted() const;
    [[nodiscard]] std::optional<uint64_t> NextTimerDue() const;  // on the loop's clock
    // The clock timers run on: vk::Clock() unless a host sets its own (the Qt host
    // keeps real time even when the program runs a simulated unit on a virtual clock).
    void SetTimerClock(IClock* clock) { m_timerClock.store(clock); }
    [[nodiscard]] uint64_t NowMs() const;

private:
    struct Queued {
        Handle handle;
        PostedMessage message;
    };
    struct Timer {
        uint32_t periodMs;
        uint64_t dueMs;
        uint64_t order;  // ties fire in the order they were set
    };
    std::optional<std::pair<Handle, unsigned>> TakeDueTimer();
    bool Dispatch(bool allowTimers);

    mutable std::mutex m_mutex;
    std::atomic<IClock*> m_timerClock{nullptr};
    std::map<Handle, CDialog*> m_windows;
    std::deque<Queued> m_queue;
    std::map<std::pair<Handle, unsigned>, Timer> m_timers;
    Handle m_nextHandle = 1;
    uint64_t m_timerOrder = 0;
};

CUiLoop& UiLoop();

// Fills a hook that wants an IMessagePump (the device protocol's waits).
class CUiMessagePump final : public IMessagePump {
public:
    bool PumpWaitingMessages() override;
};

}  // namespace vk
