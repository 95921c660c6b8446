// Route choice: which painters the counted routes of the decimating drawing can reproduce, and where.
#ifndef RDROUTE_P_H
#define RDROUTE_P_H

#include "RDMapping_p.h"

#include <QColor>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <QTransform>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

using Mapping::Frame;

// Largest canvas and column profile (no screen comes near them); beyond, lines go to the painter.
constexpr long c_iMaxCanvas = 1L << 25;
constexpr long c_iMaxProfileRows = 1L << 16;

// How a line reaches the painter.
enum class Route {
    Exact,  // the calling grid's own drawing, primitive by primitive
    Canvas, // one device pixel per pixel: short segments are counted per pixel and blended as images
    Phased, // every other scale in quarters, and translucent colours at any: short segments blended in order
            // from shapes per sub-pixel phase
};

// The painter as the decimation sees it.
struct Target
{
    Route eRoute = Route::Exact;
    // The pixels, in the painter's coordinates, that lie clear of its device's edges and in the
    // clip's bounding rectangle (at one device pixel per pixel, in its columns): short segments
    // inside count as their pixels.
    long iLeft = 0, iTop = 0, iRight = -1, iBottom = -1;
    // The pixels, in the painter's coordinates, that the painter may write at all.
    Frame Visible{LONG_MIN / 2, LONG_MIN / 2, LONG_MAX / 2, LONG_MAX / 2};
    // The image the painter paints on, where counted blends may be written into it directly, and
    // where a pixel of the painter's coordinates lies in it.
    QImage* pImage = nullptr;
    long iOffsetX = 0, iOffsetY = 0;
    // Where the painter may not write the whole image (a clip, or a repaint of what a moving rubber
    // band exposes), the rectangles it may write, in device pixels: direct writes stay inside them,
    // as its own drawing does.
    std::vector<QRect> vecRegion;
    // Phased: device pixels per four pixels, and four times the painter's device offset, so that a
    // pixel's device position (iQuarters * x + iQuarterX) / 4 is exact; the device pixels that may be
    // written.
    int iQuarters = 4;
    long iQuarterX = 0, iQuarterY = 0;
    Frame DeviceWritable{0, 0, -1, -1};
};

// Clips of more rectangles than this are drawn through the painter, which looks them up faster.
constexpr int c_iMaxRegionRects = 64;

// Device pixels per pixel up to this are counted; larger scales are drawn exactly.
constexpr int c_iMaxScale = 8;

