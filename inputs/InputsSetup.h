#pragma once
// CInputsSetup: the wizard's page 7, a modal dialog (layout 103) with four channel
// panels. Clicking a panel or stepping with Back and Next selects a channel;
// only the selected channel's controls can be used, its signal is routed to the
// unit's monitor and recording paths and drawn live, and it can be recorded,
// played back and saved. Every change goes to the unit at once through the
// channel model. Ends with 1 (Back on channel 1), 2 (Next on channel 4) or 0
// (closed on request, or the unit's sound card went away).

#include <array>
#include <cstdint>
#include <string>

#include "audio/WizardAudio.h"
#include "inputs/InputChannelModel.h"
#include "inputs/InputsOwner.h"
#include "inputs/InputsSurfaces.h"
#include "platform/ui/Dialog.h"
#include "resources/ControlIds.h"

namespace vk {

class CInputsSetup : public CDialog {
public:
    CInputsSetup(IInputsOwner& owner, int firstChannel);
    ~CInputsSetup() override;

    // --- what tests and hosts look at ------------------------------------------
    [[nodiscard]] const CInputChannelModel& Model() const { return m_model; }
    [[nodiscard]] int SelectedChannel() const { return m_model.m_nSelChannel; }
    [[nodiscard]] const CInputsSurfaces& Surfaces() const { return m_surfaces; }
    [[nodiscard]] bool IsPlayingBack() const { return m_bPlayback; }
    [[nodiscard]] bool IsRecordingToFile() const { return m_bRecordToFile; }
    [[nodiscard]] CWizardAudio& MonitorEngine() { return m_audioMonitor; }
    [[nodiscard]] CWizardAudio& PlaybackEngine() { return m_audioPlayback; }

    static constexpr const char* kInstructionText =
        "For each channel set the input type and phantom status. \r\nSet the gain as high as possible while keeping "
        "the signal unsaturated. \r\nThe selected channel signal is displayed and can be heard by connecting "
        "headphones to the monitor jack.";
    // 2048 samples per block x 136 blocks across the view, two bytes a sample.
    static constexpr int kSweepSamples = 2048 * 136 / 2;

protected:
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnOK() override {}  // Enter ends nothing: IDOK (1) would read as Back
    void OnCancel() override;
    void OnVScroll(int code, int pos, CControl* ctrl) override;
    void OnLButtonDown(unsigned flags, Point clientPoint) override;
    void OnDestroy() override;
    intptr_t OnMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    // --- channels (InputsSetupChannels.cpp) -------------------------------------
    void SelectChannel(int n);
    void ShowLocalControls(int c);
    // Shows channel c's controls by its settings: which are visible, checked,
    // captioned, its gain text and up-down position.
    void ShowChannelControls(int c);
    void ShowRefreshedLines();
    void RetryUnknownControllerState();
    void EnableChannelControls(int c, bool enable);
    // The 3V and 24V buttons of the selected channel follow its Phantom box.
    void EnableSupplyButtons();
    void OnUseInput(int c);
    void OnMicrophone(int c);
    void OnSoundReinforcement(int c);
    void OnAuxiliary(int c);
    void OnPhantom(int c);
    void OnSupply(int c, bool threeVolts);
    void OnMute();
    void OnGainScroll(int c, const CControl& spin);
    void OnLocalScroll(int c, const CControl& slider);
    [[nodiscard]] std::string ChannelTitle(int n) const;
    // Channel and role of a control id; false for the page's own controls.
    struct ControlRole {
        int channel = -1;
        int id = 0;
    };
    [[nodiscard]] static ControlRole RoleOf(int id);

    // --- recording, playback, saving (InputsSetupAudio.cpp) ----------------------
    void StartMonitor();
    void OnRecord();
    void OnPlayback();
    void OnSaveRecording();
    intptr_t OnAudioDone(WPARAM wParam);
    intptr_t OnAudioBlock(WPARAM wParam, LPARAM lParam);
    intptr_t OnRecordFileFailed();
    [[nodiscard]] std::string DevicePattern() const;

    // --- ending -------------------------------------------------------------------
    void OnBack();
    void OnNext();
    void Leave(int result);
    void ShowWizard(bool show);
    void Close(int result);

    IInputsOwner& m_owner;
    CDialog* m_pWizard = nullptr;
    CInputChannelModel m_model;
    CWizardAudio m_audioMonitor;
    CWizardAudio m_audioPlayback;
    CInputsSurfaces m_surfaces;
    bool m_bPlayback = false;
    bool m_bRecordToFile = false;
    bool m_bBlockSeen = false;  // the monitor has delivered: its device worked
    bool m_bExiting = false;    // the program ends from the exit question
    COLORREF m_clrPanelShadow = 0;
    COLORREF m_clrPanelHilite = 0;
    std::array<std::string, kGainSteps> m_strGain{};
};

}  // namespace vk
