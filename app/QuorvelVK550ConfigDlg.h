#pragma once
// The wizard window: one dialog (layout 102) whose content changes page by page.
// It finds the attached units, opens the one to configure and reads its type,
// follows units being plugged in and out, and answers the product family's tool
// message 0x384.
//
// The class is defined over files by concern:
//   QuorvelVK550ConfigDlg.cpp               life cycle, commands, system menu, cancel
//   QuorvelVK550ConfigDlgPages.cpp          what each page shows; page 7 runs the inputs page
//   QuorvelVK550ConfigDlgNavigation.cpp     Next and Back on every page
//   QuorvelVK550ConfigDlgUnitType.cpp       finding the unit, its type, set-up start, master channels
//   QuorvelVK550ConfigDlgTypeAssignment.cpp writing a new type and waiting for the unit to return
//   QuorvelVK550ConfigDlgDeviceWatch.cpp    device changes, timers, tool messages
//   QuorvelVK550ConfigDlgTestControls.cpp   test buttons, sliders, recording, echo test
//   QuorvelVK550ConfigDlgConfigFiles.cpp    the unit's configuration saved to and loaded from a
//                                           file
//   QuorvelVK550ConfigDlgRecord.cpp         the commissioning record, saved from the menu and
//                                           left at the end

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/WizardPage.h"
#include "app/WizardView.h"
#include "audio/AudioEndpoints.h"
#include "audio/WizardAudio.h"
#include "device/HIDProtocol.h"
#include "device/UnitPin.h"
#include "device/UnitTypes.h"
#include "inputs/InputsOwner.h"
#include "platform/ui/Dialog.h"

namespace vk {

// The program key of the per-user settings.
inline constexpr const char* kProgramKey = "Software\\Selvo\\QuorvelDravenaConfig";
// The tool message of the product family and the titles it is exchanged with.
inline constexpr uint32_t WM_TOOL_MESSAGE = 0x384;
inline constexpr const char* kWizardTitle = "Quorvel Dravena Configuration";
inline constexpr const char* kAudioSetupTitle = "Quorvel Audio Setup";

// Timers of the window.
inline constexpr unsigned kRecordTimer = 1;        // 5000 ms, the recording limit
inline constexpr unsigned kWatchSuspendTimer = 2;  // 180000 ms
inline constexpr unsigned kDeviceSettleTimer = 3;  // 200 ms
inline constexpr uint32_t kWatchSuspendMs = 180000;
inline constexpr uint32_t kDeviceSettleMs = 200;

// What the finished page says when the unit did not store its settings.
inline constexpr const char* kStoreFailedTitle = "The settings were not stored in the unit.";
inline constexpr const char* kStoreFailedText =
    "The unit did not confirm that it stored its settings.\r\nCheck its USB connection, then click '<  Back' "
    "and 'Next >' to store them again.";
// Why the wizard went back to its first page in the middle of a configuration.
inline constexpr const char* kUnitLeftText =
    "The Dravena you were configuring was disconnected before its settings were stored.\nConnect it again and "
    "pass all the steps of the configuration.";
inline constexpr const char* kOtherUnitLeftText =
    "A Dravena was disconnected while another was being configured, so the configuration stopped before its "
    "settings were stored.\nPass all the steps of the configuration again.";
inline constexpr const char* kUnitAddedText =
    "Another Dravena was connected while this one was being configured, so the configuration stopped before its "
    "settings were stored.\nDisconnect all devices except the one you want to configure, and pass all the steps of "
    "the configuration again.";

// The product id a unit of this type answers under (from the shared table).
[[nodiscard]] constexpr int ProductIdOf(int type) { return UnitTypeRow(type).productId; }

// System-menu commands.
inline constexpr unsigned IDM_ABOUTBOX = 0x10;
inline constexpr unsigned IDM_ABOUTDEVICE = 0x20;
inline constexpr unsigned IDM_SAVECONFIG = 0x30;
inline constexpr unsigned IDM_LOADCONFIG = 0x40;
inline constexpr unsigned IDM_SAVERECORD = 0x50;
inline constexpr const char* kSaveConfigEntry = "Save unit configuration...";
inline constexpr const char* kLoadConfigEntry = "Load unit configuration...";
inline constexpr const char* kSaveRecordEntry = "Save commissioning record...";

// A configuration file that a Load applied and the unit stored, for the
// commissioning record: kept while the wizard shows the page the Load left it
// on and sends the unit nothing more.
struct StoredLoad {
    std::string file;
    std::vector<std::string> written;  // the steps the Load sent
    Page page = Page::Welcome;
};

// A commissioning record read from the unit: the name it proposes and its page.
struct CommissioningRecordFile {
    std::string name;
    std::string html;
    std::string unreadPart;  // the part of the unit that did not answer (then no page)
};

// The two figures of an echo test that ran, in dB.
struct EchoTestFigures {
    double reductionDb = 0.0;
    double residualDb = 0.0;
};

class CQuorvelVK550ConfigDlg : public CDialog, public IInputsOwner {
    friend class CWizardView;
    friend class CWizardTestSeam;

public:
    explicit CQuorvelVK550ConfigDlg(CDialog* parent = nullptr);
    ~CQuorvelVK550ConfigDlg() override;

