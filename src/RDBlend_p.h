// Blending: the raster engine's source-over, for the blends the counted routes write themselves.
#ifndef RDBLEND_P_H
#define RDBLEND_P_H

#include "RDRoute_p.h"

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QRgb>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace KelmFramework
{
namespace Decimation
{

/// A premultiplied pixel times a coverage, rounded as the raster engine rounds it: what a pen of
/// that colour blends onto a pixel it covers by that much.
inline QRgb Tint(QRgb uColor, std::uint32_t uCoverage)
{
    // The four channels a 16-bit lane each, rounded in one multiply: no lane carries into the next.
    constexpr std::uint64_t c_uLanes = 0x00ff00ff00ff00ffu;
    std::uint64_t uChannels = ((std::uint64_t(uColor) | (std::uint64_t(uColor) << 24)) & c_uLanes) * uCoverage;
    uChannels = ((uChannels + ((uChannels >> 8) & c_uLanes) + 0x0080008000800080u) >> 8) & c_uLanes;
    return static_cast<QRgb>(uChannels | (uChannels >> 24));
}

/// The colour at every coverage, premultiplied, as Tint gives it. Kept for the colours blended last:
/// a frame's lines of one colour, and its tracks in a few dozen, find theirs built. Valid until
/// tables of as many other colours have been asked for.
inline const std::array<QRgb, 256>& TintTable(QRgb uColor)
{
    struct Table
    {
        QRgb uColor = 0;
        bool bSet = false;
        std::array<QRgb, 256> auTints;
    };
    // Two ways a slot, the one asked for longer ago replaced: colours that share a slot take turns.
    constexpr std::size_t c_iSlots = 64;
    thread_local std::array<Table, 2 * c_iSlots> s_aTables;
    thread_local std::array<bool, c_iSlots> s_abSecondOlder;
    const std::size_t iSlot = ((uColor * 2654435761u) >> 26) % c_iSlots;
    for (std::size_t iWay = 0; iWay < 2; ++iWay) {
        const Table& Found = s_aTables[2 * iSlot + iWay];
        if (Found.bSet && Found.uColor == uColor) {
            s_abSecondOlder[iSlot] = iWay == 0;
            return Found.auTints;
        }
    }
    const std::size_t iWay = s_abSecondOlder[iSlot] ? 1 : 0;
    Table& Built = s_aTables[2 * iSlot + iWay];
    for (std::uint32_t uCoverage = 0; uCoverage < 256; ++uCoverage)
        Built.auTints[uCoverage] = Tint(uColor, uCoverage);
    Built.uColor = uColor;
    Built.bSet = true;
    s_abSecondOlder[iSlot] = iWay == 0;
    return Built.auTints;
}

/// A premultiplied pixel over another, rounded as the raster engine rounds it: the blends the
/// counted routes write into an image themselves.
inline QRgb SourceOver(QRgb uDest, QRgb uSource)
{
    return uSource + Tint(uDest, 255u - qAlpha(uSource));
}

/// Blends of an opaque colour at this coverage or more are strong: c_iStrongBlends of them, with
/// any others of the colour before, between and after, leave every channel within 1 of the colour,
/// wherever it started.
constexpr int c_iStrongCoverage = 191;
constexpr int c_iStrongBlends = 5;

/// Where a pixel counts as settled at an opaque colour, so that the engine's further blends of the
/// colour, at any coverages, leave it within 2 of where it lies. A blend moves a channel toward the
/// colour without passing it, except that for some channel values one coverage takes a channel that
/// rests on the colour one below it: above such a value a channel settles within 1, elsewhere within 2.
struct Settling
{
    QRgb uColor = 0;
    QRgb uAbove = 0; // per channel, how far above the colour a settled channel may lie

    explicit Settling(QRgb uOpaque) : uColor(uOpaque), uAbove(0x02020202u)
    {
        // Per channel value, whether one coverage takes a channel resting on it one below: found once.
        static const std::array<bool, 256> s_abSlips = [] {
            std::array<bool, 256> abSlips{};
            for (std::uint32_t uValue = 0; uValue < 256; ++uValue) {
                const QRgb uGrey = qRgb(static_cast<int>(uValue), static_cast<int>(uValue), static_cast<int>(uValue));
                for (std::uint32_t uCoverage = 0; uCoverage < 256 && !abSlips[uValue]; ++uCoverage)
                    abSlips[uValue] = qRed(SourceOver(uGrey, Tint(uGrey, uCoverage))) < static_cast<int>(uValue);
            }
            return abSlips;
        }();
        for (int iShift = 0; iShift < 32; iShift += 8)
            if (s_abSlips[(uOpaque >> iShift) & 0xff])
                uAbove = (uAbove & ~(0xffu << iShift)) | (0x01u << iShift);
    }
};

#if defined(__x86_64__) && defined(__SSE2__)
/// Settled for four pixels at once: all ones in the lanes of those settled.
inline __m128i SettledVector(__m128i vPixels, __m128i vColor, __m128i vAbove)
{
    const __m128i vBeyond = _mm_or_si128(_mm_subs_epu8(_mm_subs_epu8(vPixels, vColor), vAbove),
                                         _mm_subs_epu8(_mm_subs_epu8(vColor, vPixels), _mm_set1_epi8(2)));
    return _mm_cmpeq_epi32(vBeyond, _mm_setzero_si128());
}
#endif

/// Whether the pixel is settled at the colour (Settling).
inline bool Settled(QRgb uPixel, const Settling& At)
{
#if defined(__x86_64__) && defined(__SSE2__)
    return _mm_cvtsi128_si32(SettledVector(_mm_cvtsi32_si128(static_cast<int>(uPixel)),
                                           _mm_cvtsi32_si128(static_cast<int>(At.uColor)),
                                           _mm_cvtsi32_si128(static_cast<int>(At.uAbove))))
           != 0;
#else
    for (int iShift = 0; iShift < 32; iShift += 8) {
        const int iStep = static_cast<int>((uPixel >> iShift) & 0xff) - static_cast<int>((At.uColor >> iShift) & 0xff);
        if (iStep < -2 || iStep > static_cast<int>((At.uAbove >> iShift) & 0xff))
            return false;
    }
    return true;
#endif
}

/// Whether every pixel of iCount is settled at the colour, four at a time.
inline bool AllSettled(const QRgb* puPixels, long iCount, const Settling& At)
{
    long i = 0;
#if defined(__x86_64__) && defined(__SSE2__)
    const __m128i vColor = _mm_set1_epi32(static_cast<int>(At.uColor));
    const __m128i vAbove = _mm_set1_epi32(static_cast<int>(At.uAbove));
    for (; i + 4 <= iCount; i += 4) {
        const __m128i vPixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(puPixels + i));
        if (_mm_movemask_epi8(SettledVector(vPixels, vColor, vAbove)) != 0xffff)
            return false;
    }
#endif
    for (; i < iCount; ++i)
        if (!Settled(puPixels[i], At))
            return false;
    return true;
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx"))) inline void ZeroUpperAvx()
{
    _mm256_zeroupper();
}
#endif

/// To be called before blending after the painter has drawn: the raster engine's AVX code leaves the
/// upper halves of the vector registers dirty, and SSE code after it then runs several times slower.
inline void AfterEngine()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool s_bAvx = __builtin_cpu_supports("avx");
    if (s_bAvx)
        ZeroUpperAvx();
#endif
}

#if defined(__x86_64__) && defined(__SSE2__)
/// SourceOver of four pixels at once, each channel rounded alike: no premultiplied channel carries
/// into the next.
inline __m128i SourceOverVector(__m128i vDest, __m128i vSource)
{
    const __m128i vZero = _mm_setzero_si128(), vRound = _mm_set1_epi16(0x80);
    // 255 - alpha in both 16-bit halves of each pixel, then in the four lanes of its channels.
    __m128i vInverse = _mm_sub_epi32(_mm_set1_epi32(255), _mm_srli_epi32(vSource, 24));
    vInverse = _mm_or_si128(vInverse, _mm_slli_epi32(vInverse, 16));
    const auto tint = [&](__m128i vChannels, __m128i vAlpha) {
        const __m128i vProduct = _mm_mullo_epi16(vChannels, vAlpha);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(vProduct, _mm_srli_epi16(vProduct, 8)), vRound), 8);
    };
    const __m128i vLow = tint(_mm_unpacklo_epi8(vDest, vZero), _mm_unpacklo_epi32(vInverse, vInverse));
    const __m128i vHigh = tint(_mm_unpackhi_epi8(vDest, vZero), _mm_unpackhi_epi32(vInverse, vInverse));
    return _mm_add_epi8(vSource, _mm_packus_epi16(vLow, vHigh));
}
#endif

