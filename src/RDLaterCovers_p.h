// LaterCovers: where a dense line sorted by x will bring pixels to its colour further on.
#ifndef RDLATERCOVERS_P_H
#define RDLATERCOVERS_P_H

#include "CRDPoint.h"
#include "RDBlend_p.h"
#include "RDSegmentPipeline_p.h"
#include "RDStampModel_p.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

/// At a scale in quarters, a pen between device pixels covers the device columns beside it weakly,
/// and their pixels take many blends before they settle. Where a line runs right, a column it lights
/// weakly is often the one it lights strongly from the next pixel column on: the rows that column's
/// vertical segments cover strongly c_iStrongBlends times end within 1 of the colour whatever came
/// before, in the exact drawing and in ours alike (8. at the top of the canvas), so the blends before
/// them may be left out. LaterCovers finds those rows ahead of the drawing, for the device column
/// left of the pen in each pixel column where the pen covers it strongly, by one pass over the
/// mapped vertices.
class LaterCovers
{
public:
    /// iQuarters device pixels per four pixels, the device offset in quarters, the device pixels
    /// that may be written.
    LaterCovers(PhaseShapes& Shapes, int iQuarters, long iQuarterX, long iQuarterY, const Frame& Writable)
        : m_iQuarters(iQuarters), m_iQuarterX(iQuarterX), m_iQuarterY(iQuarterY), m_Writable(Writable)
    {
        // Per phase across, the device column left of the pen, where it covers that one strongly; the
        // rows a vertical segment covers whole it covers as any other (tst_coveragecanvas).
        for (long iX = 0; iX < 4; ++iX) {
            const int iPhase = static_cast<int>((iQuarters * iX + iQuarterX) & 3);
            const PhaseShape& Shape = Shapes.Of(iPhase, static_cast<int>(iQuarterY & 3), 0, 8);
            const PhaseShape::Run* pLeft = nullptr;
            for (const PhaseShape::Run& Run : Shape.vecRuns) {
                if (!pLeft || Run.iX < pLeft->iX)
                    pLeft = &Run;
                m_bWeak = m_bWeak || Run.uMain < c_iStrongCoverage;
            }
            if (pLeft && pLeft->uMain >= c_iStrongCoverage)
                m_aiLeft[iPhase] = Shape.iOriginX + pLeft->iX;
        }
    }

    /// Whether some phase leaves a device column beside the pen weak and another covers the column
    /// left of it strongly, so that looking ahead may pay.
    bool Pays() const
    {
        return m_bWeak
               && std::any_of(std::begin(m_aiLeft), std::end(m_aiLeft), [](long iLeft) { return iLeft != LONG_MIN; });
    }

    /// Looks ahead over the vertices from i that RunInside hands on, the segment from (iPrevX, iPrevY)
    /// first; false where they do not run right (then none are kept).
    bool Scan(const Segments::InsideMapper& Mapper, const CRDPoint* pPoints, std::size_t i, std::size_t iCount,
              long iPrevX, long iPrevY)
    {
        const long iWidth = m_Writable.Width() + 1, iHeight = m_Writable.iB - m_Writable.iT + 1;
        m_vecRows.assign(static_cast<std::size_t>(iWidth), Later());
        m_vecMarks.assign(static_cast<std::size_t>(iHeight + 1), 0);
        m_piMarks = m_vecMarks.data();
        m_iLastRow = iHeight - 1;
        m_bSorted = true;
        Open(iPrevX);
        // A stretch at a time, so that a line whose x goes back is given up soon.
        while (m_bSorted && i < iCount) {
            const std::size_t iEnd = std::min(iCount, i + c_iStretch);
            const std::size_t iNext = Segments::RunInsideFast(
                Mapper, pPoints, i, iEnd, iPrevX, iPrevY,
                [this](long iX1, long iY1, long iX2, long iY2)
                    __attribute__((always_inline)) { Segment(iX1, iY1, iX2, iY2); },
                Columns{*this});
            if (iNext < iEnd)
                break;
            i = iNext;
        }
        Close();
        return m_bSorted;
    }

    /// The rows of device column iColumn that pixel columns right of iX cover strongly
    /// c_iStrongBlends times; first above second where none.
    std::pair<long, long> After(long iColumn, long iX) const
    {
        const Later& Rows = m_vecRows[static_cast<std::size_t>(iColumn - m_Writable.iL)];
        if (Rows.iX <= iX)
            return {LONG_MAX, LONG_MIN};
        return {Rows.iLow, Rows.iHigh};
    }

private:
    static constexpr std::size_t c_iStretch = 4096;

    struct Later
    {
        long iLow = LONG_MAX, iHigh = LONG_MIN;
        long iX = LONG_MIN; // the pixel column whose segments cover them
    };

