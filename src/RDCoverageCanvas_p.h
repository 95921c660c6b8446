// CoverageCanvas: the short segments of a line counted per pixel, then blended as images.
#ifndef RDCOVERAGECANVAS_P_H
#define RDCOVERAGECANVAS_P_H

#include "RDBlend_p.h"
#include "RDRoute_p.h"
#include "RDStampModel_p.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

// Why counted pixels stay within 2 of the exact drawing in every channel, for a line of one opaque colour C
// (translucent: 7.).
//
// The exact drawing hands each segment to the raster engine on its own, and each antialiased segment blends its
// coverage of C into the pixels it touches, one after another: a pixel's colour depends on how often it is
// crossed, so keeping a column's lowest and highest rows would not do. A dense line is mostly segments within
// one pixel column, a dash across, or of no length, and the pixels such a segment lights, and by how much, are
// few and fixed: the stamp model, measured against the engine once per process (about a half left and right of
// a vertical segment, above and below a horizontal one; a point fully; a pattern restarts with every segment).
// So a cell counts the blends its pixel takes at each coverage, r right of or below a segment and l left of or
// above it, in any order of the vertices, and the counts are blended at the end, r first, with the engine's own
// rounding (SourceOver). Where the blends came in that order, as along a line running right, the pixel is exact.
// The steps it may be off:
//  1. Order. Blends of one colour commute to within a step: another order costs one (Cells::c_uOutOfOrder).
//  2. Saturation. After c_iSaturation blends at about a half, from any start, a channel is within a step of C (a
//     blend may stop one short of it). A cell counted so often is drawn as C (Cells::c_uFull) and takes nothing
//     more: further blends of C keep it within that step.
//  3. Segments of the painter. The others go to the painter as they come, before the counts they should follow;
//     a blend of C moved before blends of C costs a step (Cells::c_uMoveUnit). One whose pixels are all full
//     changes none and is left out. Segments blended from their shape (ShapeOf) light the engine's own pixels
//     with its rounding, and count as segments of the painter.
//  4. The budget. A cell spends at most Cells::c_iAllowed = 2 steps, order and moves together. A segment of the
//     painter that would spend a third first has the counts under it drawn (DrawPending): they then lie in the
//     image before it, as in the exact drawing, and the cells count anew.
// Handing over: where counting a line costs more than drawing it would, the counts so far are drawn and the rest of
// the line goes to the painter in order, after them as in the exact drawing; a blend of C brings two pixels within 2
// of each other no further apart, so the pixels keep the bound.
// Clips: at one device pixel per pixel the engine lights a pixel inside a clip of any shape as it would without
// one, so the cells count as if there were none and only the pixels inside are written (Target::vecRegion).
// Markers follow all segments in both drawings, from images whose layers give the engine's own marker on any
// background (checked as each is built).
// At any other ratio in quarters (1.25, 1.5, 2, 3, ...) a one-pixel pen is wider than a device pixel and, between
// whole ratios, lands on sub-pixel phases: no few coverages describe a pixel, so nothing is counted (at 2 a pen
// covers whole device pixels, but the bulk of an x-y line is its slanted segments). The short segments of a solid line
// are blended one by one in the line's order from shapes measured against the engine per phase (PhaseShapes),
// with its coverage and rounding, and the others go to the painter in between: the pixels are the engine's,
// but for one shortcut (PhaseCanvas):
//  5. Known pixels. A pixel settled at C (Settling: within 2 of it) need take no further blend of the line and may
//     keep its value (blends at a quarter coverage may stall 2 short of C; a slanted segment may blend it all the
//     same, as the engine does). A blend of C moves a channel toward C without passing it, and brings two channels
//     no further apart: the exact drawing's pixel, where ours is when we stop, ends between there and C, so within 2
//     of ours, whatever a line before left. For some channel values of C one coverage takes a channel resting on C
//     one below it, so a channel above such a value settles within 1: it ends at most one past C. (Set to C, a
//     pixel that line left 2 off could end 3 off.) So a segment of the painter whose
//     pixels are all known, looked at in whole tiles (Settles), is left out: most of an x-y line that crosses the same
//     places again and again.
//  6. Stalled pixels. A weaker coverage (an eighth beside a pen at 1.25 or 1.75) rounds to a standstill several steps
//     from C, where its blends leave the pixel as it is. Such a blend is skipped only where it was seen to leave
//     this very pixel as it is and nothing has changed the pixel since: it costs no step. Likewise a patterned
//     line's segments down a pixel column are left out over rows where each coverage they may give a pixel
//     leaves it as it is, or it is known (PhaseSink's quiet rows), while nothing else blends there.
// A patterned pen restarts its pattern with every segment, one pixel a step: a segment no longer than the first
// dash is a solid one, and one along an axis is its dashes, each drawn by the engine as a solid segment of its
// own from a whole pixel (Probe::DashesAsPieces, once per pattern and ratio), so the same blends apply. Other
// patterned segments go to the painter: their dash ends move with a segment's position. Wider pens take the
// exact drawing there.
//  7. Translucent colours. A colour of alpha below 255, or any colour under painter opacity, approaches its own
//     colour but never reaches it: each coverage stalls a pixel at its own point, weak ones far off, so no pixel
//     settles, and a count capped at c_iSaturation would not do. Such a line takes the phased blends at every
//     ratio, 1 and 2 included, from the engine's own premultiplied colour (SolidSource) tinted by each coverage
//     as it tints it (Tint): the pixels are the engine's. A blend is a function of the pixel alone, so one seen
//     to leave a pixel as it is does so again until something changes the pixel: skipping it, as in 6., at every
//     coverage, costs no step.
//  8. Rows brought to C later. Blends of C that a pixel takes in ours are some of those it takes in the exact
//     drawing, in the same order. Where the exact drawing's later blends include c_iStrongBlends strong ones
//     (c_iStrongCoverage or more), any channel ends within 1 of C there whatever came before (the reach of every
//     start, tst_coveragecanvas), and so does ours, which takes them too or is settled when it leaves one out:
//     the two end within 2 of each other. So where a line runs right, the blends of its earlier pixel columns
//     may be left out in the rows that a later column covers strongly so often (LaterCovers): the rows a
//     vertical segment spans whole it lights as strongly as any (tst_coveragecanvas again).
// tst_coveragecanvas holds counted blends against the engine's; the differential test and the fuzzer hold whole
// drawings to the bound at every ratio.

// Blends at about a half after which a channel is within a step of the colour (2. above).
constexpr int c_iSaturation = 8;

using Cell = std::uint16_t;

namespace Cells
{
constexpr Cell c_uFull = 0xffff;     // the line's colour to a step, whatever lay beneath
constexpr int c_iSequences = 64;     // r * 8 + l, r + l < c_iSaturation; c_iSequences stands for full
constexpr Cell c_uMoveUnit = 1 << 6; // bits 6 and 7: segments of the painter moved before
constexpr Cell c_uMoves = 3 << 6;
constexpr Cell c_uOutOfOrder = 1 << 8;

inline int Right(Cell uCell)
{
    return uCell & 7;
}
inline int Left(Cell uCell)
{
    return (uCell >> 3) & 7;
}
inline int Sequence(Cell uCell)
{
    return uCell == c_uFull ? c_iSequences : uCell & 63;
}
// Steps spent: one for a blend order other than r first, one for each segment moved.
inline int Spent(Cell uCell)
{
    return ((uCell & c_uMoves) >> 6) + ((uCell & c_uOutOfOrder) ? 1 : 0);
}
constexpr int c_iAllowed = 2;
} // namespace Cells

enum Side { Right = 0, Left = 1 };

