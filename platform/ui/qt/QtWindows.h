#pragma once
// The widgets behind one dialog (internal to the Qt host).

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <map>
#include <set>

#include "platform/ui/Control.h"
#include "platform/ui/Dialog.h"

class QAbstractButton;
class QButtonGroup;

namespace vk {

class CQtHost;

// Frames, group boxes and owner-drawn pictures: draws the control's CDrawing, or
// its default look when the code has drawn nothing.
class CQtCanvas final : public QWidget {
public:
    CQtCanvas(const CControl& ctrl, QWidget* parent);
    void Detach() { m_ctrl = nullptr; }
    // The picture copied to the control by the code (CControl::Blit); shown until the next copy.
    void SetBlit(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The modal frame, then the copied picture or the paint handler's drawing
    // (QtSurface.cpp); false when the code draws nothing and the old ways apply.
    bool PaintByCode(QPainter& p);

    const CControl* m_ctrl;
    QImage m_blit;
};

// A top-level window of its own, also when the dialog has an owner: a Qt child
// window would be disabled with its owner, which the modal run disables. The
// owner is the window manager's transient parent and the window opens centred
// over it.
class CQtDialogWindow final : public QDialog {
public:
    CQtDialogWindow(CDialog& dlg, QWidget* owner);

    [[nodiscard]] CDialog* Dialog() const { return m_dlg; }
    // The dialog is going: nothing reaches it any more.
    void Detach();
    [[nodiscard]] QWidget* ControlWidget(int id) const;
    [[nodiscard]] int FocusedId() const;
    void SyncControl(const CControl& ctrl, unsigned what);
    void SyncWindow();

protected:
    void reject() override;  // Esc
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;  // the system menu
    bool eventFilter(QObject* watched, QEvent* event) override;  // clicks on disabled controls

private:
    QWidget* MakeWidget(const CControl& ctrl);
    void FillCaptionBoxes();
    void Clicked(int id);
    void ConnectClicks(QAbstractButton* button, int id);
    void Scrolled(int id, int pos, bool tracking);
    void PlaceOverOwner();
    [[nodiscard]] bool OwnsDialogBeingSetUp() const;
    void HideIfStillWanted();

    CDialog* m_dlg;
    QPointer<QWidget> m_owner;
    std::map<int, QPointer<QWidget>> m_widgets;
    std::vector<CQtCanvas*> m_canvases;
    QButtonGroup* m_radios = nullptr;  // every radio button, none exclusive
    bool m_updating = false;
    bool m_painted = false;             // on screen at least once
    bool m_hideWhenOwnedShows = false;  // asked to hide while a dialog it owns was set up
    std::set<int> m_flipped;  // boxes flipped without a click, counted as clicks once the events settle
};

}  // namespace vk
