#pragma once
// What the inputs page draws itself: the signal view on control 1106 and the
// frames of the four channel panels, whose colours mark the selected channel.
// The page reaches them only through these few calls.

#include <array>
#include <cstdint>
#include <string>

#include "platform/ui/UiTypes.h"

namespace vk {

class CDialog;

class CInputsSurfaces {
public:
    // Binds the four panel frames (ids in channel order) of the page.
    void AttachPanels(CDialog& page, const std::array<int, 4>& frameIds);
    void GetPanelColors(int c, COLORREF& shadow, COLORREF& hilite) const;
    void SetPanelColors(int c, COLORREF shadow, COLORREF hilite, bool redraw);
    void RedrawPanel(int c);

    // The signal view on the page's control viewId.
    bool CreateView(CDialog& page, int viewId);
    void SetSweep(int samples);
    void ShowSamples(int16_t* samples, int count, const std::string& title);

    // For tests: what was shown last.
    [[nodiscard]] const std::string& LastTitle() const { return m_strLastTitle; }
    [[nodiscard]] int LastCount() const { return m_nLastCount; }
    [[nodiscard]] int BlocksShown() const { return m_nBlocks; }

private:
    struct Panel {
        int id = 0;
        COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
        COLORREF hilite = GetSysColor(COLOR_BTNHIGHLIGHT);
    };
    void DrawPanel(const Panel& panel);

    CDialog* m_page = nullptr;
    std::array<Panel, 4> m_panels{};
    int m_nViewId = 0;
    int m_nSweep = 0;
    std::string m_strLastTitle;
    int m_nLastCount = -1;
    int m_nBlocks = 0;
};

}  // namespace vk
