// Renders the signal view fed with a recording and the four channel panels with
// one selected, offscreen in the Qt host, as PNG files for docs/screenshots/; the
// page is looked over as the wizard's are (a clipped or struck text fails the run).
//
//   inputs_view_shots OUT_DIR [VOICE.wav]
//
// The recording is 16-bit mono at 16000 Hz, as the unit delivers it (2048
// samples per 128 ms block); without one a synthetic voice-like signal is used.
// docs/screenshots was made with a spoken sentence:
//   espeak-ng -w voice.wav "Input one. Testing the microphone, one, two, three."
//   sox voice.wav -r 16000 -c 1 -b 16 voice16.wav
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "audio/WaveReader.h"
#include "inputs/view/OSCView.h"
#include "inputs/view/SxGroupBox.h"
#include "platform/ui/qt/QtHost.h"
#include "platform/ui/qt/QtLayoutCheck.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "tests/support/RuntimeFolder.h"

namespace {

std::vector<int16_t> ReadVoice(const char* path)
{
    std::vector<int16_t> samples;
    vk::CWaveReader reader;
    if (!path || !reader.Open(path) || reader.m_pFormat->wBitsPerSample != 16 || reader.m_pFormat->nChannels != 1)
        return samples;
    samples.resize(reader.m_dwDataSize / 2);
    samples.resize(reader.Read(samples.data(), static_cast<uint32_t>(samples.size() * 2)) / 2);
    return samples;
}

std::vector<int16_t> SyntheticVoice()
{
    // Syllables of a few partials under swelling envelopes, with pauses between.
    std::vector<int16_t> samples(16000 * 7);
    for (size_t k = 0; k < samples.size(); ++k) {
        const double t = static_cast<double>(k) / 16000.0;
        const double syllable = std::fmod(t, 0.45) / 0.45;
        const double env = std::fmod(t, 2.2) < 1.6 ? std::pow(std::sin(M_PI * syllable), 2) : 0.0;
        const double f0 = 120 + 25 * std::sin(2 * M_PI * 0.7 * t);
        const double v = 0.5 * std::sin(2 * M_PI * f0 * t) + 0.3 * std::sin(2 * M_PI * 3 * f0 * t) +
                         0.15 * std::sin(2 * M_PI * 7.3 * f0 * t);
        samples[k] = static_cast<int16_t>(v * env * 0.8 * 32767);
    }
    return samples;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR [VOICE.wav]\n", argv[0]);
        return 2;
    }
    const std::string out = argv[1];
    const vk::test::CRuntimeFolder runtime;
    if (runtime.Path().empty())
        return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    vk::CQtHost host;
    host.Install();

    vk::CDialog page(vk::kInputsTemplate);
    (void)page.Create();
    // Channel 2 selected: its panel red, the other channels' controls disabled, as the page does.
    constexpr int kSelected = 1;
    vk::CSxGroupBox panels[4];
    for (int c = 0; c < 4; ++c) {
        const vk::ChannelPanelIds& ids = vk::kChannelPanels[static_cast<size_t>(c)];
        panels[c].SubclassDlgItem(ids.frame, &page);
        if (c == kSelected) {
            panels[c].SetColors(vk::RGB(250, 0, 0), vk::RGB(100, 50, 50), true);
            continue;
        }
        for (const int id : {ids.use, ids.typeGroup, ids.first, ids.second, ids.third, ids.gainLabel, ids.gainText,
                             ids.gainSpin, ids.phantomGroup, ids.phantom, ids.v3, ids.v24})
            page.GetDlgItem(id).EnableWindow(false);
    }
    page.SetDlgItemText(1008, "Stand Alone Input 2 Setup");

    vk::COSCView view;
    view.Create(&page, vk::IDC_SIGNAL_VIEW);
    view.SetSweep(2048 * 136 / 2);
    std::vector<int16_t> voice = ReadVoice(argc > 2 ? argv[2] : nullptr);
    if (voice.empty())
        voice = SyntheticVoice();
    for (size_t at = 0; at + 2048 <= voice.size(); at += 2048)
        view.ShowSamples(voice.data() + at, 2048, "Input 2 Monitored Signal");

    app.processEvents();
    bool pageSaved = host.SaveScreenshot(page, out + "/inputs-page-voice-and-panels.png");
    for (const std::string& fault : vk::TextLayoutFaults(*host.WindowOf(page))) {
        std::fprintf(stderr, "inputs-page-voice-and-panels.png: %s\n", fault.c_str());
        pageSaved = false;
    }
    const bool viewSaved = host.ControlWidget(page, vk::IDC_SIGNAL_VIEW)
                               ->grab()
                               .save(QString::fromStdString(out + "/signal-view-voice.png"), "PNG");
    page.DestroyWindow();
    std::printf("view %dx%d, %zu samples\n", view.GetClientRect().right, view.GetClientRect().bottom, voice.size());
    return pageSaved && viewSaved ? 0 : 1;
}
