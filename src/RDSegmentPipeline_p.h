// The one road of a line's segments to the painter: map, outside test, clip, fit, and the label.
#ifndef RDSEGMENTPIPELINE_P_H
#define RDSEGMENTPIPELINE_P_H

#include "CRDDecoratedLine.h"
#include "CRDDevicePoint.h"
#include "CRDPoint.h"
#include "RDClipping_p.h"
#include "RDMapping_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

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

/// Whether a columns function of InsideMapper::Quads takes Ahead(iX, iY, aiX, aiY): the four segments
/// from (iX, iY) through the vertices aiX, aiY, before they are handed over one by one.
template <class Type, class = void>
constexpr bool c_bAhead = false;
template <class Type>
constexpr bool c_bAhead<Type, std::void_t<decltype(&Type::Ahead)>> = true;

/// The map and the outside test fused for runs of vertices inside: the bulk of a line.
class InsideMapper
{
public:
    InsideMapper(const Mapping::Linear& Map, const Mapping::Frame& Device) : m_Map(Map), m_Device(Device)
    {
#if defined(__x86_64__) && defined(__SSE2__)
        // Mapped in 32 bits, a result of INT_MIN (where the 64-bit one may differ) lies outside a
        // rectangle that starts above it.
        m_bPairs = Device.iL > INT_MIN && Device.iT > INT_MIN && Device.iR < INT_MAX && Device.iB < INT_MAX;
        Map.Widen(m_Pairs);
        if (m_bPairs) {
            m_vBeforeL = _mm_set1_epi32(static_cast<int>(Device.iL - 1));
            m_vAfterR = _mm_set1_epi32(static_cast<int>(Device.iR + 1));
            m_vBeforeT = _mm_set1_epi32(static_cast<int>(Device.iT - 1));
            m_vAfterB = _mm_set1_epi32(static_cast<int>(Device.iB + 1));
        }
#endif
    }