/// The cells of a thread's canvases. They are kept from line to line, all clear (a canvas clears
/// only what its line wrote, and a line that needs them once tends to need them again), but given
/// back after an unusually large frame, such as an export far larger than the screen: once the
/// canvases of two windows of lines in a row needed less than a quarter of them.
class KeptCells
{
public:
    static constexpr int c_iWindow = 64;             // canvases
    static constexpr std::size_t c_iSmall = 1 << 20; // cells always worth keeping (2 MB)

    /// iCells clear cells.
    Cell* Take(std::size_t iCells)
    {
        if (m_vecCells.size() < iCells)
            m_vecCells.assign(iCells, 0);
        m_iLargest = std::max(m_iLargest, iCells);
        if (++m_iTaken == c_iWindow) {
            const std::size_t iNeeded = std::max(m_iLargest, m_iLargestBefore);
            if (m_vecCells.size() > c_iSmall && m_vecCells.size() / 4 > iNeeded)
                std::vector<Cell>(std::max(iNeeded, c_iSmall), 0).swap(m_vecCells);
            m_iLargestBefore = m_iLargest;
            m_iLargest = 0;
            m_iTaken = 0;
        }
        return m_vecCells.data();
    }

    /// The cells kept.
    std::size_t Kept() const { return m_vecCells.capacity(); }

private:
    std::vector<Cell> m_vecCells;
    std::size_t m_iLargest = 0;       // taken at once in this window
    std::size_t m_iLargestBefore = 0; // in the one before
    int m_iTaken = 0;                 // canvases in this window
};

// Per pixel of a line, how often the short segments blend it. The blends are then written into
// the painter's image where it may be written directly, or drawn as images, one blend per pixel and
// image, with the alphas of the segments; either at a fraction of the raster engine's cost per pixel.
class CoverageCanvas
{
public:
    /// Covers the columns left of Stamps to its right edge and the rows above it to its bottom edge,
    /// which must be pixels the painter of Where may write.
    CoverageCanvas(const Frame& Stamps, const QColor& Color, const StampModel& Model, const Target& Where = Target())
        : m_iLeft(Stamps.iL - 1),
          m_iTop(Stamps.iT - 1),
          m_iWidth(Stamps.Width() + 1),
          m_iHeight(Stamps.Height() + 1),
          m_uColor(Color.rgb()),
          m_Model(Model),
          m_Where(Where),
          m_iTileShift(Where.pImage ? 0 : 5)
    {
    }

    /// Leaves the cells clear for the next line, drawn or not.
    ~CoverageCanvas()
    {
        for (std::size_t iTile = 0; iTile < m_vecTiles.size(); ++iTile) {
            const long iLow = m_vecTiles[iTile].first, iHigh = m_vecTiles[iTile].second;
            const long iFirst = static_cast<long>(iTile) << m_iTileShift;
            for (long iColumn = iFirst; iLow <= iHigh && iColumn < std::min(iFirst + (1L << m_iTileShift), m_iWidth);
                 ++iColumn)
                std::fill_n(m_pCells + iColumn * m_iHeight + iLow, iHigh - iLow + 1, Cell(0));
        }
    }

    CoverageCanvas(const CoverageCanvas&) = delete;
    CoverageCanvas& operator=(const CoverageCanvas&) = delete;

    /// The pixels the canvas covers.
    Frame Bounds() const { return {m_iLeft, m_iTop, m_iLeft + m_iWidth - 1, m_iTop + m_iHeight - 1}; }
    bool IsEmpty() const { return !m_pCells; }

    /// iCount (1 .. c_iSaturation) blends of one side at device pixel (iX, iY).
    __attribute__((always_inline)) void Add(long iX, long iY, Side eSide, int iCount)
    {
        Blend(At(iX, iY), eSide, iCount);
    }

    static __attribute__((always_inline)) void Blend(Cell& uCell, Side eSide, int iCount)
    {
        if (uCell == Cells::c_uFull)
            return;
        int iRight = Cells::Right(uCell), iLeft = Cells::Left(uCell);
        Cell uFlags = uCell & (Cells::c_uMoves | Cells::c_uOutOfOrder);
        if (eSide == Right) {
            if (iLeft > 0)
                uFlags |= Cells::c_uOutOfOrder;
            iRight += iCount;
        } else {
            iLeft += iCount;
        }
        uCell = iRight + iLeft >= c_iSaturation ? Cells::c_uFull : Cell(iRight | iLeft << 3 | uFlags);
    }

    /// The counts of a column of vertical segments at device column iX, rows iFirstRow on: each
    /// lights the pixel left of it and the one right of it.
    void AddColumn(long iX, long iFirstRow, const std::int32_t* piCounts, long iRows)
    {
        At(iX - 1, iFirstRow);
        At(iX - 1, iFirstRow + iRows - 1);
        At(iX, iFirstRow);
        At(iX, iFirstRow + iRows - 1);
        Cell* const puLeft = m_pCells + (iX - 1 - m_iLeft) * m_iHeight + (iFirstRow - m_iTop);
        Cell* const puRight = puLeft + m_iHeight;
        for (long iRow = 0; iRow < iRows; ++iRow) {
            if (piCounts[iRow] <= 0)
                continue;
            const int iCount = static_cast<int>(std::min<std::int32_t>(piCounts[iRow], c_iSaturation));
            Blend(puLeft[iRow], Left, iCount);
            Blend(puRight[iRow], Right, iCount);
        }
    }

    /// Whether segments can be blended into the painter's image by BlendShape.
    bool WritesDirectly() const { return m_Where.pImage != nullptr; }

    /// Blends a segment from (iX, iY) of this shape, whose pixels must lie in the canvas, into the
    /// painter's image now, as the painter would.
    __attribute__((always_inline)) void BlendShape(long iX, long iY, const SegmentShape& Shape)
    {
        if (m_auSources[255] == 0)
            for (int iCoverage = 0; iCoverage < 256; ++iCoverage)
                m_auSources[Index(iCoverage)] = qPremultiply(
                    qRgba(qRed(m_uColor), qGreen(m_uColor), qBlue(m_uColor), iCoverage));
        QRgb* const puStart = PixelOf(m_Where, iX, iY);
        const long iStride = static_cast<long>(m_Where.pImage->bytesPerLine() / sizeof(QRgb));
        const Frame& Box = Shape.Bounds;
        if (!m_Where.vecRegion.empty() && !WritableBox(m_Where, {iX + Box.iL, iY + Box.iT, iX + Box.iR, iY + Box.iB})) {
            BlendShapeInRegion(iX, iY, Shape);
            return;
        }
        for (const SegmentShape::Pixel& Pixel : Shape.vecPixels) {
            QRgb& uPixel = puStart[Pixel.iY * iStride + Pixel.iX];
            uPixel = SourceOver(uPixel, m_auSources[Index(Pixel.iCoverage)]);
        }
    }

    /// BlendShape across the edge of what the painter may write: only the pixels inside.
    __attribute__((noinline)) void BlendShapeInRegion(long iX, long iY, const SegmentShape& Shape)
    {
        for (const SegmentShape::Pixel& Pixel : Shape.vecPixels) {
            const long iPixelX = iX + Pixel.iX, iPixelY = iY + Pixel.iY;
            if (WritableBox(m_Where, {iPixelX, iPixelY, iPixelX, iPixelY})) {
                QRgb& uPixel = *PixelOf(m_Where, iPixelX, iPixelY);
                uPixel = SourceOver(uPixel, m_auSources[Index(Pixel.iCoverage)]);
            }
        }
    }

    /// A pixel lit fully.
    void Fill(long iX, long iY) { At(iX, iY) = Cells::c_uFull; }

    /// What a segment drawn by the painter next finds in the pixels it may light.
    struct Visit
    {
        bool bAllFull = true; ///< every pixel is in the canvas and full: the segment changes none
        Frame Conflict{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN}; ///< pixels to draw before it
    };

