// ColumnProfile: the vertical segments of one pixel column, as how often each row is lit.
#ifndef RDCOLUMNPROFILE_P_H
#define RDCOLUMNPROFILE_P_H

#include "RDCoverageCanvas_p.h"
#include "RDDecimation_p.h"
#include "RDLinearMap_p.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace KelmFramework
{
namespace Decimation
{

// The vertical segments drawn in one pixel column, as how many times the pen lights each row.
// A pen lights the rows of a segment on integer coordinates where bit (k mod Period) of OnMask is
// set, k counted from the segment's start: Qt's raster engine restarts the pattern with every line.
// Rows are counted from the top edge.
template <long Period, unsigned OnMask>
class ColumnProfile
{
public:
    explicit ColumnProfile(long iRows) : m_iRows(iRows) {}

    bool IsEmpty() const { return m_iLow > m_iHigh; }
    long Column() const { return m_iColumn; }

    /// Starts the column of a vertex at row iRow; the profile must be empty.
    void Open(long iColumn, long iRow)
    {
        if (m_vecMarks.empty()) {
            m_vecMarks.assign(static_cast<std::size_t>((m_iRows + 1) * c_iPhases), 0);
            if constexpr (Period > 1) {
                // The phase of a segment from each row, downward and then upward.
                m_vecSlots.resize(Index(2 * (m_iRows + 1)));
                for (long iRow = 0; iRow <= m_iRows; ++iRow) {
                    m_vecSlots[Index(iRow)] = iRow % Period;
                    m_vecSlots[Index(m_iRows + 1 + iRow)] = (iRow + Period - 1) % Period + Period;
                }
            }
        }
        m_iColumn = iColumn;
        m_iLow = m_iHigh = iRow;
        m_iSegments = 0;
    }

    /// The segment from row iR1, a row of the column already, to row iR2 of the rectangle.
    void Add(long iR1, long iR2)
    {
        ++m_iSegments;
        m_iLow = std::min(m_iLow, iR2);
        m_iHigh = std::max(m_iHigh, iR2);
        AddMarks(m_vecMarks.data(), iR1, iR2);
    }

    /// Adds the segments to the vertices from pPoints[i] on while they stay in the column and in
    /// rows iTop .. iBottom, iPrevY being the device row of the vertex before; returns the index
    /// of the first vertex that does not.
    std::size_t AddVertices(const CRDPoint* pPoints, std::size_t i, std::size_t iCount, const Numeric::LinearMap& Map,
                            long iTop, long iBottom, long& iPrevY)
    {
        // The bulk of a dense line's vertices: the state stays in registers.
        std::int64_t* const piMarks = m_vecMarks.data();
        const long iColumn = m_iColumn, iRows = iBottom - iTop;
        long iPrev = iPrevY - iTop, iLow = m_iLow, iHigh = m_iHigh;
        const std::size_t iFirst = i;
        long iPrevSign = 0;
        std::int64_t iPoint = 0; // a segment of no length ends at iPrev
        const auto addRow = [&](long iRow) {
            // Vertices on the row of the one before add a point there, once: no update in a loop
            // that waits for the one before.
            if (iRow == iPrev) {
                iPoint = std::int64_t(1) << 32;
                return;
            }
            iLow = std::min(iLow, iRow);
            iHigh = std::max(iHigh, iRow);
            if constexpr (Period == 1) {
                // A vertex ends one segment and starts the next: +1 at the upper end of each
                // segment and -1 at its lower end add up to one update per vertex.
                const long iSign = iRow > iPrev ? 1 : -1;
                piMarks[iPrev] += (iSign - iPrevSign) + iPoint;
                iPrevSign = iSign;
            } else {
                if (iPoint)
                    piMarks[Index(iPrev * c_iPhases)] += iPoint;
                AddMarks(piMarks, iPrev, iRow);
            }
            iPoint = 0;
            iPrev = iRow;
        };
#if defined(__x86_64__) && defined(__SSE2__)
        // Two vertices at a time, with the map's arithmetic in the same order. Truncation to 32
        // bits answers INT_MIN where the 64 bits differ, which lies outside every sane rectangle.
        const __m128d vOriginX = _mm_set1_pd(Map.dUserOriginX), vScaleX = _mm_set1_pd(Map.dScaleX);
        const __m128d vWidth = _mm_set1_pd(Map.dDeviceWidth), vDeviceX = _mm_set1_pd(Map.dDeviceOriginX);
        const __m128d vOriginY = _mm_set1_pd(Map.dUserOriginY), vScaleY = _mm_set1_pd(Map.dScaleY);
        const __m128d vHeight = _mm_set1_pd(Map.dDeviceHeight), vDeviceY = _mm_set1_pd(Map.dDeviceOriginY);
        const __m128d vSpan = _mm_set1_pd(Map.dSpanY);
        const __m128i vColumn = _mm_set1_epi32(static_cast<int>(iColumn)), vTop = _mm_set1_epi32(static_cast<int>(iTop));
        const __m128i vBelowFirst = _mm_set1_epi32(-1), vPastLast = _mm_set1_epi32(static_cast<int>(iRows + 1));
        for (; i + 1 < iCount; i += 2) {
            const __m128d vX = _mm_loadh_pd(_mm_load_sd(&pPoints[i].m_dX), &pPoints[i + 1].m_dX);
            const __m128d vY = _mm_loadh_pd(_mm_load_sd(&pPoints[i].m_dY), &pPoints[i + 1].m_dY);
            const __m128i vX2 = _mm_cvttpd_epi32(
                _mm_add_pd(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(vX, vOriginX), vScaleX), vWidth), vDeviceX));
            const __m128i vRow2 = _mm_sub_epi32(
                _mm_cvttpd_epi32(_mm_sub_pd(
                    vSpan, _mm_sub_pd(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(vY, vOriginY), vScaleY), vHeight), vDeviceY))),
                vTop);
            const __m128i vInside = _mm_and_si128(
                _mm_cmpeq_epi32(vX2, vColumn),
                _mm_and_si128(_mm_cmpgt_epi32(vRow2, vBelowFirst), _mm_cmpgt_epi32(vPastLast, vRow2)));
            if ((_mm_movemask_ps(_mm_castsi128_ps(vInside)) & 3) != 3)
                break;
            addRow(_mm_cvtsi128_si32(vRow2));
            addRow(_mm_cvtsi128_si32(_mm_shuffle_epi32(vRow2, 1)));
        }
