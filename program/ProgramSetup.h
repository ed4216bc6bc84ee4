#pragma once
// The program's wiring: the Qt host, the images, the unit bus and the sound
// system (the real ones or the simulated system of --simulate[=KIND]) and what the wizard's window gets
// attached while it exists (its title for other tools, the device watch).

#include <memory>
#include <optional>
#include <string>

#include "app/QuorvelVK550ConfigDlg.h"
#include "program/ProgramOptions.h"

class QApplication;

namespace vk {

class CQtHost;
class CSimSystem;
class IHidBus;
class ISoundSystem;

class CProgramSetup {
public:
    CProgramSetup();
    ~CProgramSetup();
    CProgramSetup(const CProgramSetup&) = delete;
    CProgramSetup& operator=(const CProgramSetup&) = delete;

    // Needs the QApplication constructed. False (and a message) for an unknown kind.
    bool Start(const ProgramOptions& options);

    [[nodiscard]] CQtHost& Host() { return *m_host; }
    [[nodiscard]] CSimSystem* Simulation() { return m_sim.get(); }
    // Replaces the simulated system (the screenshots set up one scene after another).
    void Simulate(std::unique_ptr<CSimSystem> sim);
    // The attachments of the wizard's window for this set-up.
    [[nodiscard]] CQuorvelVK550ConfigDlg::Attach MakeAttach();

private:
    std::unique_ptr<CQtHost> m_host;
    std::unique_ptr<CSimSystem> m_sim;
    std::unique_ptr<IHidBus> m_realBus;
    std::unique_ptr<IMessagePump> m_pump;
    std::shared_ptr<ISoundSystem> m_sound;  // with whatever keeps the simulated cards in step
};

}  // namespace vk