    /// Notes that a segment drawn by the painter may light pixel (iX, iY), to be moved before the
    /// blends counted there, or, where that would spend a step too many, drawn after them.
    __attribute__((always_inline)) void Touch(long iX, long iY, Visit& Result)
    {
        const long iColumn = iX - m_iLeft, iRow = iY - m_iTop;
        if (iColumn < 0 || iColumn >= m_iWidth || iRow < 0 || iRow >= m_iHeight) {
            Result.bAllFull = false;
            return;
        }
        Cell& uCell = m_pCells[iColumn * m_iHeight + iRow];
        if (uCell == Cells::c_uFull)
            return;
        Result.bAllFull = false;
        if ((uCell & 63) == 0)
            return; // nothing counted yet: the segment goes before whatever comes
        if (Cells::Spent(uCell) < Cells::c_iAllowed)
            uCell = Cell(uCell + Cells::c_uMoveUnit);
        else
            Result.Conflict = {std::min(Result.Conflict.iL, iX), std::min(Result.Conflict.iT, iY),
                               std::max(Result.Conflict.iR, iX), std::max(Result.Conflict.iB, iY)};
    }

    /// Draws the pending pixels of Box now, so that what the painter draws next blends after them,
    /// and counts theirs from nothing again. Full pixels stay: nothing drawn later changes them.
    void DrawPending(QPainter& Painter, const Frame& Box)
    {
        const long iFirst = std::max(Box.iL - m_iLeft, 0L), iLast = std::min(Box.iR - m_iLeft, m_iWidth - 1);
        const long iLow = std::max(Box.iT - m_iTop, 0L), iHigh = std::min(Box.iB - m_iTop, m_iHeight - 1);
        if (!m_pCells || iFirst > iLast || iLow > iHigh)
            return;
        // The box as a tile of its own, its full pixels kept aside and put back afterwards.
        m_vecKept.clear();
        for (long iColumn = iFirst; iColumn <= iLast; ++iColumn) {
            Cell* const puCells = m_pCells + iColumn * m_iHeight;
            for (long iRow = iLow; iRow <= iHigh; ++iRow) {
                if (puCells[iRow] == Cells::c_uFull) {
                    m_vecKept.push_back(iColumn * m_iHeight + iRow);
                    puCells[iRow] = 0;
                }
            }
        }
        DrawTile(Painter, iFirst, iLast - iFirst + 1, iLow, iHigh - iLow + 1);
        for (long iCell : m_vecKept)
            m_pCells[iCell] = Cells::c_uFull;
    }

    /// Draws what was counted and clears it for the next line.
    void Draw(QPainter& Painter)
    {
        if (!m_pCells)
            return;
        for (std::size_t iTile = 0; iTile < m_vecTiles.size(); ++iTile) {
            const long iLow = m_vecTiles[iTile].first, iHigh = m_vecTiles[iTile].second;
            if (iLow > iHigh)
                continue;
            const long iFirst = static_cast<long>(iTile) << m_iTileShift;
            const long iWidth = std::min(1L << m_iTileShift, m_iWidth - iFirst);
            DrawTile(Painter, iFirst, iWidth, iLow, iHigh - iLow + 1);
            m_vecTiles[iTile] = {m_iHeight, -1};
        }
    }

private:
    static constexpr int c_iRowGap = 6;

    static std::size_t Index(long i) { return static_cast<std::size_t>(i); }

    __attribute__((always_inline)) Cell& At(long iX, long iY)
    {
        if (!m_pCells)
            Allocate();
        const long iColumn = iX - m_iLeft, iRow = iY - m_iTop;
        std::pair<long, long>& Rows = m_vecTiles[Index(iColumn >> m_iTileShift)];
        Rows.first = std::min(Rows.first, iRow);
        Rows.second = std::max(Rows.second, iRow);
        return m_pCells[iColumn * m_iHeight + iRow];
    }

    void Allocate()
    {
        thread_local KeptCells s_Cells;
        m_pCells = s_Cells.Take(Index(m_iWidth * m_iHeight));
        m_vecTiles.assign(Index(((m_iWidth - 1) >> m_iTileShift) + 1), {m_iHeight, -1});
        BuildLayers();
    }

    // Per blend sequence, the images to draw: r blends at the right coverage, then l at the left
    // one. A sequence whose result is the same on every background (blends are monotonic: the same
    // on transparent black and opaque white) becomes that colour, opaque; any other is drawn blend
    // by blend.
    void BuildLayers()
    {
        const auto source = [this](int iAlpha) {
            return qPremultiply(qRgba(qRed(m_uColor), qGreen(m_uColor), qBlue(m_uColor), iAlpha));
        };
        m_vecColors.assign(c_iSaturation, {});
        m_auLayers.fill(0);
        m_auLayers[Cells::c_iSequences] = 1;
        m_vecColors[0][Cells::c_iSequences] = m_uColor | 0xff000000u;
        for (int iRight = 0; iRight < c_iSaturation; ++iRight) {
            for (int iLeft = 0; iRight + iLeft < c_iSaturation; ++iLeft) {
                const std::size_t iSequence = Index(iRight | iLeft << 3);
                if (iSequence == 0)
                    continue;
                QRgb auSources[c_iSaturation];
                int iBlends = 0;
                for (int i = 0; i < iRight; ++i)
                    auSources[iBlends++] = source(m_Model.iRight);
                for (int i = 0; i < iLeft; ++i)
                    auSources[iBlends++] = source(m_Model.iLeft);
                QRgb uOnBlack = 0, uOnWhite = 0xffffffffu;
                for (int i = 0; i < iBlends; ++i) {
                    uOnBlack = SourceOver(uOnBlack, auSources[i]);
                    uOnWhite = SourceOver(uOnWhite, auSources[i]);
                }
                if (uOnBlack == uOnWhite && qAlpha(uOnBlack) == 255) {
                    m_auLayers[iSequence] = 1;
                    m_vecColors[0][iSequence] = uOnBlack;
                    continue;
                }
                m_auLayers[iSequence] = static_cast<std::uint8_t>(iBlends);
                for (int i = 0; i < iBlends; ++i)
                    m_vecColors[Index(i)][iSequence] = auSources[i];
            }
        }
        // What each sequence makes of a transparent pixel, for WriteTile.
        for (std::size_t iSequence = 0; iSequence <= Cells::c_iSequences; ++iSequence) {
            QRgb uPixel = 0;
            for (int iLayer = 0; iLayer < m_auLayers[iSequence]; ++iLayer)
                uPixel = SourceOver(uPixel, m_vecColors[Index(iLayer)][iSequence]);
            m_auLastOn[iSequence] = 0;
            m_auLastResult[iSequence] = uPixel;
        }
    }

    // A pixel that needs more than one blend, for the images after the first.
    struct DeepPixel
    {
        std::uint32_t uRow;
        std::uint32_t uColumn;
        std::uint8_t uSequence;
    };

