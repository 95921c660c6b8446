// Sinks: where each segment of a line goes on a counted route, counted per pixel or queued for the painter.
#ifndef RDSINKS_P_H
#define RDSINKS_P_H

#include "CRDPoint.h"
#include "RDColumnProfile_p.h"
#include "RDCoverageCanvas_p.h"
#include "RDLaterCovers_p.h"
#include "RDNumeric_p.h"
#include "RDRoute_p.h"
#include "RDSegmentPipeline_p.h"
#include "RDStampModel_p.h"

#include <QLine>
#include <QPainter>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

// Lines handed to one drawLines call at most.
constexpr std::size_t c_iBatchSize = 4096;

// Lines queued for drawLines in drawing order, with one pen. Those that light no pixel the
// painter may write are left out: under a small clip, most of a dense line.
class LineBatch
{
public:
    LineBatch(QPainter& Painter, const Frame& Visible, double dPenWidth)
        : m_Painter(Painter),
          m_Visible(Visible),
          m_iReach(dPenWidth == 1.0 ? 0 : 2 + static_cast<long>(std::ceil(std::min(std::fabs(dPenWidth), 1e6) / 2)))
    {
        m_vecLines.swap(Spare());
    }
    ~LineBatch()
    {
        Draw();
        if (m_vecLines.capacity() > Spare().capacity())
            m_vecLines.swap(Spare());
    }
    LineBatch(const LineBatch&) = delete;
    LineBatch& operator=(const LineBatch&) = delete;

    /// A coordinate as drawLines takes it: both grids narrow a device long to int so, and a line
    /// beyond int may come back across the picture.
    static long AsPainted(long iValue) { return static_cast<int>(iValue); }

    /// Whether a line from (iX1, iY1) to (iX2, iY2) may light a pixel the painter writes.
    __attribute__((always_inline)) bool Sees(long iX1, long iY1, long iX2, long iY2) const
    {
        iX1 = AsPainted(iX1);
        iY1 = AsPainted(iY1);
        iX2 = AsPainted(iX2);
        iY2 = AsPainted(iY2);
        if (m_iReach == 0 && iX1 == iX2) {
            // A one-pixel pen lights the columns left and right of a vertical line, in the rows it
            // spans; a line of no length, its pixel.
            const bool bPoint = iY1 == iY2;
            const long iLow = std::min(iY1, iY2), iHigh = bPoint ? iLow : std::max(iY1, iY2) - 1;
            return iX1 >= m_Visible.iL && iX1 - (bPoint ? 0 : 1) <= m_Visible.iR && iHigh >= m_Visible.iT
                   && iLow <= m_Visible.iB;
        }
        // Otherwise, pixels within one of the line and its pen.
        const long iReach = std::max(m_iReach, 2L);
        return std::max(iX1, iX2) >= m_Visible.iL - iReach && std::min(iX1, iX2) <= m_Visible.iR + iReach
               && std::max(iY1, iY2) >= m_Visible.iT - iReach && std::min(iY1, iY2) <= m_Visible.iB + iReach;
    }

    const Frame& Visible() const { return m_Visible; }

    void Add(long iX1, long iY1, long iX2, long iY2)
    {
        if (!Sees(iX1, iY1, iX2, iY2))
            return;
        m_vecLines.emplace_back(static_cast<int>(iX1), static_cast<int>(iY1), static_cast<int>(iX2),
                                static_cast<int>(iY2));
        if (m_vecLines.size() == c_iBatchSize)
            Draw();
    }

    bool IsEmpty() const { return m_vecLines.empty(); }

    void Draw()
    {
        if (!m_vecLines.empty()) {
            m_Painter.drawLines(m_vecLines.data(), static_cast<int>(m_vecLines.size()));
            ++m_iDrawn;
        }
        m_vecLines.clear();
    }

    /// Batches drawn so far.
    long Drawn() const { return m_iDrawn; }

private:
    // The thread's batch kept from line to line: most lines hand the painter a few segments, and a
    // batch of their own would allocate for each.
    static std::vector<QLine>& Spare()
    {
        thread_local std::vector<QLine> s_vecSpare;
        return s_vecSpare;
    }

    QPainter& m_Painter;
    const Frame m_Visible;
    const long m_iReach; // beyond a line, of a pen wider than one pixel; 0 for one pixel
    long m_iDrawn = 0;
    std::vector<QLine> m_vecLines;
};

// Rows of a column profile go to the canvas, left and right of the segments' column.
struct CanvasRows
{
    CoverageCanvas& Canvas;
    long iTop;

    void Column(long iColumn, long iFirstRow, const std::int32_t* piCounts, long iRows)
    {
        Canvas.AddColumn(iColumn, iTop + iFirstRow, piCounts, iRows);
    }
};

// Where a segment goes: the first drawn, and those not inside the stamp frame, to the painter in
// order; the others are counted where they are short. Profiles is the column profiles' type.
template <class Profiles>
class Classifier
{
public:
    Classifier(const Frame& Device, const Frame& Stamps, bool bCounted, LineBatch& Others, Profiles& Columns)
        : m_Stamps(Stamps),
          m_bCounted(bCounted),
          m_bWholeFrame(Stamps.iL == Device.iL && Stamps.iT == Device.iT && Stamps.iR == Device.iR
                        && Stamps.iB == Device.iB),
          m_Others(Others),
          m_Columns(Columns)
    {
    }

    /// Hands the open column back; afterwards every counted segment is in the profiles.
    void Finish() { m_Columns.FlushAll(m_Column); }

protected:
    bool Countable(const Segments::Segment& Piece, bool bPaintNow) const
    {
        return !bPaintNow && Piece.bInside && CountableInside(Piece.iX1, Piece.iY1, Piece.iX2, Piece.iY2);
    }
    bool CountableInside(long iX1, long iY1, long iX2, long iY2) const
    {
        return m_bCounted && (m_bWholeFrame || (m_Stamps.Contains(iX1, iY1) && m_Stamps.Contains(iX2, iY2)));
    }

    // A vertical segment of a solid line that leaves the stamp frame only where the painter writes
    // nothing, cut to the rows it lights inside (as a clip cuts it): under a clip, the bulk of a
    // dense line crossing the clip's edge.
    bool CutVertical(long iX, long& iY1, long& iY2) const
    {
        const Frame& Visible = m_Others.Visible();
        if (!m_bCounted || iX < m_Stamps.iL || iX > m_Stamps.iR)
            return false;
        if (LineBatch::AsPainted(iY1) != iY1 || LineBatch::AsPainted(iY2) != iY2)
            return false;
        const long iLow = std::min(iY1, iY2), iHigh = std::max(iY1, iY2);
        if ((iLow < m_Stamps.iT && m_Stamps.iT > Visible.iT) || (iHigh > m_Stamps.iB && m_Stamps.iB <= Visible.iB))
            return false;
        const long iFrom = std::max(iLow, m_Stamps.iT), iTo = std::min(iHigh, m_Stamps.iB);
        if (iFrom >= iTo)
            return false;
        iY1 = iY1 < iY2 ? iFrom : iTo;
        iY2 = iY1 == iFrom ? iTo : iFrom;
        return true;
    }

    // A vertical segment inside the stamp frame.
    __attribute__((always_inline)) void Vertical(typename Profiles::Cursor& Column, long iX, long iY1, long iY2)
    {
        if (Column.iColumn != iX)
            m_Columns.Switch(Column, iX);
        Column.Add(iY1 - m_Stamps.iT, iY2 - m_Stamps.iT);
    }

