// The user-to-device map of a linear grid as one inline value, for loops over many vertices.
#ifndef RDLINEARMAP_P_H
#define RDLINEARMAP_P_H

#include "CRDDevicePoint.h"
#include "CRDLinearGrid.h"
#include "CRDPoint.h"
#include "RDNumeric_p.h"

#include <climits>
#include <cstddef>

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace KelmFramework
{
namespace Numeric
{

/// The constants of CRDLinearGrid's map and its device rectangle, copied once so that a loop maps
/// every vertex inline with exactly the arithmetic (and order of operations) of
/// ConvertPointToDevicePoint.
struct LinearMap
{
    double dUserOriginX;
    double dUserOriginY;
    double dScaleX;
    double dScaleY;
    double dDeviceOriginX;
    double dDeviceOriginY;
    double dDeviceWidth;
    double dDeviceHeight;
    double dSpanY; // |B - T| in int arithmetic, as a double
    long iL, iT, iR, iB;

    static LinearMap Of(const CRDLinearGrid& Grid)
    {
        return {Grid.m_dUserOriginX,
                Grid.m_dUserOriginY,
                Grid.m_dScaleX,
                Grid.m_dScaleY,
                Grid.m_dDeviceOriginX,
                Grid.m_dDeviceOriginY,
                Grid.m_dDeviceWidth,
                Grid.m_dDeviceHeight,
                static_cast<double>(IntSpan(Grid.m_DeviceLeftTop.m_iY, Grid.m_DeviceRightBottom.m_iY)),
                Grid.m_DeviceLeftTop.m_iX,
                Grid.m_DeviceLeftTop.m_iY,
                Grid.m_DeviceRightBottom.m_iX,
                Grid.m_DeviceRightBottom.m_iY};
    }

    long MapX(double dX) const
    {
        return TruncToDevice(((dX - dUserOriginX) * dScaleX) * dDeviceWidth + dDeviceOriginX);
    }
    long MapY(double dY) const
    {
        return TruncToDevice(dSpanY - (((dY - dUserOriginY) * dScaleY) * dDeviceHeight - dDeviceOriginY));
    }
    void Map(const CRDPoint& Point, CRDDevicePoint& DevicePoint) const
    {
        DevicePoint.m_iY = MapY(Point.m_dY);
        DevicePoint.m_iX = MapX(Point.m_dX);
    }

    /// Maps iCount vertices into piX and piY, with the results of MapX and MapY.
    void MapBlock(const CRDPoint* pPoints, std::size_t iCount, long* piX, long* piY) const
    {
        std::size_t i = 0;
#if defined(__x86_64__) && defined(__SSE2__)
        // Two vertices at a time with the same operations in the same order. The 32-bit conversion
        // answers INT_MIN where the 64-bit one may differ; those lanes are mapped again one by one.
        const __m128d vOriginX = _mm_set1_pd(dUserOriginX), vScaleX = _mm_set1_pd(dScaleX);
        const __m128d vWidth = _mm_set1_pd(dDeviceWidth), vDeviceX = _mm_set1_pd(dDeviceOriginX);
        const __m128d vOriginY = _mm_set1_pd(dUserOriginY), vScaleY = _mm_set1_pd(dScaleY);
        const __m128d vHeight = _mm_set1_pd(dDeviceHeight), vDeviceY = _mm_set1_pd(dDeviceOriginY);
        const __m128d vSpan = _mm_set1_pd(dSpanY);
        const __m128i vInvalid = _mm_set1_epi32(INT_MIN);
        for (; i + 1 < iCount; i += 2) {
            const __m128d vX = _mm_loadh_pd(_mm_load_sd(&pPoints[i].m_dX), &pPoints[i + 1].m_dX);
            const __m128d vY = _mm_loadh_pd(_mm_load_sd(&pPoints[i].m_dY), &pPoints[i + 1].m_dY);
            const __m128i vDeviceXs = _mm_cvttpd_epi32(
                _mm_add_pd(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(vX, vOriginX), vScaleX), vWidth), vDeviceX));
            const __m128i vDeviceYs = _mm_cvttpd_epi32(_mm_sub_pd(
                vSpan, _mm_sub_pd(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(vY, vOriginY), vScaleY), vHeight), vDeviceY)));
            // Both coordinates of both vertices, widened to 64 bits with their signs.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(piX + i),
                             _mm_unpacklo_epi32(vDeviceXs, _mm_srai_epi32(vDeviceXs, 31)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(piY + i),
                             _mm_unpacklo_epi32(vDeviceYs, _mm_srai_epi32(vDeviceYs, 31)));
            if (_mm_movemask_epi8(
                    _mm_or_si128(_mm_cmpeq_epi32(vDeviceXs, vInvalid), _mm_cmpeq_epi32(vDeviceYs, vInvalid)))
                & 0xff) {
                for (std::size_t k = i; k < i + 2; ++k) {
                    piX[k] = MapX(pPoints[k].m_dX);
                    piY[k] = MapY(pPoints[k].m_dY);
                }
            }
        }
#endif
        for (; i < iCount; ++i) {
            piX[i] = MapX(pPoints[i].m_dX);
            piY[i] = MapY(pPoints[i].m_dY);
        }
    }
};

} // namespace Numeric
} // namespace KelmFramework

#endif // RDLINEARMAP_P_H
