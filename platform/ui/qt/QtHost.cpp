#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>

#include "platform/ui/Dialog.h"
#include "platform/ui/qt/QtWindows.h"

namespace vk {

namespace {

// A layout's font at `scale` of its size. Windows faces that the layouts name and
// Linux does not have become the sans font.
QFont FontAt(const DialogFont& font, double scale)
{
    static const char* const kWindowsFaces[] = {"", "MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif",
                                                "MS Sans Serif", "Tahoma", "Arial", "Segoe UI", "System"};
    QFont f;
    const bool windowsFace = std::any_of(std::begin(kWindowsFaces), std::end(kWindowsFaces),
                                         [&](const char* face) { return font.face == face; });
    f.setFamily(windowsFace ? QStringLiteral("Sans Serif") : QString::fromStdString(font.face));
    f.setStyleHint(QFont::SansSerif);
    const auto pixels = [scale](int px) { return std::max(1, int(px * scale)); };  // rounded down
    if (font.pointSize > 0) {
        f.setPointSizeF(font.pointSize * scale);
    } else if (font.height < 0) {
        f.setPixelSize(pixels(-font.height));  // a character height
    } else if (font.height > 0) {
        // A cell height, as the classic CreateFont takes a positive height: the
        // letters are smaller than the line by the font's leading.
        const int height = pixels(font.height);
        f.setPixelSize(height);
        const int cell = QFontMetrics(f).height();
        if (cell > 0 && cell != height)
            f.setPixelSize(std::max(1, (height * height + (scale < 1 ? 0 : cell / 2)) / cell));
    }
    const int weight = font.weight <= 0 ? 400 : std::clamp(font.weight, 100, 900);
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setItalic(font.italic);
    return f;
}

// The letters whose average width is the dialog's horizontal base unit.
const QString kBaseUnitLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

// A shrunk dialog's controls are exactly `scale` of their designed size, but a
// font does not shrink exactly: Qt sizes fonts in whole logical pixels (at 200 %
// a step of two screen pixels, 15 % of a small font) and hinting widens small
// letters. So the size is rounded down until the line is no higher than the
// designed font's times the scale, and then the letters are condensed by the few
// per cent they are still wider than the layout (rather than taking a whole
// pixel size less), so no text outgrows the control it was laid out for.
QFont ShrunkFont(const DialogFont& font, double scale)
{
    const QFont designed = FontAt(font, 1.0);
    const double maxWidth = QFontMetricsF(designed).horizontalAdvance(kBaseUnitLetters) * scale;
    const double maxHeight = QFontMetrics(designed).height() * scale + 1;  // a line may round up by a pixel
    constexpr double kMostCondensed = 0.9;  // beyond that a smaller size reads better
    QFont f = FontAt(font, scale);
    for (int step = 0; step < 40; ++step) {
        f.setStretch(QFont::Unstretched);
        const double width = QFontMetricsF(f).horizontalAdvance(kBaseUnitLetters);
        if (QFontMetrics(f).height() <= maxHeight && width * kMostCondensed <= maxWidth) {
            if (width <= maxWidth)
                break;
            f.setStretch(std::max(1, int(100 * maxWidth / width)));  // rounded down
            if (QFontMetricsF(f).horizontalAdvance(kBaseUnitLetters) <= maxWidth)
                break;
        }
        if (f.pixelSize() > 1)
            f.setPixelSize(f.pixelSize() - 1);
        else if (f.pixelSize() <= 0 && f.pointSizeF() > 1)
            f.setPointSizeF(f.pointSizeF() * 0.97);
        else
            break;
    }
    return f;
}

}  // namespace

QFont ToQFont(const DialogFont& font)
{
    // Large text may have made the dialogs shrink (QtScreenFit.h).
    const double scale = DialogFontScale();
    if (scale >= 1.0)
        return FontAt(font, 1.0);
    // Measured once per font and scale: the pages ask for their fonts on every paint.
    using Key = std::tuple<std::string, int, int, int, bool, double>;
    static std::map<Key, QFont> shrunk;
    const Key key{font.face, font.pointSize, font.height, font.weight, font.italic, scale};
    auto it = shrunk.find(key);
    if (it == shrunk.end())
        it = shrunk.emplace(key, ShrunkFont(font, scale)).first;
    return it->second;
}

// Receives the wake-up events posted from any thread and runs the framework's timer.
class CQtDispatcher final : public QObject {
public:
    static constexpr QEvent::Type kWake = static_cast<QEvent::Type>(QEvent::User + 0x384);