    /// Maps pPoints[0] and pPoints[1] with the map's kernel; false unless both lie inside (then
    /// the results are not to be used).
    __attribute__((always_inline)) bool Pair(const CRDPoint* pPoints, long& iX1, long& iY1, long& iX2, long& iY2) const
    {
#if defined(__x86_64__) && defined(__SSE2__)
        if (!m_bPairs)
            return false;
        Mapping::Doubles2 vX = _mm_loadh_pd(_mm_load_sd(&pPoints[0].m_dX), &pPoints[1].m_dX);
        Mapping::Doubles2 vY = _mm_loadh_pd(_mm_load_sd(&pPoints[0].m_dY), &pPoints[1].m_dY);
        m_Pairs.X(vX);
        m_Pairs.Y(vY);
        const __m128i vXs = _mm_cvttpd_epi32(vX), vYs = _mm_cvttpd_epi32(vY);
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
    /// Four vertices at a time where the processor has AVX2, with the map's kernel.
    /// Where four vertices in a row stay in the column Columns.Column() names, Columns.Rows(iY, aiY)
    /// takes their rows at once, from the row iY of the vertex before; elsewhere, a Columns with Ahead
    /// (c_bAhead) hears of the four segments before Inside takes them.
    template <class Function, class ColumnsFunction>
    __attribute__((target("avx2"))) std::size_t Quads(const CRDPoint* pPoints, std::size_t i, std::size_t iCount,
                                                      long& iX, long& iY, Function& Inside,
                                                      ColumnsFunction& Columns) const
    {
        Mapping::Kernel<Mapping::Doubles4> Quad;
        m_Map.Widen(Quad);
        alignas(16) std::int32_t aiX[4], aiY[4];
        for (; i + 3 < iCount; i += 4) {
            const CRDPoint* const p = pPoints + i;
            Mapping::Doubles4 vX = _mm256_setr_pd(p[0].m_dX, p[1].m_dX, p[2].m_dX, p[3].m_dX);
            Mapping::Doubles4 vY = _mm256_setr_pd(p[0].m_dY, p[1].m_dY, p[2].m_dY, p[3].m_dY);
            Quad.X(vX);
            Quad.Y(vY);
            const __m128i vXs = _mm256_cvttpd_epi32(vX), vYs = _mm256_cvttpd_epi32(vY);
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
            if constexpr (c_bAhead<ColumnsFunction>)
                Columns.Ahead(iX, iY, aiX, aiY);
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
        iX = m_Map.DeviceX(Point.m_dX);
        iY = m_Map.DeviceY(Point.m_dY);
        return Clipping::OutCode(m_Device, iX, iY) == 0;
    }

private:
    const Mapping::Linear& m_Map;
    const Mapping::Frame& m_Device;
#if defined(__x86_64__) && defined(__SSE2__)
    bool m_bPairs = false;
    bool m_bAvx2 = __builtin_cpu_supports("avx2");
    Mapping::Kernel<Mapping::Doubles2> m_Pairs;
    __m128i m_vBeforeL{}, m_vAfterR{}, m_vBeforeT{}, m_vAfterB{};
#endif
};

/// Where a line's vertices, in the x axis's space, lie in columns the painter writes nothing of: at or
/// below dLow on one side, at or above dHigh on the other, so that a run of them on one side is passed
/// over unmapped. Inside is the device frame cut to the columns it may write.
struct Narrowing
{
    bool bOn;
    double dLow, dHigh;
    Mapping::Frame Inside;
};

/// Vertices of the shortest line that is narrowed.
constexpr std::size_t c_iNarrowFrom = 256;

inline Narrowing NarrowingOf(const Mapping::Linear& Map, const Mapping::Frame& Device,
                             const Painting::Columns& Writable)
{
    Narrowing Result{false, 0.0, 0.0, Device};
    // A frame beyond the painter range draws segments inside it narrowed to int, which may bring
    // them back into any column.
    if ((Writable.iLeft <= Device.iL && Writable.iRight >= Device.iR) || Device.iL < -Numeric::c_iPaintLimit
        || Device.iR > Numeric::c_iPaintLimit)
        return Result;
    // The bounds one column further out, where the inverse's rounding cannot bring them back in;
    // the map is monotonic, in either direction, so one mapped bound stands for all beyond it.
    const long iLeft = std::clamp(Writable.iLeft, -(1L << 52), 1L << 52) - 2;
    const long iRight = std::clamp(Writable.iRight, -(1L << 52), 1L << 52) + 2;
    const double dA = Map.UserX(iLeft), dB = Map.UserX(iRight);
    const double dScale = Map.vScaleX * Map.vDeviceWidth;
    if (!std::isfinite(dScale) || dScale == 0.0 || !(std::isfinite(dA) && std::isfinite(dB)) || dA == dB)
        return Result;
    const bool bRising = dScale > 0.0;
    const double dLow = std::min(dA, dB), dHigh = std::max(dA, dB);
    const long iLow = Map.DeviceX(dLow), iHigh = Map.DeviceX(dHigh);
    const auto left = [&](long iX) { return iX != Numeric::c_iInvalidDevice && iX < Writable.iLeft; };
    const auto right = [&](long iX) { return iX != Numeric::c_iInvalidDevice && iX > Writable.iRight; };
    if (bRising ? !(left(iLow) && right(iHigh)) : !(right(iLow) && left(iHigh)))
        return Result;
    Result = {true,
              dLow,
              dHigh,
              {std::max(Device.iL, Writable.iLeft), Device.iT, std::min(Device.iR, Writable.iRight), Device.iB}};
    return Result;
}

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

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
/// RunInside four vertices at a time, compiled for AVX2 with all it calls.
template <class Function, class ColumnsFunction>
__attribute__((target("avx2"), flatten)) std::size_t
RunInsideAvx2(const InsideMapper& Mapper, const CRDPoint* pPoints, std::size_t i, std::size_t iCount, long& iPrevX,
              long& iPrevY, Function Inside, ColumnsFunction Columns)
{
    return RunInside<true>(Mapper, pPoints, i, iCount, iPrevX, iPrevY, Inside, Columns);
}
#endif

/// RunInside, four vertices at a time where the processor can (InsideMapper::HasQuads), with Columns
/// as InsideMapper::Quads takes it.
template <class Function, class ColumnsFunction>
std::size_t RunInsideFast(const InsideMapper& Mapper, const CRDPoint* pPoints, std::size_t i, std::size_t iCount,
                          long& iPrevX, long& iPrevY, Function Inside, ColumnsFunction Columns)
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (Mapper.HasQuads())
        return RunInsideAvx2(Mapper, pPoints, i, iCount, iPrevX, iPrevY, Inside, Columns);
#else
    (void)Columns;
#endif
    return RunInside(Mapper, pPoints, i, iCount, iPrevX, iPrevY, Inside);
}

/// Hands every segment that CRDLinearGrid::DrawLine draws with this map on this device frame to
/// Sink, in the same order, and draws the line's name right after the first of them:
///   Sink.Draw(segment, bPaintNow) takes any segment; bPaintNow is set for the first one, which
///   must be painted when it returns;
///   Sink.InsideRun(Mapper, pPoints, i, iCount, iPrevX, iPrevY) takes the run of vertices from i
///   on that lie inside, as RunInside does: segments with both ends inside, unclipped, after the
///   first one, the bulk of a line.
template <class SinkType>
void ForEachSegment(const Mapping::Map& Map, const Mapping::Frame& Frame, QPainter& Painter,
                    const CRDDecoratedLine& Line, SinkType& Sink)
{
    const std::size_t iCount = Line.m_vecPoints.size();
    if (iCount < 2)
        return;
    // Copies, which no store of the walk can reach: through references, the outside tests would load
    // the rectangle again after every vertex.
    const Mapping::Linear Core = Map.Core;
    const Mapping::Frame Device = Frame;
    // Where no edge is the failure value, a point inside has a position, and a segment with both
    // ends inside is one that ClipLine would accept unchanged.
    const bool bInsideHasPosition = Device.iL != Numeric::c_iInvalidDevice && Device.iT != Numeric::c_iInvalidDevice;
    bool bLabelPending = !Line.m_strName.isEmpty();
    // Under a clip, the bulk of a line may lie in columns it cannot change: runs there are passed over.
    // (A short line would spend more on finding them than they cost.)
    const Narrowing Beyond = iCount >= c_iNarrowFrom ? NarrowingOf(Core, Device, Painting::WritableColumns(Painter))
                                                     : Narrowing{false, 0.0, 0.0, Device};
    const Mapping::Frame Inside = Beyond.Inside;
    const InsideMapper Mapper(Core, Inside);
    long iPrevX = 0, iPrevY = 0;
    // Inlined, as ForEachBlock is: reached through a pointer, its captures would live in memory.
    const auto walk = [&](const CRDPoint* pPoints, std::size_t iFirst, std::size_t iBlock)
        __attribute__((always_inline))
    {
        std::size_t i = 0;
        if (iFirst == 0) {
            iPrevX = Core.DeviceX(pPoints[0].m_dX);
            iPrevY = Core.DeviceY(pPoints[0].m_dY);
            i = 1;
        }
        while (i < iBlock) {
            if (!bLabelPending && bInsideHasPosition && Clipping::OutCode(Inside, iPrevX, iPrevY) == 0) {
                i = Sink.InsideRun(Mapper, pPoints, i, iBlock, iPrevX, iPrevY);
                if (i == iBlock)
                    break;
            }
            // The label waits for the first segment clipping keeps, wherever it lies.
            if (Beyond.bOn && !bLabelPending && i > 0) {
                const double dLow = Beyond.dLow, dHigh = Beyond.dHigh;
                std::size_t k = i;
                if (pPoints[i - 1].m_dX <= dLow)
                    while (k < iBlock && pPoints[k].m_dX <= dLow)
                        ++k;
                else if (pPoints[i - 1].m_dX >= dHigh)
                    while (k < iBlock && pPoints[k].m_dX >= dHigh)
                        ++k;
                if (k > i) {
                    i = k;
                    iPrevX = Core.DeviceX(pPoints[i - 1].m_dX);
                    iPrevY = Core.DeviceY(pPoints[i - 1].m_dY);
                    continue;
                }
            }
            const long iX = Core.DeviceX(pPoints[i].m_dX), iY = Core.DeviceY(pPoints[i].m_dY);
            ++i;
            const unsigned uCode = Clipping::OutCode(Device, iX, iY);
            const unsigned uPrevCode = Clipping::OutCode(Device, iPrevX, iPrevY);
            // The label goes where clipping put the start, before fitting to the painter range.
            CRDDevicePoint LabelAt(iPrevX, iPrevY);
            iPrevX = iX;
            iPrevY = iY;
            // Both ends beyond one edge: ClipLine's first test, without the call.
            if (uPrevCode & uCode)
                continue;
            Segment Piece{LabelAt.m_iX, LabelAt.m_iY, iX, iY, true};
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
    };
    Map.ForEachBlock(Line.m_vecPoints.data(), iCount, walk);
}

} // namespace Segments
} // namespace KelmFramework

#endif // RDSEGMENTPIPELINE_P_H
