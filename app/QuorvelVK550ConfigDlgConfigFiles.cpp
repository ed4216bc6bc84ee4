// The unit's whole configuration saved to a file and loaded from one (two
// entries of the system menu). Reading, comparing and applying are the
// commissioning library's, the same vk550ctl uses.
#include "app/QuorvelVK550ConfigDlg.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "commission/CommissioningRecord.h"
#include "commission/ConfigurationApplier.h"
#include "commission/ConfigurationDiff.h"
#include "commission/ConfigurationFile.h"
#include "commission/ConfigurationReader.h"
#include "commission/ReadBack.h"
#include "commission/WholeFile.h"
#include "platform/ui/FileDialog.h"
#include "resources/ControlIds.h"

namespace vk {

namespace {

using commission::ReadWholeFile;
using commission::UnitConfiguration;
using commission::WriteWholeFile;

constexpr const char* kConfigFileCaption = "Unit configuration file";
constexpr const char* kConfigFileFilter = "Configuration Files (*.toml)|*.toml|All Files (*.*)|*.*||";
constexpr const char* kNothingSent = "Nothing was sent to the unit.";
constexpr int kMaxWizardLevel = 24;  // the sliders' range; a register may hold up to 63

// "VK5500001234.toml": the record's file name rules, with the configuration's extension.
std::string ProposedFileName(const commission::UnitIdentity& identity)
{
    const std::string record = commission::CommissioningRecordFileName(identity);
    return record.substr(0, record.size() - std::string_view(".html").size()) + ".toml";
}

std::string ChangesText(const std::vector<commission::FieldChange>& changes)
{
    std::string text;
    for (const auto& change : changes)
        text += "    " + change.field + ": " + change.from + " -> " + change.to + "\n";
    return text;
}

std::string PhantomWarning(const std::vector<int>& inputs)
{
    if (inputs.empty())
        return {};
    std::string list;
    for (const int input : inputs)
        list += (list.empty() ? "" : ", ") + std::to_string(input);
    return "\nThis turns phantom power on or up at input " + list +
           ". Make sure nothing plugged in there can be harmed by it.\n";
}

// What the unit holds after a failed or unverified load, against what was
// wanted, in the words the command line uses, as a sentence of the box.
std::string HoldsText(const commission::ApplyOutcome& outcome, const UnitConfiguration& wanted)
{
    std::string text = commission::WhatTheUnitHolds(outcome.holds, wanted, outcome.typeAssigned);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text.find('\n') == std::string::npos ? text + "." : text + "\n";
}

std::string LoadedText(const std::string& name, size_t changes)
{
    return "Loading " + name + ": " + std::to_string(changes) + (changes == 1 ? " change" : " changes") +
           " applied, read back and stored in the unit.";
}

}  // namespace

bool CQuorvelVK550ConfigDlg::ConfigurationFilesAllowed() const
{
    const bool soundRuns = m_bPlaying || m_audio.m_bRecording != 0 || m_audio.m_bPlaying != 0;
    // Page 0 shows no unit, or several: which one would be saved or changed?
    // Only the unit being configured is read or changed.
    return m_nPage != Page::Welcome && m_pin.Holds(m_protocol) && m_pInputsSetup == nullptr && !soundRuns && m_bMasterSaved;
}

void CQuorvelVK550ConfigDlg::OnInitSystemMenu()
{
    const bool allowed = ConfigurationFilesAllowed();
    EnableSystemMenuItem(IDM_SAVECONFIG, allowed);
    EnableSystemMenuItem(IDM_LOADCONFIG, allowed);
    EnableSystemMenuItem(IDM_SAVERECORD, CommissioningRecordAllowed());
}

void CQuorvelVK550ConfigDlg::OnSaveUnitConfiguration()
{
    // The state may have changed since the menu was shown.
    if (!ConfigurationFilesAllowed())
        return;
    const commission::ReadOutcome read = commission::ReadConfiguration(m_protocol);
    if (!read.configuration) {
        MessageBox("Reading the unit's configuration failed at its " + read.failedPart + ".\nNothing was saved.",
                   kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    // The recordings folder, made when a new account has none yet.
    std::error_code error;
    std::filesystem::create_directories(m_strWaveDir, error);
    CFileDialog dialog(false, ".toml", m_strWaveDir + ProposedFileName(read.configuration->identity),
                       OFN_OVERWRITEPROMPT, kConfigFileFilter, this);
    if (dialog.DoModal() != IDOK)
        return;
    const std::string path = dialog.GetPathName();
    if (const auto written = WriteWholeFile(path, commission::WriteConfigurationFile(*read.configuration)); !written)
        MessageBox("Writing the file " + path + " failed: " + written.why + ".\nThe configuration was not saved.",
                   kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
}

void CQuorvelVK550ConfigDlg::OnLoadUnitConfiguration()
{
    if (!ConfigurationFilesAllowed())
        return;
    CFileDialog dialog(true, ".toml", m_strWaveDir, 0, kConfigFileFilter, this);
    if (dialog.DoModal() != IDOK)
        return;
    const std::string path = dialog.GetPathName();
    const std::string name = std::filesystem::path(path).filename().string();
    const auto text = ReadWholeFile(path);
    if (!text) {
        MessageBox("Reading the file " + path + " failed: " + text.why + ".\n" + kNothingSent, kConfigFileCaption,
                   MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    // The whole file is checked before anything is sent.
    const commission::LoadOutcome parsed = commission::ParseConfigurationFile(*text, name);
    if (!parsed.loaded || !parsed.errors.empty()) {
        std::string errors;
        for (const auto& error : parsed.errors)
            errors += error + "\n";
        MessageBox(errors + kNothingSent, kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const commission::ReadOutcome read = commission::ReadConfiguration(m_protocol);
    if (!read.configuration) {
        MessageBox("Reading the unit's configuration failed at its " + read.failedPart + ".\n" + kNothingSent,
                   kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const UnitConfiguration& current = *read.configuration;
    // The file's fields over what the unit holds; values the wizard does not set only where the unit holds them.
    const commission::WantedOutcome overlaid = commission::WantedConfiguration(*parsed.loaded, current);
    const UnitConfiguration& wanted = overlaid.wanted;
    if (const auto why = commission::WhyUnitCannotTake(current, wanted)) {
        MessageBox(commission::FormatFileMessage(name, parsed.loaded->Where("unit.type"), *why) + "\n" + kNothingSent,
                   kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    if (!overlaid.refusals.empty()) {
        std::string refusals;
        for (const auto& refusal : overlaid.refusals)
            refusals += refusal.message + "\n";
        MessageBox(refusals + kNothingSent, kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const auto changes = commission::DiffConfigurations(current, wanted);
    if (changes.empty()) {
        MessageBox("The unit already holds the configuration of " + name + ".\n" + kNothingSent, kConfigFileCaption,
                   MB_ICONINFORMATION | MB_OK);
        return;
    }
    // One question covers the changes and phantom power switched on.
    const std::string question = "Loading " + name + " changes the unit's configuration:\n" + ChangesText(changes) +
                                 PhantomWarning(commission::InputsGettingPhantom(current, wanted)) +
                                 "\nApply these changes to the unit?";
    if (MessageBox(question, kConfigFileCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    // A type change resets the unit: its leaving and return must not move the wizard.
    const bool ignoring = std::exchange(m_bIgnoreDeviceChanges, true);
    const commission::ApplyOutcome outcome = commission::ApplyConfiguration(m_protocol, current, wanted);
    m_bIgnoreDeviceChanges = ignoring;
    // A type change reset the unit; the applier found it again by its serial number.
    (void)m_pin.Follow(m_protocol);
    // What the unit stored before is no longer what it holds: what it stored now is.
    if (!outcome.written.empty())
        m_bSettingsStored = outcome.stored;
    if (outcome.verified && !outcome.stored)
        MessageBox("The unit took and holds every change of " + name + ", but it did not confirm the store (" +
                       outcome.storeFailedCommand + ").\nThe settings are not stored: the unit forgets them when it "
                       "is switched off.",
                   kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
    else if (!outcome.failedStep.empty())
        MessageBox("Applying " + name + " failed at the " + outcome.failedStep + ".\n" + HoldsText(outcome, wanted),
                   kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
    else if (!outcome.verified && !outcome.holds)
        MessageBox("The unit took every change of " + name + ", but it could not be read back to check them.",
                   kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
    else if (!outcome.verified)
        MessageBox("The unit took every change of " + name + " but does not hold the configuration.\n" +
                       HoldsText(outcome, wanted),
                   kConfigFileCaption, MB_ICONEXCLAMATION | MB_OK);
    else
        MessageBox(LoadedText(name, changes.size()), kConfigFileCaption, MB_ICONINFORMATION | MB_OK);
    const bool typeChanged = m_protocol.GetProductId() != current.identity.productId ||
                             (outcome.holds && outcome.holds->type != current.type);
    const int speaker = outcome.holds ? outcome.holds->Level(1) : m_speakerVolume;
    const int output = outcome.holds ? outcome.holds->Level(3) : m_micVolume;
    TakeLoadedConfiguration(typeChanged, speaker, output);
    NoteLoad(path, outcome.written, outcome.stored);
}

// The page is set up again from the unit; a unit of another type starts the
// wizard again as if it had just been plugged in.
void CQuorvelVK550ConfigDlg::TakeLoadedConfiguration(bool typeChanged, int speakerLevel, int outputLevel)
{
    m_speakerVolume = std::clamp(speakerLevel, 0, kMaxWizardLevel);
    m_micVolume = std::clamp(outputLevel, 0, kMaxWizardLevel);
    GetDlgItem(IDC_OUTPUT_SLIDER).SetPos(kMaxWizardLevel - m_micVolume);
    GetDlgItem(IDC_SPEAKER_SLIDER).SetPos(kMaxWizardLevel - m_speakerVolume);
    if (typeChanged) {
        // The wizard starts again with the same unit, as page 0's Next would
        // (a slave's finished set-up no longer holds).
        m_bIgnoreDeviceChanges = false;
        m_nUnits = m_protocol.CountUnits(kFamilyFilter);
        m_nMasters = m_protocol.CountUnits(ProductIdOf(kUnitMaster));
        if (m_pin.Ensure(m_protocol)) {
            ReadUnitType();
            m_nPage = m_unitType != kUnitNew ? Page::ConfigurationType : Page::TypeSelection;
        } else {
            m_nPage = Page::Welcome;
        }
        CommonEnd();
        return;
    }
    // A connection lost on the way is opened again on the same unit.
    (void)m_pin.Ensure(m_protocol);
    ReadUnitType();
    ShowPage();
}

}  // namespace vk
