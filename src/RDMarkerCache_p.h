// MarkerCache: markers drawn once into images, to be blended wherever a line has a vertex.
#ifndef RDMARKERCACHE_P_H
#define RDMARKERCACHE_P_H

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
#include <deque>
#include <utility>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

// One marker of one style, colour and scale, as the painter would draw it on transparent pixels,
// in layers: a pixel lit by two of the marker's primitives (a cross's centre, a square's corners)
// has its first blend in the first layer and its second in the next, so that blending the layers
// in turn gives every pixel the blends of the marker, in their order.
struct MarkerImage
{
    ERDPointStyle eStyle;
    QRgb uColor;
    int iScale;
    Painting::MarkerShape Shape;
    std::vector<QImage> vecLayers;   // device pixels, with the scale as their pixel ratio; none where
                                     // the painter draws the marker
    long iReach = 0;                 // pixels from the marker's centre to where the images were drawn
    std::vector<QPointF> vecOffsets; // of each image from there, cut to the pixels it lights
    int iRepeatLimit = 0;            // markers in a row after which a further one changes no pixel
    // The lit pixels of the images, image by image, from where they were drawn: the blends to
    // write where the painter's image is written directly.
    struct Pixel
    {
        int iX, iY;
        QRgb uColor;
    };
    std::vector<Pixel> vecPixels;
};

namespace Markers
{

// Markers larger than this are drawn by the painter.
constexpr long c_iMaxReach = 64;

inline int Multiply(int iX, int iA)
{
    const int iT = iX * iA;
    return (iT + (iT >> 8) + 0x80) >> 8;
}

// The longest run of blends of one image pixel that still changes a channel: a blend moves a
// channel toward a fixed value by a whole step or not at all, so from the far ends of the range
// it takes longest.
inline int RepeatLimit(const QImage& Image)
{
    int iLimit = 1;
    for (int iY = 0; iY < Image.height(); ++iY) {
        const QRgb* const puRow = reinterpret_cast<const QRgb*>(Image.constScanLine(iY));
        for (int iX = 0; iX < Image.width(); ++iX) {
            const QRgb uPixel = puRow[iX];
            const int iAlpha = qAlpha(uPixel);
            if (iAlpha == 0)
                continue;
            for (int iChannel : {qRed(uPixel), qGreen(uPixel), qBlue(uPixel), iAlpha}) {
                for (int iValue : {0, 255}) {
                    int iSteps = 0;
                    for (int iNext = iChannel + Multiply(iValue, 255 - iAlpha); iNext != iValue && iSteps < 256;
                         iNext = iChannel + Multiply(iValue, 255 - iAlpha)) {
                        iValue = iNext;
                        ++iSteps;
                    }
                    iLimit = std::max(iLimit, iSteps + 1);
                }
            }
        }
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

inline MarkerImage Build(ERDPointStyle eStyle, const QColor& Color, int iScale, const Painting::MarkerShape& Shape)
{
    MarkerImage Marker{eStyle, Color.rgb(), iScale, Shape, {}, 0, {}, 0, {}};
    const long iReach =
        std::max({Shape.iDotWidth, Shape.iCrossHalfSize + 1, Shape.iSquareHalfSize + Shape.iSquareWidth}) + 2;
    if (iReach > c_iMaxReach || Shape.iDotWidth < 0 || Shape.iCrossHalfSize < 0 || Shape.iSquareHalfSize < 0)
        return Marker; // drawn by the painter
    const int iSide = static_cast<int>((2 * iReach + 1) * iScale);
    const QPen Pen = Painting::MarkerPen(Color, eStyle, Shape);

    // Each primitive's blend of each pixel, into the first layer that pixel has none in yet.
    std::vector<QImage> vecLayers;
    ForEachPrimitive(eStyle, iReach, Shape, [&](auto DrawPrimitive) {
        QImage Primitive = Transparent(iSide, iScale);
        QPainter Painter(&Primitive);
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.setPen(Pen);
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

    // The layers must give the painter's own marker on any background, or the painter draws it.
    for (const QColor& Background : {QColor(Qt::white), QColor(Qt::black), QColor(113, 205, 68), QColor(30, 200, 90)}) {
        QImage Direct(iSide, iSide, QImage::Format_ARGB32_Premultiplied), Layered = Direct;
        Direct.setDevicePixelRatio(iScale);
        Layered.setDevicePixelRatio(iScale);
        Direct.fill(Background);
        Layered.fill(Background);
        QPainter DirectPainter(&Direct), LayeredPainter(&Layered);
        DirectPainter.setRenderHint(QPainter::Antialiasing);
        DirectPainter.setPen(Pen);
        Painting::DrawMarker(DirectPainter, eStyle, iReach, iReach, Shape);
        for (const QImage& Layer : vecLayers)
            LayeredPainter.drawImage(QPointF(0, 0), Layer);
        DirectPainter.end();
        LayeredPainter.end();
        if (Direct != Layered)
            return Marker;
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
                    Marker.vecPixels.push_back({iX, iY, uPixel});
        Layer = Layer.copy(Lit);
        Layer.setDevicePixelRatio(iScale);
        Marker.iRepeatLimit = std::max(Marker.iRepeatLimit, RepeatLimit(Layer));
    }
    Marker.vecLayers = std::move(vecLayers);
    return Marker;
}

} // namespace Markers

/// The marker images of the thread, a few styles and colours at a time; null where a marker is
/// drawn by the painter.
inline const MarkerImage* CachedMarker(ERDPointStyle eStyle, const QColor& Color, int iScale,
                                       const Painting::MarkerShape& Shape)
{
    thread_local std::deque<MarkerImage> s_Cache;
    for (const MarkerImage& Marker : s_Cache) {
        if (Marker.eStyle == eStyle && Marker.uColor == Color.rgb() && Marker.iScale == iScale
            && Markers::SameShape(Marker.Shape, Shape))
            return Marker.vecLayers.empty() ? nullptr : &Marker;
    }
    if (s_Cache.size() == 32)
        s_Cache.pop_front();
    s_Cache.push_back(Markers::Build(eStyle, Color, iScale, Shape));
    return s_Cache.back().vecLayers.empty() ? nullptr : &s_Cache.back();
}

} // namespace Decimation
} // namespace KelmFramework

#endif // RDMARKERCACHE_P_H
