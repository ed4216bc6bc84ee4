#include "inputs/view/OscTrace.h"

#include <algorithm>

namespace vk {

int COscTrace::Scale(int height) { return 65535 / std::max(1, height); }

int COscTrace::SampleY(int value, int height) { return height - (std::max(value, -32767) + 32767) / Scale(height); }

int COscTrace::ShiftFor(int width, int sweep, int n)
{
    if (n >= sweep)
        return 2 * width;
    return 2 * static_cast<int>(static_cast<double>(width) * n / sweep + 0.5);
}

void COscTrace::Allocate(int width, int height)
{
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    m_pPoints.assign(2 * static_cast<size_t>(m_width), Point{});
    m_nPoints = std::min(m_nPoints, 2 * m_width);
}

void COscTrace::SetSweep(int nSweep)
{
    const int y0 = Y0();
    for (size_t i = 0; i < m_pPoints.size(); ++i)
        m_pPoints[i] = {static_cast<int>(i / 2), y0};
    m_nPoints = 2 * m_width;
    m_nSweep = nSweep;
}

void COscTrace::AddSamples(int16_t* p, int n)
{
    // Without a sweep there is no column width (it would divide by zero).
    if (!p || m_pPoints.empty() || n < 0 || m_nSweep <= 0)
        return;
    const int W = m_width;
    const int N = m_nSweep;
    const int count = 2 * W;
    n = std::min(n, N);
    const int s = ShiftFor(W, N, n);
    for (int j = 0; j < count - s; ++j)
        m_pPoints[j].y = m_pPoints[j + s].y;

    const double step = static_cast<double>(W) / N;
    double x = static_cast<double>(static_cast<long long>(N - n) * W) / N - 0.5;
    int g = static_cast<int>(x);  // towards zero: -0.5 gives 0
    int i = count - s;
    int lo = 100000;
    int hi = -100000;
    for (int k = 0; k < n; ++k) {
        if (p[k] < -32767)
            p[k] = -32767;
        lo = std::min(lo, static_cast<int>(p[k]));
        hi = std::max(hi, static_cast<int>(p[k]));
        x += step;
        // Every column the sample finishes gets its maximum, then its minimum.
        while (x - g >= 1) {
            ++g;
            if (i < count)
                m_pPoints[i++] = {g, SampleY(hi, m_height)};
            if (i < count)
                m_pPoints[i++] = {g, SampleY(lo, m_height)};
            if (x - g < 1) {
                lo = 100000;
                hi = -100000;
            }
        }
    }
    FillRemainder(i, lo, hi);
}

void COscTrace::FillRemainder(int i, int lo, int hi)
{
    // When the block ends inside a column (W x n / N a half: the shift rounded up)
    // the points past the last finished column would keep their old values and
    // then scroll left block after block. They get the last column's extremes:
    // the unfinished column's samples, or else the last finished column.
    const int count = 2 * m_width;
    if (i >= count)
        return;
    int yHi = Y0(), yLo = Y0();
    if (hi >= lo) {
        yHi = SampleY(hi, m_height);
        yLo = SampleY(lo, m_height);
    } else if (i >= 2) {
        yHi = m_pPoints[i - 2].y;
        yLo = m_pPoints[i - 1].y;
    }
    for (; i < count; ++i)
        m_pPoints[i].y = (i % 2 == 0) ? yHi : yLo;
}

void COscTrace::Flatten()
{
    const int y0 = Y0();
    for (int i = 0; i < m_nPoints; ++i)
        m_pPoints[i].y = y0;
}

}  // namespace vk
