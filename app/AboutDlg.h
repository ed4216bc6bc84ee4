#pragma once
// The About box (layout 100): the application icon, the maker's notice and the
// program's version read from its own executable.

#include <string>

#include "platform/ui/Dialog.h"

namespace vk {

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CDialog* parent = nullptr);

    std::string m_strVersion;  // bound to static 1013

protected:
    bool OnInitDialog() override;
};

}  // namespace vk
