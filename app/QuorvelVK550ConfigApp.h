#pragma once
// The application object: registers the company key of the profile, runs the
// wizard modally and ends the program when it closes.

#include "app/QuorvelVK550ConfigDlg.h"

namespace vk {

class CQuorvelVK550ConfigApp {
public:
    CQuorvelVK550ConfigApp() = default;

    // Runs the wizard; false: no message loop follows, the program ends.
    bool InitInstance();

    // Set by the program before InitInstance (see CQuorvelVK550ConfigDlg::SetAttach).
    CQuorvelVK550ConfigDlg::Attach m_attach;
    int m_nDialogResult = -1;  // how the wizard ended: 1 Exit, 0 ended by a tool
};

}  // namespace vk
