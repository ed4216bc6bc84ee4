#include "platform/ui/DialogHost.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/clock/Clock.h"
#include "platform/ui/Dialog.h"

namespace vk {
namespace {
// The classic loop never fires a timer more often than every 10 ms.
constexpr uint32_t kMinTimerPeriodMs = 10;

std::atomic<IDialogHost*> g_host{nullptr};
}  // namespace

IDialogHost& UiHost()
{
    IDialogHost* host = g_host.load(std::memory_order_acquire);
    if (host)
        return *host;
    // No stand-in: a program whose window system failed to start must say so,
    // not run its dialogs where nobody sees them and stall in their loops.
    std::fputs("dialog framework used without a host: install one first (the Qt host in programs, "
               "the headless host in tests)\n",
               stderr);
    std::abort();
}

bool HasUiHost() { return g_host.load(std::memory_order_acquire) != nullptr; }

void SetUiHost(IDialogHost* host) { g_host.store(host, std::memory_order_release); }

CUiLoop& UiLoop()
{
    static CUiLoop loop;
    return loop;
}

CUiLoop::Handle CUiLoop::Register(CDialog& dlg)
{
    std::lock_guard lock(m_mutex);
    const Handle handle = m_nextHandle++;
    m_windows[handle] = &dlg;
    return handle;
}

void CUiLoop::Unregister(Handle handle)
{
    std::lock_guard lock(m_mutex);
    m_windows.erase(handle);
    std::erase_if(m_queue, [&](const Queued& q) { return q.handle == handle; });
    std::erase_if(m_timers, [&](const auto& t) { return t.first.first == handle; });
}

CDialog* CUiLoop::Find(Handle handle) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(handle);
    return it == m_windows.end() ? nullptr : it->second;
}

bool CUiLoop::Post(Handle handle, uint32_t message, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_windows.contains(handle))
            return false;
        m_queue.push_back({handle, {message, wParam, lParam}});
    }
    UiHost().WakeUp();  // a window exists, so a host does
    return true;
}

void CUiLoop::SetTimer(Handle handle, unsigned id, uint32_t periodMs)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_windows.contains(handle))
            return;
        const uint32_t period = std::max(periodMs, kMinTimerPeriodMs);
        m_timers[{handle, id}] = Timer{period, NowMs() + period, m_timerOrder++};
    }
    UiHost().WakeUp();
}

uint64_t CUiLoop::NowMs() const
{
    IClock* clock = m_timerClock.load();
    return clock ? clock->NowMs() : Clock().NowMs();
}

bool CUiLoop::KillTimer(Handle handle, unsigned id)
{
    std::lock_guard lock(m_mutex);
    return m_timers.erase({handle, id}) > 0;
}

bool CUiLoop::HasTimer(Handle handle, unsigned id) const
{
    std::lock_guard lock(m_mutex);
    return m_timers.contains({handle, id});
}

std::optional<std::pair<CUiLoop::Handle, unsigned>> CUiLoop::TakeDueTimer()
{
    const uint64_t now = NowMs();
    auto best = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.dueMs > now)
            continue;
        if (best == m_timers.end() || it->second.dueMs < best->second.dueMs ||
            (it->second.dueMs == best->second.dueMs && it->second.order < best->second.order))
            best = it;
    }
    if (best == m_timers.end())
        return std::nullopt;
    best->second.dueMs = now + best->second.periodMs;
    best->second.order = m_timerOrder++;
    return best->first;
}

bool CUiLoop::DispatchOne() { return Dispatch(true); }

bool CUiLoop::Dispatch(bool allowTimers)
{
    CDialog* target = nullptr;
    PostedMessage message;
    {
        std::lock_guard lock(m_mutex);
        while (!m_queue.empty() && !target) {
            const Queued q = m_queue.front();
            m_queue.pop_front();
            const auto it = m_windows.find(q.handle);
            if (it != m_windows.end()) {
                target = it->second;
                message = q.message;
            }
        }
        if (!target) {
            if (!allowTimers)
                return false;
            const auto due = TakeDueTimer();
            if (!due)
                return false;
            target = m_windows.at(due->first);
            message = {WM_TIMER, due->second, 0};
        }
    }
    // Windows are registered and unregistered on this thread only, so the target lives.
    target->WindowProc(message.message, message.wParam, message.lParam);
    return true;
}

void CUiLoop::DispatchAll()
{
    // Each timer fires at most once per call, so a slow handler of a short timer
    // cannot keep the caller here for ever.
    size_t timerBudget = 0;
    {
        std::lock_guard lock(m_mutex);
        timerBudget = m_timers.size();
    }
    for (;;) {
        if (Dispatch(false))
            continue;
        if (timerBudget > 0 && Dispatch(true)) {
            --timerBudget;
            continue;
        }
        break;
    }
}

bool CUiLoop::HasPosted() const
{
    std::lock_guard lock(m_mutex);
    return !m_queue.empty();
}

std::optional<uint64_t> CUiLoop::NextTimerDue() const
{
    std::lock_guard lock(m_mutex);
    std::optional<uint64_t> next;
    for (const auto& [key, timer] : m_timers)
        if (!next || timer.dueMs < *next)
            next = timer.dueMs;
    return next;
}

bool CUiMessagePump::PumpWaitingMessages() { return UiHost().PumpWaitingMessages(); }

}  // namespace vk
