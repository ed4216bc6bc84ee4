#pragma once
// CWinPos: a window's normal position kept in the application profile (section
// "Settings", entry "WindowPosition", text "left,top,width,height").

#include <optional>
#include <string>

#include "platform/window/PlacedWindow.h"

namespace vk {

class CAppProfile;

class CWinPos {
public:
    explicit CWinPos(CAppProfile* profile = nullptr);  // null: the program's profile

    void SavePosition(IPlacedWindow& window);
    // Places the window at the stored position (its own size when useSavedSize is
    // false or the stored size is not positive), no further up or left than the
    // work area of the nearest monitor.
    void RestorePosition(IPlacedWindow& window, int showCmd, bool useSavedSize);

    // "l,t,w,h" with optional blanks after the commas; nullopt for any text that
    // is not four numbers (such a text counts as empty).
    [[nodiscard]] static std::optional<Rect> ParsePosition(const std::string& text);

    const std::string m_strSection = "Settings";
    const std::string m_strEntry = "WindowPosition";

private:
    [[nodiscard]] CAppProfile& Profile() const;
    CAppProfile* m_profile;
};

}  // namespace vk
