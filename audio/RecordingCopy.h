#pragma once
// Saving a copy of a recording under a name the user chose, for both pages that
// save recordings. The copy is written beside its destination as NAME.part, put
// on the disk, read back and compared with the recording, and only then renamed
// onto NAME: a disk that fills up, or any other write that fails, never leaves a
// short file under the chosen name (and an older file of that name stays as it
// was). The pages report the outcome with the texts below, in one way.

#include <string>

namespace vk {

enum class RecordingCopyResult {
    Saved,
    SourceUnreadable,       // the recording cannot be opened as a WAV file
    DestinationUnwritable,  // nothing was left at the destination
};

struct RecordingCopyOutcome {
    RecordingCopyResult result = RecordingCopyResult::Saved;
    int error = 0;  // DestinationUnwritable: the system's error number (ENOSPC: the disk is full), or 0
};

[[nodiscard]] RecordingCopyOutcome CopyRecording(const std::string& from, const std::string& to);

// Caption and text of the box a failed save shows ("" when it was saved).
inline constexpr const char* kSavingCaption = "Quorvel Audio Saving";
[[nodiscard]] std::string RecordingCopyFailureText(const RecordingCopyOutcome& outcome, const std::string& from,
                                                   const std::string& to);

// A file that could not be written: its path and why ("No space left on device").
[[nodiscard]] std::string WriteFailureText(const std::string& path, int error);

}  // namespace vk