    const Frame m_Stamps;
    const bool m_bCounted;
    const bool m_bWholeFrame; // a segment inside the device rectangle is inside the stamp frame
    LineBatch& m_Others;
    Profiles& m_Columns;
    typename Profiles::Cursor m_Column; // the column open between runs
};

// One device pixel per pixel: vertical segments into column profiles, the other short ones
// straight into the canvas.
template <long Period, unsigned OnMask>
class CanvasSink : public Classifier<ColumnProfiles<Period, OnMask, CanvasRows>>
{
    using Base = Classifier<ColumnProfiles<Period, OnMask, CanvasRows>>;
    // Segments across no longer than this light the rows above and below them as counted.
    static constexpr long c_iAcross = FirstDash({Period, OnMask});

public:
    using Profiles = ColumnProfiles<Period, OnMask, CanvasRows>;

    /// A line of iVertices vertices.
    CanvasSink(QPainter& Painter, const Frame& Device, const Frame& Stamps, bool bCounted, LineBatch& Others,
               CoverageCanvas& Canvas, Profiles& Columns, std::size_t iVertices)
        : Base(Device, Stamps, bCounted, Others, Columns),
          m_Painter(Painter),
          m_Canvas(Canvas),
          m_Cost(iVertices, Stamps),
          m_bExact(m_Cost.bSparse)
    {
    }

    void Draw(const Segments::Segment& Piece, bool bPaintNow)
    {
        ++m_iSegments;
        if (m_bExact) {
            this->m_Others.Add(Piece.iX1, Piece.iY1, Piece.iX2, Piece.iY2);
        } else if (this->Countable(Piece, bPaintNow)) {
            Step(this->m_Column, Piece.iX1, Piece.iY1, Piece.iX2, Piece.iY2);
            return;
        } else {
            Other(this->m_Column, Piece.iX1, Piece.iY1, Piece.iX2, Piece.iY2);
        }
        if (bPaintNow)
            this->m_Others.Draw();
    }

    std::size_t InsideRun(const Segments::InsideMapper& Mapper, const CRDPoint* pPoints, std::size_t i,
                          std::size_t iCount, long& iPrevX, long& iPrevY)
    {
        if (m_bExact)
            i = Segments::RunInside(
                Mapper, pPoints, i, iCount, iPrevX, iPrevY,
                [this](long iX1, long iY1, long iX2, long iY2) { this->m_Others.Add(iX1, iY1, iX2, iY2); });
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
        else if (Mapper.HasQuads())
            i = InsideRunQuads(Mapper, pPoints, i, iCount, iPrevX, iPrevY);
#endif
        else
            i = Run<false>(Mapper, pPoints, i, iCount, iPrevX, iPrevY);
        return i;
    }

    /// Draws what is counted and queued; afterwards the canvas is empty.
    void Finish(CoverageCanvas& Canvas)
    {
        Base::Finish();
        this->m_Others.Draw();
        Canvas.Draw(m_Painter);
    }

private:
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __attribute__((target("avx2"), flatten)) std::size_t InsideRunQuads(const Segments::InsideMapper& Mapper,
                                                                        const CRDPoint* pPoints, std::size_t i,
                                                                        std::size_t iCount, long& iPrevX, long& iPrevY)
    {
        return Run<true>(Mapper, pPoints, i, iCount, iPrevX, iPrevY);
    }
#endif

    template <bool Quads>
    __attribute__((always_inline)) std::size_t Run(const Segments::InsideMapper& Mapper, const CRDPoint* pPoints,
                                                   std::size_t i, std::size_t iCount, long& iPrevX, long& iPrevY)
    {
        // The open column lives in registers for the run.
        typename Profiles::Cursor Column = this->m_Column;
        const long iTop = this->m_Stamps.iT;
        const bool bWholeFrame = this->m_bWholeFrame;
        const Frame Inner = this->m_bCounted ? this->m_Stamps : Frame{0, 0, -1, -1};
        long iSegments = 0; // handed over since m_iSegments was last brought up to date
        i = Segments::RunInside<Quads>(
            Mapper, pPoints, i, iCount, iPrevX, iPrevY,
            [&](long iX1, long iY1, long iX2, long iY2) __attribute__((always_inline)) {
                ++iSegments;
                // The bulk of a dense line: on in the column, or resting on a pixel.
                if (iX1 == iX2 && (bWholeFrame || (Inner.Contains(iX1, iY1) && Inner.Contains(iX2, iY2)))) {
                    if (iY1 != iY2 && iX1 == Column.iColumn) {
                        Column.Add(iY1 - iTop, iY2 - iTop);
                        return;
                    }
                    if (iY1 == iY2 && iX1 == m_iFilledX && iY1 == m_iFilledY)
                        return;
                } else if (!bWholeFrame && !this->m_Others.Sees(iX1, iY1, iX2, iY2)) {
                    // In a column the painter writes nothing of, four vertices at a time are left out.
                    const Frame& Visible = this->m_Others.Visible();
                    if (iX1 == iX2 && LineBatch::AsPainted(iX1) == iX1 && (iX1 < Visible.iL || iX1 - 1 > Visible.iR)) {
                        this->m_Columns.Close(Column);
                        m_iUnseenColumn = iX1;
                    }
                    return;
                }
                // Anything else works on the open column where it is kept.
                this->m_Column = Column;
                m_iSegments += iSegments;
                iSegments = 0;
                Elsewhere(iX1, iY1, iX2, iY2);
                Column = this->m_Column;
            },
            ColumnRun{Column, m_iFilledX, m_iFilledY, iTop, Inner.iB, bWholeFrame, iSegments, *this});
        this->m_Column = Column;
        m_iSegments += iSegments;
        return i;
    }

    // Rows in the open column, four at a time; a row repeated is a segment of no length.
    struct ColumnRun
    {
        typename Profiles::Cursor& Open;
        long& iFilledX;
        long& iFilledY;
        long iTop;
        long iBottom;
        bool bWholeFrame;
        long& iSegments;
        CanvasSink& Sink;

        // Only columns of the stamp frame are ever open; where none is, the last column the
        // painter writes nothing of.
        long Column() const { return Open.iColumn != LONG_MIN ? Open.iColumn : Sink.m_iUnseenColumn; }
        __attribute__((always_inline)) void Rows(long iY, const std::int32_t* piRows)
        {
            iSegments += 4;
            if (Open.iColumn == LONG_MIN)
                return;
            if (!bWholeFrame) {
                long iLow = iY, iHigh = iY;
                for (int k = 0; k < 4; ++k) {
                    iLow = std::min<long>(iLow, piRows[k]);
                    iHigh = std::max<long>(iHigh, piRows[k]);
                }
                if (iLow < iTop || iHigh > iBottom) {
                    const Frame& Visible = Sink.m_Others.Visible();
                    if (iHigh >= Visible.iT && iLow <= Visible.iB)
                        Sink.RowsBeyond(Open, iY, piRows, iSegments);
                    return;
                }
            }
            // Unrolled whatever else the loop around holds in registers: these rows are the bulk of a line.
#pragma GCC unroll 4
            for (int k = 0; k < 4; ++k) {
                const long iNext = piRows[k];
                if (iNext != iY)
                    Open.Add(iY - iTop, iNext - iTop);
                else if (Open.iColumn != iFilledX || iNext != iFilledY)
                    Sink.FillAway(Open.iColumn, iNext);
                iY = iNext;
            }
        }
    };

