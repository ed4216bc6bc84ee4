#pragma once
// On Linux the window manager owns the title bar and its menu, so the entries a
// dialog adds to its system menu ("About Device ...", "About ...") would only be
// found in the right-click menu. A small menu button in the window's top-right
// corner, and the F1 key, open the same entries where a user looks for them.
// The button is there only while the dialog has entries of its own, and it
// keeps the designed page as it is: it takes the top-right corner, or the first
// other corner that no visible control reaches.

#include <QToolButton>

class QMenu;

namespace vk {

class CDialog;
class CQtDialogWindow;

// The dialog's system-menu entries as menu actions (id in the action's data);
// separators at either end are dropped. False when there is no entry.
bool FillSystemMenu(QMenu& menu, const CDialog& dlg);

class CQtSystemMenuButton final : public QToolButton {
public:
    explicit CQtSystemMenuButton(CQtDialogWindow& window);

    // Opens the entries below the button and sends the chosen one to the dialog
    // as WM_SYSCOMMAND (what F1 and a click do).
    void Popup();

    static constexpr int kSize = 24;    // pixels, the button's side
    static constexpr int kMargin = 2;   // from the window's corner

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();

    CQtDialogWindow& m_window;
    bool m_placePending = false;
};

}  // namespace vk
