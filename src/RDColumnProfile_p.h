// ColumnProfiles: the vertical segments of a line, as how often each row of a pixel column is lit.
#ifndef RDCOLUMNPROFILE_P_H
#define RDCOLUMNPROFILE_P_H

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

// The vertical segments drawn in a few pixel columns at a time, as how many times the pen lights
// each row. A pen lights the rows of a segment where its pattern says, counted from the segment's
// start: the raster engine restarts the pattern with every line. Counts add up, so a column that
// is closed and opened again later (x going back and forth) still ends with the right ones: the
// order of the vertices does not matter. Rows are counted from the top edge of the frame.
// Sink::Column(iColumn, iFirstRow, piCounts, iRows) receives a column's counts, row by row.
template <long Period, unsigned OnMask, class Sink>
class ColumnProfiles
{
public:
    static constexpr long c_iPhases = Period > 1 ? 2 * Period : 1;

    /// One open column, held by the caller while it adds segments: a value the compiler keeps in
    /// registers over a loop of many.
    struct Cursor
    {
        long iColumn = LONG_MIN; // none
        std::int32_t* piMarks = nullptr;
        const long* piPhases = nullptr;
        long iRows = 0;
        long iLow = LONG_MAX, iHigh = LONG_MIN; // rows with marks
        long iPendingRow = -1;                  // where the last solid segment ended, unsettled
        std::int32_t iPendingSign = 0;

        /// The segment from row iR1 to row iR2 (iR1 != iR2, both within the rows).
        __attribute__((always_inline)) void Add(long iR1, long iR2)
        {
            const long iDiff = iR2 - iR1;
            const long iUp = iDiff >> 63; // all ones when the segment goes up
            if constexpr (Period == 1) {
                // A segment adds its direction at its start and takes it at its end. A line going on
                // from where the last segment ended settles that end and its own start at once: one
                // update per vertex, and none of them waits for the one before.
                const std::int32_t iSign = static_cast<std::int32_t>(iUp | 1);
                if (iR1 == iPendingRow) {
                    piMarks[iR1] += iSign - iPendingSign;
                } else {
                    Settle();
                    piMarks[iR1] += iSign;
                    iLow = std::min(iLow, iR1);
                    iHigh = std::max(iHigh, iR1);
                }
                iLow = std::min(iLow, iR2);
                iHigh = std::max(iHigh, iR2);
                iPendingRow = iR2;
                iPendingSign = iSign;
            } else {
                const long iMin = iR1 + (iDiff & iUp), iMax = iR2 - (iDiff & iUp);
                iLow = std::min(iLow, iMin);
                iHigh = std::max(iHigh, iMax);
                const long iPhase = piPhases[iR1 + (iUp & iRows)];
                ++piMarks[iMin * c_iPhases + iPhase];
                --piMarks[iMax * c_iPhases + iPhase];
            }
        }

        void Settle()
        {
            if (iPendingRow >= 0)
                piMarks[iPendingRow] -= iPendingSign;
            iPendingRow = -1;
        }
    };

    ColumnProfiles(long iRows, Sink& Target) : m_iRows(iRows), m_Sink(Target) {}

    ColumnProfiles(const ColumnProfiles&) = delete;
    ColumnProfiles& operator=(const ColumnProfiles&) = delete;

    /// Puts an open column back and opens iColumn in its place.
    void Switch(Cursor& Open, long iColumn)
    {
        Close(Open);
        Slot* pFound = nullptr;
        for (Slot& Column : m_aSlots)
            if (Column.pMarks && Column.iColumn == iColumn)
                pFound = &Column;
        if (!pFound) {
            // The column used longest ago makes room.
            pFound = &m_aSlots[0];
            for (Slot& Column : m_aSlots)
                if (Column.uLastUse < pFound->uLastUse)
                    pFound = &Column;
            Flush(*pFound);
            if (!pFound->pMarks)
                Allocate(*pFound);
            pFound->iColumn = iColumn;
        }
        pFound->uLastUse = ++m_uClock;
        Open.iColumn = iColumn;
        Open.piMarks = pFound->pMarks;
        Open.piPhases = m_vecPhases.data();
        Open.iRows = m_iRows;
        Open.iLow = pFound->iLow;
        Open.iHigh = pFound->iHigh;
        Open.iPendingRow = -1;
    }

    /// Puts an open column back; the cursor opens nothing afterwards.
    void Close(Cursor& Open)
    {
        if (Open.iColumn == LONG_MIN)
            return;
        Open.Settle();
        for (Slot& Column : m_aSlots) {
            if (Column.pMarks == Open.piMarks) {
                Column.iLow = Open.iLow;
                Column.iHigh = Open.iHigh;
            }
        }
        Open.iColumn = LONG_MIN;
    }

    /// Hands every column to the sink.
    void FlushAll(Cursor& Open) { FlushRange(Open, LONG_MIN, LONG_MAX); }