    // Rows in the open column of which some leave the stamp frame, one by one.
    __attribute__((noinline)) void RowsBeyond(typename Profiles::Cursor& Open, long iY, const std::int32_t* piRows,
                                              long& iSegments)
    {
        const long iX = Open.iColumn;
        this->m_Column = Open;
        m_iSegments += iSegments;
        iSegments = 0;
        for (int k = 0; k < 4; ++k) {
            const long iNext = piRows[k];
            if (this->m_Others.Sees(iX, iY, iX, iNext))
                Elsewhere(iX, iY, iX, iNext);
            iY = iNext;
        }
        Open = this->m_Column;
    }

    // Any other segment with both ends inside.
    __attribute__((noinline)) void Elsewhere(long iX1, long iY1, long iX2, long iY2)
    {
        if (m_bExact)
            this->m_Others.Add(iX1, iY1, iX2, iY2);
        else if (this->CountableInside(iX1, iY1, iX2, iY2))
            Step(this->m_Column, iX1, iY1, iX2, iY2);
        else if (Period == 1 && iX1 == iX2 && this->CutVertical(iX1, iY1, iY2))
            this->Vertical(this->m_Column, iX1, iY1, iY2);
        else
            Other(this->m_Column, iX1, iY1, iX2, iY2);
    }

    __attribute__((always_inline)) void Step(typename Profiles::Cursor& Column, long iX1, long iY1, long iX2, long iY2)
    {
        const long iDX = iX2 - iX1, iDY = iY2 - iY1;
        if (iDX == 0) {
            if (iDY != 0)
                this->Vertical(Column, iX1, iY1, iY2);
            else
                Fill(iX1, iY1);
        } else if (iDY == 0 && std::abs(iDX) <= c_iAcross) {
            Across(iX1, iX2, iY1);
        } else if (static_cast<unsigned long>(iDX + 1) <= 2 && static_cast<unsigned long>(iDY + 1) <= 2) {
            Fill(std::min(iX1, iX2), std::min(iY1, iY2));
        } else {
            Other(Column, iX1, iY1, iX2, iY2);
        }
    }

    // A segment for the painter, or, where the canvas writes the image and knows the segment's
    // shape, blended by it now. What is counted in the pixels it may light goes after it, or,
    // where that would cost a step too many, is drawn before it, as it would be.
    __attribute__((noinline)) void Other(typename Profiles::Cursor& Column, long iX1, long iY1, long iX2, long iY2)
    {
        if (!this->m_Others.Sees(iX1, iY1, iX2, iY2))
            return;
        if (m_Canvas.IsEmpty()) {
            this->m_Others.Add(iX1, iY1, iX2, iY2);
            ++m_iOthers;
            return;
        }
        // The counts of the pixel columns it may light, x - 1 .. x, come from vertical segments
        // in device columns x - 1 .. x + 1.
        const long iRowsBefore = this->m_Columns.RowsFlushed();
        m_Cost.iWork += Cost::c_iVisit;
        this->m_Columns.FlushRange(Column, std::min(iX1, iX2) - 1, std::max(iX1, iX2) + 1);
        m_Cost.iWork += Cost::c_iRow * (this->m_Columns.RowsFlushed() - iRowsBefore);
        const Frame Bounds = m_Canvas.Bounds();
        const long iDX = iX2 - iX1, iDY = iY2 - iY1;
        const SegmentShape* pShape = nullptr;
        if (m_Canvas.WritesDirectly() && std::abs(iDX) <= c_iMaxShape && std::abs(iDY) <= c_iMaxShape) {
            pShape = &ShapeOf({Period, OnMask}, iDX, iDY);
            const Frame& Box = pShape->Bounds;
            if (Box.IsEmpty() || !Bounds.Contains(iX1 + Box.iL, iY1 + Box.iT)
                || !Bounds.Contains(iX1 + Box.iR, iY1 + Box.iB))
                pShape = nullptr;
        }
        CoverageCanvas::Visit Found;
        if (pShape) {
            for (const SegmentShape::Pixel& Pixel : pShape->vecPixels)
                m_Canvas.Touch(iX1 + Pixel.iX, iY1 + Pixel.iY, Found);
            m_Cost.iWork += Cost::c_iTouch * static_cast<long>(pShape->vecPixels.size());
        } else {
            m_Cost.iWork += TouchAlong(Bounds, iX1, iY1, iX2, iY2, Found);
        }
        // Every pixel it may light is the colour already, and stays so.
        if (Found.bAllFull) {
            m_Cost.iSaved += Cost::Pixels(iDX, iDY);
            return;
        }
        if (!Found.Conflict.IsEmpty()) {
            FlushOthers();
            m_Canvas.DrawPending(m_Painter, Found.Conflict);
            m_Cost.iWork += Cost::c_iCall + Cost::c_iRow * Found.Conflict.Width() * Found.Conflict.Height();
        }
        if (pShape) {
            FlushOthers();
            m_Canvas.BlendShape(iX1, iY1, *pShape);
            m_Cost.iWork += Cost::c_iBlend * static_cast<long>(pShape->vecPixels.size());
            m_Cost.iSaved += Cost::Pixels(iDX, iDY);
        } else {
            this->m_Others.Add(iX1, iY1, iX2, iY2);
            ++m_iOthers;
        }
        if (m_Cost.ExactIsCheaper(m_iSegments - m_iOthers))
            GoExact(Column);
    }

    // The painter's segments so far go first.
    void FlushOthers()
    {
        if (this->m_Others.IsEmpty())
            return;
        this->m_Others.Draw();
        m_Cost.iWork += Cost::c_iCall;
    }

    // A segment lights pixels within one of its line, along its longer axis and one step beyond:
    // the two pixels nearest its centre line at each step, as the raster engine's antialiased
    // one-pixel line does, give or take a step at its ends. Returns what the walk cost.
    long TouchAlong(const Frame& Bounds, long iX1, long iY1, long iX2, long iY2, CoverageCanvas::Visit& Found)
    {
        const bool bSteep = std::abs(iY2 - iY1) > std::abs(iX2 - iX1);
        const long iA1 = bSteep ? iY1 : iX1, iA2 = bSteep ? iY2 : iX2; // along the longer axis
        const long iB1 = bSteep ? iX1 : iY1, iB2 = bSteep ? iX2 : iY2;
        const double dSlope = iA1 == iA2 ? 0.0 : double(iB2 - iB1) / double(iA2 - iA1);
        const long iLow = bSteep ? Bounds.iT : Bounds.iL, iHigh = bSteep ? Bounds.iB : Bounds.iR;
        const long iFrom = std::min(iA1, iA2) - 1, iTo = std::max(iA1, iA2);
        if (iFrom < iLow || iTo > iHigh)
            Found.bAllFull = false;
        long iSteps = 0;
        for (long iA = std::max(iFrom, iLow); iA <= std::min(iTo, iHigh); ++iA, ++iSteps) {
            const double dCentre = double(iB1) + (double(iA - iA1) + 0.5) * dSlope;
            const long iNear = static_cast<long>(std::floor(dCentre - 0.5));
            m_Canvas.Touch(bSteep ? iNear : iA, bSteep ? iA : iNear, Found);
            m_Canvas.Touch(bSteep ? iNear + 1 : iA, bSteep ? iA : iNear + 1, Found);
        }
        return 2 * Cost::c_iTouch * iSteps;
    }

