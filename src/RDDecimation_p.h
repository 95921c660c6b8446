// What the decimating grid's drawing shares: its limits, the device rectangle, queued lines and pixel sets.
#ifndef RDDECIMATION_P_H
#define RDDECIMATION_P_H

#include <QLine>
#include <QPainter>
#include <QPen>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

// Each blend of about half coverage halves an 8-bit channel's distance to where repeated blends
// end, so blends beyond the 8th change no pixel: counting a row up to 8 loses nothing.
constexpr int c_iSaturation = 8;

// Column profiles need a buffer as high as the device rectangle, and points and markers a bitmap
// of it; larger rectangles (no screen has them) are drawn segment by segment.
constexpr long c_iMaxProfileRows = 1L << 16;
constexpr long c_iMaxBitmap = 1L << 25;

// Lines handed to one drawLines call at most.
constexpr std::size_t c_iBatchSize = 4096;

// Pixels of a coverage canvas, kept per thread between calls, and the width of the images it is
// drawn in.
constexpr long c_iMaxCanvas = 1L << 23;
constexpr long c_iTileWidth = 32;
// Vertical segments in a pixel column from which on it goes to the canvas.
constexpr long c_iDenseColumn = 16;

// The device rectangle as the drawing loops test it.
struct DeviceFrame
{
    long iL, iT, iR, iB;
    bool bSane; // L <= R, T <= B, and within the painter range
    bool Contains(long iX, long iY) const { return iX >= iL && iX <= iR && iY >= iT && iY <= iB; }
};

// Lines queued for drawLines in drawing order. Column profiles are drawn with a solid pen (their
// rows already follow the dash pattern); a change of pen draws what is queued first. Without
// antialiasing Qt draws the lines of one call unlike the same lines one call each (it ends them
// differently), so each line then gets its own call, as in the box grid.
class LineBatch
{
public:
    LineBatch(QPainter& Painter, const QPen& LinePen, const QPen& ProfilePen, bool bSamePen)
        : m_Painter(Painter),
          m_LinePen(LinePen),
          m_ProfilePen(ProfilePen),
          m_bSamePen(bSamePen),
          m_iBatchSize(Painter.testRenderHint(QPainter::Antialiasing) ? c_iBatchSize : 1)
    {
        m_vecLines.reserve(m_iBatchSize);
    }

    void Add(const QLine& Line, bool bProfile)
    {
        if (!m_bSamePen && bProfile != m_bProfilePen) {
            Draw();
            m_Painter.setPen(bProfile ? m_ProfilePen : m_LinePen);
            m_bProfilePen = bProfile;
        }
        m_vecLines.push_back(Line);
        if (m_vecLines.size() == m_iBatchSize)
            Draw();
    }

    /// Draws what is queued and leaves the line pen set, as the box grid does.
    void Finish()
    {
        Draw();
        if (m_bProfilePen)
            m_Painter.setPen(m_LinePen);
        m_bProfilePen = false;
    }

private:
    void Draw()
    {
        if (!m_vecLines.empty())
            m_Painter.drawLines(m_vecLines.data(), static_cast<int>(m_vecLines.size()));
        m_vecLines.clear();
    }

    QPainter& m_Painter;
    const QPen& m_LinePen;
    const QPen& m_ProfilePen;
    const bool m_bSamePen;
    const std::size_t m_iBatchSize;
    bool m_bProfilePen = false;
    std::vector<QLine> m_vecLines;
};

// A set of pixels of the device rectangle, one bit each.
class PixelSet
{
public:
    /// Empty, and usable only where the rectangle is sane and at most c_iMaxBitmap pixels. The
    /// bits are allocated with the first pixel: many short lines need none.
    explicit PixelSet(const DeviceFrame& Frame) : m_iLeft(Frame.iL), m_iTop(Frame.iT)
    {
        const long iWidth = Frame.iR - Frame.iL + 1;
        const long iHeight = Frame.iB - Frame.iT + 1;
        if (Frame.bSane && iWidth <= c_iMaxBitmap / iHeight) {
            m_iWordsPerRow = (iWidth + 63) / 64;
            m_iRows = iHeight;
        }
    }

    bool IsUsable() const { return m_iRows > 0; }

    /// Adds a pixel of the rectangle; false when it was there already.
    bool Insert(long iX, long iY)
    {
        if (m_vecBits.empty())
            m_vecBits.assign(static_cast<std::size_t>(m_iWordsPerRow * m_iRows), 0);
        std::uint64_t& uWord = m_vecBits[Index((iY - m_iTop) * m_iWordsPerRow + (iX - m_iLeft) / 64)];
        const std::uint64_t uBit = std::uint64_t(1) << ((iX - m_iLeft) % 64);
        const bool bNew = !(uWord & uBit);
        uWord |= uBit;
        return bNew;
    }

    /// Calls Run(x, y, length) for every horizontal run of pixels in the set.
    template <class Function>
    void ForEachRun(Function Run) const
    {
        const long iRows = m_vecBits.empty() ? 0 : m_iRows;
        for (long iRow = 0; iRow < iRows; ++iRow) {
            const std::uint64_t* const puRow = &m_vecBits[Index(iRow * m_iWordsPerRow)];
            long iStart = -1;
            for (long iWord = 0; iWord <= m_iWordsPerRow; ++iWord) {
                const std::uint64_t uWord = iWord < m_iWordsPerRow ? puRow[iWord] : 0;
                if (uWord == (iStart < 0 ? 0 : ~std::uint64_t(0)))
                    continue;
                for (long iBit = 0; iBit < 64; ++iBit) {
                    const bool bSet = (uWord >> iBit) & 1u;
                    if (bSet && iStart < 0) {
                        iStart = iWord * 64 + iBit;
                    } else if (!bSet && iStart >= 0) {
                        Run(m_iLeft + iStart, m_iTop + iRow, iWord * 64 + iBit - iStart);
                        iStart = -1;
                    }
                }
            }
        }
    }

private:
    static std::size_t Index(long i) { return static_cast<std::size_t>(i); }

    long m_iLeft;
    long m_iTop;
    long m_iWordsPerRow = 0;
    long m_iRows = 0;
    std::vector<std::uint64_t> m_vecBits;
};

} // namespace Decimation
} // namespace KelmFramework

#endif // RDDECIMATION_P_H
