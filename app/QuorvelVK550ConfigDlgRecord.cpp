// The commissioning record: the page a technician hands over once the unit has
// stored its settings, saved from the system menu ("Save commissioning
// record...") or left by "Exit >" in the folder the settings name. It is read
// from the unit each time and built by the commissioning library, under the
// file name vk550ctl gives it.
#include "app/QuorvelVK550ConfigDlg.h"

#include <filesystem>

#include "app/AEVersionInfo.h"
#include "commission/CommissioningRecord.h"
#include "commission/ConfigurationReader.h"
#include "commission/WholeFile.h"
#include "platform/clock/Clock.h"
#include "platform/hid/HidBus.h"
#include "platform/ui/FileDialog.h"

namespace vk {

namespace {

constexpr const char* kRecordCaption = "Commissioning record";
constexpr const char* kRecordFilter = "Commissioning Records (*.html)|*.html|All Files (*.*)|*.*||";

std::string ProgramVersion()
{
    CAEVersionInfo info;
    const std::string version = info.GetProgramVersion();
    return std::string(kWizardTitle) + (version.empty() ? " (version unknown)" : version);
}

}  // namespace

bool CQuorvelVK550ConfigDlg::CommissioningRecordAllowed() const
{
    // Page 13 is reached only through a store, so its flag is about this visit.
    const bool storedHere = (m_nPage == Page::Finished && m_bSettingsStored) ||
                            (m_storedLoad && m_storedLoad->page == m_nPage);
    return storedHere && ConfigurationFilesAllowed();
}

void CQuorvelVK550ConfigDlg::NoteLoad(const std::string& file, const std::vector<std::string>& written, bool stored)
{
    if (written.empty())
        return;  // nothing was sent: the unit holds what it held
    if (stored)
        m_storedLoad = StoredLoad{file, written, m_nPage};
    else
        m_storedLoad.reset();
}

void CQuorvelVK550ConfigDlg::ForgetStoredLoadOffPage()
{
    if (m_storedLoad && m_storedLoad->page != m_nPage)
        m_storedLoad.reset();
}

CommissioningRecordFile CQuorvelVK550ConfigDlg::ReadCommissioningRecord()
{
    const commission::ReadOutcome read = commission::ReadConfiguration(m_protocol);
    if (!read.configuration)
        return {{}, {}, read.failedPart.empty() ? "configuration" : read.failedPart};
    commission::CommissioningRecord record;
    record.holds = *read.configuration;
    record.verified = true;  // what the record shows was read back after the store
    record.date = Clock().Local();
    record.programVersion = ProgramVersion();
    record.simulated = HidBus().Simulated();
    if (m_storedLoad && m_storedLoad->page == m_nPage) {
        record.appliedFile = m_storedLoad->file;
        record.result = "applied from the configuration file, settings stored";
        record.changes = m_storedLoad->written;
    } else {
        record.result = "configured with the wizard, settings stored";
        record.changesKnown = false;  // the pages keep no list of what they changed
    }
    if (m_echoTestFigures)
        record.echo = commission::EchoFigures{m_echoTestFigures->reductionDb, m_echoTestFigures->residualDb};
    return {commission::CommissioningRecordFileName(record.holds.identity),
            commission::CommissioningRecordHtml(record), {}};
}

void CQuorvelVK550ConfigDlg::OnSaveCommissioningRecord()
{
    // The state may have changed since the menu was shown.
    if (!CommissioningRecordAllowed())
        return;
    const CommissioningRecordFile record = ReadCommissioningRecord();
    if (!record.unreadPart.empty()) {
        MessageBox("Reading the unit's configuration failed at its " + record.unreadPart +
                       ".\nNo commissioning record was saved.",
                   kRecordCaption, MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    // The records folder when the settings name one, else the recordings
    // folder; made when a new account has none yet.
    const std::string folder = m_strRecordDir.empty() ? m_strWaveDir : m_strRecordDir;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    CFileDialog dialog(false, ".html", folder + record.name, OFN_OVERWRITEPROMPT, kRecordFilter, this);
    if (dialog.DoModal() != IDOK)
        return;
    const std::string path = dialog.GetPathName();
    if (const auto written = commission::WriteWholeFile(path, record.html); !written)
        MessageBox("Writing the file " + path + " failed: " + written.why + ".\nThe commissioning record was not saved.",
                   kRecordCaption, MB_ICONEXCLAMATION | MB_OK);
}

void CQuorvelVK550ConfigDlg::WriteCommissioningRecord()
{
    const CommissioningRecordFile record = ReadCommissioningRecord();
    if (!record.unreadPart.empty())
        return;
    std::error_code error;
    std::filesystem::create_directories(m_strRecordDir, error);
    (void)commission::WriteWholeFile(m_strRecordDir + record.name, record.html);
}

}  // namespace vk
