#pragma once
// A dialog host that passes everything to another host (the Qt host) and tells
// the scenario runner what it needs to follow a run: which modal loops run,
// which controls change, and the program's exit.

#include <functional>
#include <vector>

#include "platform/ui/DialogHost.h"

namespace vk::scenario {

class CObservedHost final : public IDialogHost {
public:
    explicit CObservedHost(IDialogHost& inner) : m_inner(inner) {}

    // Told of every change of a control's state (CC_... bits in what).
    std::function<void(CDialog& dlg, const CControl& ctrl, unsigned what)> controlObserver;
    // The program ends (a cancel path); the observer does not return.
    std::function<void(int code)> exitObserver;

    // The dialog whose modal loop runs innermost (null when none runs).
    [[nodiscard]] CDialog* ActiveModal() const { return m_modal.empty() ? nullptr : m_modal.back(); }
    [[nodiscard]] size_t ModalDepth() const { return m_modal.size(); }

    void CreateDialogWindow(CDialog& dlg) override { m_inner.CreateDialogWindow(dlg); }
    void DestroyDialogWindow(CDialog& dlg) override { m_inner.DestroyDialogWindow(dlg); }
    void RunModalLoop(CDialog& dlg) override
    {
        m_modal.push_back(&dlg);
        m_inner.RunModalLoop(dlg);
        m_modal.pop_back();
    }
    bool PumpWaitingMessages() override { return m_inner.PumpWaitingMessages(); }
    void WakeUp() override { m_inner.WakeUp(); }
    void ControlChanged(CDialog& dlg, const CControl& ctrl, unsigned what) override
    {
        m_inner.ControlChanged(dlg, ctrl, what);
        if (controlObserver)
            controlObserver(dlg, ctrl, what);
    }
    void WindowChanged(CDialog& dlg) override { m_inner.WindowChanged(dlg); }
    void InvalidateWindow(CDialog& dlg) override { m_inner.InvalidateWindow(dlg); }
    void SetFocus(CDialog& dlg, int id) override { m_inner.SetFocus(dlg, id); }
    [[nodiscard]] int GetFocus(CDialog& dlg) override { return m_inner.GetFocus(dlg); }
    [[nodiscard]] bool GetWindowPlacement(CDialog& dlg, WindowPlacement& placement) override
    {
        return m_inner.GetWindowPlacement(dlg, placement);
    }
    bool SetWindowPlacement(CDialog& dlg, const WindowPlacement& placement) override
    {
        return m_inner.SetWindowPlacement(dlg, placement);
    }
    [[nodiscard]] std::vector<MonitorInfo> Monitors() override { return m_inner.Monitors(); }
    [[nodiscard]] Size DialogBaseUnits(const DialogFont& font) override { return m_inner.DialogBaseUnits(font); }
    [[nodiscard]] double DialogScale() override { return m_inner.DialogScale(); }
    [[nodiscard]] Size MeasureText(const DialogFont& font, const std::string& text) override
    {
        return m_inner.MeasureText(font, text);
    }
    void ExitProcess(int code) override
    {
        if (exitObserver)
            exitObserver(code);
        m_inner.ExitProcess(code);
    }

private:
    IDialogHost& m_inner;
    std::vector<CDialog*> m_modal;
};

}  // namespace vk::scenario
