#pragma once
// What tools, tests and the screenshots program may read of the wizard. They
// change it only as a user or the unit would: through its controls and
// messages, the simulated unit, the settings and the clock.

#include <optional>
#include <string>

#include "app/WizardPage.h"

namespace vk {

class CDialog;
class CHIDProtocol;
class CQuorvelVK550ConfigDlg;
class CWizardAudio;
struct EchoTestFigures;

class CWizardView {
public:
    explicit CWizardView(const CQuorvelVK550ConfigDlg& wizard) : m_wizard(wizard) {}

    [[nodiscard]] Page CurrentPage() const;
    [[nodiscard]] std::string Title() const;
    // The unit being configured and what the wizard knows of it.
    [[nodiscard]] int Units() const;
    [[nodiscard]] int UnitType() const;
    [[nodiscard]] std::string TypeName() const;
    [[nodiscard]] std::string AudioDeviceName() const;
    [[nodiscard]] uint16_t UnitFlags() const;
    [[nodiscard]] const CHIDProtocol& Unit() const;
    [[nodiscard]] const CHIDProtocol& MasterUnit() const;
    // Folders from the settings, each ending in a slash.
    [[nodiscard]] std::string InstallDir() const;
    [[nodiscard]] std::string WaveDir() const;
    [[nodiscard]] std::string RecordDir() const;
    // Levels 0..24 and the test controls' state.
    [[nodiscard]] int MicVolume() const;
    [[nodiscard]] int SpeakerVolume() const;
    [[nodiscard]] bool UsesDefaultLevels() const;
    [[nodiscard]] bool Playing() const;
    [[nodiscard]] bool Recorded() const;
    [[nodiscard]] double PeakDb() const;
    [[nodiscard]] double EchoFigure() const;
    [[nodiscard]] const std::optional<EchoTestFigures>& EchoTestResults() const;
    [[nodiscard]] const CWizardAudio& Audio() const;
    // The device watch.
    [[nodiscard]] bool IgnoresDeviceChanges() const;
    [[nodiscard]] bool WatchSuspended() const;
    // The inputs page while it runs (a window of its own that a user works in), else null.
    [[nodiscard]] CDialog* InputsPage() const;

private:
    const CQuorvelVK550ConfigDlg& m_wizard;
};

}  // namespace vk
