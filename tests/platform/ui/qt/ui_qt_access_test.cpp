// What a screen reader finds in the wizard's and the inputs page's windows
// (through QAccessible, offscreen): every control that shows or takes something
// has its role and a name; the type choices are radio buttons; their Toggle
// action is a click the dialog hears.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <unistd.h>

#include "platform/ui/Dialog.h"
#include "platform/ui/qt/QtHost.h"
#include "resources/Resources.h"

namespace vk {
namespace {

QAccessible::Role RoleFor(ControlKind kind)
{
    switch (kind) {
    case ControlKind::PushButton: return QAccessible::Button;
    case ControlKind::CheckBox: return QAccessible::CheckBox;
    case ControlKind::RadioButton: return QAccessible::RadioButton;
    case ControlKind::Slider: return QAccessible::Slider;
    case ControlKind::Progress: return QAccessible::ProgressBar;
    case ControlKind::Edit: return QAccessible::EditableText;
    default: return QAccessible::NoRole;  // any role, but a name
    }
}

TEST(UiQtAccess, EveryControlHasItsRoleAndAName)
{
    CQtHost host;
    host.Install();
    for (const DialogTemplate* layout : {&kWizardTemplate, &kInputsTemplate}) {
        DialogTemplate shown = *layout;
        for (ControlTemplate& c : shown.controls)
            c.style &= ~CS_HIDDEN;
        CDialog dlg(shown);
        ASSERT_TRUE(dlg.Create());
        for (const auto& ctrl : dlg.Controls()) {
            const ControlKind kind = ctrl->Kind();
            if (kind == ControlKind::Static || kind == ControlKind::IconStatic || !host.ControlWidget(dlg, ctrl->Id()))
                continue;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(host.ControlWidget(dlg, ctrl->Id()));
            ASSERT_NE(iface, nullptr) << ctrl->Id();
            if (RoleFor(kind) != QAccessible::NoRole) {
                EXPECT_EQ(iface->role(), RoleFor(kind)) << layout->id << " control " << ctrl->Id();
            }
            // A panel's frame with an empty caption and hidden spare sliders may go nameless.
            if (kind == ControlKind::GroupBox && ctrl->GetWindowText().find_first_not_of(' ') == std::string::npos &&
                ctrl->AccessibleName().empty())
                continue;
            if ((layout == &kInputsTemplate) && (ctrl->Id() == 1104 || ctrl->Id() == 1105))
                continue;
            EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty()) << layout->id << " control " << ctrl->Id();
        }
        dlg.DestroyWindow();
    }
    // The names a user hears for the controls without a caption.
    CDialog wizard(kWizardTemplate);
    ASSERT_TRUE(wizard.Create());
    for (const auto& [id, name] : {std::pair{1005, "Output volume"}, std::pair{1007, "Speaker volume"},
                                   std::pair{1000, "Output level meter"}}) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(host.ControlWidget(wizard, id))->text(QAccessible::Name),
                  QString(name));
    }
    wizard.DestroyWindow();
}


// A screen reader's (or a script's) Toggle on a box or radio button reaches the
// dialog as the click it stands for: without that, Qt would show a choice the
// dialog never heard of and Next would go nowhere. A real click still counts once.
TEST(UiQtAccess, ToggleActionsAreClicksTheDialogHears)
{
    using K = ControlKind;
    CQtHost host;
    host.Install();
    const DialogTemplate layout{.id = 100,
                                .caption = "Toggles",
                                .width = 120,
                                .height = 60,
                                .font = {"MS Shell Dlg", 8},
                                .style = DS_MODALFRAME,
                                .controls = {
                                    {10, K::CheckBox, "Use", {4, 4, 60, 10}, CS_TABSTOP},
                                    {11, K::RadioButton, "First", {4, 18, 60, 10}, CS_GROUP | CS_TABSTOP},
                                    {12, K::RadioButton, "Second", {4, 30, 60, 10}},
                                    {13, K::PushButton, "OK", {70, 40, 40, 14}, CS_GROUP | CS_TABSTOP},
                                }};
    CDialog dlg(layout);
    ASSERT_TRUE(dlg.Create());
    dlg.CheckDlgButton(11, BST_CHECKED);
    auto button = [&](int id) { return qobject_cast<QAbstractButton*>(host.ControlWidget(dlg, id)); };
    auto toggle = [&](int id) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button(id));
        ASSERT_NE(iface->actionInterface(), nullptr) << id;
        ASSERT_TRUE(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCoreApplication::processEvents();
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        int use, first, second;  // the dialog's checks afterwards, which Qt shows too
    } const steps[] = {
        {"toggle Second", [&] { toggle(12); }, BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED},
        {"toggle the checked Second", [&] { toggle(12); }, BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED},
        {"toggle Use", [&] { toggle(10); }, BST_CHECKED, BST_UNCHECKED, BST_CHECKED},
        {"toggle Use again", [&] { toggle(10); }, BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED},
        {"click Use", [&] { button(10)->click(); QCoreApplication::processEvents(); }, BST_CHECKED, BST_UNCHECKED,
         BST_CHECKED},
        {"click First", [&] { button(11)->click(); QCoreApplication::processEvents(); }, BST_CHECKED, BST_CHECKED,
         BST_UNCHECKED},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        for (auto [id, state] : {std::pair{10, step.use}, std::pair{11, step.first}, std::pair{12, step.second}}) {
            EXPECT_EQ(dlg.IsDlgButtonChecked(id), state) << id;
            EXPECT_EQ(button(id)->isChecked(), state == BST_CHECKED) << id;
        }
    }
    dlg.DestroyWindow();
}

}  // namespace
}  // namespace vk
