// MarkerCache: markers drawn once per style and size as the coverage of their pixels, tinted to a colour
// wherever a line has a vertex or a point is drawn.
#ifndef RDMARKERCACHE_P_H
#define RDMARKERCACHE_P_H

#include "RDBlend_p.h"
#include "RDPainting_p.h"
#include "ResultDisplayTypes.h"

#include <QColor>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPointF>
#include <QRect>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <list>
#include <utility>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

// One marker of one style, scale and size as the painter draws it in opaque white on transparent
// pixels, so that each pixel holds its coverage: a colour's marker is that coverage tinted, as the
// raster engine's coverage does not depend on the colour. In layers: a pixel lit by two of the
// marker's primitives (a cross's centre, a square's corners) has its first blend in the first layer
// and its second in the next, so that blending the layers in turn gives every pixel the blends of the
// marker, in their order.
struct MarkerMask
{
    ERDPointStyle eStyle;
    int iScale;
    Painting::MarkerShape Shape;
    std::vector<QImage> vecLayers;   // device pixels, with the scale as their pixel ratio; none where
                                     // the painter draws the marker
    long iReach = 0;                 // pixels from the marker's centre to where the images were drawn
    std::vector<QPointF> vecOffsets; // of each image from there, cut to the pixels it lights
    // The lit pixels of the images, image by image, from where they were drawn: the blends to
    // write where the painter's image is written directly.
    struct Pixel
    {
        int iX, iY;
        std::uint32_t uCoverage;
    };
    std::vector<Pixel> vecPixels;
    // The layers in the colours drawn last, for painters that blend them themselves.
    mutable std::list<std::pair<QRgb, std::vector<QImage>>> listTinted;
};