    // What counting a line costs beyond what the painter spends on its segments anyway, against what
    // the painter would have spent on the segments counted instead, both in about nanoseconds.
    // x going back and forth, a line of one or two vertices per pixel column, long steps across what
    // is counted: each segment then costs the canvas a walk, a blend, a flush or a drawing of counted
    // blends, and saves the painter little. Where the work overtakes the saving by a thirty-second of
    // what the painter would spend on the whole line, or doubles it, the rest of it goes to the
    // painter; a line that starts so (the turn of a loop) and then goes dense has that long to pay back.
    struct Cost
    {
        static constexpr long c_iSegment = 120; // the painter's segment, beyond its pixels
        static constexpr long c_iPixel = 5;     // and per pixel of its length
        static constexpr long c_iVisit = 10;    // a segment checked against what is counted
        static constexpr long c_iTouch = 6;     // a pixel looked up in the canvas
        static constexpr long c_iBlend = 10;    // a pixel blended from a shape
        static constexpr long c_iRow = 2;       // a row of a column profile flushed, or of counts drawn early
        static constexpr long c_iCall = 400;    // a call to the painter made early
        // Work after which twice the saving is telling.
        static constexpr long c_iSureSlack = 20000;
        // Vertices per pixel column below which nearly every segment would cost a visit and few be counted.
        static constexpr long c_iDenseVertices = 3;

        Cost(std::size_t iVertices, const Frame& Stamps)
            : bSparse(static_cast<double>(iVertices)
                      < static_cast<double>(c_iDenseVertices) * static_cast<double>(Stamps.Width())),
              iSlack(std::max(c_iSureSlack, static_cast<long>(std::min<std::size_t>(iVertices, LONG_MAX / c_iSegment))
                                                * c_iSegment / 32))
        {
        }

        static long Pixels(long iDX, long iDY) { return c_iPixel * std::max(std::abs(iDX), std::abs(iDY)); }

        bool ExactIsCheaper(long iCounted) const
        {
            const long iAllSaved = iSaved + c_iSegment * iCounted;
            return iWork > iSlack + iAllSaved || iWork > c_iSureSlack + 2 * iAllSaved;
        }

        const bool bSparse; // the whole line goes to the painter
        const long iSlack;
        long iWork = 0;
        long iSaved = 0; // the pixels of segments blended from shapes or left out
    };

    // From here on, every segment goes to the painter in order, after what is counted so far.
    void GoExact(typename Profiles::Cursor& Column)
    {
        this->m_Columns.FlushAll(Column);
        this->m_Others.Draw();
        m_Canvas.Draw(m_Painter);
        m_bExact = true;
        m_iFilledX = Numeric::c_iInvalidDevice; // no segment is left out as resting on a full pixel
    }

    // A segment across: the pixels above and below it, between its ends.
    __attribute__((always_inline)) void Across(long iX1, long iX2, long iY)
    {
        for (long iX = std::min(iX1, iX2); iX < std::max(iX1, iX2); ++iX) {
            m_Canvas.Add(iX, iY - 1, Left, 1);
            m_Canvas.Add(iX, iY, Right, 1);
        }
    }

    __attribute__((noinline)) void FillAway(long iX, long iY)
    {
        Fill(iX, iY);
    }

    // A full pixel stays full: a line resting on one pixel fills it once.
    __attribute__((always_inline)) void Fill(long iX, long iY)
    {
        if (iX != m_iFilledX || iY != m_iFilledY)
            m_Canvas.Fill(iX, iY);
        m_iFilledX = iX;
        m_iFilledY = iY;
    }

    QPainter& m_Painter;
    CoverageCanvas& m_Canvas;
    long m_iFilledX = Numeric::c_iInvalidDevice, m_iFilledY = 0;
    long m_iUnseenColumn = LONG_MIN;
    long m_iSegments = 0; // handed over so far
    long m_iOthers = 0;   // of them, for the painter
    Cost m_Cost;
    bool m_bExact = false; // every segment goes to the painter
};

// Patterned segments longer than this go to the painter: the engine draws very long ones solid.
constexpr long c_iMaxDashed = 4096;

// A scale in quarters: short segments blended from their shapes into the image as they come, the others
// queued for the painter, each kind drawn in order after the other. A patterned line restarts its pattern
// with every segment, one logical pixel a step: a segment no longer than its first dash is a solid one,
// and one along an axis is its dashes, solid segments from whole pixels (where DashesHold).
class PhaseSink
{
public:
    PhaseSink(const Target& Where, LineBatch& Others, PhaseCanvas& Canvas, const DashPattern& Pattern = c_Solid)
        : m_Others(Others),
          m_Canvas(Canvas),
          m_Shapes(PhaseShapesFor(Where.iQuarters)),
          m_iQuarters(Where.iQuarters),
          m_iQuarterX(Where.iQuarterX),
          m_iQuarterY(Where.iQuarterY),
          m_Pattern(Pattern),
          m_iSolidLength(Pattern.iPeriod == 1 ? LONG_MAX : FirstDash(Pattern) * FirstDash(Pattern))
    {
        m_uEmptyPoints = m_Shapes.EmptyPoints();
    }
    ~PhaseSink() { m_Shapes.EndMeasures(); }
    PhaseSink(const PhaseSink&) = delete;
    PhaseSink& operator=(const PhaseSink&) = delete;

    void Draw(const Segments::Segment& Piece, bool bPaintNow)
    {
        if (!bPaintNow && Piece.bInside) {
            Segment(Piece.iX1, Piece.iY1, Piece.iX2, Piece.iY2);
            BlendHeld();
        } else
            Hand(Piece.iX1, Piece.iY1, Piece.iX2, Piece.iY2);
        if (bPaintNow)
            m_Others.Draw();
    }

    std::size_t InsideRun(const Segments::InsideMapper& Mapper, const CRDPoint* pPoints, std::size_t i,
                          std::size_t iCount, long& iPrevX, long& iPrevY)
    {
        // A long run is drawn a stretch at a time: where its first stretch blends much, the rest is looked
        // ahead over.
        bool bLooked = false;
        while (i < iCount) {
            const std::size_t iEnd = bLooked ? iCount : std::min(iCount, i + c_iStretch);
            const long iBlended = m_iBlended;
            const std::size_t iNext = Segments::RunInsideFast(
                Mapper, pPoints, i, iEnd, iPrevX, iPrevY,
                [this](long iX1, long iY1, long iX2, long iY2)
                    __attribute__((always_inline)) { Segment(iX1, iY1, iX2, iY2); },
                OpenRows{*this});
            BlendHeld();
            if (iNext < iEnd || iNext == iCount) {
                i = iNext;
                break;
            }
            if (!bLooked && c_iBlendsToLook * (m_iBlended - iBlended) > static_cast<long>(iNext - i))
                LookAhead(Mapper, pPoints, iNext, iCount, iPrevX, iPrevY);
            bLooked = true;
            i = iNext;
        }
        // What lay ahead of the run lies behind the segments after it.
        m_bAhead = false;
        return i;
    }

private:
    // Vertices of a run's first stretch, drawn before deciding whether to look ahead over the rest, and
    // how many of them must take blends for that to pay (one in so many): looking ahead costs about
    // what blending one vertex in ten does, and saves a part of the blends (a noisy line of a million
    // vertices blends one in eleven and would be slower; a live channel of 200,000, one in three).
    static constexpr std::size_t c_iStretch = 8192;
    static constexpr long c_iBlendsToLook = 6;