    // What the program attaches to the window while it exists (the title other
    // tools find, the device watch); made before the first page, dropped with
    // the window.
    using Attach = std::function<std::shared_ptr<void>(CDialog& window)>;
    void SetAttach(Attach attach) { m_attach = std::move(attach); }

    void ShowPage();
    void OnNext();
    void OnBack();
    [[nodiscard]] bool OpenConnectedUnit();
    void ReadUnitType();
    // Writes the type (1, 2 or 3) into the unit and waits for it and its sound
    // card to come back; false after a message box.
    [[nodiscard]] bool AssignUnitType(int type);
    void PrepareUnitForSetup();
    void SaveMasterInputs();
    void SetMasterInputsFlag(bool on);
    void RestoreMasterInputs();
    void OnDevicesChanged();
    intptr_t OnToolMessage(WPARAM wParam, LPARAM lParam);
    void NotifyAudioSetupTool();
    void ShowUnitReport();

    // --- configuration files and the record (QuorvelVK550ConfigDlgConfigFiles.cpp)
    // Whether the unit's configuration may be saved or loaded now: a unit is
    // open past page 0, no test sound or recording runs, the inputs page is
    // closed and no master's channels are set aside for its tests.
    [[nodiscard]] bool ConfigurationFilesAllowed() const;
    void OnSaveUnitConfiguration();
    void OnLoadUnitConfiguration();
    // --- the commissioning record (QuorvelVK550ConfigDlgRecord.cpp)
    // Whether the record may be saved now: files are allowed and the unit holds
    // what it stored (on the finished page after its store, or on the page a
    // Load that stored left, before anything else was sent).
    [[nodiscard]] bool CommissioningRecordAllowed() const;
    void OnSaveCommissioningRecord();

    // --- speaker, output and echo test controls (QuorvelVK550ConfigDlgTestControls.cpp)
    void OnPlayVoice();    // button 1001 and timer 1
    void OnPlayMusic();    // button 1006
    void OnSaveRecording();  // button 1026
    void OnEchoTest();     // command 1015
    void OnOutputLevel(bool microphone);  // radios 1110 (true) and 1112
    void OnLevelSlider(int id, int pos);  // WM_VSCROLL from slider 1005 or 1007
    intptr_t OnAudioDone();                              // WM_APP+1
    intptr_t OnAudioBlock(WPARAM wParam, LPARAM lParam);  // WM_APP+2
    intptr_t OnRecordFileFailed();                        // WM_APP+3
    void LoadLevels();
    void SetSpeakerPlayFlag(bool on) override;