    explicit CQtDispatcher(CQtHost& host) : m_host(host)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { m_host.DispatchWaiting(); });
    }
    void Wake()
    {
        if (!m_pending.exchange(true))
            QCoreApplication::postEvent(this, new QEvent(kWake));
    }
    bool event(QEvent* e) override
    {
        if (e->type() != kWake)
            return QObject::event(e);
        m_pending = false;
        m_host.DispatchWaiting();
        return true;
    }

    QTimer m_timer;

private:
    CQtHost& m_host;
    std::atomic<bool> m_pending{false};
};

namespace {
struct ModalRun {
    CDialog* dlg;
    QEventLoop* loop;
};
std::vector<ModalRun>& ModalRuns()
{
    static std::vector<ModalRun> runs;
    return runs;
}
}  // namespace

CQtHost::CQtHost() : m_dispatcher(std::make_unique<CQtDispatcher>(*this)) {}

CQtHost::~CQtHost()
{
    if (m_installed) {
        SetUiHost(nullptr);
        SetMessageBoxes(nullptr);
        SetFileDialogs(nullptr);
        UiLoop().SetTimerClock(nullptr);
    }
    for (auto& [dlg, window] : m_windows) {
        window->Detach();
        delete window;
    }
}

void CQtHost::Install()
{
    SetUiHost(this);
    SetMessageBoxes(&m_messageBox);
    SetFileDialogs(&m_fileDialogs);
    // Windows' timers keep real time even when a simulated unit runs on a virtual clock.
    UiLoop().SetTimerClock(&m_realClock);
    m_installed = true;
}

QWidget* CQtHost::WindowOf(const CDialog& dlg) const
{
    const auto it = m_windows.find(&dlg);
    return it == m_windows.end() ? nullptr : it->second;
}

QWidget* CQtHost::WorkingWindow() const
{
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        return modal;
    const auto& runs = ModalRuns();
    for (auto run = runs.rbegin(); run != runs.rend(); ++run)
        if (QWidget* w = WindowOf(*run->dlg); w && w->isVisible())
            return w;
    for (const auto& [dlg, w] : m_windows)
        if (w->isVisible())
            return w;
    return nullptr;
}

void CQtHost::RaiseWorkingWindow() const
{
    QWidget* w = WorkingWindow();
    if (!w)
        return;
    if (w->isMinimized())
        w->showNormal();
    w->raise();
    w->activateWindow();
}

QWidget* CQtHost::ControlWidget(const CDialog& dlg, int id) const
{
    const auto it = m_windows.find(&dlg);
    return it == m_windows.end() ? nullptr : it->second->ControlWidget(id);
}

bool CQtHost::SaveScreenshot(const CDialog& dlg, const std::string& path) const
{
    QWidget* window = WindowOf(dlg);
    if (!window)
        return false;
    window->ensurePolished();
    return window->grab().save(QString::fromStdString(path), "PNG");
}

void CQtHost::CreateDialogWindow(CDialog& dlg)
{
    QWidget* owner = dlg.GetParent() ? WindowOf(*dlg.GetParent()) : nullptr;
    if (FitsWindowsToScreen())
        if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
            FitDialogToWorkArea(dlg, screen->availableGeometry().size());
    m_windows[&dlg] = new CQtDialogWindow(dlg, owner);
}

void CQtHost::DestroyDialogWindow(CDialog& dlg)
{
    const auto it = m_windows.find(&dlg);
    if (it == m_windows.end())
        return;
    CQtDialogWindow* window = it->second;
    m_windows.erase(it);
    window->Detach();
    window->hide();
    window->deleteLater();       // we may be inside one of its own handlers
}

void CQtHost::RunModalLoop(CDialog& dlg)
{
    // Our own nested loop rather than QDialog::exec: a dialog may hide itself or its
    // owner while it runs (the inputs page hides the wizard), which would end exec.
    QEventLoop loop;
    ModalRuns().push_back({&dlg, &loop});
    WakeUp();  // a post or EndDialog may have come before the loop existed
    if (!dlg.IsEnded())
        loop.exec(QEventLoop::DialogExec);
    std::erase_if(ModalRuns(), [&](const ModalRun& r) { return r.loop == &loop; });
}

void CQtHost::EndFinishedModals()
{
    for (const ModalRun& run : ModalRuns())
        if (run.dlg->IsEnded())
            run.loop->exit(0);
}

void CQtHost::DispatchWaiting()
{
    UiLoop().DispatchAll();
    EndFinishedModals();
    ArmTimer();
}

