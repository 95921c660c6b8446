// CoverageCanvas: dense pixel columns of a line drawn as images of the blends their lines would make.
#ifndef RDCOVERAGECANVAS_P_H
#define RDCOVERAGECANVAS_P_H

#include "RDDecimation_p.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace KelmFramework
{
namespace Decimation
{

// How much the raster engine's antialiased one-pixel pen covers the pixels left and right of a
// vertical line on integer coordinates (about a half each), measured once.
struct VerticalCoverage
{
    int iLeft = 0;
    int iRight = 0;
    bool bValid = false; // both constant along the line, nothing else lit
};

inline const VerticalCoverage& MeasuredCoverage()
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
inline constexpr std::array<std::array<std::array<std::uint8_t, c_iRuns>, 2>, 256> c_CellTransitions = [] {
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

} // namespace Decimation
} // namespace KelmFramework

#endif // RDCOVERAGECANVAS_P_H
