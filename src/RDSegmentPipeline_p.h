// The one road of a line's segments to the painter: map, outside test, clip, fit, and the label.
#ifndef RDSEGMENTPIPELINE_P_H
#define RDSEGMENTPIPELINE_P_H

#include "CRDDecoratedLine.h"
#include "CRDDevicePoint.h"
#include "CRDLinearGrid.h"
#include "RDClipping_p.h"
#include "RDLinearMap_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"

#include <QPainter>

#include <climits>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#endif

namespace KelmFramework
{
namespace Segments
{

/// A segment on its way to the painter, in device pixels within the painter range.
struct Segment
{
    long iX1, iY1, iX2, iY2;
    bool bInside; ///< both ends lie in the device rectangle, and clipping moved neither
};

/// The outside test: one bit per edge of the device rectangle that a point lies beyond.
struct OutCode
{
    long iL, iT, iR, iB;

    unsigned operator()(long iX, long iY) const
    {
        return unsigned(iX < iL) | unsigned(iX > iR) << 1 | unsigned(iY < iT) << 2 | unsigned(iY > iB) << 3;
    }
};

/// The map and the outside test fused for runs of vertices inside: the bulk of a line.
class InsideMapper
{
public:
    InsideMapper(const Numeric::LinearMap& Map, const OutCode& Code) : m_Map(Map), m_Code(Code)
    {
#if defined(__x86_64__) && defined(__SSE2__)
        // Mapped in 32 bits, a result of INT_MIN (where the 64-bit one may differ) lies outside a
        // rectangle that starts above it.
        m_bPairs = Code.iL > INT_MIN && Code.iT > INT_MIN && Code.iR < INT_MAX && Code.iB < INT_MAX;
        m_vOriginX = _mm_set1_pd(Map.dUserOriginX);
        m_vScaleX = _mm_set1_pd(Map.dScaleX);
        m_vWidth = _mm_set1_pd(Map.dDeviceWidth);
        m_vDeviceX = _mm_set1_pd(Map.dDeviceOriginX);
        m_vOriginY = _mm_set1_pd(Map.dUserOriginY);
        m_vScaleY = _mm_set1_pd(Map.dScaleY);
        m_vHeight = _mm_set1_pd(Map.dDeviceHeight);
        m_vDeviceY = _mm_set1_pd(Map.dDeviceOriginY);
        m_vSpan = _mm_set1_pd(Map.dSpanY);
        if (m_bPairs) {
            m_vBeforeL = _mm_set1_epi32(static_cast<int>(Code.iL - 1));
            m_vAfterR = _mm_set1_epi32(static_cast<int>(Code.iR + 1));
            m_vBeforeT = _mm_set1_epi32(static_cast<int>(Code.iT - 1));
            m_vAfterB = _mm_set1_epi32(static_cast<int>(Code.iB + 1));
        }
#endif
    }

    /// Maps pPoints[0] and pPoints[1] with the map's operations in the same order; false unless
    /// both lie inside (then the results are not to be used).
    __attribute__((always_inline)) bool Pair(const CRDPoint* pPoints, long& iX1, long& iY1, long& iX2, long& iY2) const
    {
#if defined(__x86_64__) && defined(__SSE2__)
        if (!m_bPairs)
            return false;
        const __m128d vX = _mm_loadh_pd(_mm_load_sd(&pPoints[0].m_dX), &pPoints[1].m_dX);
        const __m128d vY = _mm_loadh_pd(_mm_load_sd(&pPoints[0].m_dY), &pPoints[1].m_dY);
        const __m128i vXs = _mm_cvttpd_epi32(
            _mm_add_pd(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(vX, m_vOriginX), m_vScaleX), m_vWidth), m_vDeviceX));
        const __m128i vYs = _mm_cvttpd_epi32(_mm_sub_pd(
            m_vSpan, _mm_sub_pd(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(vY, m_vOriginY), m_vScaleY), m_vHeight), m_vDeviceY)));
        const __m128i vInside = _mm_and_si128(
            _mm_and_si128(_mm_cmpgt_epi32(vXs, m_vBeforeL), _mm_cmpgt_epi32(m_vAfterR, vXs)),
            _mm_and_si128(_mm_cmpgt_epi32(vYs, m_vBeforeT), _mm_cmpgt_epi32(m_vAfterB, vYs)));
        if ((_mm_movemask_epi8(vInside) & 0xff) != 0xff)
            return false;
        iX1 = _mm_cvtsi128_si32(vXs);
        iY1 = _mm_cvtsi128_si32(vYs);
        iX2 = _mm_cvtsi128_si32(_mm_shuffle_epi32(vXs, 1));
        iY2 = _mm_cvtsi128_si32(_mm_shuffle_epi32(vYs, 1));
        return true;