#endif
        for (; i < iCount; ++i) {
            if (Map.MapX(pPoints[i].m_dX) != iColumn)
                break;
            const long iRow = Map.MapY(pPoints[i].m_dY) - iTop;
            if (static_cast<unsigned long>(iRow) > static_cast<unsigned long>(iRows))
                break;
            addRow(iRow);
        }
        if constexpr (Period == 1)
            piMarks[iPrev] += iPoint - iPrevSign;
        else
            piMarks[Index(iPrev * c_iPhases)] += iPoint;
        m_iSegments += static_cast<long>(i - iFirst);
        m_iLow = iLow;
        m_iHigh = iHigh;
        iPrevY = iPrev + iTop;
        return i;
    }

    /// Writes how often each row is lit to the canvas where there is one, else queues segments
    /// that light every row as often as the added ones did, up to saturation, and adds its points
    /// to Points; empties the profile.
    void Flush(long iTop, LineBatch& Batch, PixelSet& Points, int iSaturation, CoverageCanvas* pCanvas)
    {
        if (IsEmpty())
            return;
        // A few segments are cheap to draw, and their pixels depend on the order in which they
        // and the lines around them are blended.
        if (m_iSegments < c_iDenseColumn)
            pCanvas = nullptr;
        const int iX = static_cast<int>(m_iColumn);
        std::uint8_t* const puRight = pCanvas ? pCanvas->Column(m_iColumn) : nullptr;
        std::uint8_t* const puLeft = pCanvas ? pCanvas->Column(m_iColumn - 1) : nullptr;
        if (pCanvas)
            pCanvas->Touch(m_iColumn, m_iLow, m_iHigh);
        // One pass: running sums give the segments of each phase over a row, the pattern says
        // which of them light it; a level opens where the count rises past it and is queued as one
        // segment where the count falls below it again.
        int aiActive[c_iPhases] = {};
        long aiRunStart[c_iSaturation + 1] = {};
        int iLevel = 0;
        long iResidue = m_iLow % Period;
        for (long i = m_iLow; i <= m_iHigh + 1; ++i) {
            int iCount = 0;
            if (i <= m_iHigh) {
                std::int64_t* const piMarks = &m_vecMarks[Index(i * c_iPhases)];
                const bool bPoint = piMarks[0] != static_cast<std::int32_t>(piMarks[0]);
                for (long k = 0; k < c_iPhases; ++k) {
                    aiActive[k] += static_cast<std::int32_t>(piMarks[k]);
                    piMarks[k] = 0;
                    if (c_auLitMasks[Index(iResidue)] & (1u << k))
                        iCount += aiActive[k];
                }
                iCount = std::min(iCount, iSaturation);
                iResidue = iResidue + 1 == Period ? 0 : iResidue + 1;
                if (puRight) {
                    if (iCount > 0) {
                        CoverageCanvas::AddRun(puRight[i], CoverageCanvas::Right, iCount);
                        CoverageCanvas::AddRun(puLeft[i], CoverageCanvas::Left, iCount);
                    }
                    if (bPoint)
                        CoverageCanvas::AddPoint(puRight[i]);
                    continue;
                }
                if (bPoint)
                    Points.Insert(m_iColumn, iTop + i);
            } else if (puRight) {
                break;
            }
            while (iLevel < iCount)
                aiRunStart[++iLevel] = i;
            while (iLevel > iCount) {
                const long iStart = aiRunStart[iLevel--];
                Batch.Add(QLine(iX, static_cast<int>(iTop + iStart), iX, static_cast<int>(iTop + i)), true);
            }
        }
        m_iLow = 1;
        m_iHigh = 0;
    }

