#include "app/InputsPlaceholder.h"

#include "platform/settings/WinPos.h"
#include "resources/Resources.h"

namespace vk {

CInputsPlaceholder::CInputsPlaceholder(CDialog* parent, int firstChannel)
    : CDialog(kInputsTemplate, parent), m_nFirstChannel(firstChannel)
{
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
        EndDialog(id == 1003 ? 2 : 1);
        return;
    }
    CDialog::OnCommand(id);
}

intptr_t CInputsPlaceholder::OnMessage(uint32_t message, WPARAM, LPARAM lParam)
{
    if (message == WM_APP + 2 && lParam == -2)
        EndDialog(0);
    return 0;
}

}  // namespace vk