namespace Markers
{

// Markers larger than this are drawn by the painter.
constexpr long c_iMaxReach = 64;

// Colours whose tinted layers are kept: a frame's lines and points rarely have more.
constexpr std::size_t c_iTintedColors = 64;

inline int Multiply(int iX, int iA)
{
    const int iT = iX * iA;
    return (iT + (iT >> 8) + 0x80) >> 8;
}

/// The longest run of blends of one of these pixels that still changes a channel: a blend moves a
/// channel toward a fixed value by a whole step or not at all, so from the far ends of the range
/// it takes longest.
inline int RepeatLimit(const std::vector<std::pair<long, QRgb>>& vecPixels)
{
    // Runs per channel and alpha, counted when first asked for: every line asks, in its own colour.
    thread_local std::vector<std::uint16_t> s_vecRuns(256 * 256, 0);
    const auto runs = [](int iChannel, int iAlpha) {
        std::uint16_t& iRuns = s_vecRuns[static_cast<std::size_t>(iAlpha * 256 + iChannel)];
        if (iRuns == 0) {
            int iLimit = 1;
            for (int iValue : {0, 255}) {
                int iSteps = 0;
                for (int iNext = iChannel + Multiply(iValue, 255 - iAlpha); iNext != iValue && iSteps < 256;
                     iNext = iChannel + Multiply(iValue, 255 - iAlpha)) {
                    iValue = iNext;
                    ++iSteps;
                }
                iLimit = std::max(iLimit, iSteps + 1);
            }
            iRuns = static_cast<std::uint16_t>(iLimit);
        }
        return static_cast<int>(iRuns);
    };
    int iLimit = 1;
    for (const std::pair<long, QRgb>& Lit : vecPixels) {
        const QRgb uPixel = Lit.second;
        const int iAlpha = qAlpha(uPixel);
        for (int iChannel : {qRed(uPixel), qGreen(uPixel), qBlue(uPixel), iAlpha})
            iLimit = std::max(iLimit, runs(iChannel, iAlpha));
    }
    return iLimit;
}

inline bool SameShape(const Painting::MarkerShape& A, const Painting::MarkerShape& B)
{
    return A.iDotWidth == B.iDotWidth && A.iCrossHalfSize == B.iCrossHalfSize && A.iCrossWidth == B.iCrossWidth
           && A.iSquareHalfSize == B.iSquareHalfSize && A.iSquareWidth == B.iSquareWidth;
}

inline QImage Transparent(int iSide, int iScale)
{
    QImage Image(iSide, iSide, QImage::Format_ARGB32_Premultiplied);
    Image.setDevicePixelRatio(iScale);
    Image.fill(Qt::transparent);
    return Image;
}

/// The coverage layers in an opaque colour.
inline std::vector<QImage> Tinted(const std::vector<QImage>& vecLayers, QRgb uColor)
{
    std::vector<QImage> vecResult;
    for (const QImage& Layer : vecLayers) {
        QImage Image = Layer.copy();
        Image.setDevicePixelRatio(Layer.devicePixelRatio());
        for (int iY = 0; iY < Image.height(); ++iY) {
            QRgb* const puRow = reinterpret_cast<QRgb*>(Image.scanLine(iY));
            for (int iX = 0; iX < Image.width(); ++iX)
                puRow[iX] = Tint(uColor, qAlpha(puRow[iX]));
        }
        vecResult.push_back(std::move(Image));
    }
    return vecResult;
}

// The primitives a marker is drawn with, one at a time: the square's outline is drawn as its four
// sides in turn, which the check in Build confirms.
template <class Function>
void ForEachPrimitive(ERDPointStyle eStyle, long iC, const Painting::MarkerShape& Shape, Function Draw)
{
    if (eStyle == eRDPointSquare) {
        const int iL = static_cast<int>(iC - Shape.iSquareHalfSize), iR = static_cast<int>(iC + Shape.iSquareHalfSize);
        for (const QLine& Side :
             {QLine(iL, iL, iR, iL), QLine(iR, iL, iR, iR), QLine(iR, iR, iL, iR), QLine(iL, iR, iL, iL)})
            Draw([Side](QPainter& Painter) { Painter.drawLines(&Side, 1); });
    } else if (eStyle == eRDPointCross) {
        const int iA = static_cast<int>(Shape.iCrossHalfSize), iCenter = static_cast<int>(iC);
        for (const QLine& Arm :
             {QLine(iCenter - iA, iCenter, iCenter + iA, iCenter), QLine(iCenter, iCenter - iA, iCenter, iCenter + iA)})
            Draw([Arm](QPainter& Painter) { Painter.drawLines(&Arm, 1); });
    } else {
        Draw([iC, &Shape](QPainter& Painter) { Painting::DrawMarker(Painter, eRDPointDot, iC, iC, Shape); });
    }
}

inline MarkerMask Build(ERDPointStyle eStyle, int iScale, const Painting::MarkerShape& Shape)
{
    MarkerMask Marker{eStyle, iScale, Shape, {}, 0, {}, {}, {}};
    const long iReach =
        std::max({Shape.iDotWidth, Shape.iCrossHalfSize + 1, Shape.iSquareHalfSize + Shape.iSquareWidth}) + 2;
    if (iReach > c_iMaxReach || Shape.iDotWidth < 0 || Shape.iCrossHalfSize < 0 || Shape.iSquareHalfSize < 0)
        return Marker; // drawn by the painter
    const int iSide = static_cast<int>((2 * iReach + 1) * iScale);

    // Each primitive's blend of each pixel, into the first layer that pixel has none in yet.
    std::vector<QImage> vecLayers;
    ForEachPrimitive(eStyle, iReach, Shape, [&](auto DrawPrimitive) {
        QImage Primitive = Transparent(iSide, iScale);
        QPainter Painter(&Primitive);
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.setPen(Painting::MarkerPen(Qt::white, eStyle, Shape));
        DrawPrimitive(Painter);
        Painter.end();
        for (int iY = 0; iY < iSide; ++iY) {
            for (int iX = 0; iX < iSide; ++iX) {
                const QRgb uPixel = reinterpret_cast<const QRgb*>(Primitive.constScanLine(iY))[iX];
                if (qAlpha(uPixel) == 0)
                    continue;
                std::size_t iLayer = 0;
                while (iLayer < vecLayers.size()
                       && reinterpret_cast<const QRgb*>(vecLayers[iLayer].constScanLine(iY))[iX])
                    ++iLayer;
                if (iLayer == vecLayers.size())
                    vecLayers.push_back(Transparent(iSide, iScale));
                reinterpret_cast<QRgb*>(vecLayers[iLayer].scanLine(iY))[iX] = uPixel;
            }
        }
    });

    // The tinted layers must give the painter's own marker in colours whose channels round every way,
    // on any background, or the painter draws it.
    for (const QColor& Color : {QColor(Qt::white), QColor(255, 128, 0), QColor(17, 99, 201), QColor(128, 1, 77)}) {
        const QPen Pen = Painting::MarkerPen(Color, eStyle, Shape);
        const std::vector<QImage> vecColored = Tinted(vecLayers, Color.rgb());
        for (const QColor& Background :
             {QColor(Qt::white), QColor(Qt::black), QColor(113, 205, 68), QColor(30, 200, 90)}) {
            QImage Direct(iSide, iSide, QImage::Format_ARGB32_Premultiplied), Layered = Direct;
            Direct.setDevicePixelRatio(iScale);
            Layered.setDevicePixelRatio(iScale);
            Direct.fill(Background);
            Layered.fill(Background);
            QPainter DirectPainter(&Direct), LayeredPainter(&Layered);
            DirectPainter.setRenderHint(QPainter::Antialiasing);
            DirectPainter.setPen(Pen);
            Painting::DrawMarker(DirectPainter, eStyle, iReach, iReach, Shape);
            for (const QImage& Layer : vecColored)
                LayeredPainter.drawImage(QPointF(0, 0), Layer);
            DirectPainter.end();
            LayeredPainter.end();
            if (Direct != Layered)
                return Marker;
        }
    }
    Marker.iReach = iReach;
    // Each image shrinks to the pixels it lights: a blend costs per pixel, lit or not.
    for (QImage& Layer : vecLayers) {
        QRect Lit;
        for (int iY = 0; iY < iSide; ++iY)
            for (int iX = 0; iX < iSide; ++iX)
                if (reinterpret_cast<const QRgb*>(Layer.constScanLine(iY))[iX])
                    Lit |= QRect(iX, iY, 1, 1);
        Marker.vecOffsets.push_back(QPointF(Lit.x(), Lit.y()) / iScale);
        for (int iY = Lit.top(); iY <= Lit.bottom(); ++iY)
            for (int iX = Lit.left(); iX <= Lit.right(); ++iX)
                if (const QRgb uPixel = reinterpret_cast<const QRgb*>(Layer.constScanLine(iY))[iX])
                    Marker.vecPixels.push_back({iX, iY, static_cast<std::uint32_t>(qAlpha(uPixel))});
        Layer = Layer.copy(Lit);
        Layer.setDevicePixelRatio(iScale);
    }
    Marker.vecLayers = std::move(vecLayers);
    return Marker;
}

} // namespace Markers

