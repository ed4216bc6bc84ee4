#pragma once
// What the inputs page draws itself: the signal view (COSCView) on control 1106
// and the frames of the four channel panels (CSxGroupBox), whose colours mark
// the selected channel. The page reaches them only through these few calls.

#include <array>
#include <cstdint>
#include <string>

#include "inputs/view/OSCView.h"
#include "inputs/view/SxGroupBox.h"
#include "platform/ui/UiTypes.h"

namespace vk {

class CDialog;

class CInputsSurfaces {
public:
    // Binds the four panel frames (ids in channel order) of the page.
    void AttachPanels(CDialog& page, const std::array<int, 4>& frameIds);
    void GetPanelColors(int c, COLORREF& shadow, COLORREF& hilite) const;
    void SetPanelColors(int c, COLORREF shadow, COLORREF hilite, bool redraw);
    // Invalidates the panel so that it is painted again.
    void RedrawPanel(int c);

    // The signal view on the page's control viewId.
    bool CreateView(CDialog& page, int viewId);
    void SetSweep(int samples);
    void ShowSamples(int16_t* samples, int count, const std::string& title);

    [[nodiscard]] const COSCView& View() const { return m_view; }
    // For tests: what was shown last.
    [[nodiscard]] const std::string& LastTitle() const { return m_strLastTitle; }
    [[nodiscard]] int LastCount() const { return m_nLastCount; }
    [[nodiscard]] int BlocksShown() const { return m_nBlocks; }

private:
    CDialog* m_page = nullptr;
    std::array<CSxGroupBox, 4> m_panels;
    std::array<int, 4> m_panelIds{};
    COSCView m_view;
    std::string m_strLastTitle;
    int m_nLastCount = -1;
    int m_nBlocks = 0;
};

}  // namespace vk