void CQtHost::ArmTimer()
{
    const auto due = UiLoop().NextTimerDue();
    if (!due) {
        m_dispatcher->m_timer.stop();
        return;
    }
    const uint64_t now = UiLoop().NowMs();
    const uint64_t delay = *due > now ? *due - now : 0;
    m_dispatcher->m_timer.start(static_cast<int>(std::min<uint64_t>(delay, 0x7FFFFFFF)));
}

bool CQtHost::PumpWaitingMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    DispatchWaiting();
    return true;
}

void CQtHost::WakeUp() { m_dispatcher->Wake(); }

void CQtHost::ControlChanged(CDialog& dlg, const CControl& ctrl, unsigned what)
{
    const auto it = m_windows.find(&dlg);
    if (it != m_windows.end())
        it->second->SyncControl(ctrl, what);
}

void CQtHost::WindowChanged(CDialog& dlg)
{
    const auto it = m_windows.find(&dlg);
    if (it != m_windows.end())
        it->second->SyncWindow();
}

void CQtHost::InvalidateWindow(CDialog& dlg)
{
    if (QWidget* window = WindowOf(dlg))
        window->update();
}

void CQtHost::SetFocus(CDialog& dlg, int id)
{
    if (QWidget* w = ControlWidget(dlg, id))
        w->setFocus(Qt::OtherFocusReason);
}

int CQtHost::GetFocus(CDialog& dlg)
{
    const auto it = m_windows.find(&dlg);
    return it == m_windows.end() ? 0 : it->second->FocusedId();
}

bool CQtHost::GetWindowPlacement(CDialog& dlg, WindowPlacement& placement)
{
    QWidget* window = WindowOf(dlg);
    if (!window)
        return false;
    // The window rectangle includes the frame, as the classic placement does.
    const QMargins frame = m_frames.Of(*window);
    const bool normal = !window->isMinimized() && !window->isMaximized();
    const QRect g = (normal ? window->geometry() : window->normalGeometry()).marginsAdded(frame);
    placement.showCmd = window->isMinimized() ? SW_SHOWMINIMIZED : window->isMaximized() ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement.normalPosition = {g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
    return true;
}

bool CQtHost::SetWindowPlacement(CDialog& dlg, const WindowPlacement& placement)
{
    QWidget* window = WindowOf(dlg);
    if (!window)
        return false;
    const Rect& r = placement.normalPosition;
    const QMargins frame = m_frames.Of(*window);
    const QSize client(r.Width() - frame.left() - frame.right(), r.Height() - frame.top() - frame.bottom());
    if (client.width() > 0 && client.height() > 0 && client != window->size())
        window->setFixedSize(client);
    // The client area is placed, inside the frame the window will have: a hidden
    // window that had a frame before reports none (the window manager took it
    // away), and a frame corner given to it would become its client corner.
    window->setGeometry(QRect(QPoint(r.left + frame.left(), r.top + frame.top()), window->size()));
    return true;  // the framework applies the show command through WindowChanged
}

// Wayland clients neither learn where their windows are nor choose it.
bool CQtHost::CanPlaceWindows() const { return !QGuiApplication::platformName().startsWith("wayland"); }

std::vector<MonitorInfo> CQtHost::Monitors()
{
    std::vector<MonitorInfo> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        const QRect a = screen->availableGeometry();
        monitors.push_back({{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()},
                            {a.x(), a.y(), a.x() + a.width(), a.y() + a.height()}});
    }
    return monitors;
}

Size CQtHost::DialogBaseUnits(const DialogFont& font)
{
    // The classic measure of the font at its designed size: the average width of
    // the 52 letters, rounded, and the line height. A shrunk dialog scales these
    // by DialogScale(), not by measuring its shrunk font (whole pixel sizes).
    const QFontMetrics fm(FontAt(font, 1.0));
    const int width = fm.horizontalAdvance(kBaseUnitLetters);
    return {(width / 26 + 1) / 2, fm.height()};
}

double CQtHost::DialogScale() { return DialogFontScale(); }

Size CQtHost::MeasureText(const DialogFont& font, const std::string& text)
{
    const QSize s = QFontMetrics(ToQFont(font)).size(Qt::TextSingleLine, QString::fromStdString(text));
    return {s.width(), s.height()};
}

void CQtHost::ExitProcess(int code)
{
    // At once: the cancel paths end the program without leaving the loops; only
    // the process-exit clean-up runs.
    std::fflush(nullptr);
    std::exit(code);
}

}  // namespace vk
