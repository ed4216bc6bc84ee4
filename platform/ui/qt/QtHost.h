#pragma once
// The Qt 6 Widgets host: each dialog becomes a QDialog with one widget per
// control, placed by its layout in dialog units mapped with the dialog font (a
// sans font stands in for Windows faces). Posted messages arrive as custom
// events, the framework's timers run on one QTimer, modal runs are nested event loops,
// and QMessageBox / QFileDialog answer the prompts.
//
// Needs a QApplication; construct the host after it and Install() it.

#include <map>
#include <memory>
#include <string>

#include "platform/clock/Clock.h"
#include "platform/ui/DialogHost.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/qt/QtWindowFrames.h"

class QWidget;
class QImage;
class QFont;
class QObject;

class QMessageBox;
class QString;

namespace vk {

class CQtDialogWindow;
class CQtDispatcher;

// A layout's font as a Qt font ("MS Shell Dlg", "Microsoft Sans Serif", "Tahoma"
// and friends become the system's sans font).
QFont ToQFont(const DialogFont& font);

class CQtMessageBox final : public IMessageBox {
public:
    int Show(IWindowOwner* owner, const std::string& text, const std::string& caption, unsigned type) override;
};

class CQtFileDialogs final : public IFileDialogs {
public:
    std::optional<std::string> Ask(IWindowOwner* owner, const FileDialogRequest& request) override;
};
// A message box's text: lines that fit the screen are not wrapped, and lines
// "name<tabs>: value" are set as a table whose colons line up in any font.
void SetMessageText(QMessageBox& box, const QString& text);
// "text|pattern||" as Qt name filters ("text (pattern)"; patterns joined by blanks).
[[nodiscard]] std::vector<std::string> ToQtNameFilters(const std::string& filter);

class CQtHost final : public IDialogHost {
public:
    CQtHost();
    ~CQtHost() override;
    CQtHost(const CQtHost&) = delete;
    CQtHost& operator=(const CQtHost&) = delete;

    // Makes this host, its message boxes and file dialogs the process-wide ones.
    void Install();

    // The window of a dialog and the widget of one of its controls (null when none).
    [[nodiscard]] QWidget* WindowOf(const CDialog& dlg) const;
    [[nodiscard]] QWidget* ControlWidget(const CDialog& dlg, int id) const;
    // The window the user works in: an open box or file dialog, else the newest
    // running dialog that is shown (the inputs page over the hidden wizard), else
    // any shown dialog window; null when none is shown.
    [[nodiscard]] QWidget* WorkingWindow() const;
    // Brings that window to the front (a second start asks for it); a window the
    // program hid stays hidden, a minimised one is restored.
    void RaiseWorkingWindow() const;
    // Renders the dialog window (offscreen too) and saves it as a PNG.
    bool SaveScreenshot(const CDialog& dlg, const std::string& path) const;

    // IDialogHost
    void CreateDialogWindow(CDialog& dlg) override;
    void DestroyDialogWindow(CDialog& dlg) override;
    void RunModalLoop(CDialog& dlg) override;
    bool PumpWaitingMessages() override;
    void WakeUp() override;
    void ControlChanged(CDialog& dlg, const CControl& ctrl, unsigned what) override;
    void WindowChanged(CDialog& dlg) override;
    void InvalidateWindow(CDialog& dlg) override;
    void SetFocus(CDialog& dlg, int id) override;
    [[nodiscard]] int GetFocus(CDialog& dlg) override;
    [[nodiscard]] bool GetWindowPlacement(CDialog& dlg, WindowPlacement& placement) override;
    bool SetWindowPlacement(CDialog& dlg, const WindowPlacement& placement) override;
    [[nodiscard]] std::vector<MonitorInfo> Monitors() override;
    [[nodiscard]] bool CanPlaceWindows() const override;
    [[nodiscard]] Size DialogBaseUnits(const DialogFont& font) override;
    [[nodiscard]] double DialogScale() override;
    [[nodiscard]] Size MeasureText(const DialogFont& font, const std::string& text) override;
    void ExitProcess(int code) override;
    // Drawing (QtSurface.cpp): QImage surfaces, copies to canvases, the palette's colours.
    [[nodiscard]] std::unique_ptr<IDrawingSurface> CreateSurface(Size size) override;
    void BlitToControl(CDialog& dlg, const CControl& ctrl, const IDrawingSurface& surface) override;
    [[nodiscard]] Size ControlClientSize(CDialog& dlg, const CControl& ctrl) override;
    [[nodiscard]] COLORREF SysColor(int index) override;
    [[nodiscard]] int LogPixelsY() override;

    // Called by the dispatcher on the user-interface thread.
    void DispatchWaiting();

private:
    friend class CQtDispatcher;
    void ArmTimer();
    void EndFinishedModals();

    CRealClock m_realClock;
    std::unique_ptr<CQtDispatcher> m_dispatcher;
    std::map<const CDialog*, CQtDialogWindow*> m_windows;
    CQtMessageBox m_messageBox;
    CQtFileDialogs m_fileDialogs;
    CWindowFrames m_frames;
    bool m_installed = false;
};

}  // namespace vk
