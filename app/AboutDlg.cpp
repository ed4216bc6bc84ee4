#include "app/AboutDlg.h"

#include "app/AEVersionInfo.h"
#include "resources/Resources.h"

namespace vk {

CAboutDlg::CAboutDlg(CDialog* parent) : CDialog(kAboutTemplate, parent) {}

bool CAboutDlg::OnInitDialog()
{
    CAEVersionInfo versionInfo;
    m_strVersion = "Quorvel's Dravena Config Version " + versionInfo.GetVersion(nullptr, false);
    SetDlgItemText(1013, m_strVersion);
    return true;
}

}  // namespace vk
