// Numeric guards: every conversion between doubles, device longs and painter ints goes through here.
#ifndef RDNUMERIC_P_H
#define RDNUMERIC_P_H

#include <QPoint>
#include <QPointF>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace KelmFramework
{
namespace Numeric
{

/// The device coordinate of a point that has none (not finite or beyond long): it lies
/// outside every device rectangle.
constexpr long c_iInvalidDevice = LONG_MIN;

/// TruncToDevice without the x86-64 fast path; built everywhere, so that the fast path can be
/// checked against it.
inline long TruncToDevicePortable(double dValue)
{
    // 2^63 is exact in a double; the comparison is false for NaN.
    constexpr double dLimit = 9223372036854775808.0;
    if (!(dValue > -dLimit && dValue < dLimit))
        return c_iInvalidDevice;
    return static_cast<long>(dValue);
}

/// Truncates toward zero; NaN, infinities and values beyond long give c_iInvalidDevice.
inline long TruncToDevice(double dValue)
{
#if defined(__x86_64__) && defined(__SSE2__)
    // The instruction itself answers LONG_MIN for NaN and for anything beyond long (2^63 and
    // -2^63 included): the same result without a branch in the mapping loops.
    return _mm_cvttsd_si64(_mm_set_sd(dValue));
#else
    return TruncToDevicePortable(dValue);
#endif
}

/// Painter coordinates stay within +-2^30: Qt computes right = left + width - 1 and the like in
/// int, which must not overflow; no screen comes near this.
constexpr long c_iPaintLimit = 1L << 30;

/// Saturates a device long to the range handed to QPoint, QLine and QRect.
inline int NarrowToInt(long iValue)
{
    return static_cast<int>(std::clamp(iValue, -c_iPaintLimit, c_iPaintLimit));
}

/// The pixel of an event position, rounded half up as QMouseEvent::pos() does, but saturated where that
/// would overflow int: a synthesized event may carry any double.
inline QPoint RoundToPixels(const QPointF& Position)
{
    const auto round = [](double dValue) { return NarrowToInt(TruncToDevice(std::floor(dValue + 0.5))); };
    return QPoint(round(Position.x()), round(Position.y()));
}

/// A painter coordinate at an offset from a device coordinate (marker corners, label boxes).
inline int NarrowSum(long iBase, long iOffset)
{
    return NarrowToInt(static_cast<long>(NarrowToInt(iBase)) + static_cast<long>(NarrowToInt(iOffset)));
}

/// A widget extent as a layout takes it: never negative, and within the painter range.
inline long ClampExtent(long iExtent)
{
    return std::clamp(iExtent, 0L, c_iPaintLimit);
}

/// a * b of two non-negative longs; LONG_MAX where the product would overflow, which compares as
/// larger than any extent.
inline long SaturatedProduct(long iA, long iB)
{
    long iProduct = 0;
    return __builtin_mul_overflow(iA, iB, &iProduct) ? LONG_MAX : iProduct;
}

/// a / b rounded down, for b > 0: device rows lie on either side of zero.
inline long FloorDiv(long iA, long iB)
{
    const long iQuotient = iA / iB;
    return iA % iB != 0 && iA < 0 ? iQuotient - 1 : iQuotient;
}

/// a mod b in 0 to b - 1, for b > 0.
inline long FloorMod(long iA, long iB)
{
    return iA - FloorDiv(iA, iB) * iB;
}

/// |b - a| of two device coordinates narrowed to 32 bits, without overflow at the extremes.
inline long IntSpan(long iA, long iB)
{
    const long iDiff = static_cast<long>(static_cast<int>(std::clamp<long>(iB, INT_MIN, INT_MAX)))
                       - static_cast<long>(static_cast<int>(std::clamp<long>(iA, INT_MIN, INT_MAX)));
    return iDiff < 0 ? -iDiff : iDiff;
}

/// Shortens a segment along its own line to the painter range, so that narrowing cannot bend it.
/// False when no part of it lies in that range.
inline bool FitToPaintRange(long& iX1, long& iY1, long& iX2, long& iY2)
{
    const auto inside = [](long iV) { return iV >= -c_iPaintLimit && iV <= c_iPaintLimit; };
    if (inside(iX1) && inside(iY1) && inside(iX2) && inside(iY2))
        return true;
    // Liang-Barsky against the square of the painter range, in doubles.
    const double dLimit = static_cast<double>(c_iPaintLimit);
    const double dX1 = static_cast<double>(iX1), dY1 = static_cast<double>(iY1);
    const double dDX = static_cast<double>(iX2) - dX1, dDY = static_cast<double>(iY2) - dY1;
    double dT0 = 0.0, dT1 = 1.0;
    const auto edge = [&](double dP, double dQ) {
        if (dP == 0.0)
            return dQ >= 0.0;
        const double dR = dQ / dP;
        if (dP < 0.0) {
            if (dR > dT1)
                return false;
            dT0 = std::max(dT0, dR);
        } else {
            if (dR < dT0)
                return false;
            dT1 = std::min(dT1, dR);
        }
        return true;
    };
    if (!edge(-dDX, dX1 + dLimit) || !edge(dDX, dLimit - dX1) || !edge(-dDY, dY1 + dLimit) || !edge(dDY, dLimit - dY1))
        return false;
    const auto clampToRange = [&](double dV) { return static_cast<long>(std::clamp(std::trunc(dV), -dLimit, dLimit)); };
    const long iNewX1 = clampToRange(dX1 + dT0 * dDX), iNewY1 = clampToRange(dY1 + dT0 * dDY);
    const long iNewX2 = clampToRange(dX1 + dT1 * dDX), iNewY2 = clampToRange(dY1 + dT1 * dDY);
    iX1 = iNewX1;
    iY1 = iNewY1;
    iX2 = iNewX2;
    iY2 = iNewY2;
    return true;
}

/// b - a as a double, exact where the long difference exists and rounded where it would overflow.
inline double Difference(long iA, long iB)
{
    long iDiff = 0;
    if (__builtin_sub_overflow(iB, iA, &iDiff))
        return static_cast<double>(iB) - static_cast<double>(iA);
    return static_cast<double>(iDiff);
}

/// A grid division count kept to 1..32767: it is divided by and counts grid lines.
inline long ClampDivisions(long iDivisions)
{
    return std::clamp<long>(iDivisions, 1, 32767);
}

/// Digits a tick label may ask for. No double carries more, not even 17 significant digits after the
/// point of the smallest denormal (4.9e-324); a short could ask for 32767 per label, at every line.
constexpr int c_iMaxLabelDigits = 340;

/// A label precision as QString::number takes it; negative ones (shortest form) pass.
inline int LabelPrecision(short iPrecision)
{
    return std::min<int>(iPrecision, c_iMaxLabelDigits);
}

/// A viewport span a linear map can divide by and map pixels back from: finite, positive, with a
/// normal reciprocal. Past about 4.5e307 the scale turns denormal and mapping back overflows.
inline bool IsUsableSpan(double dLow, double dHigh)
{
    const double dSpan = dHigh - dLow;
    return std::isfinite(dLow) && std::isfinite(dHigh) && dSpan > 0.0 && std::isfinite(1.0 / dSpan)
           && 1.0 / dSpan >= DBL_MIN;
}

} // namespace Numeric
} // namespace KelmFramework

#endif // RDNUMERIC_P_H
