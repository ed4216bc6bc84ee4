#pragma once
// The few ways tests, benchmarks and the screenshots program put the wizard into
// a state that no control, message, simulated unit, setting or clock reaches
// directly: a page shown without the road that leads to it, the engine as its
// own thread would fill it, and values the wizard only takes from a unit in a
// state the simulator cannot be put in. Everything else goes through those seams.

#include <cstdint>
#include <optional>

#include "app/WizardPage.h"

namespace vk {

class CHIDProtocol;
class CQuorvelVK550ConfigDlg;
class CWizardAudio;
struct EchoTestFigures;

class CWizardTestSeam {
public:
    // The page number only; ShowPage() then sets the page up as on arrival.
    static void PutOnPage(CQuorvelVK550ConfigDlg& wizard, Page page);
    // The test-audio engine, to start it listening or fill its block as its thread does.
    static CWizardAudio& Engine(CQuorvelVK550ConfigDlg& wizard);
    // The wizard's own connection to the unit being configured.
    static CHIDProtocol& Unit(CQuorvelVK550ConfigDlg& wizard);
    static void SetUnitType(CQuorvelVK550ConfigDlg& wizard, int type);
    static void SetUnitFlags(CQuorvelVK550ConfigDlg& wizard, uint16_t flags);
    static void SetLevels(CQuorvelVK550ConfigDlg& wizard, int mic, int speaker);
    static void SetUseDefaultLevels(CQuorvelVK550ConfigDlg& wizard, bool on);
    static void SetRecorded(CQuorvelVK550ConfigDlg& wizard, bool recorded);
    static void SetEchoTestResults(CQuorvelVK550ConfigDlg& wizard, const std::optional<EchoTestFigures>& figures);
};

}  // namespace vk