    // Four vertices in the open pixel column.
    struct Columns
    {
        LaterCovers& Covers;

        long Column() const { return Covers.m_iOpenX; }
        __attribute__((always_inline)) void Rows(long iY, const std::int32_t* piRows)
        {
            if (Covers.m_iColumn == LONG_MIN)
                return;
            for (int k = 0; k < 4; ++k) {
                Covers.Vertical(iY, piRows[k]);
                iY = piRows[k];
            }
        }
    };

    __attribute__((always_inline)) void Segment(long iX1, long iY1, long iX2, long iY2)
    {
        if (iX2 != m_iOpenX) {
            m_bSorted = m_bSorted && iX2 > iX1;
            Close();
            Open(iX2);
        } else if (iX1 == iX2 && m_iColumn != LONG_MIN) {
            Vertical(iY1, iY2);
        }
    }

    // Marks the rows a vertical segment of the open column covers whole.
    __attribute__((always_inline)) void Vertical(long iY1, long iY2)
    {
        // Shifts floor: quarters may be negative.
        const long iTop = ((m_iQuarters * std::min(iY1, iY2) + m_iQuarterY + 3) >> 2) - m_Writable.iT;
        const long iBottom = ((m_iQuarters * std::max(iY1, iY2) + m_iQuarterY) >> 2) - 1 - m_Writable.iT;
        const long iFrom = std::max(iTop, 0L), iTo = std::min(iBottom, m_iLastRow);
        if (iFrom > iTo)
            return;
        ++m_piMarks[iFrom];
        --m_piMarks[iTo + 1];
        m_iMarkLow = std::min(m_iMarkLow, iFrom);
        m_iMarkHigh = std::max(m_iMarkHigh, iTo);
    }

    void Open(long iX)
    {
        m_iOpenX = iX;
        m_iColumn = LONG_MIN;
        const long iQX = m_iQuarters * iX + m_iQuarterX;
        const long iLeft = m_aiLeft[iQX & 3];
        if (iLeft == LONG_MIN)
            return;
        const long iColumn = (iQX >> 2) + iLeft;
        if (iColumn >= m_Writable.iL && iColumn <= m_Writable.iR)
            m_iColumn = iColumn;
    }

    // The longest run of rows the open column covers often enough.
    void Close()
    {
        if (m_iMarkLow > m_iMarkHigh)
            return;
        long iCovers = 0, iStart = LONG_MIN;
        Later Best;
        for (long iRow = m_iMarkLow; iRow <= m_iMarkHigh + 1; ++iRow) {
            iCovers += m_vecMarks[static_cast<std::size_t>(iRow)];
            m_vecMarks[static_cast<std::size_t>(iRow)] = 0;
            if (iCovers < c_iStrongBlends) {
                iStart = LONG_MIN;
                continue;
            }
            if (iStart == LONG_MIN)
                iStart = iRow;
            if (Best.iLow > Best.iHigh || iRow - iStart > Best.iHigh - Best.iLow)
                Best = {iStart, iRow, m_iOpenX};
        }
        if (Best.iLow <= Best.iHigh)
            m_vecRows[static_cast<std::size_t>(m_iColumn - m_Writable.iL)] = {Best.iLow + m_Writable.iT,
                                                                              Best.iHigh + m_Writable.iT, m_iOpenX};
        m_iMarkLow = LONG_MAX;
        m_iMarkHigh = LONG_MIN;
    }

    const int m_iQuarters;
    const long m_iQuarterX, m_iQuarterY;
    const Frame m_Writable;
    long m_aiLeft[4] = {LONG_MIN, LONG_MIN, LONG_MIN, LONG_MIN}; // per phase across, from the phase's pixel
    bool m_bWeak = false;
    bool m_bSorted = true;
    // A thread's, kept from line to line: a frame's lines need the same.
    struct Buffers
    {
        std::vector<Later> vecRows;
        std::vector<std::int32_t> vecMarks;
    };
    static Buffers& ThreadBuffers()
    {
        thread_local Buffers s_Buffers;
        return s_Buffers;
    }
    std::vector<Later>& m_vecRows = ThreadBuffers().vecRows;          // per writable device column
    std::vector<std::int32_t>& m_vecMarks = ThreadBuffers().vecMarks; // per writable row and one more: +1 where
                                                                      // covers start, -1 past
    std::int32_t* m_piMarks = nullptr;
    long m_iLastRow = -1;
    long m_iMarkLow = LONG_MAX, m_iMarkHigh = LONG_MIN;
    long m_iOpenX = LONG_MIN;  // the pixel column of the last vertex
    long m_iColumn = LONG_MIN; // the device column it covers strongly, left of the pen; LONG_MIN where none
};

} // namespace Decimation
} // namespace KelmFramework

#endif // RDLATERCOVERS_P_H