    // --- what the inputs page reaches through IInputsOwner
    CDialog& OwnerWindow() override { return *this; }
    CHIDProtocol& UnitProtocol() override { return m_protocol; }
    int UnitType() const override { return m_unitType; }
    std::string WaveDir() const override { return m_strWaveDir; }
    std::array<ChannelRecord, 4>& MasterInputs() override { return m_masterInputs; }
    const DialogFont& TitleFont() const override { return m_fontTitle; }
    const DialogFont& TextFont() const override { return m_fontText; }
    const DialogFont& ButtonFont() const override { return m_fontButton; }
    // Opens the unit being configured again; never another unit. When it is
    // gone, the configuration ends and the wizard goes back to page 0.
    [[nodiscard]] bool ReopenUnit() override;
    // The unit being configured, from page 0's Next until page 0 again.
    [[nodiscard]] const CUnitPin& Pin() const { return m_pin; }

    // What others may read of the wizard.
    [[nodiscard]] CWizardView View() const { return CWizardView(*this); }

protected:
    bool OnInitDialog() override;
    void OnCommand(int id) override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(unsigned id) override;
    void OnVScroll(int code, int pos, CControl* ctrl) override;
    void OnSysCommand(unsigned id, LPARAM lParam) override;
    void OnInitSystemMenu() override;
    void OnDestroy() override;
    intptr_t OnMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;

private:
    void Show(std::initializer_list<int> ids, bool visible);
    void Enable(std::initializer_list<int> ids, bool enable);
    void SetPageIcon(int icon);
    void CopyTexts();
    void CommonEnd();
    // --- navigation steps (QuorvelVK550ConfigDlgNavigation.cpp)
    bool NextFromTypeSelection();  // false: the page stays without being shown again
    void NextFromConfigurationType();
    void NextFromSpeaker();
    void NextFromInputs();
    void NextFromOutput();
    void ExitWizard();
    // Units attached whose node this user may not open: a message box names the
    // fix. True when there are such units.
    bool TellAboutRefusedUnits();
    void BackFromSpeaker();
    void BackFromInputs();
    void BackFromOutput();
    void BackFromFinished();
    void EnterOutputPage();    // page 8: the microphone routed to the PC, the page's flag raised
    void StartListening();     // the engine listens, the recording's file ready
    void StopTestAudio();      // the engine stopped, the speaker flag lowered
    // 0xB7FF; when the unit is ready to store, 0xB100 and 0xB102. True when the
    // unit confirmed both (then a master's set-up counts as saved).
    bool StoreUnitSettings();
    void SendShort(uint16_t code);
    // --- type assignment (QuorvelVK550ConfigDlgTypeAssignment.cpp)
    void SetUnitFlags(uint16_t flags);
    void WriteUnitFlags();  // the flags word, when the wizard knows it
    // The line words and address word a new type starts from.
    [[nodiscard]] std::pair<PicLineWords, uint32_t> TypeLinesAndAddress(const UnitTypeInfo& row) const;
    void ResetUnitQuietly(uint16_t productId);
    // Opens the pinned unit under its new product id after a reset.
    [[nodiscard]] bool ReopenAfterReset(uint16_t productId);
    [[nodiscard]] bool WaitForSoundCard(int rounds, uint32_t intervalMs);
    void ReadFolders();
    // After a finished run: the unit's record as <serial>.html in the records
    // folder; a record that cannot be read or written is left out quietly.
    void WriteCommissioningRecord();
    [[nodiscard]] CommissioningRecordFile ReadCommissioningRecord();
    // After a Load: a Load that wrote is kept for the record when the unit stored it.
    void NoteLoad(const std::string& file, const std::vector<std::string>& written, bool stored);
    // A page other than the one a stored Load left is shown: the Load is no longer what the unit holds.
    void ForgetStoredLoadOffPage();
    // After a configuration was loaded: the wizard takes what the unit now holds.
    void TakeLoadedConfiguration(bool typeChanged, int speakerLevel, int outputLevel);
    void RunInputsPage();
    // --- the unit being configured (QuorvelVK550ConfigDlgDeviceWatch.cpp)
    // Pages on which settings have been sent that the unit has not stored yet.
    [[nodiscard]] bool ConfigurationUnderWay() const;
    // The pinned unit is gone: any inputs page is closed (its closing writes
    // find no unit), the wizard shows page 0 and says why when work was lost.
    void LosePinnedUnit(const char* why);
    // A count that did not change: the pinned unit (or, before one is pinned,
    // the unit that was open) is opened again.
    void ReopenAfterDeviceChange(int droppedProductId);
    void CloseInputsPage();
    void ResumeDeviceWatch();  // after the other tool (0x384, lParam 7) or timer 2

