// The system menu's own entries where a Linux user finds them: a menu button in
// the window's top-right corner and F1 open them, the chosen entry reaches the
// dialog as WM_SYSCOMMAND, and the button covers none of the designed controls.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

#include "platform/ui/Dialog.h"
#include "platform/ui/qt/QtFocusMark.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtSystemMenuButton.h"

namespace vk {
namespace {

constexpr unsigned kAboutDevice = 0x0010, kAboutBox = 0x0020;

// A control in the top-right corner, where the button would go first.
const DialogTemplate kWithMenu{
    .id = 102,
    .caption = "Menu test",
    .width = 300,
    .height = 120,
    .font = {"MS Shell Dlg", 8},
    .style = DS_SYSMENU | DS_MODALFRAME,
    .controls = {{1008, ControlKind::Static, "Title", {10, 10, 250, 20}},
                 {1011, ControlKind::PushButton, "?", {270, 4, 26, 14}},
                 {1003, ControlKind::PushButton, "Next >", {230, 100, 60, 14}}}};

class CMenuDialog : public CDialog {
public:
    explicit CMenuDialog(bool entries) : CDialog(kWithMenu), m_entries(entries) {}
    std::vector<unsigned> sysCommands;
    bool aboutDeviceEnabled = true;  // what OnInitSystemMenu says each time the menu opens

protected:
    bool OnInitDialog() override
    {
        if (m_entries) {
            AppendSystemMenu(0, "");
            AppendSystemMenu(kAboutDevice, "About Device ...");
            AppendSystemMenu(kAboutBox, "About Menu test...");
        }
        return true;
    }
    void OnSysCommand(unsigned id, LPARAM) override { sysCommands.push_back(id); }
    void OnInitSystemMenu() override { EnableSystemMenuItem(kAboutDevice, aboutDeviceEnabled); }

private:
    bool m_entries;
};

QToolButton* MenuButton(QWidget* window)
{
    const auto buttons = window->findChildren<CQtSystemMenuButton*>();
    return buttons.size() == 1 ? buttons.front() : nullptr;
}

// Chooses the entry with this text in the menu that opens next.
void ChooseWhenOpen(const QString& text, QStringList* seen)
{
    QTimer::singleShot(0, [text, seen] {
        QMenu* menu = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible())
                menu = m;
        if (!menu) {
            seen->append("(no menu open)");
            return;
        }
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator())
                seen->append(action->text() + (action->isEnabled() ? "" : " (disabled)"));
            if (action->text() == text)
                action->trigger();
        }
        menu->close();
    });
}

class UiQtMenuTest : public ::testing::Test {
protected:
    void SetUp() override { host.Install(); }
    CQtHost host;
};

TEST_F(UiQtMenuTest, TheCornerButtonAndF1OpenTheSystemMenusEntries)
{
    CMenuDialog dlg(true);
    ASSERT_TRUE(dlg.Create());
    QWidget* window = host.WindowOf(dlg);
    QToolButton* button = MenuButton(window);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    // A button holds the top-right corner here: the menu button takes another corner.
    const int m = CQtSystemMenuButton::kMargin, side = CQtSystemMenuButton::kSize;
    const QList<QPoint> corners{{window->width() - side - m, m}, {m, window->height() - side - m}, {m, m},
                                {window->width() - side - m, window->height() - side - m}};
    EXPECT_TRUE(corners.contains(button->pos())) << button->pos().x() << "," << button->pos().y();
    for (const auto& ctrl : dlg.Controls()) {
        if (QWidget* w = host.ControlWidget(dlg, ctrl->Id())) {
            EXPECT_FALSE(button->geometry().intersects(w->geometry())) << "covers control " << ctrl->Id();
        }
    }

    QStringList seen;
    ChooseWhenOpen("About Device ...", &seen);
    button->click();
    EXPECT_EQ(seen, QStringList({"About Device ...", "About Menu test..."}));
    EXPECT_EQ(dlg.sysCommands, std::vector<unsigned>{kAboutDevice});

    seen.clear();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    ChooseWhenOpen("About Menu test...", &seen);
    QTest::keyClick(window, Qt::Key_F1);  // through the window system, as a key press comes
    EXPECT_EQ(dlg.sysCommands, (std::vector<unsigned>{kAboutDevice, kAboutBox}));
    dlg.DestroyWindow();
}

