# The test-audio engine and its echo figures, part of vk_audio.
target_sources(vk_audio PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/EchoFigures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WizardAudio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WizardAudioEcho.cpp)