/// SourceOver of four pixels side by side.
inline void SourceOver4(QRgb* puDest, const QRgb* puSource)
{
#if defined(__x86_64__) && defined(__SSE2__)
    const __m128i vDest = _mm_loadu_si128(reinterpret_cast<const __m128i*>(puDest));
    const __m128i vSource = _mm_loadu_si128(reinterpret_cast<const __m128i*>(puSource));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(puDest), SourceOverVector(vDest, vSource));
#else
    for (int i = 0; i < 4; ++i)
        puDest[i] = SourceOver(puDest[i], puSource[i]);
#endif
}

/// SourceOver down a column: iRows pixels iStride apart, each under the source its coverage picks,
/// four at a time. Returns the first row whose result is settled at the colour (Settled), or -1;
/// looked for only where bSeek.
template <bool bSeek>
long SourceOverColumn(QRgb* puPixel, long iStride, const std::uint8_t* puCoverage, long iRows,
                      const std::array<QRgb, 256>& auSources, const Settling& At)
{
    long i = 0;
#if defined(__x86_64__) && defined(__SSE2__)
    const __m128i vColor = _mm_set1_epi32(static_cast<int>(At.uColor));
    const __m128i vAbove = _mm_set1_epi32(static_cast<int>(At.uAbove));
    for (; i + 4 <= iRows; i += 4, puPixel += 4 * iStride) {
        QRgb* const pu1 = puPixel + iStride;
        QRgb* const pu2 = pu1 + iStride;
        QRgb* const pu3 = pu2 + iStride;
        const __m128i vDest = _mm_unpacklo_epi64(
            _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(*puPixel)),
                               _mm_cvtsi32_si128(static_cast<int>(*pu1))),
            _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(*pu2)), _mm_cvtsi32_si128(static_cast<int>(*pu3))));
        const __m128i vSource = _mm_set_epi32(
            static_cast<int>(auSources[puCoverage[i + 3]]), static_cast<int>(auSources[puCoverage[i + 2]]),
            static_cast<int>(auSources[puCoverage[i + 1]]), static_cast<int>(auSources[puCoverage[i]]));
        const __m128i vResult = SourceOverVector(vDest, vSource);
        *puPixel = static_cast<QRgb>(_mm_cvtsi128_si32(vResult));
        *pu1 = static_cast<QRgb>(_mm_cvtsi128_si32(_mm_srli_si128(vResult, 4)));
        *pu2 = static_cast<QRgb>(_mm_cvtsi128_si32(_mm_srli_si128(vResult, 8)));
        *pu3 = static_cast<QRgb>(_mm_cvtsi128_si32(_mm_srli_si128(vResult, 12)));
        if constexpr (bSeek) {
            const int iNear = _mm_movemask_ps(_mm_castsi128_ps(SettledVector(vResult, vColor, vAbove)));
            if (iNear != 0) {
                // The rest blended plainly: the first such row is found.
                const long iFound = i + __builtin_ctz(static_cast<unsigned>(iNear));
                SourceOverColumn<false>(puPixel + 4 * iStride, iStride, puCoverage + i + 4, iRows - i - 4, auSources,
                                        At);
                return iFound;
            }
        }
    }
