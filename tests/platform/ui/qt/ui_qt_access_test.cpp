// What a screen reader finds in the wizard's and the inputs page's windows
// (through QAccessible, offscreen): every control that shows or takes something
// has its role and a name; the type choices are radio buttons.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QWidget>
#include <cstdlib>
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

}  // namespace
}  // namespace vk

int main(int argc, char** argv)
{
    char runtime[] = "/tmp/vk-ui-access-XXXXXX";
    if (!mkdtemp(runtime))
        return 2;
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    rmdir(runtime);
    return rc;
}