// The dialog decides just before the menu opens which entries can be chosen.
TEST_F(UiQtMenuTest, AnEntryTheDialogDisablesCannotBeChosen)
{
    CMenuDialog dlg(true);
    ASSERT_TRUE(dlg.Create());
    QToolButton* button = MenuButton(host.WindowOf(dlg));
    ASSERT_NE(button, nullptr);
    QStringList seen;
    dlg.aboutDeviceEnabled = false;
    ChooseWhenOpen("About Device ...", &seen);
    button->click();
    EXPECT_EQ(seen, QStringList({"About Device ... (disabled)", "About Menu test..."}));
    EXPECT_TRUE(dlg.sysCommands.empty());

    seen.clear();
    dlg.aboutDeviceEnabled = true;
    ChooseWhenOpen("About Device ...", &seen);
    button->click();
    EXPECT_EQ(seen, QStringList({"About Device ...", "About Menu test..."}));
    EXPECT_EQ(dlg.sysCommands, std::vector<unsigned>{kAboutDevice});
    dlg.DestroyWindow();
}

// Tab goes through the designed controls and then to the menu button; every
// control that takes the focus shows it with a mark of the highlight colour.
TEST_F(UiQtMenuTest, TabReachesEveryControlAndTheMenuButtonAndFocusShows)
{
    CMenuDialog dlg(true);
    ASSERT_TRUE(dlg.Create());
    QWidget* window = host.WindowOf(dlg);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QToolButton* button = MenuButton(window);
    ASSERT_NE(button, nullptr);
    const QRgb highlight = window->palette().color(QPalette::Highlight).rgb();
    std::vector<QWidget*> reached;
    for (int i = 0; i < 6 && (reached.empty() || reached.front() != QApplication::focusWidget()); ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        reached.push_back(focused);
        QApplication::processEvents();
        const QImage shot = window->grab().toImage();
        const QRect r = focused->geometry().adjusted(1, 1, -2, -2);
        int marked = 0;
        for (int x = r.left(); x <= r.right(); ++x)
            marked += shot.pixel(x, r.top()) == highlight;
        EXPECT_GT(marked, r.width() / 4) << "no focus mark on " << focused->metaObject()->className();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_NE(std::find(reached.begin(), reached.end(), button), reached.end()) << "the menu button is no Tab stop";
    EXPECT_NE(std::find(reached.begin(), reached.end(), host.ControlWidget(dlg, 1003)), reached.end());
    dlg.DestroyWindow();
}

// A message box the dialog owns takes the focus: the dialog shows no mark, which
// would frame the box's place across the dialog's own controls.
TEST_F(UiQtMenuTest, AMessageBoxOfTheDialogIsNotMarkedAsItsControl)
{
    CMenuDialog dlg(true);
    ASSERT_TRUE(dlg.Create());
    QWidget* window = host.WindowOf(dlg);
    window->show();
    QMessageBox box(QMessageBox::Warning, "Menu test", "Unable to open device for recording", QMessageBox::Ok, window);
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    ASSERT_EQ(QApplication::focusWidget()->window(), &box);
    int marks = 0;
    for (QObject* child : window->children())
        if (auto* mark = dynamic_cast<CQtFocusMark*>(child)) {
            ++marks;
            EXPECT_FALSE(mark->isVisible()) << "marked at " << mark->x() << "," << mark->y();
        }
    EXPECT_EQ(marks, 1);
    box.close();
    dlg.DestroyWindow();
}

TEST_F(UiQtMenuTest, NoButtonWithoutEntriesOfTheDialogsOwn)
{
    CMenuDialog dlg(false);
    ASSERT_TRUE(dlg.Create());
    QToolButton* button = MenuButton(host.WindowOf(dlg));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->isVisible());
    dlg.DestroyWindow();
}

}  // namespace
}  // namespace vk