#endif
    long iFound = -1;
    for (; i < iRows; ++i, puPixel += iStride) {
        *puPixel = SourceOver(*puPixel, auSources[puCoverage[i]]);
        if (bSeek && iFound < 0 && Settled(*puPixel, At))
            iFound = i;
    }
    return iFound;
}

/// The colour as the painter blends it where a pen covers a pixel fully: premultiplied, its
/// opacity applied. The engine's own conversion (through 16 bits a channel, opacity in 256ths) is
/// read back from a pixel it fills, once per colour and opacity in a row.
inline QRgb SolidSource(const QPainter& Painter, const QColor& Color)
{
    const double dOpacity = Painter.opacity();
    if (Color.alpha() == 255 && dOpacity == 1.0)
        return Color.rgba();
    // Keyed by all 16 bits a channel: two colours alike in 8 may blend apart.
    thread_local quint64 s_uColor = 0;
    thread_local double s_dOpacity = -1.0;
    thread_local QRgb s_uSource = 0;
    if (s_uColor != quint64(Color.rgba64()) || s_dOpacity != dOpacity) {
        QImage Pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
        Pixel.fill(Qt::transparent);
        QPainter Probe(&Pixel);
        Probe.setOpacity(dOpacity);
        Probe.fillRect(QRect(0, 0, 1, 1), QBrush(Color));
        Probe.end();
        s_uColor = Color.rgba64();
        s_dOpacity = dOpacity;
        s_uSource = reinterpret_cast<const QRgb*>(Pixel.constBits())[0];
    }
    return s_uSource;
}

