// The program as a new user meets it: a home folder with nothing in it yet (no
// settings, no recordings folder) and no XDG folders set. The wizard, wired as
// the program wires it (the Qt host offscreen, simulated units with their
// sound cards), goes to the inputs page and records there before anything else
// has made a folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>

#include "app/QuorvelVK550ConfigDlg.h"
#include "audio/WaveReader.h"
#include "platform/settings/AppProfile.h"
#include "platform/ui/MessageBox.h"
#include "program/ProgramSetup.h"
#include "resources/ControlIds.h"
#include "tests/support/PumpUntil.h"

namespace vk {
namespace {

namespace fs = std::filesystem;
using Ms = std::chrono::milliseconds;

// Runs the window loop until done() holds or `limit` of real time has passed.
bool PumpUntil(const std::function<bool()>& done, Ms limit)
{
    return test::PumpUntil(done, [] { QCoreApplication::processEvents(); }, limit);
}

TEST(NewAccount, TheInputsPageRecordsIntoAFolderItMakes)
{
    const fs::path home = fs::temp_directory_path() / ("vk-new-account-" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR",
                             "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        ::unsetenv(name);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "new_account_test";
    static char* argv[] = {name, nullptr};
    {
        QApplication qt(argc, argv);
        CProgramSetup setup;
        ProgramOptions options;
        options.simulate = "stand-alone";
        ASSERT_TRUE(setup.Start(options));
        AppProfile().SetRegistryKey("Selvo");
        CScriptedMessageBox boxes;
        SetMessageBoxes(&boxes);

        const fs::path recording = home / ".local/share/Selvo/Quorvel Dravena Config/WaveFiles/MicRecorded.wav";
        bool recorded = false;
        bool playbackOffered = false;
        CQuorvelVK550ConfigDlg dlg;
        ASSERT_TRUE(dlg.Create());
        ASSERT_EQ(dlg.View().CurrentPage(), Page::ConfigurationType);
        ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));
        ASSERT_EQ(dlg.View().CurrentPage(), Page::Speaker);
        // The inputs page runs modally inside the next click: the user acts from
        // within its window loop, then the page is closed.
        QTimer::singleShot(0, [&] {
            ASSERT_TRUE(PumpUntil([&] { return dlg.View().InputsPage() != nullptr; }, Ms(10000)));
            CDialog& page = *dlg.View().InputsPage();
            ASSERT_TRUE(page.ClickControl(IDC_INPUTS_RECORD));
            EXPECT_EQ(page.GetDlgItemText(IDC_INPUTS_RECORD), "Stop Recording");
            (void)PumpUntil([] { return false; }, Ms(700));  // a few blocks of sound
            ASSERT_TRUE(page.ClickControl(IDC_INPUTS_RECORD));
            playbackOffered = page.GetDlgItem(IDC_INPUTS_PLAYBACK).IsWindowEnabled();
            CWaveReader reader;
            recorded = reader.Open(recording.string()) && reader.m_dwDataSize > 0;
            (void)page.Post(WM_APP + 2, 0, -2);  // the page is closed
        });
        ASSERT_TRUE(dlg.ClickControl(IDC_NEXT));
        dlg.DestroyWindow();
        SetMessageBoxes(nullptr);

        for (const auto& box : boxes.asked)
            ADD_FAILURE() << box.caption << ": " << box.text;
        EXPECT_TRUE(recorded) << "no recording in " << recording;
        EXPECT_TRUE(playbackOffered);
    }
    fs::remove_all(home);
}

}  // namespace
}  // namespace vk