    // The first blend of every pixel of a tile as one image; the further blends, layer by layer,
    // as images of the runs of rows that need them (short gaps cost less than a call). The pixels
    // that need them lie along the edges of a band, so those images are mostly transparent: they
    // are cleared and only those pixels written.
    void DrawTile(QPainter& Painter, long iFirst, long iWidth, long iLow, long iRows)
    {
        if (m_Where.pImage) {
            WriteTile(iFirst, iWidth, iLow, iRows);
            return;
        }
        Cell* const puTile = m_pCells + iFirst * m_iHeight + iLow;
        m_vecRowLayers.assign(Index(iRows), 0);
        m_vecDeep.clear();
        m_vecPixels.resize(Index(iWidth * iRows));
        const std::array<QRgb, Cells::c_iSequences + 1>& auFirst = m_vecColors[0];
        for (long iColumn = 0; iColumn < iWidth; ++iColumn) {
            Cell* const puCells = puTile + iColumn * m_iHeight;
            QRgb* puPixel = m_vecPixels.data() + iColumn;
            for (long iRow = 0; iRow < iRows; ++iRow, puPixel += iWidth) {
                const int iSequence = Cells::Sequence(puCells[iRow]);
                const std::uint8_t uLayers = m_auLayers[Index(iSequence)];
                *puPixel = auFirst[Index(iSequence)];
                if (uLayers > 1) {
                    m_vecRowLayers[Index(iRow)] = std::max(m_vecRowLayers[Index(iRow)], uLayers);
                    m_vecDeep.push_back({static_cast<std::uint32_t>(iRow), static_cast<std::uint32_t>(iColumn),
                                         static_cast<std::uint8_t>(iSequence)});
                }
            }
            std::fill_n(puCells, iRows, Cell(0));
        }
        DrawPixels(Painter, iFirst, iWidth, iLow, iRows, m_vecPixels.data());

        for (int iLayer = 1; !m_vecDeep.empty(); ++iLayer) {
            // The runs, and where each starts in the pixels.
            m_vecRuns.clear();
            m_vecRowRun.assign(Index(iRows), -1);
            long iPixels = 0;
            for (long iRow = 0; iRow < iRows;) {
                if (m_vecRowLayers[Index(iRow)] <= iLayer) {
                    ++iRow;
                    continue;
                }
                long iEnd = iRow + 1; // past the last row of the run
                for (long iNext = iEnd; iNext < iRows && iNext - iEnd < c_iRowGap; ++iNext) {
                    if (m_vecRowLayers[Index(iNext)] > iLayer)
                        iEnd = iNext + 1;
                }
                for (long i = iRow; i < iEnd; ++i)
                    m_vecRowRun[Index(i)] = iPixels - iRow * iWidth;
                m_vecRuns.push_back({iRow, iEnd});
                iPixels += (iEnd - iRow) * iWidth;
                iRow = iEnd;
            }
            m_vecPixels.assign(Index(iPixels), 0);
            const std::array<QRgb, Cells::c_iSequences + 1>& auColors = m_vecColors[Index(iLayer)];
            std::size_t iKept = 0;
            for (const DeepPixel& Pixel : m_vecDeep) {
                if (m_auLayers[Pixel.uSequence] <= iLayer)
                    continue;
                m_vecPixels[Index(m_vecRowRun[Pixel.uRow] + static_cast<long>(Pixel.uRow) * iWidth + Pixel.uColumn)] =
                    auColors[Pixel.uSequence];
                m_vecDeep[iKept++] = Pixel;
            }
            m_vecDeep.resize(iKept);
            long iOffset = 0;
            for (const std::pair<long, long>& Run : m_vecRuns) {
                DrawPixels(Painter, iFirst, iWidth, iLow + Run.first, Run.second - Run.first,
                           m_vecPixels.data() + iOffset);
                iOffset += (Run.second - Run.first) * iWidth;
            }
        }
    }

    // The blends of a tile straight into the image: each layer's colour over the pixel, as the
    // raster engine draws an image over it. Most pixels lie on one background, so the last result
    // of a sequence is kept with the pixel it was blended on.
    void WriteTile(long iFirst, long iWidth, long iLow, long iRows)
    {
        const long iStride = static_cast<long>(m_Where.pImage->bytesPerLine() / sizeof(QRgb));
        for (long iColumn = 0; iColumn < iWidth; ++iColumn) {
            Cell* const puCells = m_pCells + (iFirst + iColumn) * m_iHeight + iLow;
            const long iX = m_iLeft + iFirst + iColumn, iY = m_iTop + iLow;
            ForWritableRows(m_Where, iX, iY, iY + iRows - 1, [&](long iFrom, long iTo) {
                QRgb* puPixel = PixelOf(m_Where, iX, iFrom);
                for (long iRow = iFrom - iY; iRow <= iTo - iY; ++iRow, puPixel += iStride) {
                    const Cell uCell = puCells[iRow];
                    if (uCell == 0)
                        continue;
                    const std::size_t iSequence = Index(Cells::Sequence(uCell));
                    QRgb uPixel = *puPixel;
                    if (uPixel != m_auLastOn[iSequence]) {
                        m_auLastOn[iSequence] = uPixel;
                        for (int iLayer = 0; iLayer < m_auLayers[iSequence]; ++iLayer)
                            uPixel = SourceOver(uPixel, m_vecColors[Index(iLayer)][iSequence]);
                        m_auLastResult[iSequence] = uPixel;
                    }
                    *puPixel = m_auLastResult[iSequence];
                }
            });
            std::fill_n(puCells, iRows, Cell(0));
        }
    }

    void DrawPixels(QPainter& Painter, long iFirst, long iWidth, long iTopRow, long iRows, const QRgb* puPixels)
    {
        const QImage Pixels(reinterpret_cast<const uchar*>(puPixels), static_cast<int>(iWidth), static_cast<int>(iRows),
                            static_cast<int>(iWidth * 4), QImage::Format_ARGB32_Premultiplied);
        Painter.drawImage(QPoint(static_cast<int>(m_iLeft + iFirst), static_cast<int>(m_iTop + iTopRow)), Pixels);
    }

    const long m_iLeft;
    const long m_iTop;
    const long m_iWidth;
    const long m_iHeight;
    const QRgb m_uColor;
    const StampModel m_Model;
    const Target m_Where;
    // Log2 of the columns whose written rows are tracked together: images are drawn per tile, while pixels
    // written directly cost only where a column has any.
    const int m_iTileShift;
    Cell* m_pCells = nullptr;
    std::vector<std::pair<long, long>> m_vecTiles;                      // rows written per tile of columns
    std::array<std::uint8_t, Cells::c_iSequences + 1> m_auLayers{};     // blends per sequence
    std::vector<std::array<QRgb, Cells::c_iSequences + 1>> m_vecColors; // per layer and sequence
    std::vector<QRgb> m_vecPixels;
    std::array<QRgb, 256> m_auSources{}; // the colour at each coverage, premultiplied; built on first use
    // Per sequence, the pixel it was last written on and what it made of it.
    std::array<QRgb, Cells::c_iSequences + 1> m_auLastOn{};
    std::array<QRgb, Cells::c_iSequences + 1> m_auLastResult{};
    // Scratch of DrawTile.
    std::vector<std::uint8_t> m_vecRowLayers; // blends the row of a tile needs at most, where more than one
    std::vector<DeepPixel> m_vecDeep;
    std::vector<std::pair<long, long>> m_vecRuns;
    std::vector<long> m_vecRowRun; // where a row's pixels start, less its row times the width
    std::vector<long> m_vecKept;   // full cells of a box drawn early
};

// Tiles of a canvas's device pixels found to hold its colour (Settled), kept per thread: a canvas
// stamps them with an epoch of its own, so the stamps of lines before, on any image, are stale.
class SettledTiles
{
public:
    static constexpr int c_iShift = 3; // eight device pixels square

    explicit SettledTiles(const Frame& Writable) : m_Stamps(Stamps()), m_iWide((Writable.Width() >> c_iShift) + 1)
    {
        const std::size_t iCount = static_cast<std::size_t>(m_iWide * ((Writable.Height() >> c_iShift) + 1));
        if (m_Stamps.vecStamps.size() < iCount)
            m_Stamps.vecStamps.resize(iCount, 0u);
        if (++m_Stamps.uEpoch == 0) {
            std::fill(m_Stamps.vecStamps.begin(), m_Stamps.vecStamps.end(), 0u);
            m_Stamps.uEpoch = 1;
        }
        m_uEpoch = m_Stamps.uEpoch;
    }