    // Four vertices in the open column, left out at once where they step within its known rows or stay
    // on a row where a segment of no length lights nothing: the bulk of a dense line once its band has
    // settled, or of a flat one.
    struct OpenRows
    {
        PhaseSink& Sink;

        long Column() const { return Sink.m_bExact ? LONG_MIN : Sink.m_iOpenX; }
        __attribute__((always_inline)) void Rows(long iY, const std::int32_t* piRows)
        {
            const long iX = Sink.m_iOpenX;
            const unsigned uEmpty = Sink.m_uEmptyPoints >> ((Sink.m_iQuarters * iX + Sink.m_iQuarterX) & 3);
            long iLow = LONG_MAX, iHigh = LONG_MIN;
            bool bNothing = true; // every step of no length lights nothing
            for (int k = 0; k < 4; ++k) {
                const long iFrom = k == 0 ? iY : piRows[k - 1], iTo = piRows[k];
                if (iFrom == iTo) {
                    bNothing = bNothing && ((uEmpty >> (((Sink.m_iQuarters * iTo + Sink.m_iQuarterY) & 3) * 4)) & 1u);
                } else {
                    iLow = std::min(iLow, std::min(iFrom, iTo));
                    iHigh = std::max(iHigh, std::max(iFrom, iTo));
                }
            }
            if (bNothing && (iLow > iHigh || (iLow >= Sink.m_iOpenLow && iHigh <= Sink.m_iOpenHigh)))
                return;
            for (int k = 0; k < 4; ++k) {
                Sink.Segment(iX, iY, iX, piRows[k]);
                iY = piRows[k];
            }
        }

        // An x-y line's shapes lie all over memory: where its segments are blended plainly, as they
        // come, the next ones are asked for a few segments ahead.
        __attribute__((always_inline)) void Ahead(long iX, long iY, const std::int32_t* piX, const std::int32_t* piY)
        {
            if (Sink.m_bExact || Sink.m_iPlain < c_iPlainToHold * Sink.m_iShaped)
                return;
            for (int k = 0; k < 4; ++k) {
                const long iDX = piX[k] - iX, iDY = piY[k] - iY;
                if (iDX != 0 && std::abs(iDX) <= c_iMaxShape && std::abs(iDY) <= c_iMaxShape)
                    Sink.m_Shapes.Prefetch(static_cast<int>((Sink.m_iQuarters * iX + Sink.m_iQuarterX) & 3),
                                           static_cast<int>((Sink.m_iQuarters * iY + Sink.m_iQuarterY) & 3), iDX, iDY);
                iX = piX[k];
                iY = piY[k];
            }
        }
    };

    __attribute__((always_inline)) void Segment(long iX1, long iY1, long iX2, long iY2)
    {
        const long iDX = iX2 - iX1, iDY = iY2 - iY1;
        const long iQX = m_iQuarters * iX1 + m_iQuarterX, iQY = m_iQuarters * iY1 + m_iQuarterY;
        const bool bShape = !m_bExact && std::abs(iDX) <= c_iMaxShape && std::abs(iDY) <= c_iMaxShape
                            && iDX * iDX + iDY * iDY <= m_iSolidLength;
        // A slanted segment's rows are lines of the image its neighbours have not touched: where the one
        // before is blended plainly, as an x-y line's are, they are asked for while that one is.
        const PhaseShape* pShape = nullptr;
        if (m_pHeld) {
            if (bShape && iDX != 0)
                pShape = Prefetch(iQX, iQY, iDX, iDY);
            BlendHeld();
        }
        // A line arriving in a column opens it, its rows to be worked out by the first vertical segment.
        if (iX2 != m_iOpenX) {
            m_iOpenX = iX2;
            m_iOpenLow = 0;
            m_iOpenHigh = -1;
            m_bOpenRows = false;
            m_iQuietX = LONG_MIN;
        } else if (iDX != 0) {
            ForgetQuiet(); // after a gap, a slanted segment into the open column
        }
        // The bulk of a dense line: within the known rows of the open column, or of no length.
        if (iDX == 0 && !m_bExact) {
            if (iDY == 0 ? (m_uEmptyPoints >> ((iQY & 3) * 4 + (iQX & 3))) & 1u
                         : iX1 == m_iOpenX && std::min(iY1, iY2) >= m_iOpenLow && std::max(iY1, iY2) <= m_iOpenHigh)
                return;
            if (std::abs(iDY) > c_iMaxShape && m_iSolidLength == LONG_MAX && Tall(iX1, iY1, iY2))
                return;
        }
        if (bShape) {
            const long iX = iQX >> 2, iY = iQY >> 2;
            const PhaseShape& Shape = pShape
                                          ? *pShape
                                          : m_Shapes.Of(static_cast<int>(iQX & 3), static_cast<int>(iQY & 3), iDX, iDY);
            const Frame& Box = Shape.Bounds;
            if (Fits(iX, iY, Box)) {
                BeforeBlend();
                if (iDX != 0 && m_Canvas.BlendsPlain(iX + Shape.iOriginX, iY + Shape.iOriginY, Shape)) {
                    ++m_iPlain;
                    if (m_iPlain < c_iPlainToHold * m_iShaped) {
                        m_Canvas.BlendPlain(iX + Shape.iOriginX, iY + Shape.iOriginY, Shape);
                        return;
                    }
                    m_pHeld = &Shape;
                    m_iHeldX = iX + Shape.iOriginX;
                    m_iHeldY = iY + Shape.iOriginY;
                    return;
                }
                ++m_iShaped;
                m_Canvas.Blend(iX + Shape.iOriginX, iY + Shape.iOriginY, Shape);
                // The open column's rows stay right until its known rows grow.
                const bool bGrown = m_Canvas.TakeGrown();
                if (iDX == 0 && iDY != 0 && (bGrown || !m_bOpenRows))
                    Open(iX1, iX + Box.iL, iX + Box.iR);
                return;
            }
        } else if (!m_bExact && (iDX == 0 || iDY == 0) && m_iSolidLength != LONG_MAX && Dashes(iX1, iY1, iX2, iY2)) {
            return;
        }
        // Under a clip, a solid vertical segment across its edge lights inside what it lights whole.
        if (iDX == 0 && iDY != 0 && !m_bExact && iDY * iDY <= m_iSolidLength && !m_Canvas.Clip().IsEmpty()
            && Tall(iX1, iY1, iY2))
            return;
        if (iDX == 0 && !m_Canvas.Clip().IsEmpty() && AtClipEdge(iX1, iY1, iY2))
            return;
        if (Settled(iX1, iY1, iX2, iY2))
            return;
        Hand(iX1, iY1, iX2, iY2);
    }

    // A segment for the painter.
    void Hand(long iX1, long iY1, long iX2, long iY2)
    {
        m_Others.Add(iX1, iY1, iX2, iY2);
        ForgetQuiet();
    }

    // The quiet rows of the open column hold only while nothing but the column's own segments blends
    // there: another segment, or the painter, may move their pixels to where those change them again.
    void ForgetQuiet()
    {
        if (m_iQuietX == LONG_MIN)
            return;
        m_iQuietX = LONG_MIN;
        m_iOpenLow = 0;
        m_iOpenHigh = -1;
        m_bOpenRows = false;
    }

