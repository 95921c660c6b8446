// CRDDecimatingBoxGrid: a box grid that reduces dense lines per pixel column before drawing them.
#include "CRDDecimatingBoxGrid.h"

#include "RDLinearMap_p.h"
#include "RDNumeric_p.h"

#include <QBrush>
#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QTransform>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#endif

// Why not simply M4 (first, min, max, last per column; Jugel et al., VLDB 2014): that keeps an
// aliased line's pixels, but an antialiased one-pixel segment on integer coordinates lights its
// two pixel columns by one half each, and the box grid blends every segment on its own. A column
// crossed by many segments is lit many times over, so its pixels depend on how often each row is
// crossed. The first and last segments of a column are kept as they are; the vertical segments
// inside it are kept as that count per row. Drawn as lines, a dense column's count still costs
// the raster engine up to 16 blends per pixel, each one set up pixel by pixel; dense columns are
// drawn as images of the same blends instead (CoverageCanvas).

namespace KelmFramework
{

namespace
{

// Each blend of about half coverage halves an 8-bit channel's distance to where repeated blends
// end, so blends beyond the 8th change no pixel: counting a row up to 8 loses nothing.
constexpr int c_iSaturation = 8;

// Column profiles need a buffer as high as the device rectangle, and points and markers a bitmap
// of it; larger rectangles (no screen has them) are drawn segment by segment.
constexpr long c_iMaxProfileRows = 1L << 16;
constexpr long c_iMaxBitmap = 1L << 25;

// Lines handed to one drawLines call at most.
constexpr std::size_t c_iBatchSize = 4096;

// Pixels of a coverage canvas, kept per thread between calls, and the width of the images it is
// drawn in.
constexpr long c_iMaxCanvas = 1L << 23;
constexpr long c_iTileWidth = 32;
// Vertical segments in a pixel column from which on it goes to the canvas.
constexpr long c_iDenseColumn = 16;

// The device rectangle as the drawing loops test it.
struct DeviceFrame
{
    long iL, iT, iR, iB;
    bool bSane; // L <= R, T <= B, and within the painter range
    bool Contains(long iX, long iY) const { return iX >= iL && iX <= iR && iY >= iT && iY <= iB; }
};

// Lines queued for drawLines in drawing order. Column profiles are drawn with a solid pen (their
// rows already follow the dash pattern); a change of pen draws what is queued first. Without
// antialiasing Qt draws the lines of one call unlike the same lines one call each (it ends them
// differently), so each line then gets its own call, as in the box grid.
class LineBatch
{
public:
    LineBatch(QPainter& Painter, const QPen& LinePen, const QPen& ProfilePen, bool bSamePen)
        : m_Painter(Painter),
          m_LinePen(LinePen),
          m_ProfilePen(ProfilePen),
          m_bSamePen(bSamePen),
          m_iBatchSize(Painter.testRenderHint(QPainter::Antialiasing) ? c_iBatchSize : 1)
    {
        m_vecLines.reserve(m_iBatchSize);
    }

    void Add(const QLine& Line, bool bProfile)
    {
        if (!m_bSamePen && bProfile != m_bProfilePen) {
            Draw();
            m_Painter.setPen(bProfile ? m_ProfilePen : m_LinePen);
            m_bProfilePen = bProfile;
        }
        m_vecLines.push_back(Line);
        if (m_vecLines.size() == m_iBatchSize)
            Draw();
    }

    /// Draws what is queued and leaves the line pen set, as the box grid does.
    void Finish()
    {
        Draw();
        if (m_bProfilePen)
            m_Painter.setPen(m_LinePen);
        m_bProfilePen = false;
    }

private:
    void Draw()
    {
        if (!m_vecLines.empty())
            m_Painter.drawLines(m_vecLines.data(), static_cast<int>(m_vecLines.size()));
        m_vecLines.clear();
    }

    QPainter& m_Painter;
    const QPen& m_LinePen;
    const QPen& m_ProfilePen;
    const bool m_bSamePen;
    const std::size_t m_iBatchSize;
    bool m_bProfilePen = false;
    std::vector<QLine> m_vecLines;
};

// A set of pixels of the device rectangle, one bit each.
class PixelSet
{
public:
    /// Empty, and usable only where the rectangle is sane and at most c_iMaxBitmap pixels. The
    /// bits are allocated with the first pixel: many short lines need none.
    explicit PixelSet(const DeviceFrame& Frame) : m_iLeft(Frame.iL), m_iTop(Frame.iT)
    {
        const long iWidth = Frame.iR - Frame.iL + 1;
        const long iHeight = Frame.iB - Frame.iT + 1;
        if (Frame.bSane && iWidth <= c_iMaxBitmap / iHeight) {
            m_iWordsPerRow = (iWidth + 63) / 64;
            m_iRows = iHeight;
        }
    }

    bool IsUsable() const { return m_iRows > 0; }

    /// Adds a pixel of the rectangle; false when it was there already.
    bool Insert(long iX, long iY)
    {
        if (m_vecBits.empty())
            m_vecBits.assign(static_cast<std::size_t>(m_iWordsPerRow * m_iRows), 0);
        std::uint64_t& uWord = m_vecBits[Index((iY - m_iTop) * m_iWordsPerRow + (iX - m_iLeft) / 64)];
        const std::uint64_t uBit = std::uint64_t(1) << ((iX - m_iLeft) % 64);
        const bool bNew = !(uWord & uBit);
        uWord |= uBit;
        return bNew;
    }