    bool Holds(long iTileX, long iTileY) const { return m_Stamps.vecStamps[Index(iTileX, iTileY)] == m_uEpoch; }
    void Stamp(long iTileX, long iTileY) { m_Stamps.vecStamps[Index(iTileX, iTileY)] = m_uEpoch; }

private:
    struct Kept
    {
        std::vector<unsigned> vecStamps;
        unsigned uEpoch = 0;
    };
    static Kept& Stamps()
    {
        thread_local Kept s_Stamps;
        return s_Stamps;
    }
    std::size_t Index(long iTileX, long iTileY) const { return static_cast<std::size_t>(iTileY * m_iWide + iTileX); }

    Kept& m_Stamps;
    const long m_iWide;
    unsigned m_uEpoch = 0;
};

/// A line's short segments at a scale in quarters, blended in order straight into the painter's
/// image from their shapes. A pixel found settled at the line's colour is left alone from then on
/// (5. at the top): per device column, the rows known so form one interval, which a dense line's
/// band fills and its segments then mostly skip whole. Slanted segments, whose runs are short, are
/// blended plainly (BlendPlain) away from known pixels. A weak coverage stalls a pixel further from the colour
/// (6. at the top): per device column and for each of the last two such coverages, the rows that its blend
/// leaves as they are form an interval, in which those blends are skipped. A translucent colour's every
/// coverage is handled so (7. at the top).
/// Under a system clip, only its pixels are written: the engine cuts a stroke at the clip's bounding
/// rectangle, which the writable pixels keep clear of, and masks pixels at the inner edges of a clip
/// of several rectangles. A vertical stroke, cut anywhere at a device row's or column's edge, lights
/// the pixels on either side as it does whole: its pixels in the clip may be blended wherever it lies.
class PhaseCanvas
{
public:
    /// Where must write its image directly; uSource is the line's colour as the painter blends it
    /// (SolidSource).
    PhaseCanvas(const Target& Where, QRgb uSource)
        : m_Writable(Where.DeviceWritable),
          m_iStalling(qAlpha(uSource) == 255 ? c_iStalling : 255),
          m_puBits(reinterpret_cast<QRgb*>(const_cast<uchar*>(Where.pImage->constBits()))),
          m_iStride(static_cast<long>(Where.pImage->bytesPerLine() / sizeof(QRgb))),
          m_vecRegion(Where.vecRegion),
          m_auSources(TintTable(uSource)),
          m_Settling(uSource)
    {
        // Per device column, what the line knows is kept from line to line and made fresh where a line
        // first reaches the column: a line of a few vertices reaches few of a wide frame's columns.
        thread_local Columns s_Columns;
        const std::size_t iColumns = static_cast<std::size_t>(m_Writable.Width() + 1);
        if (s_Columns.vecEpochs.size() < iColumns) {
            s_Columns.vecKnown.resize(iColumns);
            s_Columns.vecStalls.resize(iColumns);
            s_Columns.vecSpans.resize(iColumns);
            s_Columns.vecEpochs.resize(iColumns, 0);
        }
        if (++s_Columns.uEpoch == 0) {
            std::fill(s_Columns.vecEpochs.begin(), s_Columns.vecEpochs.end(), 0u);
            s_Columns.uEpoch = 1;
        }
        m_uEpoch = s_Columns.uEpoch;
        m_pEpochs = s_Columns.vecEpochs.data();
        m_pKnown = s_Columns.vecKnown.data();
        m_pStalls = s_Columns.vecStalls.data();
        m_pSpans = s_Columns.vecSpans.data();
        if (!m_vecRegion.empty()) {
            for (const QRect& Rect : m_vecRegion)
                m_Clip = {std::min<long>(m_Clip.iL, Rect.left()), std::min<long>(m_Clip.iT, Rect.top()),
                          std::max<long>(m_Clip.iR, Rect.right()), std::max<long>(m_Clip.iB, Rect.bottom())};
        }
    }

    PhaseCanvas(const PhaseCanvas&) = delete;
    PhaseCanvas& operator=(const PhaseCanvas&) = delete;

    /// The device pixels that may be written.
    const Frame& Writable() const { return m_Writable; }

    /// Whether the line's colour is opaque, so that its pixels settle.
    bool Opaque() const { return m_iStalling != 255; }

    /// The device pixels of the clip, outside which nothing is written; empty where there is none
    /// but the writable pixels.
    const Frame& Clip() const { return m_Clip; }

    /// Whether writable device pixel (iX, iY) takes no blend that counts at any of iCount coverages:
    /// it is settled at the colour, or each of them leaves it as it is.
    bool Quiet(long iX, long iY, const std::uint8_t* puCoverages, int iCount) const
    {
        const QRgb uPixel = m_puBits[iY * m_iStride + iX];
        if (Settled(uPixel))
            return true;
        for (int k = 0; k < iCount; ++k)
            if (!Keeps(uPixel, puCoverages[k]))
                return false;
        return true;
    }

    /// The rows known to hold the colour in every device column from iFirst to iLast, which must be
    /// writable; first above second where there are none. Under a clip, known rows that reach its
    /// edge in every column reach on without end: nothing beyond is written.
    std::pair<long, long> KnownIn(long iFirst, long iLast) const
    {
        std::pair<long, long> Rows{LONG_MIN, LONG_MAX};
        bool bToTop = !m_vecRegion.empty(), bToBottom = bToTop;
        for (long iColumn = iFirst - m_Writable.iL; iColumn <= iLast - m_Writable.iL; ++iColumn) {
            if (m_pEpochs[iColumn] != m_uEpoch)
                return {LONG_MAX, LONG_MIN};
            const std::pair<long, long>& Known = m_pKnown[iColumn];
            Rows = {std::max(Rows.first, Known.first), std::min(Rows.second, Known.second)};
            bToTop = bToTop && Known.first == m_pSpans[iColumn].iTop && Known.first <= Known.second;
            bToBottom = bToBottom && Known.second == m_pSpans[iColumn].iBottom && Known.first <= Known.second;
        }
        if (Rows.first <= Rows.second) {
            if (bToTop)
                Rows.first = LONG_MIN;
            if (bToBottom)
                Rows.second = LONG_MAX;
        }
        return Rows;
    }

    /// Whether every device pixel within dReach of the segment from (dX1, dY1) to (dX2, dY2), in
    /// device pixels, is writable and settled at the colour, so that no blend of it matters
    /// (5. at the top). Looked at in whole tiles: false where a tile it reaches holds another pixel.
    bool Settles(double dX1, double dY1, double dX2, double dY2, double dReach)
    {
        if (m_iStalling == 255)
            return false;
        const double dTop = std::min(dY1, dY2) - dReach, dBottom = std::max(dY1, dY2) + dReach;
        if (std::min(dX1, dX2) - dReach < m_Writable.iL || std::max(dX1, dX2) + dReach >= m_Writable.iR + 1
            || dTop < m_Writable.iT || dBottom >= m_Writable.iB + 1)
            return false;
        if (!m_oTiles)
            m_oTiles.emplace(m_Writable);
        const double dDX = dX2 - dX1, dDY = dY2 - dY1, dInverse = dDY != 0.0 ? 1.0 / dDY : 0.0;
        constexpr long c_iTile = 1L << SettledTiles::c_iShift;
        const long iFirstBand = (static_cast<long>(dTop) - m_Writable.iT) >> SettledTiles::c_iShift;
        const long iLastBand = (static_cast<long>(dBottom) - m_Writable.iT) >> SettledTiles::c_iShift;
        for (long iBand = iFirstBand; iBand <= iLastBand; ++iBand) {
            // The part of the segment within reach of the band's rows.
            const double dBandTop = static_cast<double>(m_Writable.iT + iBand * c_iTile);
            double dFrom = std::min(dX1, dX2), dTo = std::max(dX1, dX2);
            if (dDY != 0.0) {
                double dT1 = (dBandTop - dReach - dY1) * dInverse, dT2 = (dBandTop + c_iTile + dReach - dY1) * dInverse;
                if (dT1 > dT2)
                    std::swap(dT1, dT2);
                dT1 = std::max(dT1, 0.0);
                dT2 = std::min(dT2, 1.0);
                if (dT1 > dT2)
                    continue;
                dFrom = std::min(dX1 + dT1 * dDX, dX1 + dT2 * dDX);
                dTo = std::max(dX1 + dT1 * dDX, dX1 + dT2 * dDX);
            }
            const long iFrom = std::max(static_cast<long>(dFrom - dReach), m_Writable.iL) - m_Writable.iL;
            const long iTo = std::min(static_cast<long>(dTo + dReach), m_Writable.iR) - m_Writable.iL;
            for (long iTile = iFrom >> SettledTiles::c_iShift; iTile <= iTo >> SettledTiles::c_iShift; ++iTile)
                if (!TileSettled(iTile, iBand))
                    return false;
        }
        return true;
    }

