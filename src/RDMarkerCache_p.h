// MarkerCache: markers drawn once per style and size as the coverage of their pixels, tinted to a colour
// wherever a line has a vertex or a point is drawn.
#ifndef RDMARKERCACHE_P_H
#define RDMARKERCACHE_P_H

#include "RDBlend_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"
#include "RDRoute_p.h"
#include "ResultDisplayTypes.h"

#include <QColor>
#include <QImage>
#include <QLine>
#include <QPaintEngine>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <utility>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

// One marker of one style, size, scale and sub-pixel phase as the painter draws it in opaque white
// on transparent pixels, so that each pixel holds its coverage: a colour's marker is that coverage
// tinted, as the raster engine's coverage does not depend on the colour, and the engine draws a
// marker moved by whole device pixels the same. In layers: a pixel lit by two of the marker's
// primitives (a cross's centre, a square's corners at one device pixel per pixel) has its first
// blend in the first layer and its second in the next, so that blending the layers in turn gives
// every pixel the blends of the marker, in their order.
struct MarkerMask
{
    long iReach = 0;  // pixels from the centre the marker may reach; 0 where the painter draws it
    long iCorner = 0; // device pixels from the pixels' origin to the device pixel of the centre
    // The lit pixels, layer by layer, from the origin, as runs along rows four pixels at a time (a
    // blend of no coverage changes no pixel): the blends to write where the painter's image is
    // written directly.
    struct Run
    {
        int iX, iY, iLength, iFirst; // iFirst: of its pixels in vecLevelOf
    };
    std::vector<Run> vecRuns;
    Frame Lit{0, 0, -1, -1}; // of the runs, from the origin
    // The coverages that occur, and which of them each pixel of the runs has: a colour is tinted
    // per coverage, not per pixel.
    std::vector<std::uint8_t> vecLevels, vecLevelOf;
    // The runs' blends in the colours drawn last, each in its slot: a frame's lines and points of a
    // colour find them tinted.
    struct Tints
    {
        QRgb uColor = 0;
        bool bSet = false;
        std::vector<QRgb> vecSources; // of the runs' pixels, as the painter blends them
        int iLimit = 1;               // blends in a row that change a pixel
        unsigned long uAsked = 0;     // when last asked for
    };
    mutable std::vector<Tints> vecTints;
    mutable unsigned long uAsked = 0;
    // At a whole scale, for painters that blend images themselves: the layers cut to the pixels
    // they light, with the scale as their pixel ratio, each at its offset in pixels from the centre.
    std::vector<QImage> vecLayers;
    std::vector<QPointF> vecOffsets;
    // The layers in the colours drawn last.
    mutable std::list<std::pair<QRgb, std::vector<QImage>>> listTinted;
};

