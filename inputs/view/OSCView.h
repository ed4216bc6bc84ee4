#pragma once
// The oscilloscope view of the inputs page: a green trace on black with a dark
// green grid and a yellow title, the newest samples entering at the right.
// Everything is drawn off screen and reaches the screen in one copy per block.
//
//   m_view.Create(this, IDC_SIGNAL_VIEW);
//   m_view.SetSweep(2048 * 136 / 2);                 // samples per view width
//   m_view.ShowSamples(samples, count, "Input 1 Monitored Signal");  // per block

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "inputs/view/BaseView.h"
#include "inputs/view/OscTrace.h"

namespace vk {

class COSCView : public CBaseView {
public:
    COSCView();
    ~COSCView() override;

    // The surface with the grid and the trace's array of 2 x W points. False when
    // the view could not be built (no parent).
    bool Create(CDialog* pParent, int nID);
    // Samples per view width; flattens the trace. Called once after Create.
    void SetSweep(int nSweep);
    // Three dark green lines at H / 2, H / 4 and 3H / 4.
    void DrawGrid();
    // A fresh picture: black, the grid, and the text (yellow on black) at (12, H / 4 - 12).
    void SetTitle(const std::string& text);
    // Appends a block to the trace without drawing (see COscTrace::AddSamples).
    void AddSamples(int16_t* p, int n);
    // Appends a block, redraws the picture with the title and the trace and copies it
    // to the screen. A null block or a negative count only flattens the trace and
    // redraws off screen, without a copy.
    void ShowSamples(int16_t* p, int n, const std::string& title);

    [[nodiscard]] const COscTrace& Trace() const { return m_trace; }

protected:
    Pen m_penGrid{RGB(0, 128, 0), 0, false};
    Pen m_penTrace{RGB(0, 255, 0), 0, false};
    COscTrace m_trace;  // the point count, the sweep and the points

private:
    // SetTitle (title) on the surface. The picture without the trace only changes
    // with the title, so it is drawn once and copied for each block after that:
    // filling the surface twice and laying out the title cost more than the trace.
    void DrawBackdrop(const std::string& title);

    std::unique_ptr<IDrawingSurface> m_backdrop;
    std::optional<std::string> m_backdropTitle;  // the title m_backdrop shows
};

}  // namespace vk