    /// Rows handed to the sink so far: the work of flushing.
    long RowsFlushed() const { return m_iRowsFlushed; }

    /// Hands the columns iFirst to iLast to the sink.
    void FlushRange(Cursor& Open, long iFirst, long iLast)
    {
        if (Open.iColumn >= iFirst && Open.iColumn <= iLast)
            Close(Open);
        for (Slot& Column : m_aSlots)
            if (Column.iColumn >= iFirst && Column.iColumn <= iLast)
                Flush(Column);
    }

private:
    static constexpr std::size_t c_iSlots = 4;

    struct Slot
    {
        long iColumn = LONG_MIN;
        long iLow = LONG_MAX; // rows with marks, [iLow, iHigh]; empty when iLow > iHigh
        long iHigh = LONG_MIN;
        unsigned long uLastUse = 0;
        std::int32_t* pMarks = nullptr; // per row and phase: segments starting there less those ending
        std::vector<std::int32_t> vecMarks;
    };

    static std::size_t Index(long i) { return static_cast<std::size_t>(i); }

    // The phases whose segments light a row r with r mod Period = iResidue. Segments are told
    // apart by the residue at which their pattern starts: downward from their first row, upward
    // from the row above their start point.
    static constexpr unsigned LitMask(long iResidue)
    {
        if (Period == 1)
            return 1u;
        unsigned uMask = 0;
        for (long k = 0; k < Period; ++k) {
            if (OnMask & (1u << ((iResidue - k + Period) % Period)))
                uMask |= 1u << k; // downward, started at a row of residue k
            if (OnMask & (1u << ((k - iResidue + Period) % Period)))
                uMask |= 1u << (Period + k); // upward, started at a row of residue k
        }
        return uMask;
    }

    void Allocate(Slot& Column)
    {
        Column.vecMarks.assign(Index((m_iRows + 1) * c_iPhases), 0);
        Column.pMarks = Column.vecMarks.data();
        if constexpr (Period > 1) {
            if (m_vecPhases.empty()) {
                m_vecPhases.resize(Index(2 * m_iRows));
                for (long iRow = 0; iRow < m_iRows; ++iRow) {
                    m_vecPhases[Index(iRow)] = iRow % Period;
                    m_vecPhases[Index(m_iRows + iRow)] = (iRow + Period - 1) % Period + Period;
                }
            }
        }
    }

    // Per residue, all ones where a phase's segments light the row: a mask to sum them with.
    static constexpr std::array<std::array<std::int32_t, c_iPhases>, Period> c_aaiLitMasks = [] {
        std::array<std::array<std::int32_t, c_iPhases>, Period> aaiMasks{};
        for (long iResidue = 0; iResidue < Period; ++iResidue)
            for (long k = 0; k < c_iPhases; ++k)
                aaiMasks[static_cast<std::size_t>(iResidue)][static_cast<std::size_t>(k)] =
                    (LitMask(iResidue) >> k) & 1u ? -1 : 0;
        return aaiMasks;
    }();

    // One pass: running sums give the segments of each phase over a row, the pattern says which
    // of them light it.
    void Flush(Slot& Column)
    {
        if (Column.iLow > Column.iHigh)
            return;
        std::int32_t aiActive[c_iPhases] = {};
        long iResidue = Column.iLow % Period;
        if (m_vecCounts.empty())
            m_vecCounts.resize(Index(m_iRows + 1));
        std::int32_t* const piCounts = m_vecCounts.data() - Column.iLow;
        for (long iRow = Column.iLow; iRow <= Column.iHigh; ++iRow) {
            std::int32_t* const piMarks = Column.pMarks + iRow * c_iPhases;
            const std::array<std::int32_t, c_iPhases>& aiLit = c_aaiLitMasks[Index(iResidue)];
            std::int32_t iCount = 0;
            for (long k = 0; k < c_iPhases; ++k) {
                aiActive[k] += piMarks[k];
                piMarks[k] = 0;
                iCount += aiActive[k] & aiLit[Index(k)];
            }
            iResidue = iResidue + 1 == Period ? 0 : iResidue + 1;
            piCounts[iRow] = iCount;
        }
        m_Sink.Column(Column.iColumn, Column.iLow, m_vecCounts.data(), Column.iHigh - Column.iLow + 1);
        m_iRowsFlushed += Column.iHigh - Column.iLow + 1;
        Column.iLow = LONG_MAX;
        Column.iHigh = LONG_MIN;
    }

    const long m_iRows;
    Sink& m_Sink;
    std::array<Slot, c_iSlots> m_aSlots;
    unsigned long m_uClock = 0;
    long m_iRowsFlushed = 0;
    std::vector<long> m_vecPhases;         // per start row, downward then upward: the phase of its segments
    std::vector<std::int32_t> m_vecCounts; // of the column flushed
};

} // namespace Decimation
} // namespace KelmFramework

#endif // RDCOLUMNPROFILE_P_H