namespace Markers
{

// Markers larger than this are drawn by the painter.
constexpr long c_iMaxReach = 64;

// Colours whose tinted layers are kept: a frame's lines and points rarely have more.
constexpr std::size_t c_iTintedColors = 64;

// Blends of one marker on one pixel that change it at most, whatever its colour.
constexpr int c_iMostRepeats = 256;

inline int Multiply(int iX, int iA)
{
    const int iT = iX * iA;
    return (iT + (iT >> 8) + 0x80) >> 8;
}

/// The longest run of blends of one of these pixels that still changes a channel: a blend moves a
/// channel toward a fixed value by a whole step or not at all, so from the far ends of the range
/// it takes longest.
inline int RepeatLimit(const QRgb* puPixels, std::size_t iCount)
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
    for (std::size_t i = 0; i < iCount; ++i) {
        const QRgb uPixel = puPixels[i];
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

/// Pixels from a marker's centre that its pen may reach, and some for antialiasing; 0 for sizes
/// the painter draws.
inline long ReachOf(const Painting::MarkerShape& Shape)
{
    const long iReach = std::max({Shape.iDotWidth, Shape.iCrossHalfSize + Shape.iCrossWidth,
                                  Shape.iSquareHalfSize + Shape.iSquareWidth})
                        + 2;
    const bool bSized = Shape.iDotWidth >= 0 && Shape.iCrossHalfSize >= 0 && Shape.iCrossWidth >= 0
                        && Shape.iSquareHalfSize >= 0 && Shape.iSquareWidth >= 0;
    return bSized && iReach <= c_iMaxReach ? iReach : 0;
}

inline QImage Transparent(int iSide)
{
    QImage Image(iSide, iSide, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::transparent);
    return Image;
}

inline QRgb& PixelAt(QImage& Image, int iX, int iY)
{
    return reinterpret_cast<QRgb*>(Image.scanLine(iY))[iX];
}

inline QRgb PixelAt(const QImage& Image, int iX, int iY)
{
    return reinterpret_cast<const QRgb*>(Image.constScanLine(iY))[iX];
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

// The primitives a marker is drawn with, one at a time: a square as its four sides in turn, or whole,
// as one outline (its corners blended once), a cross as its two arms.
template <class Function>
void ForEachPrimitive(ERDPointStyle eStyle, long iC, const Painting::MarkerShape& Shape, bool bWhole, Function Draw)
{
    if (eStyle == eRDPointSquare && !bWhole) {
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
        Draw([eStyle, iC, &Shape](QPainter& Painter) { Painting::DrawMarker(Painter, eStyle, iC, iC, Shape); });
    }
}

/// The lit pixels of the layers as the marker's runs: along a row, lit pixels up to three apart
/// and the pixels between them, in blends of four (the ends stay in the row: iSide is a multiple of
/// four).
inline void SetRuns(MarkerMask& Marker, const std::vector<QImage>& vecLayers, int iSide)
{
    Marker.vecRuns.clear();
    Marker.vecLevels.clear();
    Marker.vecLevelOf.clear();
    Marker.vecTints.clear();
    Marker.Lit = {0, 0, -1, -1};
    std::array<int, 256> aiLevel;
    aiLevel.fill(-1);
    const auto add = [&](int iCoverage) {
        if (aiLevel[iCoverage] < 0) {
            aiLevel[iCoverage] = static_cast<int>(Marker.vecLevels.size());
            Marker.vecLevels.push_back(static_cast<std::uint8_t>(iCoverage));
        }
        Marker.vecLevelOf.push_back(static_cast<std::uint8_t>(aiLevel[iCoverage]));
    };
    for (const QImage& Layer : vecLayers) {
        for (int iY = 0; iY < iSide; ++iY) {
            for (int iX = 0; iX < iSide; ++iX) {
                if (!PixelAt(Layer, iX, iY))
                    continue;
                int iLast = iX;
                for (int iNext = iX + 1; iNext < iSide && iNext - iLast <= 4; ++iNext)
                    if (PixelAt(Layer, iNext, iY))
                        iLast = iNext;
                const int iLength = (iLast - iX + 4) / 4 * 4;
                const int iStart = std::min(iX, iSide - iLength);
                Marker.vecRuns.push_back({iStart, iY, iLength, static_cast<int>(Marker.vecLevelOf.size())});
                // Pixels of the blends outside the run, which another run may light, take none.
                for (int i = iStart; i < iStart + iLength; ++i)
                    add(i >= iX && i <= iLast ? qAlpha(PixelAt(Layer, i, iY)) : 0);
                const Frame Run{iStart, iY, iStart + iLength - 1, iY};
                Marker.Lit = Marker.Lit.IsEmpty()
                                 ? Run
                                 : Frame{std::min(Marker.Lit.iL, Run.iL), std::min(Marker.Lit.iT, Run.iT),
                                         std::max(Marker.Lit.iR, Run.iR), std::max(Marker.Lit.iB, Run.iB)};
                iX = iLast;
            }
        }
    }
}

// Colours whose blends each marker keeps, in slots by colour.
constexpr std::size_t c_iTintSlots = 64;

/// The marker's blends in an opaque colour, kept for the colours drawn last.
inline const MarkerMask::Tints& TintsOf(const MarkerMask& Marker, QRgb uColor)
{
    if (Marker.vecTints.empty())
        Marker.vecTints.resize(2 * c_iTintSlots);
    // Two ways a slot, the one asked for longer ago replaced: colours that share a slot take turns
    // rather than tint each other out line by line.
    const std::size_t iSlot = ((uColor * 2654435761u) >> 26) % c_iTintSlots;
    MarkerMask::Tints* const pWays = Marker.vecTints.data() + 2 * iSlot;
    const bool bSecond = pWays[1].bSet && pWays[1].uColor == uColor;
    const bool bFirst = !bSecond && pWays[0].bSet && pWays[0].uColor == uColor;
    MarkerMask::Tints& Slot = pWays[bSecond || (!bFirst && pWays[0].uAsked > pWays[1].uAsked) ? 1 : 0];
    Slot.uAsked = ++Marker.uAsked;
    if (!Slot.bSet || Slot.uColor != uColor) {
        std::array<QRgb, 256> auLevels;
        const std::size_t iLevels = Marker.vecLevels.size();
        for (std::size_t i = 0; i < iLevels; ++i)
            auLevels[i] = Tint(uColor, Marker.vecLevels[i]);
        // Four at a time, as they are blended: a blend reading what four stores of one pixel each
        // wrote just before waits for them.
        Slot.vecSources.resize(Marker.vecLevelOf.size());
        const std::uint8_t* const puOf = Marker.vecLevelOf.data();
        for (std::size_t i = 0; i < Slot.vecSources.size(); i += 4) {
#if defined(__x86_64__) && defined(__SSE2__)
            _mm_storeu_si128(
                reinterpret_cast<__m128i*>(Slot.vecSources.data() + i),
                _mm_set_epi32(static_cast<int>(auLevels[puOf[i + 3]]), static_cast<int>(auLevels[puOf[i + 2]]),
                              static_cast<int>(auLevels[puOf[i + 1]]), static_cast<int>(auLevels[puOf[i]])));
#else
            for (std::size_t k = i; k < i + 4; ++k)
                Slot.vecSources[k] = auLevels[puOf[k]];
#endif
        }
        Slot.iLimit = RepeatLimit(auLevels.data(), iLevels);
        Slot.uColor = uColor;
        Slot.bSet = true;
    }
    return Slot;
}

/// A marker's runs placed in an image of a given number of pixels a row.
struct PlacedRuns
{
    struct Run
    {
        long iOffset; // from the marker's origin
        int iLength, iFirst;
    };
    std::vector<Run> vecRuns;

    void Assign(const MarkerMask& Marker, long iStride)
    {
        vecRuns.clear();
        for (const MarkerMask::Run& Lit : Marker.vecRuns)
            vecRuns.push_back({Lit.iY * iStride + Lit.iX, Lit.iLength, Lit.iFirst});
    }
    /// Blends the marker iTimes with its origin at puOrigin, in these blends of its pixels.
    void Write(QRgb* puOrigin, const QRgb* puSources, long iTimes) const
    {
        for (long i = 0; i < iTimes; ++i)
            for (const Run& Lit : vecRuns)
                for (int k = 0; k < Lit.iLength; k += 4)
                    SourceOver4(puOrigin + Lit.iOffset + k, puSources + Lit.iFirst + k);
    }
};

/// The marker at iQuarters device pixels per four pixels, its centre at quarter iPhaseX, iPhaseY of
/// its device pixel; iReach 0 where the blends cannot reproduce the painter's.
inline MarkerMask Build(ERDPointStyle eStyle, int iQuarters, int iPhaseX, int iPhaseY,
                        const Painting::MarkerShape& Shape)
{
    MarkerMask Marker;
    const long iReach = ReachOf(Shape);
    if (iReach == 0)
        return Marker;
    const long iCorner = (iQuarters * iReach + 3) / 4;
    // A whole number of blends of four pixels across.
    const int iSide = static_cast<int>((2 * iCorner + 5) / 4 * 4);
    // The painter's transform moved by whole device pixels, so that the centre, drawn at (iReach,
    // iReach), lies in device pixel iCorner at the phase; at a whole scale and phase 0, the scale alone.
    const double dScale = iQuarters / 4.0;
    const QTransform Transform(dScale, 0, 0, dScale, (4 * iCorner + iPhaseX - iQuarters * iReach) / 4.0,
                               (4 * iCorner + iPhaseY - iQuarters * iReach) / 4.0);
    const bool bWholeScale = iQuarters % 4 == 0 && iPhaseX == 0 && iPhaseY == 0;

    // Each primitive's blend of each pixel, into the first layer that pixel has none in yet. The
    // painter must light no pixel on the edge of the picture: the marker may reach beyond it.
    const auto layers = [&](bool bWhole) {
        std::vector<QImage> vecLayers;
        bool bInside = true;
        ForEachPrimitive(eStyle, iReach, Shape, bWhole, [&](auto DrawPrimitive) {
            QImage Primitive = Transparent(iSide);
            QPainter Painter(&Primitive);
            Painter.setRenderHint(QPainter::Antialiasing);
            Painter.setTransform(Transform);
            Painter.setPen(Painting::MarkerPen(Qt::white, eStyle, Shape));
            DrawPrimitive(Painter);
            Painter.end();
            for (int iY = 0; iY < iSide; ++iY) {
                for (int iX = 0; iX < iSide; ++iX) {
                    const QRgb uPixel = PixelAt(Primitive, iX, iY);
                    if (qAlpha(uPixel) == 0)
                        continue;
                    bInside = bInside && iX > 0 && iY > 0 && iX < iSide - 1 && iY < iSide - 1;
                    std::size_t iLayer = 0;
                    while (iLayer < vecLayers.size() && PixelAt(vecLayers[iLayer], iX, iY))
                        ++iLayer;
                    if (iLayer == vecLayers.size())
                        vecLayers.push_back(Transparent(iSide));
                    PixelAt(vecLayers[iLayer], iX, iY) = uPixel;
                }
            }
        });
        return bInside ? vecLayers : std::vector<QImage>();
    };

    // The tinted layers must give the painter's own marker in colours whose channels round every way,
    // on any background, blended pixel by pixel and, at a whole scale, drawn as images by the painter.
    PlacedRuns Runs;
    const auto reproduces = [&](const std::vector<QImage>& vecLayers) {
        if (vecLayers.empty())
            return false;
        SetRuns(Marker, vecLayers, iSide);
        Runs.Assign(Marker, iSide);
        for (const QColor& Color : {QColor(Qt::white), QColor(255, 128, 0), QColor(17, 99, 201), QColor(128, 1, 77)}) {
            const QPen Pen = Painting::MarkerPen(Color, eStyle, Shape);
            std::vector<QImage> vecColored = Tinted(vecLayers, Color.rgb());
            for (QImage& Layer : vecColored)
                Layer.setDevicePixelRatio(dScale);
            for (const QColor& Background :
                 {QColor(Qt::white), QColor(Qt::black), QColor(113, 205, 68), QColor(30, 200, 90)}) {
                QImage Direct(iSide, iSide, QImage::Format_ARGB32_Premultiplied);
                Direct.fill(Background);
                QImage Blended = Direct, Drawn = Direct;
                QPainter DirectPainter(&Direct);
                DirectPainter.setRenderHint(QPainter::Antialiasing);
                DirectPainter.setTransform(Transform);
                DirectPainter.setPen(Pen);
                Painting::DrawMarker(DirectPainter, eStyle, iReach, iReach, Shape);
                DirectPainter.end();
                Runs.Write(reinterpret_cast<QRgb*>(Blended.bits()), TintsOf(Marker, Color.rgb()).vecSources.data(), 1);
                if (Direct != Blended)
                    return false;
                if (bWholeScale) {
                    Drawn.setDevicePixelRatio(dScale);
                    QPainter DrawnPainter(&Drawn);
                    for (const QImage& Layer : vecColored)
                        DrawnPainter.drawImage(QPointF(0, 0), Layer);
                    DrawnPainter.end();
                    Drawn.setDevicePixelRatio(1.0);
                    if (Direct != Drawn)
                        return false;
                }
            }
        }
        return true;
    };
    std::vector<QImage> vecLayers = layers(false);
    if (!reproduces(vecLayers)) {
        // At a scale the engine strokes a square's outline as one area.
        if (eStyle != eRDPointSquare || !reproduces(vecLayers = layers(true)))
            return MarkerMask(); // drawn by the painter
    }

    Marker.iReach = iReach;
    Marker.iCorner = iCorner;
    // Each image shrinks to the pixels it lights: a blend costs per pixel, lit or not.
    if (bWholeScale) {
        for (QImage& Layer : vecLayers) {
            QRect Lit;
            for (int iY = 0; iY < iSide; ++iY)
                for (int iX = 0; iX < iSide; ++iX)
                    if (PixelAt(Layer, iX, iY))
                        Lit |= QRect(iX, iY, 1, 1);
            Marker.vecOffsets.push_back(QPointF(Lit.x(), Lit.y()) / dScale);
            Layer = Layer.copy(Lit);
            Layer.setDevicePixelRatio(dScale);
        }
    }
    if (bWholeScale)
        Marker.vecLayers = std::move(vecLayers);
    return Marker;
}

/// The markers of one style and size at one scale, one per sub-pixel phase, built when first asked for.
class Family
{
public:
    Family(ERDPointStyle eStyle, int iQuarters, const Painting::MarkerShape& Shape)
        : m_eStyle(eStyle), m_iQuarters(iQuarters), m_Shape(Shape)
    {
    }
    bool Is(ERDPointStyle eStyle, int iQuarters, const Painting::MarkerShape& Shape) const
    {
        return m_eStyle == eStyle && m_iQuarters == iQuarters && SameShape(m_Shape, Shape);
    }
    /// The marker whose centre lies at quarter iPhase % 4, iPhase / 4 of its device pixel; null where
    /// the painter draws it.
    const MarkerMask* Phase(int iPhase)
    {
        if (!m_abBuilt[iPhase]) {
            m_aMasks[iPhase] = Build(m_eStyle, m_iQuarters, iPhase % 4, iPhase / 4, m_Shape);
            m_abBuilt[iPhase] = true;
        }
        return m_aMasks[iPhase].iReach > 0 ? &m_aMasks[iPhase] : nullptr;
    }
    /// The runs of a phase's marker, which must have been built, placed in rows iStride pixels apart:
    /// the lines of a frame, all on one image, place them once.
    const PlacedRuns& Placed(int iPhase, long iStride)
    {
        if (m_aiStrides[iPhase] != iStride) {
            m_aPlaced[iPhase].Assign(m_aMasks[iPhase], iStride);
            m_aiStrides[iPhase] = iStride;
        }
        return m_aPlaced[iPhase];
    }

private:
    const ERDPointStyle m_eStyle;
    const int m_iQuarters;
    const Painting::MarkerShape m_Shape;
    std::array<MarkerMask, 16> m_aMasks;
    std::array<bool, 16> m_abBuilt{};
    std::array<PlacedRuns, 16> m_aPlaced;
    std::array<long, 16> m_aiStrides{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};

// Families kept: three styles at as many scales as a thread's displays and images rarely exceed.
constexpr std::size_t c_iFamilies = 24;

} // namespace Markers

/// The thread's markers for this style, scale in quarters and size. Colours and phases share one
/// entry, so a frame of many colours builds each marker once and its lines look it up once each.
inline Markers::Family& CachedMarkers(ERDPointStyle eStyle, int iQuarters, const Painting::MarkerShape& Shape)
{
    thread_local std::list<Markers::Family> s_Cache; // the most recently used first
    for (auto It = s_Cache.begin(); It != s_Cache.end(); ++It) {
        if (It->Is(eStyle, iQuarters, Shape)) {
            s_Cache.splice(s_Cache.begin(), s_Cache, It);
            return *It;
        }
    }
    if (s_Cache.size() == Markers::c_iFamilies)
        s_Cache.pop_back();
    s_Cache.emplace_front(eStyle, iQuarters, Shape);
    return s_Cache.front();
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

/// Markers of one style and colour blended from the cached markers, tinted, where they lie clear of
/// the painter's edges: straight into its image where it may be written (at a scale in quarters,
/// from the marker of each one's sub-pixel phase), else, at a whole scale, as images.
class MarkerStamp
{
public:
    MarkerStamp(QPainter& Painter, const Target& Where, ERDPointStyle eStyle, const Painting::MarkerShape& Shape,
                const QColor& Color)
        : m_Painter(Painter), m_Where(Where), m_uColor(Color.rgb())
    {
        // A square is filled with the painter's brush, which an image cannot know; a translucent
        // colour is blended in order with the line's other blends.
        const bool bOpaque = Color.alpha() == 255 && Painter.opacity() == 1.0;
        const bool bCached = (Where.eRoute == Route::Canvas || (Where.eRoute == Route::Phased && bOpaque))
                             && (eStyle != eRDPointSquare || Painter.brush().style() == Qt::NoBrush);
        const long iReach = Markers::ReachOf(Shape);
        if (!bCached || iReach == 0)
            return;
        if (Where.eRoute == Route::Phased)
            m_pDevice = &Where;
        const Target& Device = m_pDevice ? *m_pDevice : Where;
        m_iStride = Device.pImage ? static_cast<long>(Device.pImage->bytesPerLine() / sizeof(QRgb)) : 0;
        m_pFamily = &CachedMarkers(eStyle, m_pDevice ? m_pDevice->iQuarters : 4, Shape);
        m_Clear = {Where.iLeft + iReach, Where.iTop + iReach, Where.iRight - iReach, Where.iBottom - iReach};
        AfterEngine();
        // One set per thread: a point's markers are tinted on every call.
        thread_local std::array<Tinted, 16> s_aPhases;
        m_pPhases = &s_aPhases;
        for (Tinted& Phase : s_aPhases)
            Phase.bLooked = false;
    }
    MarkerStamp(const MarkerStamp&) = delete;
    MarkerStamp& operator=(const MarkerStamp&) = delete;

    /// Blends a run of iRun markers at (iX, iY), as often as that changes a pixel; answers how many
    /// the painter must draw there instead: none where they were blended.
    long Blend(long iX, long iY, long iRun)
    {
        // Markers this far out are never seen; the device positions of nearer ones do not overflow.
        if (!m_pFamily || std::abs(iX) > c_iMaxCanvas || std::abs(iY) > c_iMaxCanvas)
            return Painted(std::min<long>(iRun, Markers::c_iMostRepeats));
        const Target& Device = m_pDevice ? *m_pDevice : m_Where;
        const long iQX = Device.iQuarters * iX + Device.iQuarterX, iQY = Device.iQuarters * iY + Device.iQuarterY;
        const Tinted& Phase = PhaseOf(static_cast<int>((iQY & 3) * 4 + (iQX & 3)));
        const long iTimes = std::min<long>(iRun, Phase.iLimit);
        const MarkerMask* const pMarker = Phase.pMarker;
        if (!pMarker || !m_Clear.Contains(iX, iY))
            return Painted(iTimes);
        if (m_bPainted) {
            AfterEngine();
            m_bPainted = false;
        }
        if (m_pDevice) {
            const long iLeft = Numeric::FloorDiv(iQX, 4) - pMarker->iCorner;
            const long iTop = Numeric::FloorDiv(iQY, 4) - pMarker->iCorner;
            if (DeviceWritable({iLeft + pMarker->Lit.iL, iTop + pMarker->Lit.iT, iLeft + pMarker->Lit.iR,
                                iTop + pMarker->Lit.iB})) {
                Phase.pRuns->Write(reinterpret_cast<QRgb*>(const_cast<uchar*>(Device.pImage->constBits()))
                                       + iTop * m_iStride + iLeft,
                                   Phase.puSources, iTimes);
                return 0;
            }
        } else if (m_Where.pImage) {
            const long iLeft = iX - pMarker->iCorner, iTop = iY - pMarker->iCorner;
            const Frame Box{iLeft + pMarker->Lit.iL, iTop + pMarker->Lit.iT, iLeft + pMarker->Lit.iR,
                            iTop + pMarker->Lit.iB};
            if (Box.iL >= m_Where.iLeft && Box.iT >= m_Where.iTop && Box.iR <= m_Where.iRight
                && Box.iB <= m_Where.iBottom && WritableBox(m_Where, Box)) {
                Phase.pRuns->Write(PixelOf(m_Where, iLeft, iTop), Phase.puSources, iTimes);
                return 0;
            }
        }
        // Images are drawn only at a whole scale: shifted by a fraction of a device pixel, the
        // painter would resample them.
        if (pMarker->vecLayers.empty())
            return Painted(iTimes);
        if (!m_pLayers)
            m_pLayers = &TintedLayers(*pMarker, m_uColor);
        const QPointF At(static_cast<double>(iX - pMarker->iReach), static_cast<double>(iY - pMarker->iReach));
        for (long i = 0; i < iTimes; ++i)
            for (std::size_t iLayer = 0; iLayer < m_pLayers->size(); ++iLayer)
                m_Painter.drawImage(At + pMarker->vecOffsets[iLayer], (*m_pLayers)[iLayer]);
        m_bPainted = true;
        return 0;
    }

private:
    // Markers the painter draws.
    long Painted(long iTimes)
    {
        m_bPainted = true;
        return iTimes;
    }

    // A phase's marker in the colour, as the blends it writes into the image.
    struct Tinted
    {
        bool bLooked = false;
        const MarkerMask* pMarker = nullptr;
        const Markers::PlacedRuns* pRuns = nullptr;
        const QRgb* puSources = nullptr;
        int iLimit = Markers::c_iMostRepeats;
    };

    const Tinted& PhaseOf(int iPhase)
    {
        Tinted& Phase = (*m_pPhases)[static_cast<std::size_t>(iPhase)];
        if (!Phase.bLooked) {
            Phase.bLooked = true;
            Phase.pMarker = m_pFamily->Phase(iPhase);
            Phase.iLimit = Markers::c_iMostRepeats;
            if (Phase.pMarker) {
                Phase.pRuns = &m_pFamily->Placed(iPhase, m_iStride);
                const MarkerMask::Tints& Tints = Markers::TintsOf(*Phase.pMarker, m_uColor);
                Phase.puSources = Tints.vecSources.data();
                Phase.iLimit = Tints.iLimit;
            }
        }
        return Phase;
    }

    // Whether the device pixels of Box may all be written directly.
    bool DeviceWritable(const Frame& Box) const
    {
        const Target& Device = *m_pDevice;
        const Frame& All = Device.DeviceWritable;
        if (Box.iL < All.iL || Box.iT < All.iT || Box.iR > All.iR || Box.iB > All.iB)
            return false;
        const QRect Image(static_cast<int>(Box.iL), static_cast<int>(Box.iT), static_cast<int>(Box.Width()),
                          static_cast<int>(Box.Height()));
        return Device.vecRegion.empty()
               || std::any_of(Device.vecRegion.begin(), Device.vecRegion.end(),
                              [&](const QRect& Rect) { return Rect.contains(Image); });
    }

    QPainter& m_Painter;
    const Target& m_Where;
    const Target* m_pDevice = nullptr; // where markers are written in device pixels
    const QRgb m_uColor;
    long m_iStride = 0;
    Markers::Family* m_pFamily = nullptr;
    Frame m_Clear{0, 0, -1, -1};
    std::array<Tinted, 16>* m_pPhases = nullptr;
    const std::vector<QImage>* m_pLayers = nullptr;
    bool m_bPainted = false; // since the last blend
};

} // namespace Decimation
} // namespace KelmFramework

#endif // RDMARKERCACHE_P_H
