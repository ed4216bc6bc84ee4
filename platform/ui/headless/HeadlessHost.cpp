#include "platform/ui/headless/HeadlessHost.h"

#include <algorithm>
#include <chrono>

#include "platform/clock/Clock.h"

namespace vk {

CHeadlessHost::CHeadlessHost() = default;

CHeadlessHost::~CHeadlessHost()
{
    if (!m_installed)
        return;
    SetUiHost(nullptr);
    SetMessageBoxes(nullptr);
    SetFileDialogs(nullptr);
}

void CHeadlessHost::Install()
{
    SetUiHost(this);
    SetMessageBoxes(&messageBoxes);
    SetFileDialogs(&fileDialogs);
    m_installed = true;
}

// --- scripts ----------------------------------------------------------------------

CHeadlessHost& CHeadlessHost::Then(Step step)
{
    m_steps.push_back({std::move(step), {}, false});
    return *this;
}

CHeadlessHost& CHeadlessHost::ThenWaitFor(std::function<bool(CHeadlessHost&)> done, uint32_t timeoutMs)
{
    m_steps.push_back({{}, {std::move(done), timeoutMs}, true});
    return *this;
}

bool CHeadlessHost::DispatchOrPaint()
{
    if (UiLoop().DispatchOne())
        return true;
    if (m_dirty.empty())
        return false;
    CDialog* dlg = m_dirty.front();
    m_dirty.erase(m_dirty.begin());
    ++m_paints[dlg];
    dlg->SendMessage(WM_PAINT);
    return true;
}

bool CHeadlessHost::RunNextStep()
{
    if (m_steps.empty())
        return false;
    ScriptItem item = std::move(m_steps.front());
    m_steps.pop_front();
    if (!item.isWait) {
        item.step(*this);
        return true;
    }
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(item.wait.timeoutMs);
    for (;;) {
        if (item.wait.done(*this) || m_exited)
            return true;
        const CDialog* active = ActiveModal();
        if (active && active->IsEnded())
            return true;
        if (DispatchOrPaint())
            continue;
        const auto now = steady_clock::now();
        if (now >= deadline)
            return false;
        WaitForPost(static_cast<uint32_t>(duration_cast<milliseconds>(deadline - now).count()) + 1);
    }
}

void CHeadlessHost::WaitForPost(uint32_t ms)
{
    std::unique_lock lock(m_wakeMutex);
    const uint64_t seen = m_wakeCount;
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_wakeCount != seen; });
}

// --- loops --------------------------------------------------------------------------

void CHeadlessHost::RunModalLoop(CDialog& dlg)
{
    m_modal.push_back(&dlg);
    while (!dlg.IsEnded() && !m_exited) {
        if (DispatchOrPaint())
            continue;
        if (RunNextStep())
            continue;
        m_stalled = true;  // nothing to dispatch and nothing scripted: give up rather than hang
        break;
    }
    m_modal.pop_back();
}

bool CHeadlessHost::PumpWaitingMessages()
{
    // Each timer at most once, as the core's DispatchAll promises, so a short timer
    // on the real clock cannot keep a waiting caller here.
    UiLoop().DispatchAll();
    while (!m_dirty.empty() && DispatchOrPaint()) {
    }
    return !m_exited;
}

void CHeadlessHost::RunUntilIdle()
{
    while (!m_exited && DispatchOrPaint()) {
    }
}

void CHeadlessHost::AdvanceTime(uint64_t ms)
{
    auto* clock = dynamic_cast<CVirtualClock*>(&Clock());
    RunUntilIdle();
    if (!clock)
        return;  // real time cannot be moved
    const uint64_t target = clock->NowMs() + ms;
    for (;;) {
        const auto next = UiLoop().NextTimerDue();
        if (!next || *next > target)
            break;
        clock->AdvanceTo(*next);
        RunUntilIdle();
        if (m_exited)
            return;
    }
    clock->AdvanceTo(target);
    RunUntilIdle();
}

void CHeadlessHost::WakeUp()
{
    {
        std::lock_guard lock(m_wakeMutex);
        ++m_wakeCount;
    }
    m_wake.notify_all();
}

// --- windows --------------------------------------------------------------------------

void CHeadlessHost::CreateDialogWindow(CDialog& dlg)
{
    const Size size = dlg.ClientSize();
    m_placements[&dlg] = {SW_SHOWNORMAL, {0, 0, size.cx, size.cy}};
}

void CHeadlessHost::DestroyDialogWindow(CDialog& dlg)
{
    m_placements.erase(&dlg);
    m_focus.erase(&dlg);
    std::erase(m_dirty, &dlg);
    std::erase_if(m_screens, [&](const auto& s) { return s.first.first == &dlg; });
}

void CHeadlessHost::ControlChanged(CDialog& dlg, const CControl& ctrl, unsigned what)
{
    if (controlObserver)
        controlObserver(dlg, ctrl, what);
}

void CHeadlessHost::WindowChanged(CDialog&) {}

void CHeadlessHost::InvalidateWindow(CDialog& dlg)
{
    if (std::find(m_dirty.begin(), m_dirty.end(), &dlg) == m_dirty.end())
        m_dirty.push_back(&dlg);
}

int CHeadlessHost::PaintCount(const CDialog& dlg) const
{
    const auto it = m_paints.find(&dlg);
    return it == m_paints.end() ? 0 : it->second;
}

bool CHeadlessHost::GetWindowPlacement(CDialog& dlg, WindowPlacement& placement)
{
    const auto it = m_placements.find(&dlg);
    if (it == m_placements.end())
        return false;
    placement = it->second;
    return true;
}

bool CHeadlessHost::SetWindowPlacement(CDialog& dlg, const WindowPlacement& placement)
{
    const auto it = m_placements.find(&dlg);
    if (it == m_placements.end())
        return false;
    it->second = placement;
    return true;
}

Size CHeadlessHost::MeasureText(const DialogFont& font, const std::string& text)
{
    int height = 13;
    if (font.pointSize > 0)
        height = (font.pointSize * 96 + 36) / 72;
    else if (font.height != 0)
        height = font.height < 0 ? -font.height : font.height;
    return {static_cast<int>(text.size()) * height / 2, height};
}

void CHeadlessHost::ExitProcess(int code)
{
    if (exitObserver)
        exitObserver(code);
    m_exited = true;
    m_exitCode = code;
    WakeUp();
}

}  // namespace vk