/// Which route a line of this colour takes on this painter. The counted routes reproduce the
/// raster engine's blends, so they need exactly those: antialiased source-over onto 32-bit pixels,
/// a scale in quarters and offsets in quarters that a whole pixel's shift reaches, and a painter's
/// clip that is one rectangle where the scale is not 1. Only at one device pixel per pixel are blends
/// counted (Canvas); at any other scale a pen lands on sub-pixel phases and is blended in order. A translucent
/// colour, or any under painter opacity, is blended in order (Phased) at every scale: the number of
/// its blends, not only whether there were any, decides a pixel.
inline Target TargetOf(QPainter& Painter, const QColor& Color)
{
    Target Result;
    QPaintEngine* const pEngine = Painter.paintEngine();
    if (!pEngine || pEngine->type() != QPaintEngine::Raster || !Painter.testRenderHint(QPainter::Antialiasing)
        || Painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return Result;
    const bool bTranslucent = Color.alpha() != 255 || Painter.opacity() != 1.0;
    const QPaintDevice* const pDevice = pEngine->paintDevice();
    if (!pDevice || pDevice->devType() != QInternal::Image)
        return Result;
    const QImage& Image = *static_cast<const QImage*>(pDevice);
    if (Image.format() != QImage::Format_RGB32 && Image.format() != QImage::Format_ARGB32_Premultiplied)
        return Result;
    // Device coordinates are the image's pixels: a widget's painter is moved to where the widget
    // lies in its window's image.
    const QTransform Transform = Painter.deviceTransform();
    const double dScale = Transform.m11();
    if (Transform.type() > QTransform::TxScale || Transform.m22() != dScale || dScale < 1.0 || dScale > c_iMaxScale
        || 4 * dScale != std::floor(4 * dScale) || 4 * Transform.dx() != std::floor(4 * Transform.dx())
        || 4 * Transform.dy() != std::floor(4 * Transform.dy()) || std::abs(Transform.dx()) > c_iMaxCanvas
        || std::abs(Transform.dy()) > c_iMaxCanvas)
        return Result;
    const int iQuarters = static_cast<int>(4 * dScale);
    const bool bPerPixel = dScale == 1.0 && Transform.dx() == std::floor(Transform.dx())
                           && Transform.dy() == std::floor(Transform.dy()) && !bTranslucent;
    const bool bPhased = !bPerPixel;
    // A sub-pixel phase is reached from another only by whole pixels: its shapes are measured so.
    const int iReach = std::gcd(iQuarters, 4);
    if (bPhased
        && (static_cast<long>(4 * Transform.dx()) % iReach != 0 || static_cast<long>(4 * Transform.dy()) % iReach != 0))
        return Result;

    // The writable pixels in device coordinates. At one device pixel per pixel the raster engine
    // lights a pixel inside a clip as it would without one, so any region will do; scaled, it
    // strokes lines as areas cut at the bounding rectangle of a system clip, whose inner edges then
    // only mask pixels.
    QRegion Writable(Image.rect());
    const QRegion System = pEngine->systemClip();
    if (!System.isEmpty())
        Writable &= System;
    if (Painter.hasClipping()) {
        const QRegion Clip = Painter.clipRegion();
        if (Clip.rectCount() == 1)
            Writable &= Transform.mapRect(Clip.boundingRect());
        else if (bPerPixel)
            Writable &= Clip.translated(static_cast<int>(Transform.dx()), static_cast<int>(Transform.dy()));
        else
            return Result;
    }
    // Counted pixels are kept two off the image's edges, where the raster engine cuts a line's
    // geometry rather than its pixels. At one device pixel per pixel it lights a pixel inside a clip
    // as it would without one, so short segments count in every row and in the clip's columns and
    // one beyond, where a segment lights pixels on both sides; only the pixels inside are written.
    // Counted so, a dense line leaving the clip through its top and bottom stays counted.
    // (A rectangle turned inside out by the margins would come out of & turned back.)
    const QRect Box = Writable.boundingRect();
    const QRect Margins = (bPerPixel ? Image.rect() : Box).adjusted(2, 2, -2, -2);
    if (Margins.isEmpty() || Writable.isEmpty())
        return Result;
    const QRect Bounds = bPerPixel
                             ? Margins
                                   & QRect(QPoint(Box.left(), Margins.top()), QPoint(Box.right() + 1, Margins.bottom()))
                             : Margins;
    if (Bounds.isEmpty())
        return Result;
    const QTransform Inverse = Transform.inverted();
    const QRectF Seen = Inverse.mapRect(QRectF(Writable.boundingRect()));
    Result.Visible = {static_cast<long>(std::floor(Seen.left())), static_cast<long>(std::floor(Seen.top())),
                      static_cast<long>(std::ceil(Seen.right())) - 1, static_cast<long>(std::ceil(Seen.bottom())) - 1};
    const QRectF Logical = Inverse.mapRect(QRectF(Bounds));
    Result.eRoute = bPhased ? Route::Phased : Route::Canvas;
    Result.iLeft = static_cast<long>(std::ceil(Logical.left()));
    Result.iTop = static_cast<long>(std::ceil(Logical.top()));
    Result.iRight = static_cast<long>(std::floor(Logical.right())) - 1;
    Result.iBottom = static_cast<long>(std::floor(Logical.bottom())) - 1;
    // Direct writes stay inside the writable rectangles, where they are not the whole image.
    const auto keepRegion = [&] {
        if (Writable != QRegion(Image.rect()))
            Result.vecRegion.assign(Writable.begin(), Writable.end());
    };
    if (bPerPixel && Writable.rectCount() <= c_iMaxRegionRects) {
        Result.pImage = const_cast<QImage*>(&Image);
        Result.iOffsetX = static_cast<long>(Transform.dx());
        Result.iOffsetY = static_cast<long>(Transform.dy());
        keepRegion();
    }
    const bool bRegion = Writable.rectCount() > 1;
    if (!bPerPixel && bRegion && Writable.rectCount() > c_iMaxRegionRects)
        return Target();
    if (bPhased) {
        // Phased segments are only ever written straight into the image, inside the system clip's
        // rectangles, whose edges are whole device pixels.
        if (bRegion && Painter.hasClipping())
            return Target();
        Result.pImage = const_cast<QImage*>(&Image);
        if (!Painter.hasClipping())
            keepRegion();
        Result.iQuarters = iQuarters;
        Result.iQuarterX = static_cast<long>(4 * Transform.dx());
        Result.iQuarterY = static_cast<long>(4 * Transform.dy());
        Result.DeviceWritable = {Bounds.left(), Bounds.top(), Bounds.right(), Bounds.bottom()};
    }
    return Result;
}

/// The part of the device rectangle in which short segments count as pixels: inside the painter's
/// writable pixels, and small enough for a canvas; empty where there is none.
inline Frame StampFrame(const Frame& Device, const Target& Where)
{
    Frame Result{std::max(Device.iL, Where.iLeft), std::max(Device.iT, Where.iTop), std::min(Device.iR, Where.iRight),
                 std::min(Device.iB, Where.iBottom)};
    if (Result.IsEmpty() || Result.Height() >= c_iMaxProfileRows
        || Result.Width() + 1 > c_iMaxCanvas / (Result.Height() + 1))
        return Frame{0, 0, -1, -1};
    return Result;
}

} // namespace Decimation
} // namespace KelmFramework

#endif // RDROUTE_P_H