    /// Whether every pixel of device columns iL to iR and rows iT to iB that the painter may write is
    /// settled at the colour, as the image holds it: no blend of the colour there matters any more
    /// (5. at the top), and the others are never written.
    bool SettlesInRegion(long iL, long iT, long iR, long iB) const
    {
        for (const QRect& Rect : m_vecRegion) {
            const long iFrom = std::max<long>(iL, Rect.left()), iTo = std::min<long>(iR, Rect.right());
            for (long iY = std::max<long>(iT, Rect.top()); iY <= std::min<long>(iB, Rect.bottom()); ++iY)
                for (long iX = iFrom; iX <= iTo; ++iX)
                    if (!Settled(m_puBits[iY * m_iStride + iX]))
                        return false;
        }
        return true;
    }

    /// Pixels may have changed under drawing other than the canvas's own: no stall holds.
    void Forget() { ++m_uGeneration; }

    /// Whether known rows grew since last asked: they never shrink within a line, so rows found
    /// known before stay known.
    bool TakeGrown() { return std::exchange(m_bGrown, false); }

    /// Blends a segment of this shape whose origin lies in device pixel (iX, iY) pixel by pixel,
    /// without looking for known or stalled pixels: a slanted segment's short runs cost more to look
    /// at than to blend. Its pixels must be writable, under no clip of several rectangles. (Its runs
    /// are of two or three rows: through SourceOverColumn an x-y walk took longer.)
    __attribute__((always_inline)) void BlendPlain(long iX, long iY, const PhaseShape& Shape)
    {
        const PhaseShape::Run* pRun = Shape.vecRuns.begin();
        const PhaseShape::Run* const pEnd = Shape.vecRuns.end();
        while (pRun != pEnd) {
            const long iColumn = iX + pRun->iX - m_Writable.iL;
            Fresh(iColumn);
            m_pStalls[iColumn] = Stalls(); // the run may change its pixels
            const PhaseShape::Run* const pNext = pRun + 1;
#if defined(__x86_64__) && defined(__SSE2__)
            // Beside each other, two columns' rows are blended side by side, two rows at a time.
            if (pNext != pEnd && pNext->iX == pRun->iX + 1) {
                Fresh(iColumn + 1);
                m_pStalls[iColumn + 1] = Stalls();
                BlendPair(iX, iY, *pRun, *pNext, Shape.vecCoverage.data());
                pRun += 2;
                continue;
            }
#endif
            BlendRows(iX, iY, *pRun, Shape.vecCoverage.data(), pRun->iY, pRun->iY + pRun->iRows);
            pRun = pNext;
        }
    }

    /// Asks the memory for the pixels BlendPlain will blend, ahead of it.
    __attribute__((always_inline)) void Prefetch(long iX, long iY, const PhaseShape& Shape) const
    {
        for (const PhaseShape::Run& Run : Shape.vecRuns) {
            const QRgb* puPixel = m_puBits + (iY + Run.iY) * m_iStride + iX + Run.iX;
            for (long iRow = 0; iRow < Run.iRows; ++iRow, puPixel += m_iStride)
                __builtin_prefetch(puPixel, 1);
        }
    }

    // Rows iFrom to iTo (excluded) of a run, from the origin, one pixel at a time.
    __attribute__((always_inline)) void BlendRows(long iX, long iY, const PhaseShape::Run& Run,
                                                  const std::uint8_t* puCoverage, long iFrom, long iTo)
    {
        puCoverage += Run.iFirst + (iFrom - Run.iY);
        QRgb* puPixel = m_puBits + (iY + iFrom) * m_iStride + iX + Run.iX;
        for (long iRow = iFrom; iRow < iTo; ++iRow, puPixel += m_iStride)
            *puPixel = SourceOver(*puPixel, m_auSources[*puCoverage++]);
    }

#if defined(__x86_64__) && defined(__SSE2__)
    // Runs of neighbouring columns: their common rows as pairs of pixels, the others one at a time.
    __attribute__((always_inline)) void BlendPair(long iX, long iY, const PhaseShape::Run& Left,
                                                  const PhaseShape::Run& Right, const std::uint8_t* puCoverage)
    {
        const long iFrom = std::max(Left.iY, Right.iY);
        const long iTo = std::min(Left.iY + Left.iRows, Right.iY + Right.iRows);
        if (iFrom >= iTo) {
            BlendRows(iX, iY, Left, puCoverage, Left.iY, Left.iY + Left.iRows);
            BlendRows(iX, iY, Right, puCoverage, Right.iY, Right.iY + Right.iRows);
            return;
        }
        BlendRows(iX, iY, Left, puCoverage, Left.iY, iFrom);
        BlendRows(iX, iY, Right, puCoverage, Right.iY, iFrom);
        BlendRows(iX, iY, Left, puCoverage, iTo, Left.iY + Left.iRows);
        BlendRows(iX, iY, Right, puCoverage, iTo, Right.iY + Right.iRows);
        const std::uint8_t* puLeft = puCoverage + Left.iFirst + (iFrom - Left.iY);
        const std::uint8_t* puRight = puCoverage + Right.iFirst + (iFrom - Right.iY);
        QRgb* puPixel = m_puBits + (iY + iFrom) * m_iStride + iX + Left.iX;
        long iRow = iFrom;
        for (; iRow + 1 < iTo; iRow += 2, puPixel += 2 * m_iStride, puLeft += 2, puRight += 2) {
            __m128i* const pvAbove = reinterpret_cast<__m128i*>(puPixel);
            __m128i* const pvBelow = reinterpret_cast<__m128i*>(puPixel + m_iStride);
            const __m128i vDest = _mm_unpacklo_epi64(_mm_loadl_epi64(pvAbove), _mm_loadl_epi64(pvBelow));
            const __m128i vSource = _mm_set_epi32(
                static_cast<int>(m_auSources[puRight[1]]), static_cast<int>(m_auSources[puLeft[1]]),
                static_cast<int>(m_auSources[puRight[0]]), static_cast<int>(m_auSources[puLeft[0]]));
            const __m128i vResult = SourceOverVector(vDest, vSource);
            _mm_storel_epi64(pvAbove, vResult);
            _mm_storel_epi64(pvBelow, _mm_unpackhi_epi64(vResult, vResult));
        }
        if (iRow < iTo) {
            puPixel[0] = SourceOver(puPixel[0], m_auSources[puLeft[0]]);
            puPixel[1] = SourceOver(puPixel[1], m_auSources[puRight[0]]);
        }
    }
#endif