/// Where pixel (iX, iY) of the painter's coordinates lies in the target's image.
inline QRgb* PixelOf(const Target& Where, long iX, long iY)
{
    uchar* const puBits = const_cast<uchar*>(Where.pImage->constBits());
    return reinterpret_cast<QRgb*>(puBits + (iY + Where.iOffsetY) * static_cast<long>(Where.pImage->bytesPerLine()))
           + iX + Where.iOffsetX;
}

/// Calls Rows(iFrom, iTo) for the runs of rows iTop .. iBottom of column iX, in the painter's
/// coordinates, that may be written directly.
template <class Function>
void ForWritableRows(const Target& Where, long iX, long iTop, long iBottom, Function Rows)
{
    if (Where.vecRegion.empty()) {
        Rows(iTop, iBottom);
        return;
    }
    const long iColumn = iX + Where.iOffsetX;
    for (const QRect& Rect : Where.vecRegion) {
        if (iColumn < Rect.left() || iColumn > Rect.right())
            continue;
        const long iFrom = std::max(iTop, Rect.top() - Where.iOffsetY);
        const long iTo = std::min(iBottom, Rect.bottom() - Where.iOffsetY);
        if (iFrom <= iTo)
            Rows(iFrom, iTo);
    }
}

/// Whether all of Box, in the painter's coordinates, may be written directly.
inline bool WritableBox(const Target& Where, const Frame& Box)
{
    if (Where.vecRegion.empty())
        return true;
    const QRect Image(static_cast<int>(Box.iL + Where.iOffsetX), static_cast<int>(Box.iT + Where.iOffsetY),
                      static_cast<int>(Box.Width()), static_cast<int>(Box.Height()));
    return std::any_of(Where.vecRegion.begin(), Where.vecRegion.end(),
                       [&](const QRect& Rect) { return Rect.contains(Image); });
}

} // namespace Decimation
} // namespace KelmFramework

#endif // RDBLEND_P_H
