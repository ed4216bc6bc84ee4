// The speaker, output and echo test controls of the wizard: the two test buttons,
// the level sliders and meter, the output-level radios, Save Recording, the
// recording timer, the engine's messages and the hidden echo test.
#include "app/QuorvelVK550ConfigDlg.h"

#include "device/LevelRegisters.h"

namespace vk {

void CQuorvelVK550ConfigDlg::OnPlayVoice() {}
void CQuorvelVK550ConfigDlg::OnPlayMusic() {}
void CQuorvelVK550ConfigDlg::OnSaveRecording() {}
void CQuorvelVK550ConfigDlg::OnEchoTest() {}
void CQuorvelVK550ConfigDlg::OnOutputLevel(bool) {}
void CQuorvelVK550ConfigDlg::OnLevelSlider(int, int) {}
intptr_t CQuorvelVK550ConfigDlg::OnAudioDone() { return 0; }
intptr_t CQuorvelVK550ConfigDlg::OnAudioBlock(WPARAM, LPARAM) { return 0; }
void CQuorvelVK550ConfigDlg::LoadLevels() {}

void CQuorvelVK550ConfigDlg::SetSpeakerPlayFlag(bool on) { SetLevelRegisterFlag(m_protocol, 2, on); }

}  // namespace vk
