#pragma once
// The wizard's pages. The number of a page is what transcripts print and, on
// the speaker and output pages, the mode the test-audio engine runs in.

#include <iosfwd>

namespace vk {

enum class Page : int {
    Welcome = 0,            // finding the unit
    TypeSelection = 1,      // choosing the type of a new unit (or a new type)
    ConfigurationType = 2,  // a unit that has a type: configure it or change its type
    Speaker = 5,            // test sounds and the speaker level
    Inputs = 7,             // the modal inputs page runs
    OutputListening = 8,    // the output page, listening
    OutputRecording = 9,    // the output page, recording five seconds
    OutputPlayback = 10,    // the output page, playing the recording back
    Finished = 13,          // the settings stored; "Exit >"
};

[[nodiscard]] constexpr int PageNumber(Page page) { return static_cast<int>(page); }

// "page 5": how checks and their failures name a page.
std::ostream& operator<<(std::ostream& os, Page page);

}  // namespace vk