    /// Whether BlendPlain should take a segment of this shape at (iX, iY): not where its middle meets
    /// pixels known to hold the colour, as a dense line's do. (Its ends meet the known pixels of the
    /// segments before and after it on any line.)
    bool BlendsPlain(long iX, long iY, const PhaseShape& Shape) const
    {
        if (!m_vecRegion.empty() || m_iStalling == 255 || Shape.vecRuns.empty())
            return false;
        const PhaseShape::Run& Middle = Shape.vecRuns.data()[(Shape.vecRuns.end() - Shape.vecRuns.data()) / 2];
        const long iColumn = iX + Middle.iX - m_Writable.iL;
        if (m_pEpochs[iColumn] != m_uEpoch)
            return true;
        const std::pair<long, long>& Known = m_pKnown[iColumn];
        const long iFirst = iY + Middle.iY;
        return iFirst > Known.second || iFirst + Middle.iRows - 1 < Known.first;
    }

    /// Blends a segment of this shape whose origin lies in device pixel (iX, iY); its pixels must be
    /// writable.
    __attribute__((always_inline)) void Blend(long iX, long iY, const PhaseShape& Shape)
    {
        for (const PhaseShape::Run& Run : Shape.vecRuns) {
            const long iColumn = iX + Run.iX - m_Writable.iL;
            Fresh(iColumn);
            std::pair<long, long>& Known = m_pKnown[iColumn];
            long iFirst = iY + Run.iY, iLast = iFirst + Run.iRows - 1;
            const std::uint8_t* puCoverage = Shape.vecCoverage.data() + Run.iFirst;
            if (!m_vecRegion.empty() && (iFirst < m_pSpans[iColumn].iTop || iLast > m_pSpans[iColumn].iBottom)) {
                const Span& Rows = m_pSpans[iColumn];
                if (Rows.iTop > Rows.iBottom) {
                    BlendMasked(iColumn, Known, iFirst, iLast, puCoverage);
                    continue;
                }
                // Cut to the rows the column may write.
                puCoverage += std::max(Rows.iTop - iFirst, 0L);
                iFirst = std::max(iFirst, Rows.iTop);
                iLast = std::min(iLast, Rows.iBottom);
                if (iFirst > iLast)
                    continue;
            }
            if (iFirst >= Known.first && iLast <= Known.second)
                continue;
            if (Run.uMain > m_iStalling) {
                BlendRun(iColumn, Known, iFirst, iLast, puCoverage);
                continue;
            }
            const Stalls& Stalled = m_pStalls[iColumn];
            if (Run.bPlain
                    ? HoldsAny(Stalled, Run.uMain, iFirst, iLast)
                    : Run.bEnds && iLast - iFirst + 1 == Run.iRows && HoldsAny(Stalled, Run.uFirst, iFirst, iFirst)
                          && (Run.iRows == 2 || HoldsAny(Stalled, Run.uMain, iFirst + 1, iLast - 1))
                          && HoldsAny(Stalled, Run.uLast, iLast, iLast))
                continue;
            BlendWeak(iColumn, Known, iFirst, iLast, puCoverage, Run.uMain);
        }
    }

    /// Coverages up to this may stall a pixel further from the colour than Settled looks; stronger
    /// ones soon bring it there.
    static constexpr int c_iStalling = 48;

private:
    // The rows of a device column in the region, where they are one run of rows; runs are cut to
    // them. Runs of a column the region splits are blended pixel by pixel.
    struct Span
    {
        long iTop, iBottom;
    };

    Span SpanOf(long iColumn) const
    {
        if (m_vecRegion.empty())
            return {m_Writable.iT, m_Writable.iB};
        const long iX = m_Writable.iL + iColumn;
        long iTop = LONG_MAX, iBottom = LONG_MIN, iRows = 0;
        for (const QRect& Rect : m_vecRegion) {
            if (iX < Rect.left() || iX > Rect.right())
                continue;
            iTop = std::min<long>(iTop, Rect.top());
            iBottom = std::max<long>(iBottom, Rect.bottom());
            iRows += Rect.height(); // the rectangles of a region do not overlap
        }
        return iRows > 0 && iRows == iBottom - iTop + 1 ? Span{iTop, iBottom} : Span{1, 0};
    }

    // Where a column's state is another line's, the line's own anew.
    __attribute__((always_inline)) void Fresh(long iColumn)
    {
        if (m_pEpochs[iColumn] == m_uEpoch)
            return;
        m_pEpochs[iColumn] = m_uEpoch;
        m_pKnown[iColumn] = {LONG_MAX, LONG_MIN};
        m_pStalls[iColumn] = Stalls();
        m_pSpans[iColumn] = SpanOf(iColumn);
    }

    bool InRegion(long iX, long iY) const
    {
        return std::any_of(m_vecRegion.begin(), m_vecRegion.end(), [&](const QRect& Rect) {
            return Rect.contains(static_cast<int>(iX), static_cast<int>(iY));
        });
    }

    // A run in a column that the region splits: only its pixels in the region, past the known rows.
    __attribute__((noinline)) void BlendMasked(long iColumn, const std::pair<long, long>& Known, long iFirst,
                                               long iLast, const std::uint8_t* puCoverage)
    {
        m_pStalls[iColumn] = Stalls();
        const long iX = iColumn + m_Writable.iL;
        QRgb* const puColumn = m_puBits + iX;
        for (long iRow = std::max(iFirst, m_Clip.iT); iRow <= std::min(iLast, m_Clip.iB); ++iRow) {
            if ((iRow >= Known.first && iRow <= Known.second) || !InRegion(iX, iRow))
                continue;
            QRgb& uPixel = puColumn[iRow * m_iStride];
            uPixel = SourceOver(uPixel, m_auSources[puCoverage[iRow - iFirst]]);
        }
    }

    // Rows of a device column whose pixels a blend at iCoverage leaves as they are, while
    // uGeneration is the canvas's.
    struct Stall
    {
        long iFirst = 0, iLast = -1;
        int iCoverage = 0;
        unsigned uGeneration = 0;
    };
    // Per device column, the last two coverages seen to stall, the latest first: where a pen lies
    // between device pixels, a column takes two coverages in turn.
    using Stalls = std::array<Stall, 2>;

    // Whether a blend at iCoverage leaves rows iFirst to iLast as they are.
    bool Holds(const Stall& Stalled, int iCoverage, long iFirst, long iLast) const
    {
        return Stalled.uGeneration == m_uGeneration && Stalled.iCoverage == iCoverage && iFirst >= Stalled.iFirst
               && iLast <= Stalled.iLast;
    }

    // Whether a blend at iCoverage leaves rows iFirst to iLast as they are, by either record.
    bool HoldsAny(const Stalls& Stalled, int iCoverage, long iFirst, long iLast) const
    {
        return Holds(Stalled[0], iCoverage, iFirst, iLast) || Holds(Stalled[1], iCoverage, iFirst, iLast);
    }

    // Changed rows iFirst to iLast no longer hold: of the rows around them, the larger part stays.
    static void Cut(Stall& Stalled, long iFirst, long iLast)
    {
        if (iFirst <= Stalled.iLast && iLast >= Stalled.iFirst) {
            if (iFirst - Stalled.iFirst >= Stalled.iLast - iLast)
                Stalled.iLast = iFirst - 1;
            else
                Stalled.iFirst = iLast + 1;
        }
    }

    __attribute__((noinline)) void BlendRun(long iColumn, std::pair<long, long>& Known, long iFirst, long iLast,
                                            const std::uint8_t* puCoverage)
    {
        m_pStalls[iColumn] = Stalls(); // the run may change its pixels
        QRgb* const puColumn = m_puBits + iColumn + m_Writable.iL;
        const auto blend = [&](long iFrom, long iTo) {
            SourceOverColumn<false>(puColumn + iFrom * m_iStride, m_iStride, puCoverage + (iFrom - iFirst),
                                    iTo - iFrom + 1, m_auSources, m_Settling);
        };
        if (Known.first > Known.second) {
            // The known rows start at the first pixel of the run that settles.
            const long iSettled = SourceOverColumn<true>(puColumn + iFirst * m_iStride, m_iStride, puCoverage,
                                                         iLast - iFirst + 1, m_auSources, m_Settling);
            if (iSettled < 0 || m_iStalling == 255)
                return;
            Known = {iFirst + iSettled, iFirst + iSettled};
            m_bGrown = true;
        } else {
            BlendOutside(Known, iFirst, iLast, blend);
        }
        GrowKnown(iColumn, puColumn, Known);
    }