#else
        (void)pPoints, (void)iX1, (void)iY1, (void)iX2, (void)iY2;
        return false;
#endif
    }

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    /// Four vertices at a time where the processor has AVX2: the same operations in the same order.
    /// Where four vertices in a row stay in the column Columns.Column() names, Columns.Rows(iY, aiY)
    /// takes their rows at once, from the row iY of the vertex before.
    template <class Function, class ColumnsFunction>
    __attribute__((target("avx2"))) std::size_t Quads(const CRDPoint* pPoints, std::size_t i, std::size_t iCount,
                                                      long& iX, long& iY, Function& Inside,
                                                      ColumnsFunction& Columns) const
    {
        const __m256d vOriginX = _mm256_set1_pd(m_Map.dUserOriginX), vScaleX = _mm256_set1_pd(m_Map.dScaleX);
        const __m256d vWidth = _mm256_set1_pd(m_Map.dDeviceWidth), vDeviceX = _mm256_set1_pd(m_Map.dDeviceOriginX);
        const __m256d vOriginY = _mm256_set1_pd(m_Map.dUserOriginY), vScaleY = _mm256_set1_pd(m_Map.dScaleY);
        const __m256d vHeight = _mm256_set1_pd(m_Map.dDeviceHeight), vDeviceY = _mm256_set1_pd(m_Map.dDeviceOriginY);
        const __m256d vSpan = _mm256_set1_pd(m_Map.dSpanY);
        alignas(16) std::int32_t aiX[4], aiY[4];
        for (; i + 3 < iCount; i += 4) {
            const CRDPoint* const p = pPoints + i;
            const __m256d vX = _mm256_setr_pd(p[0].m_dX, p[1].m_dX, p[2].m_dX, p[3].m_dX);
            const __m256d vY = _mm256_setr_pd(p[0].m_dY, p[1].m_dY, p[2].m_dY, p[3].m_dY);
            const __m128i vXs = _mm256_cvttpd_epi32(
                _mm256_add_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_sub_pd(vX, vOriginX), vScaleX), vWidth), vDeviceX));
            const __m128i vYs = _mm256_cvttpd_epi32(_mm256_sub_pd(
                vSpan,
                _mm256_sub_pd(_mm256_mul_pd(_mm256_mul_pd(_mm256_sub_pd(vY, vOriginY), vScaleY), vHeight), vDeviceY)));
            const __m128i vInside = _mm_and_si128(
                _mm_and_si128(_mm_cmpgt_epi32(vXs, m_vBeforeL), _mm_cmpgt_epi32(m_vAfterR, vXs)),
                _mm_and_si128(_mm_cmpgt_epi32(vYs, m_vBeforeT), _mm_cmpgt_epi32(m_vAfterB, vYs)));
            if (_mm_movemask_epi8(vInside) != 0xffff)
                break;
            _mm_store_si128(reinterpret_cast<__m128i*>(aiY), vYs);
            if (iX == Columns.Column()
                && _mm_movemask_epi8(_mm_cmpeq_epi32(vXs, _mm_set1_epi32(static_cast<int>(iX)))) == 0xffff) {
                Columns.Rows(iY, aiY);
                iY = aiY[3];
                continue;
            }
            _mm_store_si128(reinterpret_cast<__m128i*>(aiX), vXs);
            for (int k = 0; k < 4; ++k) {
                Inside(iX, iY, aiX[k], aiY[k]);
                iX = aiX[k];
                iY = aiY[k];
            }
        }
        return i;
    }

    bool HasQuads() const
    {
        return m_bPairs && m_bAvx2;
    }
#endif

    /// Maps one point; false unless it lies inside.
    __attribute__((always_inline)) bool One(const CRDPoint& Point, long& iX, long& iY) const
    {
        iX = m_Map.MapX(Point.m_dX);
        iY = m_Map.MapY(Point.m_dY);
        return m_Code(iX, iY) == 0;
    }

private:
    const Numeric::LinearMap& m_Map;
    const OutCode& m_Code;
#if defined(__x86_64__) && defined(__SSE2__)
    bool m_bPairs = false;
    bool m_bAvx2 = __builtin_cpu_supports("avx2");
    __m128d m_vOriginX, m_vScaleX, m_vWidth, m_vDeviceX, m_vOriginY, m_vScaleY, m_vHeight, m_vDeviceY, m_vSpan;
    __m128i m_vBeforeL{}, m_vAfterR{}, m_vBeforeT{}, m_vAfterB{};
#endif
};

/// The vertices from i on while they lie inside, each segment from (iPrevX, iPrevY) handed to
/// Inside(iX1, iY1, iX2, iY2); returns the first vertex outside, with (iPrevX, iPrevY) the last
/// one inside. A sink with nothing faster to do runs its InsideRun with this.
/// No column takes rows at once.
struct NoColumns
{
    long Column() const { return LONG_MIN; }
    void Rows(long, const std::int32_t*) {}
};

