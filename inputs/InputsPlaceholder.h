#pragma once
// The inputs page (layout 103) as far as the wizard needs it today: it runs
// modally over the wizard and ends with 1 (Back), 2 (Next) or 0 when the wizard
// closes it (WM_APP+2 with lParam -2); Esc and the close box ask whether to end
// the program. The channel panels come with the inputs page's own work.

#include "inputs/InputsOwner.h"
#include "platform/ui/Dialog.h"

namespace vk {

class CInputsPlaceholder : public CDialog {
public:
    CInputsPlaceholder(IInputsOwner& owner, int firstChannel);

    [[nodiscard]] int FirstChannel() const { return m_nFirstChannel; }

protected:
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnOK() override;
    void OnCancel() override;
    void OnDestroy() override;
    intptr_t OnMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    IInputsOwner& m_owner;
    int m_nFirstChannel;
};

}  // namespace vk