    // Under a repaint's region the engine cuts a line's geometry at the region's bounding rectangle, so a
    // vertical segment in a column at its left or right edge goes to the painter: a dense line crosses
    // such a column a thousand times, each at the cost of a stroke through the clip. One whose pixels
    // inside are all settled is left out. The painter's segments are drawn every so often for the image
    // to show them.
    __attribute__((noinline)) bool AtClipEdge(long iX, long iY1, long iY2)
    {
        // A translucent colour never settles: looking, and drawing the batch to look, would be in vain.
        if (std::abs(iY2 - iY1) > c_iMaxShape || !m_Canvas.Opaque())
            return false;
        // The pixels it lights are those of its shape, which the engine was seen to light.
        const long iQX = m_iQuarters * iX + m_iQuarterX, iQY = m_iQuarters * iY1 + m_iQuarterY;
        const Frame& Box = m_Shapes.Of(static_cast<int>(iQX & 3), static_cast<int>(iQY & 3), 0, iY2 - iY1).Bounds;
        const long iX0 = iQX >> 2, iY0 = iQY >> 2;
        const Frame& Writable = m_Canvas.Writable();
        if (iX0 + Box.iL >= Writable.iL && iX0 + Box.iR <= Writable.iR)
            return false;
        if (m_Canvas.SettlesInRegion(iX0 + Box.iL, iY0 + Box.iT, iX0 + Box.iR, iY0 + Box.iB))
            return true;
        if (++m_iAtEdge == c_iEdgeBatch) {
            m_Others.Draw();
            m_iAtEdge = 0;
        }
        return false;
    }

    // Whether every pixel the segment may light already holds the line's colour, as where an x-y line
    // has crossed the same place many times: drawing it would change nothing that counts.
    __attribute__((noinline)) bool Settled(long iX1, long iY1, long iX2, long iY2)
    {
        const auto device = [this](long iValue, long iQuarter) {
            return static_cast<double>(m_iQuarters * iValue + iQuarter) / 4.0;
        };
        // The pen's half width, and more than the engine's rounding of its edges.
        const double dReach = m_iQuarters / 8.0 + 0.5;
        return m_Canvas.Settles(device(iX1, m_iQuarterX), device(iY1, m_iQuarterY), device(iX2, m_iQuarterX),
                                device(iY2, m_iQuarterY), dReach);
    }

    // Whether a shape's pixels from device pixel (iX, iY) are all writable.
    bool Fits(long iX, long iY, const Frame& Box) const
    {
        const Frame& Writable = m_Canvas.Writable();
        return iX + Box.iL >= Writable.iL && iX + Box.iR <= Writable.iR && iY + Box.iT >= Writable.iT
               && iY + Box.iB <= Writable.iB;
    }

    // The plain blend held back until the next segment's rows have been asked for; nothing comes
    // between them, so the pixels take their blends in the line's order.
    __attribute__((noinline)) void BlendHeld()
    {
        if (m_pHeld)
            m_Canvas.BlendPlain(m_iHeldX, m_iHeldY, *std::exchange(m_pHeld, nullptr));
    }

    // A plain blend is held back only while a line's plain blends from shapes number this many times its
    // others: a dense line's rows lie in image lines its neighbours have just touched, and asking for
    // them made a noisy hysteresis loop (a fifth of its blends plain) 5 to 10 % slower.
    static constexpr long c_iPlainToHold = 4;

    // The shape of a segment from quarter (iQX, iQY), its pixels asked for where it will be blended plainly.
    __attribute__((noinline)) const PhaseShape* Prefetch(long iQX, long iQY, long iDX, long iDY)
    {
        const PhaseShape* const pShape = &m_Shapes.Of(static_cast<int>(iQX & 3), static_cast<int>(iQY & 3), iDX, iDY);
        const long iX = (iQX >> 2) + pShape->iOriginX, iY = (iQY >> 2) + pShape->iOriginY;
        if (Fits(iQX >> 2, iQY >> 2, pShape->Bounds) && m_Canvas.BlendsPlain(iX, iY, *pShape))
            m_Canvas.Prefetch(iX, iY, *pShape);
        return pShape;
    }

    // The painter's segments so far go first.
    void BeforeBlend()
    {
        ++m_iBlended;
        if (!m_Others.IsEmpty()) {
            m_Others.Draw();
            if (++m_iFlushes > 4096 && 4 * m_iFlushes > m_iBlended)
                m_bExact = true; // drawing the rest costs less than interleaving calls to the painter
        }
        if (m_Others.Drawn() != m_iDrawn) {
            m_iDrawn = m_Others.Drawn();
            m_Canvas.Forget();
        }
    }

    // A vertical segment longer than a shape, in pieces that meet on a device row's edge: the
    // engine covers the rows of each piece as it covers them in the whole. Under a clip, the rows
    // beyond it are left out, as the engine cuts them. False where it may light pixels that are not
    // writable.
    __attribute__((noinline)) bool Tall(long iX, long iY1, long iY2)
    {
        const long iQX = m_iQuarters * iX + m_iQuarterX, iDevX = iQX >> 2;
        const long iReach = m_iQuarters / 4 + 2; // the pen's half width and its antialiasing, and more
        const long iTop = Numeric::FloorDiv(m_iQuarters * std::min(iY1, iY2) + m_iQuarterY, 4) - 2;
        const long iBottom = Numeric::FloorDiv(m_iQuarters * std::max(iY1, iY2) + m_iQuarterY, 4) + 2;
        const Frame& Writable = m_Canvas.Writable();
        const Frame& Clip = m_Canvas.Clip();
        if (iDevX - iReach < Writable.iL || iDevX + iReach > Writable.iR)
            return false;
        if (Clip.IsEmpty() ? iTop < Writable.iT || iBottom > Writable.iB : iBottom < Clip.iT || iTop > Clip.iB)
            return !Clip.IsEmpty();
        if (!Clip.IsEmpty()) {
            if (m_iAbove > m_iBelow)
                CutsBeyond(Clip);
            iY1 = std::clamp(iY1, m_iAbove, m_iBelow);
            iY2 = std::clamp(iY2, m_iAbove, m_iBelow);
            if (iY1 == iY2)
                return true;
        }
        BeforeBlend();
        const long iStep = iY2 > iY1 ? 1 : -1;
        Frame Box{0, 0, -1, -1};
        for (long iY = iY1; iY != iY2;) {
            long iLength = std::min(std::abs(iY2 - iY), c_iMaxShape);
            while (iLength < std::abs(iY2 - iY) && ((m_iQuarters * (iY + iStep * iLength) + m_iQuarterY) & 3) != 0)
                --iLength;
            const long iQY = m_iQuarters * iY + m_iQuarterY;
            const PhaseShape& Shape = m_Shapes.Of(static_cast<int>(iQX & 3), static_cast<int>(iQY & 3), 0,
                                                  iStep * iLength);
            m_Canvas.Blend(iDevX + Shape.iOriginX, (iQY >> 2) + Shape.iOriginY, Shape);
            Box = Shape.Bounds;
            iY += iStep * iLength;
        }
        Open(iX, iDevX + Box.iL, iDevX + Box.iR);
        return true;
    }

    // Rows on device rows' edges beyond the clip, where tall segments are cut: nothing is written there.
    void CutsBeyond(const Frame& Clip)
    {
        const auto aligned = [this](long iY) { return ((m_iQuarters * iY + m_iQuarterY) & 3) == 0; };
        m_iAbove = Numeric::FloorDiv(4 * (Clip.iT - 2) - m_iQuarterY, m_iQuarters);
        while (!aligned(m_iAbove))
            --m_iAbove;
        m_iBelow = Numeric::FloorDiv(4 * (Clip.iB + 3) - m_iQuarterY + m_iQuarters - 1, m_iQuarters);
        while (!aligned(m_iBelow))
            ++m_iBelow;
    }

