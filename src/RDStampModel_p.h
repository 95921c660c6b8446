// StampModel: the pixels the raster engine lights for the short segments a dense line is made of.
#ifndef RDSTAMPMODEL_P_H
#define RDSTAMPMODEL_P_H

#include "RDMapping_p.h"
#include "RDPainting_p.h"

#include <QImage>
#include <QLine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <tuple>
#include <type_traits>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace KelmFramework
{
namespace Decimation
{

using Mapping::Frame;

// Qt's patterns for a one-pixel pen, as the raster engine starts them anew with every line: dots
// 1 on, 2 off; dash-dots 4 on, 2 off, 1 on, 2 off.
struct DashPattern
{
    long iPeriod;
    unsigned uOnMask; // bit k: the k-th pixel from a line's start is lit
};
constexpr DashPattern c_Solid{1, 0x1};
constexpr DashPattern c_Dotted{3, 0x1};
constexpr DashPattern c_DashDotted{9, 0x4f};

/// Pixels lit from a line's start before its pattern first pauses: a segment no longer lights
/// them as a solid one does. A solid line counts as long as a segment across is counted.
constexpr long FirstDash(const DashPattern& Pattern)
{
    if (Pattern.iPeriod == 1)
        return 8;
    long iLit = 0;
    for (unsigned uMask = Pattern.uOnMask; uMask & 1u; uMask >>= 1)
        ++iLit;
    return iLit;
}

/// The pattern of a one-pixel pen of this style, and back.
inline const DashPattern& PatternOf(Qt::PenStyle eStyle)
{
    return eStyle == Qt::DotLine ? c_Dotted : eStyle == Qt::DashDotLine ? c_DashDotted : c_Solid;
}
inline Qt::PenStyle StyleOf(const DashPattern& Pattern)
{
    return Pattern.iPeriod == 3 ? Qt::DotLine : Pattern.iPeriod == 9 ? Qt::DashDotLine : Qt::SolidLine;
}

/// Whether the pattern lights the pixel iStep from a line's start.
inline bool Lit(const DashPattern& Pattern, long iStep)
{
    return (Pattern.uOnMask >> (iStep % Pattern.iPeriod)) & 1u;
}

/// Calls Dash(iFrom, iLength) for every dash a line iLength pixels long along an axis lights,
/// iFrom pixels from its start.
template <class Function>
void ForEachDash(const DashPattern& Pattern, long iLength, Function Dash)
{
    // The place in the period is carried along: a dense patterned line steps through this for every
    // segment down a pixel column, where a division per pixel showed in profiles.
    long iPhase = 0;
    for (long iFrom = 0; iFrom < iLength;) {
        const bool bOn = (Pattern.uOnMask >> iPhase) & 1u;
        long iRun = 1;
        while (iPhase + iRun < Pattern.iPeriod && ((Pattern.uOnMask >> (iPhase + iRun)) & 1u) == bOn)
            ++iRun;
        if (bOn)
            Dash(iFrom, std::min(iRun, iLength - iFrom));
        iFrom += iRun;
        iPhase = iPhase + iRun == Pattern.iPeriod ? 0 : iPhase + iRun;
    }
}

// What one short segment lights at one device pixel per pixel, checked against the raster engine
// once per process. The counted route relies on it; where the engine draws otherwise, lines go to
// it whole. A vertical segment from row a to row b lights rows min(a,b) .. max(a,b) - 1 of the
// columns left and right of it, by iLeft and iRight, pixel k from its start where the pattern says;
// a segment of no length, and one of one pixel along both axes, lights one pixel fully; a segment
// across, up to the pattern's first dash, lights the rows above and below it by iLeft and iRight.
struct StampModel
{
    bool bValid = false;
    int iLeft = 0;  // coverage left of a vertical segment, and above a horizontal one
    int iRight = 0; // right of a vertical segment, below a horizontal one
};

namespace Probe
{

// Alpha of every pixel of Image where a primitive was drawn in opaque white.
inline QImage Draw(Qt::PenStyle eStyle, const QLine& Line)
{
    QImage Image(40, 40, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::transparent);
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(Painting::FlatPen(Qt::white, 1.0, eStyle));
    Painter.drawLines(&Line, 1);
    return Image;
}

// Whether Image holds exactly the expected alphas: Expected(x, y) in device pixels.
template <class Function>
bool Matches(const QImage& Image, Function Expected)
{
    for (int iY = 0; iY < Image.height(); ++iY)
        for (int iX = 0; iX < Image.width(); ++iX)
            if (qAlpha(Image.pixel(iX, iY)) != Expected(iX, iY))
                return false;
    return true;
}

// The vertical segments of every pattern and direction; row r is lit from a downward segment
// starting at a when r - a is lit, from an upward one starting at b when b - 1 - r is.
inline bool VerticalsMatch(int iLeft, int iRight)
{
    for (const DashPattern& Pattern : {c_Solid, c_Dotted, c_DashDotted}) {
        const Qt::PenStyle eStyle = StyleOf(Pattern);
        for (bool bDown : {true, false}) {
            const int iA = 5, iB = 31, iColumn = 11;
            const QImage Image = Draw(eStyle,
                                      bDown ? QLine(iColumn, iA, iColumn, iB) : QLine(iColumn, iB, iColumn, iA));
            const bool bMatch = Matches(Image, [&](int iX, int iY) {
                const bool bRow = iY >= iA && iY < iB && Lit(Pattern, bDown ? iY - iA : iB - 1 - iY);
                if (!bRow)
                    return 0;
                return iX == iColumn - 1 ? iLeft : iX == iColumn ? iRight : 0;
            });
            if (!bMatch)
                return false;
        }
    }
    return true;
}

inline StampModel Measure()
{
    StampModel Model;
    const QImage Vertical = Draw(Qt::SolidLine, QLine(11, 5, 11, 9));
    Model.iLeft = qAlpha(Vertical.pixel(10, 6));
    Model.iRight = qAlpha(Vertical.pixel(11, 6));
    if (Model.iLeft <= 0 || Model.iRight <= 0 || !VerticalsMatch(Model.iLeft, Model.iRight))
        return Model;
    for (Qt::PenStyle eStyle : {Qt::SolidLine, Qt::DotLine, Qt::DashDotLine}) {
        // No length, and one pixel along both axes, in every direction.
        for (const QLine& Line : {QLine(10, 10, 10, 10), QLine(10, 10, 11, 11), QLine(10, 10, 11, 9),
                                  QLine(10, 10, 9, 11), QLine(10, 10, 9, 9)}) {
            const int iX0 = std::min(Line.x1(), Line.x2()), iY0 = std::min(Line.y1(), Line.y2());
            if (!Matches(Draw(eStyle, Line), [&](int iX, int iY) { return iX == iX0 && iY == iY0 ? 255 : 0; }))
                return Model;
        }
        // Across, both ways, as long as the pattern's first dash: like that many segments of one
        // pixel side by side.
        const DashPattern& Pattern = PatternOf(eStyle);
        for (int iLength = 1; iLength <= FirstDash(Pattern); ++iLength) {
            for (const QLine& Line : {QLine(10, 10, 10 + iLength, 10), QLine(10 + iLength, 10, 10, 10)}) {
                if (!Matches(Draw(eStyle, Line), [&](int iX, int iY) {
                        return iX < 10 || iX >= 10 + iLength ? 0 : iY == 9 ? Model.iLeft : iY == 10 ? Model.iRight : 0;
                    }))
                    return Model;
            }
        }
    }
    Model.bValid = true;
    return Model;
}

// Whether the engine draws a pattern at iQuarters device pixels per four pixels as the phased blends
// take it, from every sub-pixel phase a whole pixel's shift reaches: a segment no longer than the first
// dash, and one of no length, as a solid one; a longer one along an axis as its dashes, each a solid
// segment of its own.
inline bool DashesAsPieces(const DashPattern& Pattern, int iQuarters)
{
    const long iFirst = FirstDash(Pattern), iLongest = 2 * Pattern.iPeriod + 2;
    std::vector<QPoint> vecExtents;
    for (long iDX = -iFirst; iDX <= iFirst; ++iDX)
        for (long iDY = -iFirst; iDY <= iFirst; ++iDY)
            if (iDX * iDX + iDY * iDY <= iFirst * iFirst)
                vecExtents.emplace_back(static_cast<int>(iDX), static_cast<int>(iDY));
    for (int iLength = static_cast<int>(iFirst) + 1; iLength <= iLongest; ++iLength)
        vecExtents.insert(vecExtents.end(),
                          {QPoint(iLength, 0), QPoint(-iLength, 0), QPoint(0, iLength), QPoint(0, -iLength)});

    // Cells side by side in bands, each band drawn both ways and compared; the pen and its antialiasing
    // stay within iMargin of a segment.
    constexpr int iMargin = 3, iWidth = 256, iHeight = 64;
    const double dScale = iQuarters / 4.0;
    QImage Patterned(static_cast<int>(std::ceil(iWidth * dScale)), static_cast<int>(std::ceil(iHeight * dScale)),
                     QImage::Format_ARGB32_Premultiplied);
    Patterned.setDevicePixelRatio(dScale);
    Patterned.fill(Qt::transparent);
    QImage Pieces = Patterned;
    std::vector<QLine> vecPatterned, vecPieces;
    const auto matches = [&] {
        for (auto [pImage, pLines, eStyle] : {std::tuple(&Patterned, &vecPatterned, StyleOf(Pattern)),
                                              std::tuple(&Pieces, &vecPieces, Qt::SolidLine)}) {
            QPainter Painter(pImage);
            Painter.setRenderHint(QPainter::Antialiasing);
            Painter.setPen(Painting::FlatPen(Qt::white, 1.0, eStyle));
            for (const QLine& Line : *pLines)
                Painter.drawLines(&Line, 1); // each restarts the pattern
            pLines->clear();
        }
        const bool bSame = Patterned == Pieces;
        Patterned.fill(Qt::transparent);
        Pieces.fill(Qt::transparent);
        return bSame;
    };
    int iX = 0, iY = 0, iRowHeight = 0;
    for (const QPoint& Extent : vecExtents) {
        const int iCellWidth = std::abs(Extent.x()) + 2 * iMargin + 4,
                  iCellHeight = std::abs(Extent.y()) + 2 * iMargin + 4;
        for (int iPhase = 0; iPhase < 16; ++iPhase) {
            if (iX + iCellWidth > iWidth) {
                iX = 0;
                iY += iRowHeight;
                iRowHeight = 0;
            }
            if (iY + iCellHeight > iHeight) {
                if (!matches())
                    return false;
                iX = iY = 0;
            }
            const QPoint Start(iX + iMargin + std::max(-Extent.x(), 0) + iPhase % 4,
                               iY + iMargin + std::max(-Extent.y(), 0) + iPhase / 4);
            vecPatterned.emplace_back(Start, Start + Extent);
            const bool bSolid = Extent.x() * Extent.x() + Extent.y() * Extent.y() <= iFirst * iFirst;
            const long iLength = std::abs(Extent.x()) + std::abs(Extent.y());
            const QPoint Step(Extent.x() / static_cast<int>(std::max(iLength, 1L)),
                              Extent.y() / static_cast<int>(std::max(iLength, 1L)));
            if (bSolid)
                vecPieces.emplace_back(Start, Start + Extent);
            else
                ForEachDash(Pattern, iLength, [&](long iFrom, long iDash) {
                    vecPieces.emplace_back(Start + Step * static_cast<int>(iFrom),
                                           Start + Step * static_cast<int>(iFrom + iDash));
                });
            iX += iCellWidth;
            iRowHeight = std::max(iRowHeight, iCellHeight);
        }
    }
    return matches();
}

} // namespace Probe

/// Bounds that take pixel (iX, iY) in as well.
inline Frame Grown(const Frame& Bounds, long iX, long iY)
{
    return Bounds.IsEmpty() ? Frame{iX, iY, iX, iY}
                            : Frame{std::min(Bounds.iL, iX), std::min(Bounds.iT, iY), std::max(Bounds.iR, iX),
                                    std::max(Bounds.iB, iY)};
}

/// The pixels one segment lights at scale 1, from its start, as the raster engine draws it with
/// a one-pixel pen of its pattern: it restarts the pattern with every line and draws a line moved
/// by whole pixels the same, so a segment's pixels are those of any other with the same extent.
struct SegmentShape
{
    struct Pixel
    {
        int iX, iY;
        int iCoverage;
    };
    std::vector<Pixel> vecPixels;
    Frame Bounds{0, 0, -1, -1}; // of the pixels, from the start
};

// Segments longer than this along an axis are left to the painter.
constexpr long c_iMaxShape = 32;

/// A thread's shapes of one pattern, by extent.
struct ShapeTable
{
    static std::size_t Index(long iDX, long iDY)
    {
        return static_cast<std::size_t>((iDY + c_iMaxShape) * (2 * c_iMaxShape + 1) + iDX + c_iMaxShape);
    }
    std::vector<SegmentShape> vecShapes;
    std::vector<bool> vecDrawn;
};

/// The shapes of segments of pattern iPattern (solid, dotted, dash-dotted) from (0, 0) to (iDX, iDY)
/// for every iDY within c_iMaxShape that Table has not drawn yet. A first paint meets thousands of
/// shapes: one painter draws a column of them, each on its own rows of one image of the thread, and
/// only the pixels a pen one pixel wide can reach are read, and cleared for the next.
inline void DrawShapes(int iPattern, long iDX, ShapeTable& Table)
{
    constexpr long c_iSide = 2 * c_iMaxShape + 1;
    constexpr int c_iMargin = 4;
    const int iStartX = static_cast<int>(c_iMaxShape) + c_iMargin;
    thread_local QImage s_Image = [&] {
        QImage Image(2 * iStartX + 1, static_cast<int>(c_iSide * (2 * c_iMargin + 1) + c_iMaxShape * (c_iMaxShape + 1)),
                     QImage::Format_ARGB32_Premultiplied);
        Image.fill(Qt::transparent);
        return Image;
    }();
    // The row each shape's start lies on.
    std::vector<std::pair<long, int>> vecStarts;
    std::vector<QLine> vecLines;
    int iTop = 0;
    for (long iDY = -c_iMaxShape; iDY <= c_iMaxShape; ++iDY) {
        const int iStartY = iTop + c_iMargin + static_cast<int>(std::max(-iDY, 0L));
        iTop += 2 * c_iMargin + 1 + static_cast<int>(std::abs(iDY));
        if (Table.vecDrawn[ShapeTable::Index(iDX, iDY)])
            continue;
        vecLines.emplace_back(iStartX, iStartY, iStartX + static_cast<int>(iDX), iStartY + static_cast<int>(iDY));
        vecStarts.emplace_back(iDY, iStartY);
    }
    {
        QPainter Painter(&s_Image);
        Painter.setRenderHint(QPainter::Antialiasing);
        const Qt::PenStyle eStyle = iPattern == 0 ? Qt::SolidLine : iPattern == 1 ? Qt::DotLine : Qt::DashDotLine;
        Painter.setPen(Painting::FlatPen(Qt::white, 1.0, eStyle));
        // The engine restarts the pattern with every line of one call, as with every call.
        Painter.drawLines(vecLines.data(), static_cast<int>(vecLines.size()));
    }
    // Only the pixels within c_iReach of the line across its longer axis are read (the pen and its
    // antialiasing reach two): reading the whole box took as long as drawing.
    constexpr long c_iReach = 3;
    QRgb* const puBits = reinterpret_cast<QRgb*>(s_Image.bits());
    const long iStride = s_Image.bytesPerLine() / static_cast<long>(sizeof(QRgb));
    for (const auto& [iDY, iStartY] : vecStarts) {
        SegmentShape& Shape = Table.vecShapes[ShapeTable::Index(iDX, iDY)];
        Table.vecDrawn[ShapeTable::Index(iDX, iDY)] = true;
        Shape = SegmentShape(); // it may be the reverse of one before it in the column
        Shape.vecPixels.reserve(static_cast<std::size_t>(2 * (std::abs(iDX) + std::abs(iDY)) + 8));
        const bool bSteep = std::abs(iDY) > std::abs(iDX);
        const long iAlong = bSteep ? iDY : iDX, iAcross = bSteep ? iDX : iDY;
        const long iAlongStep = bSteep ? iStride : 1, iAcrossStep = bSteep ? 1 : iStride;
        QRgb* const puStart = puBits + iStartY * iStride + iStartX;
        for (long iA = std::min(iAlong, 0L) - c_iMargin; iA <= std::max(iAlong, 0L) + c_iMargin; ++iA) {
            // The line's position across at iA, held at its ends beyond them.
            const long iOn = std::clamp(iA, std::min(iAlong, 0L), std::max(iAlong, 0L));
            const long iNumerator = iAlong == 0 ? 0 : iOn * iAcross * (iAlong < 0 ? -1 : 1);
            const long iBelow = iAlong == 0 ? 0 : Numeric::FloorDiv(iNumerator, std::abs(iAlong));
            const long iAbove = iAlong == 0 || iNumerator % iAlong == 0 ? iBelow : iBelow + 1;
            for (long iB = iBelow - c_iReach; iB <= iAbove + c_iReach; ++iB) {
                QRgb& uPixel = puStart[iA * iAlongStep + iB * iAcrossStep];
                const int iCoverage = qAlpha(uPixel);
                if (iCoverage == 0)
                    continue;
                uPixel = 0;
                const long iX = bSteep ? iB : iA, iY = bSteep ? iA : iB;
                Shape.vecPixels.push_back({static_cast<int>(iX), static_cast<int>(iY), iCoverage});
                Shape.Bounds = Grown(Shape.Bounds, iX, iY);
            }
        }
        // The engine draws a solid segment backwards as it draws it forwards, so the reverse's shape
        // is this one seen from its end.
        const std::size_t iReverse = ShapeTable::Index(-iDX, -iDY);
        if (iPattern == 0 && !Table.vecDrawn[iReverse]) {
            SegmentShape& Reverse = Table.vecShapes[iReverse];
            Table.vecDrawn[iReverse] = true;
            Reverse = Shape;
            for (SegmentShape::Pixel& Pixel : Reverse.vecPixels) {
                Pixel.iX -= static_cast<int>(iDX);
                Pixel.iY -= static_cast<int>(iDY);
            }
            if (!Shape.Bounds.IsEmpty())
                Reverse.Bounds = {Shape.Bounds.iL - iDX, Shape.Bounds.iT - iDY, Shape.Bounds.iR - iDX,
                                  Shape.Bounds.iB - iDY};
        }
    }
}

/// The shape of a segment of this pattern from (0, 0) to (iDX, iDY), both within c_iMaxShape,
/// drawn on its first use.
inline const SegmentShape& ShapeOf(const DashPattern& Pattern, long iDX, long iDY)
{
    constexpr long c_iSide = 2 * c_iMaxShape + 1;
    thread_local ShapeTable s_aTables[3];
    ShapeTable& Table = s_aTables[Pattern.iPeriod == 1 ? 0 : Pattern.iPeriod == 3 ? 1 : 2];
    if (Table.vecShapes.empty()) {
        Table.vecShapes.resize(static_cast<std::size_t>(c_iSide * c_iSide));
        Table.vecDrawn.resize(static_cast<std::size_t>(c_iSide * c_iSide));
    }
    if (!Table.vecDrawn[ShapeTable::Index(iDX, iDY)])
        DrawShapes(static_cast<int>(&Table - s_aTables), iDX, Table);
    return Table.vecShapes[ShapeTable::Index(iDX, iDY)];
}

/// Items side by side in storage that another object owns.
template <class Item>
struct Slice
{
    const Item* pBegin = nullptr;
    const Item* pEnd = nullptr;

    const Item* begin() const { return pBegin; }
    const Item* end() const { return pEnd; }
    const Item* data() const { return pBegin; }
    bool empty() const { return pBegin == pEnd; }
};

/// The pixels one segment lights at a scale in quarters, from the device pixel its start lies in,
/// as runs down device columns: the raster engine draws a segment moved by whole device pixels the
/// same, so a segment's pixels are those of any other with the same extent and sub-pixel phase.
struct PhaseShape
{
    struct Run
    {
        std::int16_t iX, iY; // of its first pixel
        std::int16_t iRows;
        std::uint8_t uMain;         // the coverage most of its pixels have
        bool bPlain;                // all of them
        bool bEnds;                 // all but its first and last (of two or more), which have their own
        std::uint8_t uFirst, uLast; // the coverages of its first and last pixels
        std::int32_t iFirst;        // of its coverages in vecCoverage
    };
    Slice<Run> vecRuns; // from the origin
    Slice<std::uint8_t> vecCoverage;
    long iOriginX = 0, iOriginY = 0; // from the start's pixel
    Frame Bounds{0, 0, -1, -1};      // of the pixels, from the start's pixel
};

/// The shapes of a solid line at one scale, measured on their first use. A patterned line is made of
/// them where its dashes start on whole pixels (DashesHold); elsewhere the engine places the ends of its
/// dashes a little differently wherever a segment lies.
class PhaseShapes
{
public:
    /// iQuarters device pixels per four pixels (4 to 32).
    explicit PhaseShapes(int iQuarters)
        : m_iQuarters(iQuarters), m_vecShapes(static_cast<std::size_t>(c_iSide * c_iSide * 16))
    {
    }

    /// The shape of a segment (iDX, iDY) long, both within c_iMaxShape, whose start lies at quarter
    /// iPhaseX, iPhaseY of its device pixel; the phases must be reachable by a whole pixel's shift.
    __attribute__((always_inline)) const PhaseShape& Of(int iPhaseX, int iPhaseY, long iDX, long iDY)
    {
        const PhaseShape*& pShape = m_vecShapes[Index(iPhaseX, iPhaseY, iDX, iDY)];
        if (!pShape)
            pShape = Find(iPhaseX, iPhaseY, iDX, iDY);
        return *pShape;
    }

    /// Asks the memory for the shape Of would give, where it has been measured.
    __attribute__((always_inline)) void Prefetch(int iPhaseX, int iPhaseY, long iDX, long iDY) const
    {
        const PhaseShape* const pShape = m_vecShapes[Index(iPhaseX, iPhaseY, iDX, iDY)];
        if (!pShape)
            return;
        const char* const pcRuns = reinterpret_cast<const char*>(pShape->vecRuns.begin());
        const char* const pcEnd = reinterpret_cast<const char*>(pShape->vecRuns.end());
        for (const char* pc = pcRuns; pc < pcEnd; pc += 64)
            __builtin_prefetch(pc);
        __builtin_prefetch(pShape->vecCoverage.begin());
    }

    /// Bit 4 y + x: a segment of no length starting at phase (x, y) lights nothing.
    unsigned EmptyPoints()
    {
        if (!m_bEmptyKnown) {
            for (int iPhase = 0; iPhase < 16; ++iPhase)
                if (Of(iPhase % 4, iPhase / 4, 0, 0).vecRuns.empty())
                    m_uEmptyPoints |= 1u << iPhase;
            m_bEmptyKnown = true;
        }
        return m_uEmptyPoints;
    }

    /// Closes the painter the measures of a line kept open.
    void EndMeasures() { m_pPainter.reset(); }

private:
    static constexpr long c_iSide = 2 * c_iMaxShape + 1;
    // Bytes per block of the store, a huge page; a larger shape takes a block of its own.
    static constexpr std::size_t c_iBlock = 2 << 20;

    struct Release
    {
        void operator()(unsigned char* puBlock) const { std::free(puBlock); }
    };

    // A first paint fills megabytes with shapes: where the system grants huge pages, that costs one
    // page fault per block rather than hundreds.
    static std::unique_ptr<unsigned char[], Release> NewBlock(std::size_t iBytes)
    {
        iBytes = (iBytes + c_iBlock - 1) / c_iBlock * c_iBlock;
        auto* const puBlock = static_cast<unsigned char*>(std::aligned_alloc(c_iBlock, iBytes));
        if (!puBlock)
            throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        madvise(puBlock, iBytes, MADV_HUGEPAGE);
#endif
        return std::unique_ptr<unsigned char[], Release>(puBlock);
    }

    // By phase first: a scale reaches few of them (at 2 one, at 1.5 four), whose shapes then lie
    // together, in a few ten kilobytes instead of a half megabyte that a random x-y walk misses in.
    static std::size_t Index(int iPhaseX, int iPhaseY, long iDX, long iDY)
    {
        return static_cast<std::size_t>(((iPhaseY * 4 + iPhaseX) * c_iSide + iDX + c_iMaxShape) * c_iSide + iDY
                                        + c_iMaxShape);
    }

    // The pixel at which whole pixel x, or a multiple of four from it, reaches a phase.
    int Reaching(int iPhase) const
    {
        for (int iX = 0; iX < 4; ++iX)
            if (m_iQuarters * iX % 4 == iPhase)
                return iX;
        return 0;
    }

    // The engine lights the same pixels for a segment drawn either way, so a segment's shape is that
    // of the one back from its end, from another origin: half the measures and the memory of a first
    // paint.
    __attribute__((noinline)) const PhaseShape* Find(int iPhaseX, int iPhaseY, long iDX, long iDY)
    {
        const long iEndX = iPhaseX + m_iQuarters * iDX, iEndY = iPhaseY + m_iQuarters * iDY;
        const PhaseShape* pBack =
            m_vecShapes[Index(static_cast<int>(iEndX & 3), static_cast<int>(iEndY & 3), -iDX, -iDY)];
        if (!pBack)
            return Measure(iPhaseX, iPhaseY, iDX, iDY);
        // Where the end's device pixel lies from the start's.
        const long iShiftX = iEndX >> 2, iShiftY = iEndY >> 2;
        PhaseShape* const pShape = new (Take<PhaseShape>(1)) PhaseShape(*pBack);
        pShape->iOriginX += iShiftX;
        pShape->iOriginY += iShiftY;
        const Frame& Box = pBack->Bounds;
        pShape->Bounds = {Box.iL + iShiftX, Box.iT + iShiftY, Box.iR + iShiftX, Box.iB + iShiftY};
        return pShape;
    }

    template <class Item>
    Item* Take(std::size_t iCount)
    {
        static_assert(alignof(Item) <= alignof(std::max_align_t) && std::is_trivially_destructible_v<Item>);
        const std::size_t iBytes = iCount * sizeof(Item);
        std::size_t iStart = (m_iStoreUsed + alignof(Item) - 1) / alignof(Item) * alignof(Item);
        if (m_vecStore.empty() || iStart + iBytes > m_iStoreSize) {
            m_iStoreSize = std::max(c_iBlock, iBytes);
            m_vecStore.push_back(NewBlock(m_iStoreSize));
            iStart = 0;
        }
        m_iStoreUsed = iStart + iBytes;
        auto* const pItems = reinterpret_cast<Item*>(m_vecStore.back().get() + iStart);
        return pItems;
    }

    const PhaseShape* Measure(int iPhaseX, int iPhaseY, long iDX, long iDY)
    {
        Frame Bounds{0, 0, -1, -1};
        // Room for the pen and its antialiasing on every side; a start a multiple of four pixels in.
        const int iMargin = 4 * ((m_iQuarters + 15) / 16 + 1);
        const auto room = [](long iD) { return static_cast<int>((std::max(-iD, 0L) + 3) / 4 * 4); };
        const int iX1 = iMargin + Reaching(iPhaseX) + room(iDX), iY1 = iMargin + Reaching(iPhaseY) + room(iDY);
        // Device pixels across the picture of a segment iD long.
        const auto device = [&](long iD) {
            return (2 * iMargin + 8 + static_cast<int>(std::abs(iD))) * m_iQuarters / 4 + 1;
        };
        // A first paint measures thousands of shapes: one image, large enough for any, and one painter
        // open on it until the line ends serve them all, each measure clearing the pixels it read.
        if (m_Image.isNull()) {
            m_Image = QImage(device(c_iMaxShape), device(c_iMaxShape), QImage::Format_ARGB32_Premultiplied);
            m_Image.setDevicePixelRatio(m_iQuarters / 4.0);
            m_Image.fill(Qt::transparent);
            m_puBits = m_Image.bits();
        }
        if (!m_pPainter) {
            m_pPainter = std::make_unique<QPainter>(&m_Image);
            m_pPainter->setRenderHint(QPainter::Antialiasing);
            m_pPainter->setPen(Painting::FlatPen(Qt::white, 1.0));
        }
        const QLine Line(iX1, iY1, iX1 + static_cast<int>(iDX), iY1 + static_cast<int>(iDY));
        m_pPainter->drawLines(&Line, 1);
        const int iStartX = m_iQuarters * iX1 / 4, iStartY = m_iQuarters * iY1 / 4;
        // Only pixels within a few of the line can be lit (the pen is one pixel wide).
        const auto span = [this](int iFrom, long iD, int iLimit) {
            const int iLow = std::min(iFrom, iFrom + static_cast<int>(iD)) - 3;
            const int iHigh = std::max(iFrom, iFrom + static_cast<int>(iD)) + 3;
            return std::pair(std::max(0, m_iQuarters * iLow / 4), std::min(iLimit, m_iQuarters * iHigh / 4 + 2));
        };
        const auto [iLeft, iRight] = span(iX1, iDX, device(iDX));
        const auto [iTop, iBottom] = span(iY1, iDY, device(iDY));
        // A device column holds lit pixels only near the rows the line crosses it in: the pen's half
        // width across the column, and a pixel for the engine's rounding, away from them. Reading only
        // those keeps a long diagonal's measure to its length rather than its area.
        const double dScale = m_iQuarters / 4.0, dHalf = dScale / 2;
        const double dX1 = iX1 * dScale, dY1 = iY1 * dScale;
        const double dX2 = (iX1 + iDX) * dScale, dY2 = (iY1 + iDY) * dScale;
        const double dMinX = std::min(dX1, dX2), dMaxX = std::max(dX1, dX2);
        const double dMinY = std::min(dY1, dY2) - dHalf - 1, dMaxY = std::max(dY1, dY2) + dHalf + 1;
        const double dSlope = iDX == 0 ? 0 : (dY2 - dY1) / (dX2 - dX1);
        const double dAcross = dHalf * std::sqrt(1 + dSlope * dSlope) + 1;
        const auto rowAt = [&](double dX) { return dY1 + (std::clamp(dX, dMinX, dMaxX) - dX1) * dSlope; };
        const qsizetype iStride = m_Image.bytesPerLine();
        // Gathered in vectors kept for the next measure, then copied to the store: shapes are many and
        // small, and allocating each one's own churns the heap.
        m_vecRuns.clear();
        m_vecCoverage.clear();
        // Rows and columns are not negative: truncation floors them.
        const int iFirstX = std::max(iLeft, static_cast<int>(dMinX - dHalf - 1));
        const int iEndX = std::min(iRight, static_cast<int>(dMaxX + dHalf + 1) + 1);
        for (int iX = iFirstX; iX < iEndX; ++iX) {
            double dLow = dMinY, dHigh = dMaxY;
            if (iDX != 0) {
                const double dA = rowAt(iX), dB = rowAt(iX + 1);
                dLow = std::max(dLow, std::min(dA, dB) - dAcross);
                dHigh = std::min(dHigh, std::max(dA, dB) + dAcross);
            }
            const int iFrom = std::max(iTop, static_cast<int>(dLow));
            const int iTo = std::min(iBottom, static_cast<int>(dHigh) + 1);
            const int iRelX = iX - iStartX;
            PhaseShape::Run* pRun = nullptr;
            uchar* puPixel = m_puBits + iFrom * iStride + iX * static_cast<qsizetype>(sizeof(QRgb));
            for (int iY = iFrom; iY < iTo; ++iY, puPixel += iStride) {
                QRgb& uPixel = *reinterpret_cast<QRgb*>(puPixel);
                const int iCoverage = qAlpha(uPixel);
                if (iCoverage == 0) {
                    pRun = nullptr;
                    continue;
                }
                uPixel = 0;
                const int iRelY = iY - iStartY;
                if (!pRun) {
                    m_vecRuns.push_back({static_cast<std::int16_t>(iRelX), static_cast<std::int16_t>(iRelY), 0, 0, true,
                                         false, 0, 0, static_cast<std::int32_t>(m_vecCoverage.size())});
                    pRun = &m_vecRuns.back();
                    Bounds = Grown(Bounds, iRelX, iRelY);
                }
                ++pRun->iRows;
                m_vecCoverage.push_back(static_cast<std::uint8_t>(iCoverage));
                Bounds.iB = std::max(Bounds.iB, static_cast<long>(iRelY));
            }
        }
        for (PhaseShape::Run& Run : m_vecRuns) {
            // The first coverage seen most often.
            const std::uint8_t* const puFirst = m_vecCoverage.data() + Run.iFirst;
            int iMost = 0;
            for (int i = 0; i < Run.iRows; ++i)
                if (++m_aiCounts[puFirst[i]] > iMost)
                    iMost = m_aiCounts[puFirst[i]];
            for (int i = 0; i < Run.iRows; ++i)
                if (m_aiCounts[puFirst[i]] == iMost) {
                    Run.uMain = puFirst[i];
                    break;
                }
            for (int i = 0; i < Run.iRows; ++i)
                m_aiCounts[puFirst[i]] = 0;
            Run.bPlain = iMost == Run.iRows;
            Run.uFirst = puFirst[0];
            Run.uLast = puFirst[Run.iRows - 1];
            Run.bEnds = Run.iRows >= 2
                        && std::all_of(puFirst + 1, puFirst + Run.iRows - 1,
                                       [&](std::uint8_t uCoverage) { return uCoverage == Run.uMain; });
        }
        PhaseShape* const pShape = new (Take<PhaseShape>(1)) PhaseShape;
        PhaseShape::Run* const pRuns = Take<PhaseShape::Run>(m_vecRuns.size());
        std::copy(m_vecRuns.begin(), m_vecRuns.end(), pRuns);
        pShape->vecRuns = {pRuns, pRuns + m_vecRuns.size()};
        std::uint8_t* const puCoverage = Take<std::uint8_t>(m_vecCoverage.size());
        std::copy(m_vecCoverage.begin(), m_vecCoverage.end(), puCoverage);
        pShape->vecCoverage = {puCoverage, puCoverage + m_vecCoverage.size()};
        pShape->Bounds = Bounds;
        return pShape;
    }

    const int m_iQuarters;
    std::vector<const PhaseShape*> m_vecShapes; // in m_vecStore
    std::vector<std::unique_ptr<unsigned char[], Release>> m_vecStore;
    std::size_t m_iStoreUsed = 0, m_iStoreSize = 0; // bytes of the last block
    QImage m_Image;
    uchar* m_puBits = nullptr;
    std::unique_ptr<QPainter> m_pPainter; // closed before the image goes
    std::vector<PhaseShape::Run> m_vecRuns;
    std::vector<std::uint8_t> m_vecCoverage;
    int m_aiCounts[256] = {}; // of each coverage in a run, zero between runs
    unsigned m_uEmptyPoints = 0;
    bool m_bEmptyKnown = false;
};

/// A thread's shapes at a scale in quarters (4 to 32).
inline PhaseShapes& PhaseShapesFor(int iQuarters)
{
    thread_local std::unique_ptr<PhaseShapes> s_apShapes[33];
    std::unique_ptr<PhaseShapes>& pShapes = s_apShapes[iQuarters];
    if (!pShapes)
        pShapes = std::make_unique<PhaseShapes>(iQuarters);
    return *pShapes;
}

/// Whether lines of this pattern (dotted or dash-dotted) at iQuarters device pixels per four pixels
/// (4 to 32) may be blended from solid shapes, checked on first use.
inline bool DashesHold(const DashPattern& Pattern, int iQuarters)
{
    static std::once_flag s_aaOnce[2][33];
    static bool s_aabHold[2][33];
    const std::size_t iPattern = Pattern.iPeriod == 3 ? 0 : 1, iAt = static_cast<std::size_t>(iQuarters);
    std::call_once(s_aaOnce[iPattern][iAt],
                   [&] { s_aabHold[iPattern][iAt] = Probe::DashesAsPieces(Pattern, iQuarters); });
    return s_aabHold[iPattern][iAt];
}

/// The model, measured on first use.
inline const StampModel& StampModelFor()
{
    static const StampModel s_Model = Probe::Measure();
    return s_Model;
}

} // namespace Decimation
} // namespace KelmFramework

#endif // RDSTAMPMODEL_P_H