    void ShowWelcomePage();
    void ShowTypeSelectionPage();
    void ShowConfigurationTypePage();
    void ShowSpeakerPage();
    void ShowOutputPage();
    void ShowFinishedPage();

    // --- the wizard's state ------------------------------------------------------
    Page m_nPage = Page::Welcome;
    int m_nUnits = 0;
    int m_nMasters = 0;
    int m_unitType = 0;
    std::string m_strTypeName = "NEW";
    std::string m_strAudioDeviceName;
    uint16_t m_wUnitFlags = 0;  // no type until the unit's flags have been read
    bool m_bUnitFlagsKnown = false;  // read from the unit or written to it
    bool m_bStoreFailed = false;     // the unit did not confirm the last store
    std::string m_strInstallDir;
    std::string m_strWaveDir;
    // Where "Exit >" after a stored run leaves the unit's commissioning record
    // (the setting "Commissioning Records Directory"); empty: no record, and no
    // reads of the unit at the exit.
    std::string m_strRecordDir;
    int m_micVolume = 12;
    int m_speakerVolume = 12;
    bool m_bPlaying = false;
    bool m_bRecorded = false;
    bool m_bForward = true;
    bool m_bIgnoreDeviceChanges = false;
    bool m_bMasterSaved = true;
    bool m_bWatchSuspended = false;
    bool m_bUseDefaultLevels = false;
    double m_dPeakDb = 0.0;
    double m_dEchoFigure = 0.0;
    std::optional<EchoTestFigures> m_echoTestFigures;  // the last echo test of this session
    bool m_bSettingsStored = false;  // the unit confirmed the last store (or had nothing to store)
    std::optional<StoredLoad> m_storedLoad;  // the last Load the unit stored, while it still holds it
    CDialog* m_pInputsSetup = nullptr;
    std::array<ChannelRecord, 4> m_masterInputs{};

    CHIDProtocol m_protocol;
    CHIDProtocol m_masterProtocol;
    CAudioEndpoints m_endpoints;  // searches the unit's sound devices once, when constructed
    CWizardAudio m_audio;

    std::string m_strTitle;
    std::string m_strBody;

    // The three fonts of the wizard (the inputs page uses them too).
    DialogFont m_fontTitle;
    DialogFont m_fontText;
    DialogFont m_fontButton;
    int m_hIcon;

    Attach m_attach;
    std::shared_ptr<void> m_pAttachment;
    CUnitPin m_pin;
    // Product id of the connection dropped when the device watch resumed; the
    // re-count opens that unit again when the count has not changed.
    int m_nDroppedProductId = 0;

    // --- speaker, output and echo test controls: helpers -------------------------
    // (QuorvelVK550ConfigDlgTestControls.cpp, ...Levels.cpp, ...Recordings.cpp)
    [[nodiscard]] std::string TestSoundPath(const char* name) const;
    [[nodiscard]] std::string RecordingPath() const;
    void UseUnitSoundCard();
    void EnsureUnitConnection();
    void ToggleTestSound(int pressed, int other, const char* caption, const char* file);
    void StartRecording();
    void StopRecording(bool listenAgain);
    void StartPlayback();
    void StopPlayback();
    [[nodiscard]] double BlockPeakDb(WPARAM wParam, LPARAM lParam);
    int SendLevelCommand(uint16_t code);
    void SendOutputLevel();
    void TakeBuiltInLevels();
    bool m_bRecordingStarted = false;  // the running recording has a file
};

struct LocalTime;
// The name Save Recording proposes for a copy of the output recording made now:
// "Output_Mar 05 2013 14-07-31.wav", the same in every locale.
[[nodiscard]] std::string OutputRecordingName(const LocalTime& now);

}  // namespace vk