    /// Calls Run(x, y, length) for every horizontal run of pixels in the set.
    template <class Function>
    void ForEachRun(Function Run) const
    {
        const long iRows = m_vecBits.empty() ? 0 : m_iRows;
        for (long iRow = 0; iRow < iRows; ++iRow) {
            const std::uint64_t* const puRow = &m_vecBits[Index(iRow * m_iWordsPerRow)];
            long iStart = -1;
            for (long iWord = 0; iWord <= m_iWordsPerRow; ++iWord) {
                const std::uint64_t uWord = iWord < m_iWordsPerRow ? puRow[iWord] : 0;
                if (uWord == (iStart < 0 ? 0 : ~std::uint64_t(0)))
                    continue;
                for (long iBit = 0; iBit < 64; ++iBit) {
                    const bool bSet = (uWord >> iBit) & 1u;
                    if (bSet && iStart < 0) {
                        iStart = iWord * 64 + iBit;
                    } else if (!bSet && iStart >= 0) {
                        Run(m_iLeft + iStart, m_iTop + iRow, iWord * 64 + iBit - iStart);
                        iStart = -1;
                    }
                }
            }
        }
    }

private:
    static std::size_t Index(long i) { return static_cast<std::size_t>(i); }

    long m_iLeft;
    long m_iTop;
    long m_iWordsPerRow = 0;
    long m_iRows = 0;
    std::vector<std::uint64_t> m_vecBits;
};

// How much the raster engine's antialiased one-pixel pen covers the pixels left and right of a
// vertical line on integer coordinates (about a half each), measured once.
struct VerticalCoverage
{
    int iLeft = 0;
    int iRight = 0;
    bool bValid = false; // both constant along the line, nothing else lit
};

const VerticalCoverage& MeasuredCoverage()
{
    static const VerticalCoverage Coverage = [] {
        QImage Probe(4, 5, QImage::Format_ARGB32_Premultiplied);
        Probe.fill(Qt::transparent);
        QPainter Painter(&Probe);
        Painter.setRenderHint(QPainter::Antialiasing);
        Painter.setPen(QPen(QBrush(Qt::white, Qt::SolidPattern), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        const QLine Line(2, 1, 2, 4);
        Painter.drawLines(&Line, 1);
        Painter.end();
        VerticalCoverage Result;
        Result.iLeft = qAlpha(Probe.pixel(1, 1));
        Result.iRight = qAlpha(Probe.pixel(2, 1));
        Result.bValid = Result.iLeft > 0 && Result.iRight > 0;
        for (int iY = 0; iY < Probe.height(); ++iY) {
            for (int iX = 0; iX < Probe.width(); ++iX) {
                const bool bLit = iY >= 1 && iY <= 3 && (iX == 1 || iX == 2);
                const int iExpected = !bLit ? 0 : iX == 1 ? Result.iLeft : Result.iRight;
                Result.bValid = Result.bValid && qAlpha(Probe.pixel(iX, iY)) == iExpected;
            }
        }
        return Result;
    }();
    return Coverage;
}

// A cell of the coverage canvas is empty (0), a point (255), or 1 + the side of its first run
// * 81 + that run's length * 9 + the length of the second run, which is of the other side.
constexpr std::uint8_t c_uPointCell = 255;
constexpr int c_iRuns = c_iSaturation + 1;

constexpr std::uint8_t CellCode(int iFirstSide, int iFirst, int iSecond)
{
    return static_cast<std::uint8_t>(iFirst == 0 ? 0 : 1 + iFirstSide * c_iRuns * c_iRuns + iFirst * c_iRuns + iSecond);
}

// The cell after a run of one side: a run of the first run's side grows it while there is no
// second; a third run is merged into the last one, whose order with the first matters least.
constexpr std::array<std::array<std::array<std::uint8_t, c_iRuns>, 2>, 256> c_CellTransitions = [] {
    std::array<std::array<std::array<std::uint8_t, c_iRuns>, 2>, 256> Table{};
    const auto capped = [](int i) { return i < c_iSaturation ? i : c_iSaturation; };
    for (int iCell = 0; iCell < 256; ++iCell) {
        const int iCode = iCell - 1;
        const int iFirstSide = iCell == 0 ? 0 : iCode / (c_iRuns * c_iRuns);
        const int iFirst = iCell == 0 ? 0 : iCode / c_iRuns % c_iRuns;
        const int iSecond = iCell == 0 ? 0 : iCode % c_iRuns;
        for (int iSide = 0; iSide < 2; ++iSide) {
            for (int iCount = 0; iCount < c_iRuns; ++iCount) {
                int iNew = iCell;
                if (iCell == c_uPointCell || iCell > CellCode(1, c_iSaturation, c_iSaturation) || iCount == 0)
                    iNew = iCell;
                else if (iFirst == 0)
                    iNew = CellCode(iSide, iCount, 0);
                else if (iSide == iFirstSide && iSecond == 0)
                    iNew = CellCode(iSide, capped(iFirst + iCount), 0);
                else if (iSide != iFirstSide)
                    iNew = CellCode(iFirstSide, iFirst, capped(iSecond + iCount));
                else
                    iNew = CellCode(1 - iSide, iSecond, capped(iFirst + iCount));
                Table[static_cast<std::size_t>(iCell)][static_cast<std::size_t>(iSide)][static_cast<std::size_t>(iCount)] =
                    static_cast<std::uint8_t>(iNew);
            }
        }
    }
    return Table;
}();

// Per pixel, the blends the column profiles make in it, in order. A vertical line on integer
// coordinates covers the pixel left of it and the one right of it by about a half each, so a
// pixel is lit by the right half of its own column's lines and by the left half of the next
// column's: kept as at most two runs of one side each, up to saturation. Everything is then
// drawn as images, one blend per pixel and image, so that every pixel is blended with the same
// alphas in the same order as by the lines, at a fraction of the raster engine's cost per pixel.
class CoverageCanvas
{
public:
    enum Side { Right = 0, Left = 1 };

    /// Usable where wanted, the rectangle is sane and small enough and the coverage is known.
    CoverageCanvas(const DeviceFrame& Frame, bool bWanted, const QColor& Color, const VerticalCoverage& Coverage)
        : m_iLeft(Frame.iL - 1), m_iTop(Frame.iT), m_uColor(Color.rgb()), m_Coverage(Coverage)
    {
        const long iWidth = Frame.iR - Frame.iL + 2;
        const long iHeight = Frame.iB - Frame.iT + 1;
        if (!bWanted || !Frame.bSane || !Coverage.bValid || Color.alpha() != 255 || iWidth > c_iMaxCanvas / iHeight)
            return;
        m_iWidth = iWidth;
        m_iHeight = iHeight;
    }

    bool IsUsable() const { return m_iWidth > 0; }

    /// The cells of device column iX, one per row from the top edge.
    std::uint8_t* Column(long iX)
    {
        if (!m_pCells)
            Allocate();
        return m_pCells + (iX - m_iLeft) * m_iHeight;
    }

    /// Rows iLow .. iHigh of device column iX and the column left of it have been written.
    void Touch(long iX, long iLow, long iHigh)
    {
        for (long iColumn = iX - 1 - m_iLeft; iColumn <= iX - m_iLeft; ++iColumn) {
            std::pair<long, long>& Rows = m_vecTiles[static_cast<std::size_t>(iColumn / c_iTileWidth)];
            Rows.first = std::min(Rows.first, iLow);
            Rows.second = std::max(Rows.second, iHigh);
        }
    }

    /// Appends iCount (1 .. saturation) blends of one side.
    static void AddRun(std::uint8_t& uCell, Side eSide, int iCount)
    {
        uCell = c_CellTransitions[uCell][eSide][static_cast<std::size_t>(iCount)];
    }

    static void AddPoint(std::uint8_t& uCell) { uCell = c_uPoint; }

    /// Draws what was written and clears it for the next line.
    void Draw(QPainter& Painter)
    {
        if (!m_pCells)
            return;
        for (std::size_t iTile = 0; iTile < m_vecTiles.size(); ++iTile) {
            const long iLow = m_vecTiles[iTile].first, iHigh = m_vecTiles[iTile].second;
            if (iLow > iHigh)
                continue;
            const long iFirst = static_cast<long>(iTile) * c_iTileWidth;
            const long iWidth = std::min(c_iTileWidth, m_iWidth - iFirst);
            DrawTile(Painter, iFirst, iWidth, iLow, iHigh - iLow + 1);
            m_vecTiles[iTile] = {m_iHeight, -1};
        }
    }

private:
    static constexpr std::uint8_t c_uPoint = c_uPointCell;
    static constexpr int c_iRowGap = 6;

    static std::size_t Index(long i) { return static_cast<std::size_t>(i); }

    // The cells, kept per thread: a line that needs them once tends to need them again.
    void Allocate()
    {
        thread_local std::vector<std::uint8_t> vecCells;
        if (vecCells.size() < Index(m_iWidth * m_iHeight))
            vecCells.assign(Index(m_iWidth * m_iHeight), 0);
        m_pCells = vecCells.data();
        m_vecTiles.assign(Index((m_iWidth + c_iTileWidth - 1) / c_iTileWidth), {m_iHeight, -1});
        BuildLayers();
    }

    // Per cell, the blends to draw. A point makes its pixel the colour; a sequence whose result
    // is the same on every background (the blends are monotonic: the same on black and white)
    // becomes that colour, opaque; any other is drawn blend by blend.
    void BuildLayers()
    {
        const int aiAlpha[2] = {m_Coverage.iRight, m_Coverage.iLeft};
        const QRgb uColor = m_uColor;
        const int aiChannels[4] = {qRed(uColor), qGreen(uColor), qBlue(uColor), 255};
        const auto blend = [](int iValue, int iChannel, int iAlpha) {
            // Qt's source-over of a premultiplied colour, byte by byte.
            const auto multiply = [](int iX, int iA) {
                const int iT = iX * iA;
                return (iT + (iT >> 8) + 0x80) >> 8;
            };
            return multiply(iChannel, iAlpha) + multiply(iValue, 255 - iAlpha);
        };
        m_vecColors.assign(2 * c_iSaturation, {});
        m_auLayers.fill(0);
        m_auLayers[c_uPoint] = 1;
        m_vecColors[0][c_uPoint] = uColor | 0xff000000u;
        for (int iFirstSide = 0; iFirstSide < 2; ++iFirstSide) {
            for (int iFirst = 1; iFirst <= c_iSaturation; ++iFirst) {
                for (int iSecond = 0; iSecond <= c_iSaturation; ++iSecond) {
                    const std::size_t iCell = CellCode(iFirstSide, iFirst, iSecond);
                    int aiSequence[2 * c_iSaturation];
                    int iBlends = 0;
                    for (int i = 0; i < iFirst; ++i)
                        aiSequence[iBlends++] = aiAlpha[iFirstSide];
                    for (int i = 0; i < iSecond; ++i)
                        aiSequence[iBlends++] = aiAlpha[1 - iFirstSide];
                    int aiOnBlack[4], aiOnWhite[4];
                    bool bConstant = true;
                    for (int iChannel = 0; iChannel < 4; ++iChannel) {
                        aiOnBlack[iChannel] = 0;
                        aiOnWhite[iChannel] = 255;
                        for (int i = 0; i < iBlends; ++i) {
                            aiOnBlack[iChannel] = blend(aiOnBlack[iChannel], aiChannels[iChannel], aiSequence[i]);
                            aiOnWhite[iChannel] = blend(aiOnWhite[iChannel], aiChannels[iChannel], aiSequence[i]);
                        }
                        bConstant = bConstant && aiOnBlack[iChannel] == aiOnWhite[iChannel];
                    }
                    if (bConstant && aiOnBlack[3] == 255) {
                        m_auLayers[iCell] = 1;
                        m_vecColors[0][iCell] = qRgb(aiOnBlack[0], aiOnBlack[1], aiOnBlack[2]);
                        continue;
                    }
                    m_auLayers[iCell] = static_cast<std::uint8_t>(iBlends);
                    for (int i = 0; i < iBlends; ++i)
                        m_vecColors[Index(i)][iCell] =
                            qPremultiply(qRgba(qRed(uColor), qGreen(uColor), qBlue(uColor), aiSequence[i]));
                }
            }
        }
    }

    // A pixel that needs more than one blend, for the images after the first.
    struct DeepPixel
    {
        std::uint32_t uRow;
        std::uint8_t uColumn;
        std::uint8_t uCell;
    };

    // The first blend of every pixel of a tile as one image; the further blends, layer by layer,
    // as images of the runs of rows that need them (short gaps cost less than a call). The pixels
    // that need them lie along the edges of a band, so those images are mostly transparent: they
    // are cleared and only those pixels written.
    void DrawTile(QPainter& Painter, long iFirst, long iWidth, long iLow, long iRows)
    {
        std::uint8_t* const puTile = m_pCells + iFirst * m_iHeight + iLow;
        m_vecRowLayers.assign(Index(iRows), 0);
        m_vecDeep.clear();
        m_vecPixels.resize(Index(iWidth * iRows));
        const std::array<QRgb, 256>& auFirst = m_vecColors[0];
        for (long iColumn = 0; iColumn < iWidth; ++iColumn) {
            std::uint8_t* const puCells = puTile + iColumn * m_iHeight;
            QRgb* puPixel = m_vecPixels.data() + iColumn;
            for (long iRow = 0; iRow < iRows; ++iRow, puPixel += iWidth) {
                const std::uint8_t uCell = puCells[iRow];
                const std::uint8_t uLayers = m_auLayers[uCell];
                *puPixel = auFirst[uCell];
                if (uLayers > 1) {
                    m_vecRowLayers[Index(iRow)] = std::max(m_vecRowLayers[Index(iRow)], uLayers);
                    m_vecDeep.push_back({static_cast<std::uint32_t>(iRow), static_cast<std::uint8_t>(iColumn), uCell});
                }
            }
            std::memset(puCells, 0, Index(iRows));
        }
        DrawPixels(Painter, iFirst, iWidth, iLow, iRows, m_vecPixels.data());

        for (int iLayer = 1; !m_vecDeep.empty(); ++iLayer) {
            // The runs, and where each starts in the pixels.
            m_vecRuns.clear();
            m_vecRowRun.assign(Index(iRows), -1);
            long iPixels = 0;
            for (long iRow = 0; iRow < iRows;) {
                if (m_vecRowLayers[Index(iRow)] <= iLayer) {
                    ++iRow;
                    continue;
                }
                long iEnd = iRow + 1; // past the last row of the run
                for (long iNext = iEnd; iNext < iRows && iNext - iEnd < c_iRowGap; ++iNext) {
                    if (m_vecRowLayers[Index(iNext)] > iLayer)
                        iEnd = iNext + 1;
                }
                for (long i = iRow; i < iEnd; ++i)
                    m_vecRowRun[Index(i)] = iPixels - iRow * iWidth;
                m_vecRuns.push_back({iRow, iEnd});
                iPixels += (iEnd - iRow) * iWidth;
                iRow = iEnd;
            }
            m_vecPixels.assign(Index(iPixels), 0);
            const std::array<QRgb, 256>& auColors = m_vecColors[Index(iLayer)];
            std::size_t iKept = 0;
            for (const DeepPixel& Pixel : m_vecDeep) {
                if (m_auLayers[Pixel.uCell] <= iLayer)
                    continue;
                m_vecPixels[Index(m_vecRowRun[Pixel.uRow] + static_cast<long>(Pixel.uRow) * iWidth + Pixel.uColumn)] =
                    auColors[Pixel.uCell];
                m_vecDeep[iKept++] = Pixel;
            }
            m_vecDeep.resize(iKept);
            long iOffset = 0;
            for (const std::pair<long, long>& Run : m_vecRuns) {
                DrawPixels(Painter, iFirst, iWidth, iLow + Run.first, Run.second - Run.first,
                           m_vecPixels.data() + iOffset);
                iOffset += (Run.second - Run.first) * iWidth;
            }
        }
    }

    void DrawPixels(QPainter& Painter, long iFirst, long iWidth, long iTopRow, long iRows, const QRgb* puPixels)
    {
        const QImage Pixels(reinterpret_cast<const uchar*>(puPixels), static_cast<int>(iWidth),
                            static_cast<int>(iRows), static_cast<int>(iWidth * 4), QImage::Format_ARGB32_Premultiplied);
        Painter.drawImage(QPoint(static_cast<int>(m_iLeft + iFirst), static_cast<int>(m_iTop + iTopRow)), Pixels);
    }

    long m_iLeft;
    long m_iTop;
    const QRgb m_uColor;
    const VerticalCoverage m_Coverage;
    long m_iWidth = 0;
    long m_iHeight = 0;
    std::uint8_t* m_pCells = nullptr;
    std::vector<std::pair<long, long>> m_vecTiles; // rows written per tile of columns
    std::array<std::uint8_t, 256> m_auLayers{};
    std::vector<std::array<QRgb, 256>> m_vecColors; // per layer and cell
    std::vector<QRgb> m_vecPixels;
    // Scratch of DrawTile.
    std::vector<std::uint8_t> m_vecRowLayers; // blends the row of a tile needs at most, where more than one
    std::vector<DeepPixel> m_vecDeep;
    std::vector<std::pair<long, long>> m_vecRuns;
    std::vector<long> m_vecRowRun; // where a row's pixels start, less its row times the width
};

// The vertical segments drawn in one pixel column, as how many times the pen lights each row.
// A pen lights the rows of a segment on integer coordinates where bit (k mod Period) of OnMask is
// set, k counted from the segment's start: Qt's raster engine restarts the pattern with every line.
// Rows are counted from the top edge.
template <long Period, unsigned OnMask>
class ColumnProfile
{
public:
    explicit ColumnProfile(long iRows) : m_iRows(iRows) {}

    bool IsEmpty() const { return m_iLow > m_iHigh; }
    long Column() const { return m_iColumn; }

    /// Starts the column of a vertex at row iRow; the profile must be empty.
    void Open(long iColumn, long iRow)
    {
        if (m_vecMarks.empty()) {
            m_vecMarks.assign(static_cast<std::size_t>((m_iRows + 1) * c_iPhases), 0);
            if constexpr (Period > 1) {
                // The phase of a segment from each row, downward and then upward.
                m_vecSlots.resize(Index(2 * (m_iRows + 1)));
                for (long iRow = 0; iRow <= m_iRows; ++iRow) {
                    m_vecSlots[Index(iRow)] = iRow % Period;
                    m_vecSlots[Index(m_iRows + 1 + iRow)] = (iRow + Period - 1) % Period + Period;
                }
            }
        }
        m_iColumn = iColumn;
        m_iLow = m_iHigh = iRow;
        m_iSegments = 0;
    }

    /// The segment from row iR1, a row of the column already, to row iR2 of the rectangle.
    void Add(long iR1, long iR2)
    {
        ++m_iSegments;
        m_iLow = std::min(m_iLow, iR2);
        m_iHigh = std::max(m_iHigh, iR2);
        AddMarks(m_vecMarks.data(), iR1, iR2);
    }

    /// Adds the segments to the vertices from pPoints[i] on while they stay in the column and in
    /// rows iTop .. iBottom, iPrevY being the device row of the vertex before; returns the index
    /// of the first vertex that does not.
    std::size_t AddVertices(const CRDPoint* pPoints, std::size_t i, std::size_t iCount, const Numeric::LinearMap& Map,
                            long iTop, long iBottom, long& iPrevY)
    {
        // The bulk of a dense line's vertices: the state stays in registers.
        std::int64_t* const piMarks = m_vecMarks.data();
        const long iColumn = m_iColumn, iRows = iBottom - iTop;
        long iPrev = iPrevY - iTop, iLow = m_iLow, iHigh = m_iHigh;
        const std::size_t iFirst = i;
        long iPrevSign = 0;
        std::int64_t iPoint = 0; // a segment of no length ends at iPrev
        const auto addRow = [&](long iRow) {
            // Vertices on the row of the one before add a point there, once: no update in a loop
            // that waits for the one before.
            if (iRow == iPrev) {
                iPoint = std::int64_t(1) << 32;
                return;
            }
            iLow = std::min(iLow, iRow);
            iHigh = std::max(iHigh, iRow);
            if constexpr (Period == 1) {
                // A vertex ends one segment and starts the next: +1 at the upper end of each
                // segment and -1 at its lower end add up to one update per vertex.
                const long iSign = iRow > iPrev ? 1 : -1;
                piMarks[iPrev] += (iSign - iPrevSign) + iPoint;
                iPrevSign = iSign;
            } else {
                if (iPoint)
                    piMarks[Index(iPrev * c_iPhases)] += iPoint;
                AddMarks(piMarks, iPrev, iRow);
            }
            iPoint = 0;
            iPrev = iRow;
        };
#if defined(__x86_64__) && defined(__SSE2__)
        // Two vertices at a time, with the map's arithmetic in the same order. Truncation to 32
        // bits answers INT_MIN where the 64 bits differ, which lies outside every sane rectangle.
        const __m128d vOriginX = _mm_set1_pd(Map.dUserOriginX), vScaleX = _mm_set1_pd(Map.dScaleX);
        const __m128d vWidth = _mm_set1_pd(Map.dDeviceWidth), vDeviceX = _mm_set1_pd(Map.dDeviceOriginX);
        const __m128d vOriginY = _mm_set1_pd(Map.dUserOriginY), vScaleY = _mm_set1_pd(Map.dScaleY);
        const __m128d vHeight = _mm_set1_pd(Map.dDeviceHeight), vDeviceY = _mm_set1_pd(Map.dDeviceOriginY);
        const __m128d vSpan = _mm_set1_pd(Map.dSpanY);
        const __m128i vColumn = _mm_set1_epi32(static_cast<int>(iColumn)), vTop = _mm_set1_epi32(static_cast<int>(iTop));
        const __m128i vBelowFirst = _mm_set1_epi32(-1), vPastLast = _mm_set1_epi32(static_cast<int>(iRows + 1));
        for (; i + 1 < iCount; i += 2) {
            const __m128d vX = _mm_loadh_pd(_mm_load_sd(&pPoints[i].m_dX), &pPoints[i + 1].m_dX);
            const __m128d vY = _mm_loadh_pd(_mm_load_sd(&pPoints[i].m_dY), &pPoints[i + 1].m_dY);
            const __m128i vX2 = _mm_cvttpd_epi32(
                _mm_add_pd(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(vX, vOriginX), vScaleX), vWidth), vDeviceX));
            const __m128i vRow2 = _mm_sub_epi32(
                _mm_cvttpd_epi32(_mm_sub_pd(
                    vSpan, _mm_sub_pd(_mm_mul_pd(_mm_mul_pd(_mm_sub_pd(vY, vOriginY), vScaleY), vHeight), vDeviceY))),
                vTop);
            const __m128i vInside = _mm_and_si128(
                _mm_cmpeq_epi32(vX2, vColumn),
                _mm_and_si128(_mm_cmpgt_epi32(vRow2, vBelowFirst), _mm_cmpgt_epi32(vPastLast, vRow2)));
            if ((_mm_movemask_ps(_mm_castsi128_ps(vInside)) & 3) != 3)
                break;
            addRow(_mm_cvtsi128_si32(vRow2));
            addRow(_mm_cvtsi128_si32(_mm_shuffle_epi32(vRow2, 1)));
        }
#endif
        for (; i < iCount; ++i) {
            if (Map.MapX(pPoints[i].m_dX) != iColumn)
                break;
            const long iRow = Map.MapY(pPoints[i].m_dY) - iTop;
            if (static_cast<unsigned long>(iRow) > static_cast<unsigned long>(iRows))
                break;
            addRow(iRow);
        }
        if constexpr (Period == 1)
            piMarks[iPrev] += iPoint - iPrevSign;
        else
            piMarks[Index(iPrev * c_iPhases)] += iPoint;
        m_iSegments += static_cast<long>(i - iFirst);
        m_iLow = iLow;
        m_iHigh = iHigh;
        iPrevY = iPrev + iTop;
        return i;
    }

    /// Writes how often each row is lit to the canvas where there is one, else queues segments
    /// that light every row as often as the added ones did, up to saturation, and adds its points
    /// to Points; empties the profile.
    void Flush(long iTop, LineBatch& Batch, PixelSet& Points, int iSaturation, CoverageCanvas* pCanvas)
    {
        if (IsEmpty())
            return;
        // A few segments are cheap to draw, and their pixels depend on the order in which they
        // and the lines around them are blended.
        if (m_iSegments < c_iDenseColumn)
            pCanvas = nullptr;
        const int iX = static_cast<int>(m_iColumn);
        std::uint8_t* const puRight = pCanvas ? pCanvas->Column(m_iColumn) : nullptr;
        std::uint8_t* const puLeft = pCanvas ? pCanvas->Column(m_iColumn - 1) : nullptr;
        if (pCanvas)
            pCanvas->Touch(m_iColumn, m_iLow, m_iHigh);
        // One pass: running sums give the segments of each phase over a row, the pattern says
        // which of them light it; a level opens where the count rises past it and is queued as one
        // segment where the count falls below it again.
        int aiActive[c_iPhases] = {};
        long aiRunStart[c_iSaturation + 1] = {};
        int iLevel = 0;
        long iResidue = m_iLow % Period;
        for (long i = m_iLow; i <= m_iHigh + 1; ++i) {
            int iCount = 0;
            if (i <= m_iHigh) {
                std::int64_t* const piMarks = &m_vecMarks[Index(i * c_iPhases)];
                const bool bPoint = piMarks[0] != static_cast<std::int32_t>(piMarks[0]);
                for (long k = 0; k < c_iPhases; ++k) {
                    aiActive[k] += static_cast<std::int32_t>(piMarks[k]);
                    piMarks[k] = 0;
                    if (c_auLitMasks[Index(iResidue)] & (1u << k))
                        iCount += aiActive[k];
                }
                iCount = std::min(iCount, iSaturation);
                iResidue = iResidue + 1 == Period ? 0 : iResidue + 1;
                if (puRight) {
                    if (iCount > 0) {
                        CoverageCanvas::AddRun(puRight[i], CoverageCanvas::Right, iCount);
                        CoverageCanvas::AddRun(puLeft[i], CoverageCanvas::Left, iCount);
                    }
                    if (bPoint)
                        CoverageCanvas::AddPoint(puRight[i]);
                    continue;
                }
                if (bPoint)
                    Points.Insert(m_iColumn, iTop + i);
            } else if (puRight) {
                break;
            }
            while (iLevel < iCount)
                aiRunStart[++iLevel] = i;
            while (iLevel > iCount) {
                const long iStart = aiRunStart[iLevel--];
                Batch.Add(QLine(iX, static_cast<int>(iTop + iStart), iX, static_cast<int>(iTop + i)), true);
            }
        }
        m_iLow = 1;
        m_iHigh = 0;
    }

private:
    static constexpr long c_iPhases = Period > 1 ? 2 * Period : 1;

    // The phases whose segments light a row r with r mod Period = iResidue.
    static constexpr unsigned LitMask(long iResidue)
    {
        if (Period == 1)
            return 1u;
        unsigned uMask = 0;
        for (long k = 0; k < Period; ++k) {
            if (OnMask & (1u << ((iResidue - k + Period) % Period)))
                uMask |= 1u << k; // downward, started at a row of residue k
            if (OnMask & (1u << ((k - iResidue + Period) % Period)))
                uMask |= 1u << (Period + k); // upward, started at a row of residue k
        }
        return uMask;
    }

    static constexpr std::array<unsigned, Period> c_auLitMasks = [] {
        std::array<unsigned, Period> auMasks{};
        for (long iResidue = 0; iResidue < Period; ++iResidue)
            auMasks[static_cast<std::size_t>(iResidue)] = LitMask(iResidue);
        return auMasks;
    }();

    static std::size_t Index(long i) { return static_cast<std::size_t>(i); }

    // Rows min .. max - 1 in either direction, without branches: noisy data goes up and down at
    // random. Segments are told apart by the phase at which their pattern starts, counted
    // downward from the first row, or upward from the row above the start point. A segment of no
    // length is drawn as one opaque pixel.
    void AddMarks(std::int64_t* piMarks, long iR1, long iR2) const
    {
        const long iDiff = iR2 - iR1;
        if (iDiff == 0) {
            piMarks[Index(iR1 * c_iPhases)] += std::int64_t(1) << 32;
            return;
        }
        const long iUp = iDiff >> 63;
        const long iMin = iR1 + (iDiff & iUp), iMax = iR2 - (iDiff & iUp);
        long iSlot = 0;
        if constexpr (Period > 1)
            iSlot = m_vecSlots[Index(iR1 + (iUp & (m_iRows + 1)))];
        ++piMarks[Index(iMin * c_iPhases + iSlot)];
        --piMarks[Index(iMax * c_iPhases + iSlot)];
    }

    const long m_iRows;
    // Per row and phase, how many more segments start than end there; the first phase's upper
    // half counts the segments of no length at the row.
    std::vector<std::int64_t> m_vecMarks;
    std::vector<long> m_vecSlots;
    long m_iColumn = 0;
    long m_iLow = 1; // rows of the column's vertices, [m_iLow, m_iHigh]
    long m_iHigh = 0;
    long m_iSegments = 0;
};

void DrawLabel(QPainter& Painter, const QString& strName, const CRDDevicePoint& At)
{
    const QFontMetrics Metrics = Painter.fontMetrics();
    const long iTextHeight = Metrics.height();
    const long iTextWidth = Metrics.horizontalAdvance(strName);
    const QRect LabelBox(Numeric::NarrowSum(At.m_iX, iTextHeight + 5), Numeric::NarrowSum(At.m_iY, -5 - iTextHeight),
                         Numeric::NarrowToInt(iTextWidth), Numeric::NarrowToInt(iTextHeight));
    Painter.drawText(LabelBox, Qt::AlignCenter, strName);
}

// Whether the painter blends into pixels as the canvas assumes: the raster engine, antialiased,
// whole-pixel translation at most, plain source-over.
bool IsPlainRaster(QPainter& Painter)
{
    const QPaintEngine* const pEngine = Painter.paintEngine();
    const QPaintDevice* const pDevice = Painter.device();
    const QTransform Transform = Painter.combinedTransform();
    return pEngine && pEngine->type() == QPaintEngine::Raster && pDevice && pDevice->devicePixelRatioF() == 1.0
           && Painter.testRenderHint(QPainter::Antialiasing) && Transform.type() <= QTransform::TxTranslate
           && Transform.dx() == std::trunc(Transform.dx()) && Transform.dy() == std::trunc(Transform.dy())
           && Painter.opacity() == 1.0 && Painter.compositionMode() == QPainter::CompositionMode_SourceOver;
}

// What one DrawLine call works with.
struct LineJob
{
    CRDLinearGrid& Grid; // for its clipping, which segments leaving the rectangle go through
    QPainter& Painter;
    const CRDDecoratedLine& Line;
    const Numeric::LinearMap& Map;
    const DeviceFrame& Frame;
    const QPen& LinePen;
    const QPen& ProfilePen;
};

// The segments of a line, in the order and with the clipping of CRDLinearGrid::DrawLine.
template <long Period, unsigned OnMask>
void DrawSegments(const LineJob& Job)
{
    // Pixels lit at the start of the pattern.
    constexpr long c_iFirstDash = [] {
        long iLit = 0;
        for (unsigned uMask = OnMask; uMask & 1u; uMask >>= 1)
            ++iLit;
        return iLit;
    }();
    const DeviceFrame& Frame = Job.Frame;
    const Numeric::LinearMap Map = Job.Map;
    const CRDPoint* const pPoints = Job.Line.m_vecPoints.data();
    const std::size_t iCount = Job.Line.m_vecPoints.size();

    LineBatch Batch(Job.Painter, Job.LinePen, Job.ProfilePen, Period == 1);
    PixelSet PointPixels(Frame);
    // Aliased pixels are opaque: once lit, drawing them again changes nothing.
    const int iSaturation = Job.Painter.testRenderHint(QPainter::Antialiasing) ? c_iSaturation : 1;
    // Inside a sane rectangle clipping moves nothing, and a column profile can be kept.
    const bool bFast = PointPixels.IsUsable() && Frame.iB - Frame.iT < c_iMaxProfileRows;
    ColumnProfile<Period, OnMask> Column(bFast ? Frame.iB - Frame.iT + 1 : 0);
    CoverageCanvas Canvas(Frame, bFast && IsPlainRaster(Job.Painter), Job.LinePen.color(), MeasuredCoverage());
    CoverageCanvas* const pCanvas = Canvas.IsUsable() ? &Canvas : nullptr;
    const long iTop = Frame.iT, iBottom = Frame.iB;
    // A profile drawn as lines is queued before anything else, so the drawing order stays that
    // of the box grid.
    const auto addVertical = [&](long iX, long iY1, long iY2) {
        if (Column.IsEmpty() || Column.Column() != iX) {
            Column.Flush(iTop, Batch, PointPixels, iSaturation, pCanvas);
            Column.Open(iX, iY1 - iTop);
        }
        Column.Add(iY1 - iTop, iY2 - iTop);
    };
    bool bLabelPending = !Job.Line.m_strName.isEmpty();

    long iPrevX = Map.MapX(pPoints[0].m_dX);
    long iPrevY = Map.MapY(pPoints[0].m_dY);
    bool bPrevInside = bFast && Frame.Contains(iPrevX, iPrevY);
    std::size_t i = 1;
    for (;;) {
        if (bPrevInside && !bLabelPending) {
            // The bulk of a dense line: vertices that stay in the column of the previous one.
            if (Column.IsEmpty() || Column.Column() != iPrevX) {
                Column.Flush(iTop, Batch, PointPixels, iSaturation, pCanvas);
                Column.Open(iPrevX, iPrevY - iTop);
            }
            i = Column.AddVertices(pPoints, i, iCount, Map, iTop, iBottom, iPrevY);
        }
        if (i >= iCount)
            break;

        const long iX1 = iPrevX, iY1 = iPrevY;
        const long iX2 = Map.MapX(pPoints[i].m_dX);
        const long iY2 = Map.MapY(pPoints[i].m_dY);
        const bool bInside = bFast && Frame.Contains(iX2, iY2);
        const bool bBothInside = bPrevInside && bInside;
        iPrevX = iX2;
        iPrevY = iY2;
        bPrevInside = bInside;
        ++i;

        CRDDevicePoint P(iX1, iY1), Q(iX2, iY2);
        long iClipX1 = iX1, iClipY1 = iY1, iClipX2 = iX2, iClipY2 = iY2;
        if (!bBothInside) {
            if (!Job.Grid.DoClipLine(P, Q))
                continue;
            iClipX1 = P.m_iX, iClipY1 = P.m_iY, iClipX2 = Q.m_iX, iClipY2 = Q.m_iY;
            if (!Numeric::FitToPaintRange(iClipX1, iClipY1, iClipX2, iClipY2))
                continue;
        }
        const QLine Segment(static_cast<int>(iClipX1), static_cast<int>(iClipY1), static_cast<int>(iClipX2),
                            static_cast<int>(iClipY2));
        if (bLabelPending) {
            // The label goes between the first segment drawn and the rest, as in the box grid.
            Job.Painter.drawLines(&Segment, 1);
            DrawLabel(Job.Painter, Job.Line.m_strName, P);
            bLabelPending = false;
        } else if (bFast && iClipX1 == iClipX2 && Frame.Contains(iClipX1, iClipY1)
                   && Frame.Contains(iClipX2, iClipY2)) {
            addVertical(iClipX1, iClipY1, iClipY2); // clipped at the top or bottom edge
        } else {
            Column.Flush(iTop, Batch, PointPixels, iSaturation, pCanvas);
            // A pattern starts lit, so a segment no longer than its first dash is drawn alike by
            // the solid pen of the profiles, and dense lines switch pens less often.
            const long iLength = std::max(std::abs(iClipX2 - iClipX1), std::abs(iClipY2 - iClipY1));
            Batch.Add(Segment, iLength <= c_iFirstDash);
        }
    }
    Column.Flush(iTop, Batch, PointPixels, iSaturation, pCanvas);
    Batch.Finish();
    // Dense columns go last: the blends of each of their pixels keep their order, but a line that
    // crosses them is blended before instead of between them, which moves a few pixels by one step.
    if (pCanvas)
        pCanvas->Draw(Job.Painter);

    // A point covers its pixel fully, which makes it the line's colour, and further blends of that
    // colour keep it so (8-bit rounding included): points can go last, as filled runs of pixels.
    std::vector<QRect> vecRuns;
    PointPixels.ForEachRun([&vecRuns](long iX, long iY, long iLength) {
        vecRuns.emplace_back(static_cast<int>(iX), static_cast<int>(iY), static_cast<int>(iLength), 1);
    });
    if (!vecRuns.empty()) {
        const QBrush Previous = Job.Painter.brush();
        Job.Painter.setPen(Qt::NoPen);
        Job.Painter.setBrush(Job.LinePen.brush());
        Job.Painter.drawRects(vecRuns.data(), static_cast<int>(vecRuns.size()));
        Job.Painter.setBrush(Previous);
        Job.Painter.setPen(Job.LinePen);
    }
}

} // namespace

CRDDecimatingBoxGrid::~CRDDecimatingBoxGrid() {}

void CRDDecimatingBoxGrid::DrawLine(QPainter& Painter, CRDDecoratedLine& Line)
{
    const QBrush Brush(Line.m_Color, Qt::SolidPattern);
    const double dWidth = static_cast<double>(m_iLineWidth);
    const Qt::PenStyle ePenStyle = Line.m_eLineStyle == eRDLineDotted       ? Qt::DotLine
                                   : Line.m_eLineStyle == eRDLineDashDotted ? Qt::DashDotLine
                                                                            : Qt::SolidLine;
    const QPen LinePen(Brush, dWidth, ePenStyle, Qt::FlatCap, Qt::MiterJoin);
    Painter.setPen(LinePen);

    const Numeric::LinearMap Map = Numeric::LinearMap::Of(*this);
    DeviceFrame Frame{m_DeviceLeftTop.m_iX, m_DeviceLeftTop.m_iY, m_DeviceRightBottom.m_iX, m_DeviceRightBottom.m_iY,
                      false};
    const auto paintable = [](long iV) { return iV >= -Numeric::c_iPaintLimit && iV <= Numeric::c_iPaintLimit; };
    Frame.bSane = Frame.iL <= Frame.iR && Frame.iT <= Frame.iB && paintable(Frame.iL) && paintable(Frame.iR)
                  && paintable(Frame.iT) && paintable(Frame.iB);

    const std::vector<CRDPoint>& vecPoints = Line.m_vecPoints;
    if (vecPoints.size() >= 2) {
        const QPen ProfilePen(Brush, dWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        const LineJob Job{*this, Painter, Line, Map, Frame, LinePen, ProfilePen};
        // Qt's patterns for a one-pixel pen: dots 1 on, 2 off; dash-dots 4 on, 2 off, 1 on, 2 off.
        if (ePenStyle == Qt::DotLine)
            DrawSegments<3, 0x1>(Job);
        else if (ePenStyle == Qt::DashDotLine)
            DrawSegments<9, 0x4f>(Job);
        else
            DrawSegments<1, 0x1>(Job);
    }

    if (Line.m_ePointStyle != eRDPointNone && !vecPoints.empty()) {
        // Without a bitmap only repeats in a row are left out.
        PixelSet Drawn(Frame);
        long iLastX = Numeric::c_iInvalidDevice, iLastY = Numeric::c_iInvalidDevice;
        for (const CRDPoint& Vertex : vecPoints) {
            const long iX = Map.MapX(Vertex.m_dX);
            const long iY = Map.MapY(Vertex.m_dY);
            if (!Frame.Contains(iX, iY) || (iX == iLastX && iY == iLastY))
                continue;
            iLastX = iX;
            iLastY = iY;
            if (Drawn.IsUsable() && !Drawn.Insert(iX, iY))
                continue;
            CRDDecoratedPoint Marker(Vertex, Line.m_Color, Line.m_ePointStyle);
            DrawPoint(Painter, Marker);
        }
    }
}

} // namespace KelmFramework
