#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QTimer>
#include <QScreen>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <algorithm>

#include "platform/ui/Dialog.h"
#include "platform/ui/qt/QtHost.h"

namespace vk {
namespace {

QWidget* ParentFor(IWindowOwner* owner)
{
    auto* dlg = dynamic_cast<CDialog*>(owner);
    auto* host = dynamic_cast<CQtHost*>(&UiHost());
    if (dlg && host)
        if (QWidget* window = host->WindowOf(*dlg); window && window->isVisible())
            return window;
    // A hidden owner (the wizard behind the inputs page) holds no box over it; the
    // window the user works in does.
    if (host)
        if (QWidget* working = host->WorkingWindow())
            return working;
    return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
}

bool OnGuiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

QString ToText(const std::string& s) { return QString::fromStdString(s).replace("\r\n", "\n").replace("\n\r", "\n"); }

// Lines "name<tabs>: value" as the rows of a two-column table, so the colons line
// up whatever the font (tab stops were counted for one font's widths).
QString TabbedAsTable(const QString& text)
{
    QString html = "<table cellspacing=0 cellpadding=0>";
    for (const QString& line : text.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0) {
            html += "<tr><td colspan=2 style='white-space:pre'>" + line.toHtmlEscaped() + "&nbsp;</td></tr>";
            continue;
        }
        const QString name = line.left(tab).trimmed();
        const QString rest = line.mid(tab).trimmed();
        html += "<tr><td style='white-space:pre'>" + name.toHtmlEscaped() + "&nbsp;&nbsp;</td><td style='white-space:pre'>" +
                rest.toHtmlEscaped() + "</td></tr>";
    }
    return html + "</table>";
}

}  // namespace

void SetMessageText(QMessageBox& box, const QString& text)
{
    if (text.contains('\t')) {
        box.setTextFormat(Qt::RichText);
        box.setText(TabbedAsTable(text));
    } else {
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
    }
    // The box wraps long lines at a width of its own choosing, which breaks a
    // result in the middle of a phrase: lines that fit the screen stay whole.
    auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    if (!label)
        return;
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() * 3 / 4 : 1000;
    int widest = 0;
    for (const QString& line : text.split('\n'))
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(QString(line).replace('\t', "        ")));
    if (widest > room)
        return;
    // The box decides on wrapping when it is shown: undo that right after.
    const auto unwrap = [&box, label] {
        label->setWordWrap(false);
        box.setFixedSize(box.layout() ? box.layout()->totalMinimumSize().expandedTo(box.size()) : box.size());
    };
    if (box.isVisible())
        unwrap();
    else
        QTimer::singleShot(0, &box, unwrap);
}

int CQtMessageBox::Show(IWindowOwner* owner, const std::string& text, const std::string& caption, unsigned type)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0) {
    case MB_ICONERROR: icon = QMessageBox::Critical; break;
    case MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case MB_ICONWARNING: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (type & 0xF) {
    case MB_OKCANCEL: buttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MB_YESNOCANCEL: buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MB_YESNO: buttons = QMessageBox::Yes | QMessageBox::No; break;
    case MB_RETRYCANCEL: buttons = QMessageBox::Retry | QMessageBox::Cancel; break;
    default: break;
    }
    const QString qtext = ToText(text);
    const QString qcaption = ToText(caption.empty() ? std::string("Error") : caption);
    if (!OnGuiThread()) {
        // A worker thread must not build widgets, and waiting for the window thread
        // could deadlock when that thread is joining the worker: show the box from the
        // window thread without waiting and answer with the default button.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [=] {
                auto* box = new QMessageBox(icon, qcaption, qtext, buttons, ParentFor(nullptr));
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->open();
            },
            Qt::QueuedConnection);
        return CScriptedMessageBox::defaultAnswer(type);
    }
    QMessageBox box(icon, qcaption, QString(), buttons, ParentFor(owner));
    SetMessageText(box, qtext);
    switch (box.exec()) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Retry: return IDRETRY;
    default: return IDCANCEL;
    }
}

std::vector<std::string> ToQtNameFilters(const std::string& filter)
{
    std::vector<std::string> out;
    for (const FileFilter& f : ParseFileFilter(filter)) {
        std::string patterns = f.pattern;
        std::replace(patterns.begin(), patterns.end(), ';', ' ');
        // Qt reads the patterns from the last parentheses of the text.
        if (f.text.find('(') != std::string::npos && f.text.back() == ')' &&
            f.text.substr(f.text.rfind('(') + 1, f.text.size() - f.text.rfind('(') - 2) == patterns)
            out.push_back(f.text);
        else
            out.push_back(f.text + " (" + patterns + ")");
    }
    return out;
}

std::optional<std::string> CQtFileDialogs::Ask(IWindowOwner* owner, const FileDialogRequest& request)
{
    if (!OnGuiThread())
        return std::nullopt;
    QFileDialog dialog(ParentFor(owner));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!(request.flags & OFN_OVERWRITEPROMPT))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const std::string& f : ToQtNameFilters(request.filter))
        filters << QString::fromStdString(f);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    std::string ext = request.defaultExt;
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    dialog.setDefaultSuffix(QString::fromStdString(ext));
    if (!request.initialName.empty()) {
        // The dialog opens in the folder of the proposed name (or the folder
        // proposed), not in the working directory.
        const QString name = QString::fromStdString(request.initialName).replace('\\', '/');
        if (name.endsWith('/')) {
            dialog.setDirectory(name);
        } else {
            const QFileInfo proposed(name);
            if (name.contains('/'))
                dialog.setDirectory(proposed.absolutePath());
            dialog.selectFile(proposed.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace vk