    // A patterned segment along an axis, longer than its first dash: its dashes, each blended as the
    // solid segment the engine draws it as. False where it may light pixels that are not writable, or
    // is so long that the engine would draw it solid.
    __attribute__((noinline)) bool Dashes(long iX1, long iY1, long iX2, long iY2)
    {
        const long iLength = std::abs(iX2 - iX1) + std::abs(iY2 - iY1);
        if (iLength > c_iMaxDashed)
            return false;
        const long iReach = m_iQuarters / 4 + 2; // the pen's half width and its antialiasing, and more
        const Frame& Writable = m_Canvas.Writable();
        if (Numeric::FloorDiv(m_iQuarters * std::min(iX1, iX2) + m_iQuarterX, 4) - iReach < Writable.iL
            || Numeric::FloorDiv(m_iQuarters * std::max(iX1, iX2) + m_iQuarterX, 4) + iReach > Writable.iR
            || Numeric::FloorDiv(m_iQuarters * std::min(iY1, iY2) + m_iQuarterY, 4) - iReach < Writable.iT
            || Numeric::FloorDiv(m_iQuarters * std::max(iY1, iY2) + m_iQuarterY, 4) + iReach > Writable.iB)
            return false;
        BeforeBlend();
        const long iStepX = (iX2 > iX1) - (iX2 < iX1), iStepY = (iY2 > iY1) - (iY2 < iY1);
        const long iQX = m_iQuarters * iX1 + m_iQuarterX;
        Frame Box{0, 0, -1, -1};
        ForEachDash(m_Pattern, iLength, [&](long iFrom, long iDash) {
            // A dash is a short solid piece: within the open column's rows it changes nothing.
            const long iFromY = iY1 + iStepY * iFrom, iToY = iFromY + iStepY * iDash;
            if (iStepX == 0 && iX1 == m_iOpenX && std::min(iFromY, iToY) >= m_iOpenLow
                && std::max(iFromY, iToY) <= m_iOpenHigh)
                return;
            const long iQuarterX = iQX + m_iQuarters * iStepX * iFrom;
            const long iQuarterY = m_iQuarters * iFromY + m_iQuarterY;
            const PhaseShape& Shape = m_Shapes.Of(static_cast<int>(iQuarterX & 3), static_cast<int>(iQuarterY & 3),
                                                  iStepX * iDash, iStepY * iDash);
            m_Canvas.Blend((iQuarterX >> 2) + Shape.iOriginX, (iQuarterY >> 2) + Shape.iOriginY, Shape);
            Box = Shape.Bounds;
        });
        if (iStepX == 0 && !Box.IsEmpty())
            Open(iX1, (iQX >> 2) + Box.iL, (iQX >> 2) + Box.iR);
        return true;
    }

    // Segments at the clip's edge handed to the painter between drawing its batch.
    static constexpr long c_iEdgeBatch = 32;
    long m_iAtEdge = 0;

    // Vertices left in a run, per device column, from which the rest is looked ahead over.
    static constexpr long c_iAheadFrom = 16;

    // A long run of a dense solid line in an opaque colour: the rows later pixel columns will bring to
    // the colour (LaterCovers), where a pen between device pixels covers some weakly.
    void LookAhead(const Segments::InsideMapper& Mapper, const CRDPoint* pPoints, std::size_t i, std::size_t iCount,
                   long iPrevX, long iPrevY)
    {
        const long iColumns = m_Canvas.Writable().Width() + 1;
        if (m_bExact || m_iSolidLength != LONG_MAX || !m_Canvas.Clip().IsEmpty() || !m_Canvas.Opaque()
            || static_cast<long>(iCount - i) < c_iAheadFrom * iColumns)
            return;
        if (!m_oAhead)
            m_oAhead.emplace(m_Shapes, m_iQuarters, m_iQuarterX, m_iQuarterY, m_Canvas.Writable());
        m_bAhead = m_oAhead->Pays() && m_oAhead->Scan(Mapper, pPoints, i, iCount, iPrevX, iPrevY);
    }

    // The rows of device column iColumn known to hold the colour, or to be brought to it by pixel
    // columns right of iX; first above second where none.
    std::pair<long, long> KnownOrAhead(long iColumn, long iX) const
    {
        std::pair<long, long> Known = m_Canvas.KnownIn(iColumn, iColumn);
        const std::pair<long, long> Ahead = m_oAhead->After(iColumn, iX);
        if (Ahead.first > Ahead.second)
            return Known;
        if (Known.first > Known.second)
            return Ahead;
        if (Ahead.first <= Known.second + 1 && Ahead.second >= Known.first - 1)
            return {std::min(Known.first, Ahead.first), std::max(Known.second, Ahead.second)};
        return Ahead.second - Ahead.first > Known.second - Known.first ? Ahead : Known;
    }

    // Column iX, whose vertical segments light device columns iFirst to iLast: the rows between
    // which any of them lights only known pixels, a row to spare at either end.
    __attribute__((noinline)) void Open(long iX, long iFirst, long iLast)
    {
        std::pair<long, long> Rows{LONG_MIN, LONG_MAX};
        if (m_bAhead) {
            for (long iColumn = iFirst; iColumn <= iLast; ++iColumn) {
                const std::pair<long, long> Known = KnownOrAhead(iColumn, iX);
                Rows = {std::max(Rows.first, Known.first), std::min(Rows.second, Known.second)};
            }
        } else {
            Rows = m_Canvas.KnownIn(iFirst, iLast);
            if (m_iSolidLength != LONG_MAX)
                Rows = Quieter(iX, iFirst, iLast, Rows);
        }
        m_iOpenX = iX;
        m_iOpenLow = 0;
        m_iOpenHigh = -1;
        m_bOpenRows = true;
        if (Rows.first > Rows.second)
            return;
        m_iOpenLow = Rows.first == LONG_MIN
                         ? LONG_MIN
                         : Numeric::FloorDiv(4 * (Rows.first + 1) - m_iQuarterY + m_iQuarters - 1, m_iQuarters);
        m_iOpenHigh = Rows.second == LONG_MAX ? LONG_MAX
                                              : Numeric::FloorDiv(4 * (Rows.second - 1) - m_iQuarterY, m_iQuarters);
    }

    // A patterned line's segments down one pixel column are dashes and short solid pieces, which light
    // each device pixel at a few coverages only, set by its device column and by where its row lies
    // among the sub-pixel phases. Beside a pen between device pixels some rows are reached by dash ends
    // alone, stall several steps short of the colour and never settle, so the column's known rows stay
    // few. Rows whose pixels are settled or left as they are at each of those coverages are quiet: the
    // column's segments change nothing there (Quiet), and they stay quiet under them.
    struct QuietCell
    {
        std::array<std::uint8_t, 8> auCoverages{};
        int iCount = 0; // of auCoverages; -1 where there are more
    };
    struct QuietTable
    {
        bool bBuilt = false;
        bool bUsable = true;
        long iLeft = LONG_MAX, iRight = LONG_MIN; // columns lit, from the start's device column
        std::vector<QuietCell> vecCells;          // by column from -c_iQuietReach, then row class
    };
    static constexpr long c_iQuietReach = 12;

