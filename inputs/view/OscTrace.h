#pragma once
// The signal view's trace without any drawing: the vertical scale, and the 2 x W
// points (per pixel column its maximum, then its minimum) that scroll left as
// blocks of 16-bit samples come in, the newest at the right.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/ui/UiTypes.h"

namespace vk {

class COscTrace {
public:
    // e = 65535 / H (integer division); a view without height counts as one pixel high.
    [[nodiscard]] static int Scale(int height);
    // y = H - (v + 32767) / e: -32767 on the bottom edge (y = H), 32767 near the top;
    // -32768 is taken as -32767.
    [[nodiscard]] static int SampleY(int value, int height);
    // Points the trace scrolls for a block of n samples (0 <= n <= sweep): all 2W for
    // a full sweep, else 2 x trunc(W x n / N + 0.5) in floating point.
    [[nodiscard]] static int ShiftFor(int width, int sweep, int n);

    // A fresh array of 2 x W zero points for a view of W x H pixels.
    void Allocate(int width, int height);
    // N samples per view width; lays the trace flat on the zero line, two points per column.
    void SetSweep(int nSweep);
    // Scrolls the trace and appends the block as column extremes. Samples of
    // -32768 in the block are written back as -32767. A null block, a negative
    // count, no array or no sweep leave the trace as it is.
    void AddSamples(int16_t* p, int n);
    // Every point of the trace on the zero line (x stays).
    void Flatten();

    [[nodiscard]] bool HasPoints() const { return !m_pPoints.empty(); }
    [[nodiscard]] int Y0() const { return SampleY(0, m_height); }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] int Sweep() const { return m_nSweep; }
    // The first m_nPoints points: what the view draws.
    [[nodiscard]] std::span<const Point> Points() const
    {
        return std::span<const Point>(m_pPoints).first(static_cast<size_t>(m_nPoints));
    }

private:
    // Points i .. 2W - 1 that a block left unwritten, as maximum/minimum pairs.
    void FillRemainder(int i, int lo, int hi);

    int m_width = 0;
    int m_height = 0;
    int m_nPoints = 0;
    int m_nSweep = 0;
    std::vector<Point> m_pPoints;
};

}  // namespace vk
