// Blending: the raster engine's source-over, for the blends the counted routes write themselves.
#ifndef RDBLEND_P_H
#define RDBLEND_P_H

#include "RDRoute_p.h"

#include <QImage>
#include <QRgb>

#include <cstdint>

namespace KelmFramework
{
namespace Decimation
{

/// A premultiplied pixel over another, rounded as the raster engine rounds it: the blends the
/// counted routes write into an image themselves.
inline QRgb SourceOver(QRgb uDest, QRgb uSource)
{
    const std::uint32_t uAlpha = 255u - qAlpha(uSource);
    std::uint32_t uLow = (uDest & 0xff00ffu) * uAlpha;
    uLow = ((uLow + ((uLow >> 8) & 0xff00ffu) + 0x800080u) >> 8) & 0xff00ffu;
    std::uint32_t uHigh = ((uDest >> 8) & 0xff00ffu) * uAlpha;
    uHigh = (uHigh + ((uHigh >> 8) & 0xff00ffu) + 0x800080u) & 0xff00ff00u;
    return uSource + (uHigh | uLow);
}

/// Where pixel (iX, iY) of the painter's coordinates lies in the target's image.
inline QRgb* PixelOf(const Target& Where, long iX, long iY)
{
    uchar* const puBits = const_cast<uchar*>(Where.pImage->constBits());
    return reinterpret_cast<QRgb*>(puBits + (iY + Where.iOffsetY) * static_cast<long>(Where.pImage->bytesPerLine()))
           + iX + Where.iOffsetX;
}

} // namespace Decimation
} // namespace KelmFramework

#endif // RDBLEND_P_H