    // Calls blend(iFrom, iTo) for the rows of a run outside the known ones, which are some.
    template <class Function>
    static void BlendOutside(const std::pair<long, long>& Known, long iFirst, long iLast, Function blend)
    {
        if (iFirst < Known.first)
            blend(iFirst, std::min(iLast, Known.first - 1));
        if (iLast > Known.second)
            blend(std::max(iFirst, Known.second + 1), iLast);
    }

    // The known rows start at the first of these whose pixel settles.
    void SeedKnown(QRgb* puColumn, std::pair<long, long>& Known, long iFrom, long iTo)
    {
        for (long iRow = iFrom; iRow <= iTo; ++iRow) {
            if (Settled(puColumn[iRow * m_iStride])) {
                Known = {iRow, iRow};
                m_bGrown = true;
                return;
            }
        }
    }

    // Within the column's span: a pixel outside the region is never written.
    void GrowKnown(long iColumn, QRgb* puColumn, std::pair<long, long>& Known)
    {
        const Span& Rows = m_pSpans[iColumn];
        const std::pair<long, long> Before = Known;
        while (Known.first > Rows.iTop && Settled(puColumn[(Known.first - 1) * m_iStride]))
            --Known.first;
        while (Known.second < Rows.iBottom && Settled(puColumn[(Known.second + 1) * m_iStride]))
            ++Known.second;
        m_bGrown = m_bGrown || Known != Before;
    }

    // BlendRun for a run mostly of a weak coverage, whose blends that leave a pixel as it is are found
    // and skipped.
    __attribute__((noinline)) void BlendWeak(long iColumn, std::pair<long, long>& Known, long iFirst, long iLast,
                                             const std::uint8_t* puCoverage, int iMain)
    {
        QRgb* const puColumn = m_puBits + iColumn + m_Writable.iL;
        Stalls& Column = m_pStalls[iColumn];
        for (Stall& Each : Column)
            if (Each.uGeneration != m_uGeneration)
                Each = Stall();
        if (Column[1].iCoverage == iMain)
            std::swap(Column[0], Column[1]);
        else if (Column[0].iCoverage != iMain)
            Column = {Stall(), Column[0]};
        Stall &Stalled = Column[0], &Other = Column[1];
        long iChangedFirst = LONG_MAX, iChangedLast = LONG_MIN;
        long iKept = LONG_MIN; // a row that its blend at the main coverage left as it was
        const auto blend = [&](long iFrom, long iTo) {
            for (long iRow = iFrom; iRow <= iTo; ++iRow) {
                const int iCoverage = puCoverage[iRow - iFirst];
                if ((iCoverage == Stalled.iCoverage && iRow >= Stalled.iFirst && iRow <= Stalled.iLast)
                    || (iCoverage == Other.iCoverage && iRow >= Other.iFirst && iRow <= Other.iLast))
                    continue;
                QRgb& uPixel = puColumn[iRow * m_iStride];
                const QRgb uBlended = SourceOver(uPixel, m_auSources[static_cast<std::size_t>(iCoverage)]);
                if (uBlended != uPixel) {
                    iChangedFirst = std::min(iChangedFirst, iRow);
                    iChangedLast = iRow;
                    uPixel = uBlended;
                } else if (iCoverage == iMain) {
                    iKept = iRow;
                }
            }
        };
        if (Known.first > Known.second) {
            blend(iFirst, iLast);
            // A pixel the run left as it was has been looked at since it last changed.
            SeedKnown(puColumn, Known, iChangedFirst, iChangedLast);
        } else {
            BlendOutside(Known, iFirst, iLast, blend);
        }
        if (Known.first <= Known.second)
            GrowKnown(iColumn, puColumn, Known);
        // The stall keeps what lies beside pixels that changed, or starts afresh where the run left one
        // as it was; it grows where the run changed pixels next to it.
        Cut(Stalled, iChangedFirst, iChangedLast);
        Cut(Other, iChangedFirst, iChangedLast);
        if (Stalled.iFirst > Stalled.iLast) {
            if (iKept == LONG_MIN)
                return;
            Stalled = {iKept, iKept, iMain, m_uGeneration};
        } else if (iChangedLast < Stalled.iFirst - 1 || iChangedFirst > Stalled.iLast + 1) {
            return;
        }
        while (Stalled.iFirst > m_Writable.iT && Keeps(puColumn[(Stalled.iFirst - 1) * m_iStride], Stalled.iCoverage))
            --Stalled.iFirst;
        while (Stalled.iLast < m_Writable.iB && Keeps(puColumn[(Stalled.iLast + 1) * m_iStride], Stalled.iCoverage))
            ++Stalled.iLast;
    }

    // Whether a blend at this coverage leaves the pixel as it is.
    bool Keeps(QRgb uPixel, int iCoverage) const
    {
        return SourceOver(uPixel, m_auSources[static_cast<std::size_t>(iCoverage)]) == uPixel;
    }

    // Whether the writable pixels of a tile are all Settled, looked at once per line where they are:
    // settled pixels stay so under its blends.
    bool TileSettled(long iTileX, long iTileY)
    {
        if (m_oTiles->Holds(iTileX, iTileY))
            return true;
        const long iLeft = m_Writable.iL + (iTileX << SettledTiles::c_iShift);
        const long iRight = std::min(iLeft + (1L << SettledTiles::c_iShift) - 1, m_Writable.iR);
        const long iTop = m_Writable.iT + (iTileY << SettledTiles::c_iShift);
        const long iBottom = std::min(iTop + (1L << SettledTiles::c_iShift) - 1, m_Writable.iB);
        for (long iY = iTop; iY <= iBottom; ++iY)
            if (!AllSettled(m_puBits + iY * m_iStride + iLeft, iRight - iLeft + 1, m_Settling))
                return false;
        m_oTiles->Stamp(iTileX, iTileY);
        return true;
    }

    // Whether the pixel is settled at the colour: blends at a quarter coverage may stop two steps
    // short of it for good.
    bool Settled(QRgb uPixel) const
    {
        if (m_iStalling == 255)
            return false; // a translucent colour has none (7. at the top)
        return Decimation::Settled(uPixel, m_Settling);
    }

    const Frame m_Writable;
    // Coverages up to this are blended as weak ones, their standstills looked for: every coverage
    // of a translucent colour (7. at the top).
    const int m_iStalling;
    QRgb* const m_puBits;
    const long m_iStride;
    const std::vector<QRect>& m_vecRegion; // in device pixels; empty where every writable pixel may be
    struct Columns
    {
        std::vector<std::pair<long, long>> vecKnown;
        std::vector<Stalls> vecStalls;
        std::vector<Span> vecSpans;
        std::vector<unsigned> vecEpochs; // which canvas a column's state belongs to
        unsigned uEpoch = 0;
    };
    unsigned m_uEpoch = 0;
    unsigned* m_pEpochs = nullptr;
    std::pair<long, long>* m_pKnown = nullptr; // per device column, the rows known to hold the colour
    Stalls* m_pStalls = nullptr;               // per device column
    Span* m_pSpans = nullptr;                  // per device column
    Frame m_Clip{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    unsigned m_uGeneration = 1;
    bool m_bGrown = false;
    std::optional<SettledTiles> m_oTiles;     // once a segment of the painter has been looked at
    const std::array<QRgb, 256>& m_auSources; // the colour at each coverage, premultiplied
    const Settling m_Settling;
};

} // namespace Decimation
} // namespace KelmFramework

#endif // RDCOVERAGECANVAS_P_H
