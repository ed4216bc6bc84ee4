#pragma once
// Saving a copy of a recording under a name the user chose. The copy is written
// beside its destination under a temporary name and takes the chosen name only
// when it is complete, so a destination that cannot be written never ends up
// with a short file that looks like a whole recording (and an older file of
// that name stays as it was).

#include <string>

namespace vk {

enum class RecordingCopyResult {
    Saved,
    SourceUnreadable,       // the recording cannot be opened as a WAV file
    DestinationUnwritable,  // nothing was left at the destination
};

[[nodiscard]] RecordingCopyResult CopyRecording(const std::string& from, const std::string& to);

}  // namespace vk