    static long LongestDash(const DashPattern& Pattern)
    {
        long iLongest = 0;
        ForEachDash(Pattern, Pattern.iPeriod, [&](long, long iDash) { iLongest = std::max(iLongest, iDash); });
        return iLongest;
    }

    // Device rows repeat their place among the sub-pixel phases every so many rows.
    long RowPeriod() const { return m_iQuarters / std::gcd(m_iQuarters, 4L); }

    const QuietTable& QuietFor(int iPhaseX)
    {
        QuietTable& Table = m_aQuiet[static_cast<std::size_t>(iPhaseX)];
        if (Table.bBuilt)
            return Table;
        Table.bBuilt = true;
        const long iPeriod = RowPeriod();
        Table.vecCells.resize(static_cast<std::size_t>((2 * c_iQuietReach + 1) * iPeriod));
        const long iLongest = std::min(std::max(FirstDash(m_Pattern), LongestDash(m_Pattern)), c_iMaxShape);
        // Every start row the phases tell apart, every length a dash or a short piece may have, both ways.
        for (long iY = 0; iY < 4 / std::gcd(m_iQuarters, 4L); ++iY) {
            const long iQY = m_iQuarters * iY + m_iQuarterY;
            for (long iDY = -iLongest; iDY <= iLongest; ++iDY) {
                const PhaseShape& Shape = m_Shapes.Of(iPhaseX, static_cast<int>(iQY & 3), 0, iDY);
                for (const PhaseShape::Run& Run : Shape.vecRuns) {
                    const long iColumn = Shape.iOriginX + Run.iX;
                    if (std::abs(iColumn) > c_iQuietReach) {
                        Table.bUsable = false;
                        return Table;
                    }
                    Table.iLeft = std::min(Table.iLeft, iColumn);
                    Table.iRight = std::max(Table.iRight, iColumn);
                    for (long k = 0; k < Run.iRows; ++k) {
                        const long iRow = (iQY >> 2) + Shape.iOriginY + Run.iY + k;
                        QuietCell& Cell = Table.vecCells[static_cast<std::size_t>((iColumn + c_iQuietReach) * iPeriod
                                                                                  + Numeric::FloorMod(iRow, iPeriod))];
                        const std::uint8_t uCoverage = Shape.vecCoverage.data()[Run.iFirst + k];
                        if (Cell.iCount < 0
                            || std::find(Cell.auCoverages.begin(), Cell.auCoverages.begin() + Cell.iCount, uCoverage)
                                   != Cell.auCoverages.begin() + Cell.iCount)
                            continue;
                        if (Cell.iCount == static_cast<int>(Cell.auCoverages.size()))
                            Cell.iCount = -1;
                        else
                            Cell.auCoverages[static_cast<std::size_t>(Cell.iCount++)] = uCoverage;
                    }
                }
            }
        }
        // Where every row takes a coverage that soon settles it, quiet rows are known ones.
        Table.bUsable = std::any_of(Table.vecCells.begin(), Table.vecCells.end(), [](const QuietCell& Cell) {
            return Cell.iCount > 0
                   && std::all_of(Cell.auCoverages.begin(), Cell.auCoverages.begin() + Cell.iCount,
                                  [](std::uint8_t uCoverage) { return uCoverage <= PhaseCanvas::c_iStalling; });
        });
        return Table;
    }

    // Whether device row iRow is quiet in every column the table lights from device column iDevX.
    bool RowQuiet(const QuietTable& Table, long iDevX, long iRow) const
    {
        const long iPeriod = RowPeriod();
        const long iClass = Numeric::FloorMod(iRow, iPeriod);
        for (long iColumn = Table.iLeft; iColumn <= Table.iRight; ++iColumn) {
            const QuietCell& Cell =
                Table.vecCells[static_cast<std::size_t>((iColumn + c_iQuietReach) * iPeriod + iClass)];
            if (Cell.iCount < 0
                || (Cell.iCount > 0 && !m_Canvas.Quiet(iDevX + iColumn, iRow, Cell.auCoverages.data(), Cell.iCount)))
                return false;
        }
        return true;
    }

    // The known rows of logical column iX (device columns iFirst to iLast), grown over quiet rows; the
    // quiet rows found before in the same column stay quiet, so each row is looked at about once.
    std::pair<long, long> Quieter(long iX, long iFirst, long iLast, std::pair<long, long> Rows)
    {
        if (!m_Others.IsEmpty() || !m_Canvas.Clip().IsEmpty() || !m_Canvas.Opaque())
            return Rows;
        const long iQX = m_iQuarters * iX + m_iQuarterX, iDevX = iQX >> 2;
        const QuietTable& Table = QuietFor(static_cast<int>(iQX & 3));
        if (!Table.bUsable || iDevX + Table.iLeft < iFirst || iDevX + Table.iRight > iLast)
            return Rows;
        // The known rows and those found quiet before: one range where they meet, else the longer.
        if (m_iQuietX == iX) {
            const bool bNone = Rows.first > Rows.second;
            if (!bNone && Rows.first <= m_Quiet.second + 1 && Rows.second >= m_Quiet.first - 1)
                Rows = {std::min(Rows.first, m_Quiet.first), std::max(Rows.second, m_Quiet.second)};
            else if (bNone || m_Quiet.second - m_Quiet.first > Rows.second - Rows.first)
                Rows = m_Quiet;
        }
        if (Rows.first > Rows.second)
            return Rows;
        const Frame& Writable = m_Canvas.Writable();
        while (Rows.first > Writable.iT && RowQuiet(Table, iDevX, Rows.first - 1))
            --Rows.first;
        while (Rows.second < Writable.iB && RowQuiet(Table, iDevX, Rows.second + 1))
            ++Rows.second;
        m_iQuietX = iX;
        m_Quiet = Rows;
        return Rows;
    }

    LineBatch& m_Others;
    PhaseCanvas& m_Canvas;
    PhaseShapes& m_Shapes;
    const long m_iQuarters;
    const long m_iQuarterX, m_iQuarterY;
    const DashPattern m_Pattern;
    const long m_iSolidLength;   // squared: segments no longer light what a solid one does
    unsigned m_uEmptyPoints = 0; // bit 4 y + x: a segment of no length starting at phase (x, y) lights nothing
    long m_iOpenX = LONG_MIN, m_iOpenLow = 0, m_iOpenHigh = -1;
    bool m_bOpenRows = false;         // the open column's rows have been worked out
    long m_iAbove = 0, m_iBelow = -1; // CutsBeyond, once needed
    long m_iBlended = 0;
    long m_iFlushes = 0;   // batches of the painter drawn between blends
    long m_iDrawn = 0;     // batches of the painter drawn, as the canvas last heard
    bool m_bExact = false; // every segment goes to the painter
    std::optional<LaterCovers> m_oAhead;
    bool m_bAhead = false;               // m_oAhead holds the run's rows
    long m_iPlain = 0, m_iShaped = 0;    // blends from shapes: plainly, and the others
    const PhaseShape* m_pHeld = nullptr; // BlendHeld's segment, from device pixel (m_iHeldX, m_iHeldY)
    long m_iHeldX = 0, m_iHeldY = 0;
    std::array<QuietTable, 4> m_aQuiet;   // by the start's phase across
    long m_iQuietX = LONG_MIN;            // the column m_Quiet holds for
    std::pair<long, long> m_Quiet{0, -1}; // device rows
};

} // namespace Decimation
} // namespace KelmFramework

#endif // RDSINKS_P_H