private:
    static constexpr long c_iPhases = Period > 1 ? 2 * Period : 1;

    // The phases whose segments light a row r with r mod Period = iResidue.
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

    static constexpr std::array<unsigned, Period> c_auLitMasks = [] {
        std::array<unsigned, Period> auMasks{};
        for (long iResidue = 0; iResidue < Period; ++iResidue)
            auMasks[static_cast<std::size_t>(iResidue)] = LitMask(iResidue);
        return auMasks;
    }();

    static std::size_t Index(long i) { return static_cast<std::size_t>(i); }

    // Rows min .. max - 1 in either direction, without branches: noisy data goes up and down at
    // random. Segments are told apart by the phase at which their pattern starts, counted
    // downward from the first row, or upward from the row above the start point. A segment of no
    // length is drawn as one opaque pixel.
    void AddMarks(std::int64_t* piMarks, long iR1, long iR2) const
    {
        const long iDiff = iR2 - iR1;
        if (iDiff == 0) {
            piMarks[Index(iR1 * c_iPhases)] += std::int64_t(1) << 32;
            return;
        }
        const long iUp = iDiff >> 63;
        const long iMin = iR1 + (iDiff & iUp), iMax = iR2 - (iDiff & iUp);
        long iSlot = 0;
        if constexpr (Period > 1)
            iSlot = m_vecSlots[Index(iR1 + (iUp & (m_iRows + 1)))];
        ++piMarks[Index(iMin * c_iPhases + iSlot)];
        --piMarks[Index(iMax * c_iPhases + iSlot)];
    }

    const long m_iRows;
    // Per row and phase, how many more segments start than end there; the first phase's upper
    // half counts the segments of no length at the row.
    std::vector<std::int64_t> m_vecMarks;
    std::vector<long> m_vecSlots;
    long m_iColumn = 0;
    long m_iLow = 1; // rows of the column's vertices, [m_iLow, m_iHigh]
    long m_iHigh = 0;
    long m_iSegments = 0;
};

} // namespace Decimation
} // namespace KelmFramework

#endif // RDCOLUMNPROFILE_P_H
