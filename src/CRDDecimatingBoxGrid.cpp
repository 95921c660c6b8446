// CRDDecimatingBoxGrid: a box grid that reduces dense lines per pixel column before drawing them.
#include "CRDDecimatingBoxGrid.h"

#include "RDLinearMap_p.h"
#include "RDNumeric_p.h"

#include <QBrush>
#include <QFontMetrics>
#include <QLine>
#include <QPainter>
#include <QPen>
#include <QRect>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <vector>

// Why not simply M4 (first, min, max, last per column; Jugel et al., VLDB 2014): that keeps an
// aliased line's pixels, but an antialiased one-pixel segment on integer coordinates lights its
// two pixel columns by one half each, and the box grid blends every segment on its own. A column
// crossed by many segments is lit many times over, so its pixels depend on how often each row is
// crossed. The first and last segments of a column are kept as they are; the vertical segments
// inside it are kept as that count per row.

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
        if (m_vecPoint.empty()) {
            m_vecMarks.assign(static_cast<std::size_t>((m_iRows + 1) * c_iPhases), 0);
            m_vecPoint.assign(static_cast<std::size_t>(m_iRows), 0);
        }
        m_iColumn = iColumn;
        m_iLow = m_iHigh = iRow;
    }

    /// The segment from row iR1, a row of the column already, to row iR2 of the rectangle.
    void Add(long iR1, long iR2)
    {
        m_iLow = std::min(m_iLow, iR2);
        m_iHigh = std::max(m_iHigh, iR2);
        const long iDiff = iR2 - iR1;
        if (iDiff == 0) {
            // A segment of no length is drawn as one opaque pixel.
            m_vecPoint[Index(iR1)] = 1;
            return;
        }
        // Rows min .. max - 1 in either direction, without branches: noisy data goes up and down
        // at random. Segments are told apart by the phase at which their pattern starts, counted
        // downward from the first row, or upward from the row above the start point.
        const long iUp = iDiff >> 63;
        const long iMin = iR1 + (iDiff & iUp), iMax = iR2 - (iDiff & iUp);
        long iSlot = 0;
        if constexpr (Period > 1)
            iSlot = (iR1 + iUp + Period) % Period + (iUp & Period);
        ++m_vecMarks[Index(iMin * c_iPhases + iSlot)];
        --m_vecMarks[Index(iMax * c_iPhases + iSlot)];
    }

    /// Queues segments that light every row as often as the added ones did, up to saturation,
    /// adds its points to Points, and empties the profile.
    void Flush(long iTop, LineBatch& Batch, PixelSet& Points, int iSaturation)
    {
        if (IsEmpty())
            return;
        const int iX = static_cast<int>(m_iColumn);
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
                int* const piMarks = &m_vecMarks[Index(i * c_iPhases)];
                for (long k = 0; k < c_iPhases; ++k) {
                    aiActive[k] += piMarks[k];
                    piMarks[k] = 0;
                    if (c_auLitMasks[Index(iResidue)] & (1u << k))
                        iCount += aiActive[k];
                }
                iCount = std::min(iCount, iSaturation);
                iResidue = iResidue + 1 == Period ? 0 : iResidue + 1;
                if (m_vecPoint[Index(i)]) {
                    m_vecPoint[Index(i)] = 0;
                    Points.Insert(m_iColumn, iTop + i);
                }
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

    const long m_iRows;
    std::vector<int> m_vecMarks; // per row, one difference per phase
    std::vector<int> m_vecPoint;
    long m_iColumn = 0;
    long m_iLow = 1; // rows of the column's vertices, [m_iLow, m_iHigh]
    long m_iHigh = 0;
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
    const long iTop = Frame.iT, iBottom = Frame.iB;
    // The profile is drawn before anything else is queued, so the drawing order stays that of
    // the box grid.
    const auto addVertical = [&](long iX, long iY1, long iY2) {
        if (Column.IsEmpty() || Column.Column() != iX) {
            Column.Flush(iTop, Batch, PointPixels, iSaturation);
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
                Column.Flush(iTop, Batch, PointPixels, iSaturation);
                Column.Open(iPrevX, iPrevY - iTop);
            }
            for (; i < iCount; ++i) {
                if (Map.MapX(pPoints[i].m_dX) != iPrevX)
                    break;
                const long iY = Map.MapY(pPoints[i].m_dY);
                if (iY < iTop || iY > iBottom)
                    break;
                Column.Add(iPrevY - iTop, iY - iTop);
                iPrevY = iY;
            }
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
            Column.Flush(iTop, Batch, PointPixels, iSaturation);
            // A pattern starts lit, so a segment no longer than its first dash is drawn alike by
            // the solid pen of the profiles, and dense lines switch pens less often.
            const long iLength = std::max(std::abs(iClipX2 - iClipX1), std::abs(iClipY2 - iClipY1));
            Batch.Add(Segment, iLength <= c_iFirstDash);
        }
    }
    Column.Flush(iTop, Batch, PointPixels, iSaturation);
    Batch.Finish();

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

CRDDecimatingBoxGrid::CRDDecimatingBoxGrid(CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle,
                                           QString strYAxisTitle, long iXDivisions, long iYDivisions,
                                           short iXPrecision, short iYPrecision, CRDColor GridColor,
                                           CRDColor TextColor)
    : CRDBoxGridLayout(PointA, PointB, strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions, iXPrecision,
                       iYPrecision, GridColor, TextColor)
{
}

CRDDecimatingBoxGrid::CRDDecimatingBoxGrid(IResultDisplayCallBack& CallBack, CRDPoint PointA, CRDPoint PointB,
                                           QString strXAxisTitle, QString strYAxisTitle, long iXDivisions,
                                           long iYDivisions, short iXPrecision, short iYPrecision,
                                           CRDColor GridColor, CRDColor TextColor)
    : CRDBoxGridLayout(CallBack, PointA, PointB, strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions,
                       iXPrecision, iYPrecision, GridColor, TextColor)
{
}

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
