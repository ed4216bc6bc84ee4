#include "inputs/InputsPlaceholder.h"

#include "inputs/InputsPage.h"

#include "platform/settings/WinPos.h"
#include "resources/ControlIds.h"
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
    if (id == IDC_NEXT || id == IDC_BACK) {
        EndDialog(id == IDC_NEXT ? kInputsNext : kInputsBack);
        return;
    }
    CDialog::OnCommand(id);
}

// Enter ends nothing: IDOK (1) would read as Back.
void CInputsPlaceholder::OnOK() {}

// Esc or the close box: the page's own exit question; never an end code, since
// IDCANCEL (2) would read as Next.
void CInputsPlaceholder::OnCancel()
{
    const char* text =
        m_owner.UnitType() == 2
            ? "You are stopping the Configuration of the Master Dravena before settings is completed and saved to the "
              "device,\nThe device may be left in a non functional state.\nIt is recomended to pass all the steps of "
              "the configuration before exiting.\n\nDo you realy want to exit ?"
            : "You are stopping the Configuration of the Dravena before settings is completed and saved to the "
              "device,\nIt is recomended to pass all the steps of the configuration before exiting.\n\nDo you realy "
              "want to exit ?";
    if (MessageBox(text, "Dravena configurarion", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    CDialog::ExitProcess(0);
}

void CInputsPlaceholder::OnDestroy()
{
    // The wizard takes the place where the page was left, however it ended.
    CWinPos().SavePosition(*this);
}

intptr_t CInputsPlaceholder::OnMessage(uint32_t message, WPARAM, LPARAM lParam)
{
    if (message == WM_APP + 2 && lParam == -2)
        EndDialog(kInputsClosed);
    return 0;
}

}  // namespace vk
