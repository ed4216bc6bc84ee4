#include "inputs/InputsPlaceholder.h"

#include "inputs/InputsPage.h"

#include "platform/settings/WinPos.h"
#include "resources/Resources.h"

namespace vk {

CInputsPlaceholder::CInputsPlaceholder(IInputsOwner& owner, int firstChannel)
    : CDialog(kInputsTemplate, &owner.OwnerWindow()), m_owner(owner), m_nFirstChannel(firstChannel)
{
}

std::unique_ptr<CDialog> CreateInputsPage(IInputsOwner& owner, int firstChannel)
{
    return std::make_unique<CInputsPlaceholder>(owner, firstChannel);
}

bool CInputsPlaceholder::OnInitDialog()
{
    // Opens exactly over the wizard, whose position the wizard has just saved.
    CWinPos().RestorePosition(*this, SW_SHOWNORMAL, true);
    return true;
}

void CInputsPlaceholder::OnCommand(int id)
{
    if (id == 1003 || id == 1004) {
        CWinPos().SavePosition(*this);
        EndDialog(id == 1003 ? kInputsNext : kInputsBack);
        return;
    }
    CDialog::OnCommand(id);
}

intptr_t CInputsPlaceholder::OnMessage(uint32_t message, WPARAM, LPARAM lParam)
{
    if (message == WM_APP + 2 && lParam == -2)
        EndDialog(kInputsClosed);
    return 0;
}

}  // namespace vk