/// The marker of the thread's cache, for this style, scale and size; null where it is drawn by the
/// painter. Colours share it, so a frame of many colours builds it once.
inline const MarkerMask* CachedMarker(ERDPointStyle eStyle, int iScale, const Painting::MarkerShape& Shape)
{
    thread_local std::list<MarkerMask> s_Cache; // the most recently used first
    for (auto It = s_Cache.begin(); It != s_Cache.end(); ++It) {
        if (It->eStyle == eStyle && It->iScale == iScale && Markers::SameShape(It->Shape, Shape)) {
            s_Cache.splice(s_Cache.begin(), s_Cache, It);
            return It->vecLayers.empty() ? nullptr : &*It;
        }
    }
    if (s_Cache.size() == 32)
        s_Cache.pop_back();
    s_Cache.push_front(Markers::Build(eStyle, iScale, Shape));
    return s_Cache.front().vecLayers.empty() ? nullptr : &s_Cache.front();
}

/// The marker's layers in an opaque colour, kept for the colours drawn last.
inline const std::vector<QImage>& TintedLayers(const MarkerMask& Marker, QRgb uColor)
{
    auto& listTinted = Marker.listTinted;
    for (auto It = listTinted.begin(); It != listTinted.end(); ++It) {
        if (It->first == uColor) {
            listTinted.splice(listTinted.begin(), listTinted, It);
            return It->second;
        }
    }
    if (listTinted.size() == Markers::c_iTintedColors)
        listTinted.pop_back();
    listTinted.emplace_front(uColor, Markers::Tinted(Marker.vecLayers, uColor));
    return listTinted.front().second;
}

/// The marker's lit pixels in an opaque colour, each at its place from the marker's corner in an
/// image of this many pixels per row, in the order they are blended.
inline void TintedPixels(const MarkerMask& Marker, QRgb uColor, long iStride,
                         std::vector<std::pair<long, QRgb>>& vecPixels)
{
    vecPixels.clear();
    for (const MarkerMask::Pixel& Pixel : Marker.vecPixels)
        vecPixels.emplace_back(Pixel.iY * iStride + Pixel.iX, Tint(uColor, Pixel.uCoverage));
}

} // namespace Decimation
} // namespace KelmFramework

#endif // RDMARKERCACHE_P_H