/// Quads: in a function compiled for AVX2, four vertices at a time first (InsideMapper::HasQuads),
/// with Columns as InsideMapper::Quads takes it.
template <bool Quads = false, class Function, class ColumnsFunction = NoColumns>
__attribute__((always_inline)) inline std::size_t
RunInside(const InsideMapper& Mapper, const CRDPoint* pPoints, std::size_t i, std::size_t iCount, long& iPrevX,
          long& iPrevY, Function Inside, ColumnsFunction Columns = ColumnsFunction())
{
    long iX = iPrevX, iY = iPrevY, iX1, iY1, iX2, iY2;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if constexpr (Quads)
        i = Mapper.Quads(pPoints, i, iCount, iX, iY, Inside, Columns);
#else
    (void)Columns;
#endif
    for (; i + 1 < iCount && Mapper.Pair(pPoints + i, iX1, iY1, iX2, iY2); i += 2) {
        Inside(iX, iY, iX1, iY1);
        Inside(iX1, iY1, iX2, iY2);
        iX = iX2;
        iY = iY2;
    }
    for (; i < iCount && Mapper.One(pPoints[i], iX1, iY1); ++i) {
        Inside(iX, iY, iX1, iY1);
        iX = iX1;
        iY = iY1;
    }
    iPrevX = iX;
    iPrevY = iY;
    return i;
}

/// Hands every segment that CRDLinearGrid::DrawLine draws to Sink, in the same order, and draws
/// the line's name right after the first of them:
///   Sink.Draw(segment, bPaintNow) takes any segment; bPaintNow is set for the first one, which
///   must be painted when it returns;
///   Sink.InsideRun(Mapper, pPoints, i, iCount, iPrevX, iPrevY) takes the run of vertices from i
///   on that lie inside, as RunInside does: segments with both ends inside, unclipped, after the
///   first one, the bulk of a line.
template <class SinkType>
void ForEachSegment(CRDLinearGrid& Grid, QPainter& Painter, const CRDDecoratedLine& Line, SinkType& Sink)
{
    const std::size_t iCount = Line.m_vecPoints.size();
    if (iCount < 2)
        return;
    const Numeric::LinearMap Map = Numeric::LinearMap::Of(Grid);
    const OutCode Code{Map.iL, Map.iT, Map.iR, Map.iB};
    const Mapping::Frame Device{Map.iL, Map.iT, Map.iR, Map.iB};
    // Where no edge is the failure value, a point inside has a position, and a segment with both
    // ends inside is one that ClipLine would accept unchanged.
    const bool bInsideHasPosition = Map.iL != Numeric::c_iInvalidDevice && Map.iT != Numeric::c_iInvalidDevice;
    bool bLabelPending = !Line.m_strName.isEmpty();
    const CRDPoint* const pPoints = Line.m_vecPoints.data();

    const InsideMapper Mapper(Map, Code);
    long iPrevX = Map.MapX(pPoints[0].m_dX), iPrevY = Map.MapY(pPoints[0].m_dY);
    std::size_t i = 1;
    while (i < iCount) {
        if (!bLabelPending && bInsideHasPosition && Code(iPrevX, iPrevY) == 0) {
            i = Sink.InsideRun(Mapper, pPoints, i, iCount, iPrevX, iPrevY);
            if (i == iCount)
                break;
        }
        const long iX = Map.MapX(pPoints[i].m_dX), iY = Map.MapY(pPoints[i].m_dY);
        ++i;
        const unsigned uCode = Code(iX, iY), uPrevCode = Code(iPrevX, iPrevY);
        Segment Piece{iPrevX, iPrevY, iX, iY, true};
        // The label goes where clipping put the start, before fitting to the painter range.
        CRDDevicePoint LabelAt(iPrevX, iPrevY);
        iPrevX = iX;
        iPrevY = iY;
        // Both ends beyond one edge: ClipLine's first test, without the call.
        if (uPrevCode & uCode)
            continue;
        if ((uPrevCode | uCode) != 0 || !bInsideHasPosition) {
            CRDDevicePoint Q(iX, iY);
            if (!Clipping::ClipLine(Device, LabelAt, Q))
                continue;
            Piece = {LabelAt.m_iX, LabelAt.m_iY, Q.m_iX, Q.m_iY, false};
            if (!Numeric::FitToPaintRange(Piece.iX1, Piece.iY1, Piece.iX2, Piece.iY2))
                continue;
        }
        Sink.Draw(Piece, bLabelPending);
        if (bLabelPending) {
            Painting::DrawLineLabel(Painter, Line.m_strName, LabelAt);
            bLabelPending = false;
        }
    }
}

} // namespace Segments
} // namespace KelmFramework

#endif // RDSEGMENTPIPELINE_P_H
