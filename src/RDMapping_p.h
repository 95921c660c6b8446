// Mapping: user coordinates to device pixels and back, in each axis's scale, with one kernel for every path.
#ifndef RDMAPPING_P_H
#define RDMAPPING_P_H

#include "CRDDevicePoint.h"
#include "CRDPoint.h"
#include "RDNumeric_p.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace KelmFramework
{
namespace Mapping
{

/// A rectangle of device pixels, edges included: the device rectangle, or a part of it.
struct Frame
{
    long iL, iT, iR, iB;

    bool Contains(long iX, long iY) const { return iX >= iL && iX <= iR && iY >= iT && iY <= iB; }
    bool IsEmpty() const { return iL > iR || iT > iB; }
    long Width() const { return iR - iL + 1; }
    long Height() const { return iB - iT + 1; }
};

/// Two and four doubles, as SSE2 and AVX registers hold them (the intrinsics' own types carry an
/// attribute that a template argument drops).
typedef double Doubles2 __attribute__((vector_size(16)));
typedef double Doubles4 __attribute__((vector_size(32)));

/// The arithmetic of CRDLinearGrid::ConvertPointToDevicePoint before truncation, for Lanes of one
/// double or a vector of them (Doubles2, Doubles4). Every path maps through these two functions,
/// and the library is built without contracting a multiplication and an addition into one
/// (-ffp-contract=off), so no path can round differently from another.
template <class Lanes>
struct Kernel
{
    Lanes vUserOriginX, vScaleX, vDeviceWidth, vDeviceOriginX;
    Lanes vUserOriginY, vScaleY, vDeviceHeight, vDeviceOriginY;
    Lanes vSpanY; ///< |B - T| in int arithmetic

    // Vectors go by reference: by value, a vector wider than the function's instruction set
    // changes the calling convention.
    __attribute__((always_inline)) void X(Lanes& vX) const
    {
        vX = ((vX - vUserOriginX) * vScaleX) * vDeviceWidth + vDeviceOriginX;
    }
    __attribute__((always_inline)) void Y(Lanes& vY) const
    {
        vY = vSpanY - (((vY - vUserOriginY) * vScaleY) * vDeviceHeight - vDeviceOriginY);
    }
};

/// A linear map of one viewport onto one device rectangle: the kernel with one double per constant.
struct Linear : Kernel<double>
{
    long iSpanY; ///< vSpanY as a long

    long DeviceX(double dX) const
    {
        X(dX);
        return Numeric::TruncToDevice(dX);
    }
    long DeviceY(double dY) const
    {
        Y(dY);
        return Numeric::TruncToDevice(dY);
    }

    /// The inverse, without truncation.
    double UserX(long iX) const
    {
        return ((static_cast<double>(iX) - vDeviceOriginX) / vDeviceWidth) / vScaleX + vUserOriginX;
    }
    double UserY(long iY) const
    {
        return ((Numeric::Difference(iY, iSpanY) + vDeviceOriginY) / vDeviceHeight) / vScaleY + vUserOriginY;
    }

    /// The same constants in every lane of Wide.
    template <class Wide>
    __attribute__((always_inline)) void Widen(Kernel<Wide>& Lanes) const
    {
        // d - 0 is d itself, signed zeros included: a broadcast that every lane type takes.
        const Wide vZero{};
        Lanes.vUserOriginX = vUserOriginX - vZero;
        Lanes.vScaleX = vScaleX - vZero;
        Lanes.vDeviceWidth = vDeviceWidth - vZero;
        Lanes.vDeviceOriginX = vDeviceOriginX - vZero;
        Lanes.vUserOriginY = vUserOriginY - vZero;
        Lanes.vScaleY = vScaleY - vZero;
        Lanes.vDeviceHeight = vDeviceHeight - vZero;
        Lanes.vDeviceOriginY = vDeviceOriginY - vZero;
        Lanes.vSpanY = vSpanY - vZero;
    }

    /// Maps iCount vertices into piX and piY, with the results of DeviceX and DeviceY.
    void MapBlock(const CRDPoint* pPoints, std::size_t iCount, long* piX, long* piY) const
    {
        std::size_t i = 0;
#if defined(__x86_64__) && defined(__SSE2__)
        // Two vertices at a time. The 32-bit conversion answers INT_MIN where the 64-bit one may
        // differ; those lanes are mapped again one by one.
        Kernel<Doubles2> Pairs;
        Widen(Pairs);
        const __m128i vInvalid = _mm_set1_epi32(INT_MIN);
        for (; i + 1 < iCount; i += 2) {
            Doubles2 vX = _mm_loadh_pd(_mm_load_sd(&pPoints[i].m_dX), &pPoints[i + 1].m_dX);
            Doubles2 vY = _mm_loadh_pd(_mm_load_sd(&pPoints[i].m_dY), &pPoints[i + 1].m_dY);
            Pairs.X(vX);
            Pairs.Y(vY);
            const __m128i vDeviceXs = _mm_cvttpd_epi32(vX), vDeviceYs = _mm_cvttpd_epi32(vY);
            // Both coordinates of both vertices, widened to 64 bits with their signs.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(piX + i),
                             _mm_unpacklo_epi32(vDeviceXs, _mm_srai_epi32(vDeviceXs, 31)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(piY + i),
                             _mm_unpacklo_epi32(vDeviceYs, _mm_srai_epi32(vDeviceYs, 31)));
            if (_mm_movemask_epi8(
                    _mm_or_si128(_mm_cmpeq_epi32(vDeviceXs, vInvalid), _mm_cmpeq_epi32(vDeviceYs, vInvalid)))
                & 0xff) {
                for (std::size_t k = i; k < i + 2; ++k) {
                    piX[k] = DeviceX(pPoints[k].m_dX);
                    piY[k] = DeviceY(pPoints[k].m_dY);
                }
            }
        }
#endif
        for (; i < iCount; ++i) {
            piX[i] = DeviceX(pPoints[i].m_dX);
            piY[i] = DeviceY(pPoints[i].m_dY);
        }
    }
};

/// The map of a grid: linear in each axis's own space. A log10 axis maps the log10 of its values,
/// and of its viewport's bounds; a value at or below 0 has no position there, nor has any value
/// where a bound is at or below 0. A time axis is linear in seconds.
struct Map
{
    Linear Core; ///< in the axes' own spaces
    bool bLogX = false;
    bool bLogY = false;

    /// A value in the space of a log10 axis: NaN, which no device position comes from, at or below 0.
    static double Log10(double dValue)
    {
        return dValue > 0.0 ? std::log10(dValue) : std::numeric_limits<double>::quiet_NaN();
    }

    /// Makes x a log10 axis over the viewport from dLow to dHigh, with the grid's scale factor.
    void SetLog10X(double dLow, double dHigh, double dFactor)
    {
        bLogX = true;
        Core.vUserOriginX = Log10(dLow);
        Core.vScaleX = dFactor / std::fabs(Log10(dHigh) - Core.vUserOriginX);
    }
    void SetLog10Y(double dLow, double dHigh, double dFactor)
    {
        bLogY = true;
        Core.vUserOriginY = Log10(dLow);
        Core.vScaleY = dFactor / std::fabs(Log10(dHigh) - Core.vUserOriginY);
    }

    bool IsLinear() const { return !bLogX && !bLogY; }
    double SpaceX(double dX) const { return bLogX ? Log10(dX) : dX; }
    double SpaceY(double dY) const { return bLogY ? Log10(dY) : dY; }

    long DeviceX(double dX) const { return Core.DeviceX(SpaceX(dX)); }
    long DeviceY(double dY) const { return Core.DeviceY(SpaceY(dY)); }
    void ToDevice(const CRDPoint& Point, CRDDevicePoint& DevicePoint) const
    {
        DevicePoint.m_iY = DeviceY(Point.m_dY);
        DevicePoint.m_iX = DeviceX(Point.m_dX);
    }

    /// The user coordinates of a device point: the inverse without truncation.
    double UserX(long iX) const
    {
        const double dX = Core.UserX(iX);
        return bLogX ? std::pow(10.0, dX) : dX;
    }
    double UserY(long iY) const
    {
        const double dY = Core.UserY(iY);
        return bLogY ? std::pow(10.0, dY) : dY;
    }

    /// Vertices handed to Core at a time where an axis is not linear.
    static constexpr std::size_t c_iBlock = 256;

    /// Visit(pPoints, iFirst, iCount) for the vertices from iFirst on, in the axes' own spaces, where
    /// Core maps them: all at once where both axes are linear, else a block at a time, each value
    /// taken into its axis's space by the one function that DeviceX and DeviceY use.
    template <class Function>
    __attribute__((always_inline)) void ForEachBlock(const CRDPoint* pPoints, std::size_t iCount,
                                                     Function&& Visit) const
    {
        if (IsLinear()) {
            Visit(pPoints, std::size_t(0), iCount);
            return;
        }
        CRDPoint aBlock[c_iBlock];
        for (std::size_t iFirst = 0; iFirst < iCount; iFirst += c_iBlock) {
            const std::size_t iSize = std::min(c_iBlock, iCount - iFirst);
            for (std::size_t k = 0; k < iSize; ++k) {
                aBlock[k].m_dX = SpaceX(pPoints[iFirst + k].m_dX);
                aBlock[k].m_dY = SpaceY(pPoints[iFirst + k].m_dY);
            }
            Visit(static_cast<const CRDPoint*>(aBlock), iFirst, iSize);
        }
    }

    /// Maps iCount vertices into piX and piY, with the results of DeviceX and DeviceY.
    void MapBlock(const CRDPoint* pPoints, std::size_t iCount, long* piX, long* piY) const
    {
        if (IsLinear())
            Core.MapBlock(pPoints, iCount, piX, piY);
        else
            MapBlockInSpace(pPoints, iCount, piX, piY);
    }

private:
    // Out of line, so that the loops of linear axes that call MapBlock keep their registers.
    __attribute__((noinline)) void MapBlockInSpace(const CRDPoint* pPoints, std::size_t iCount, long* piX,
                                                   long* piY) const
    {
        ForEachBlock(pPoints, iCount, [&](const CRDPoint* pBlock, std::size_t iFirst, std::size_t iSize) {
            Core.MapBlock(pBlock, iSize, piX + iFirst, piY + iFirst);
        });
    }
};

} // namespace Mapping
} // namespace KelmFramework

#endif // RDMAPPING_P_H
