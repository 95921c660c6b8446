// libFuzzer harness: hostile coordinates, rectangles, styles and sizes through the grids, the plot and the matrix.
#include "CRDAxisBoxGrid.h"
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDMatrix.h"
#include "CRDMatrixData.h"
#include "CResultDisplay.h"
#include "DecimationScene.h"
#include "RDAxisTicks_p.h"
#include "RDGrids_p.h"
#include "RDNumeric_p.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <map>
#include <memory>
#include <vector>

using namespace KelmFramework;

namespace
{

[[noreturn]] void Fail(const char* strWhat, int iLine)
{
    std::fprintf(stderr, "fuzz invariant broken (line %d): %s\n", iLine, strWhat);
    std::abort();
}

#define RD_CHECK(condition)                                                                                            \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            Fail(#condition, __LINE__);                                                                                \
    } while (false)

// Painting one input is an interaction; past this it counts as a hang.
constexpr qint64 c_iPaintBudgetMs = 2000;

// The painting thread's own time: a busy machine must not fail a run, a hang or a blow-up must.
qint64 ThreadMilliseconds()
{
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return static_cast<qint64>(Now.tv_sec) * 1000 + Now.tv_nsec / 1000000;
}

template <typename Paint>
void WithinBudget(Paint paint)
{
    const qint64 iStart = ThreadMilliseconds();
    paint();
    const qint64 iElapsed = ThreadMilliseconds() - iStart;
    if (std::getenv("RD_FUZZ_TRACE"))
        std::fprintf(stderr, "paint: %lld ms\n", static_cast<long long>(iElapsed));
    if (iElapsed > c_iPaintBudgetMs)
        Fail("one paint took longer than the budget", __LINE__);
}

double HostileDouble(FuzzedDataProvider& In)
{
    static const double s_dTable[] = {0.0,
                                      -0.0,
                                      1.0,
                                      -1.0,
                                      0.5,
                                      10.0,
                                      100.0,
                                      -100.0,
                                      1e-300,
                                      DBL_TRUE_MIN,
                                      -DBL_TRUE_MIN,
                                      DBL_MIN,
                                      DBL_MAX,
                                      -DBL_MAX,
                                      1e300,
                                      -1e300,
                                      1e17,
                                      -1e17,
                                      9.3e18,
                                      -9.3e18,
                                      1e-8,
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(),
                                      std::numeric_limits<double>::quiet_NaN()};
    switch (In.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return s_dTable[In.ConsumeIntegralInRange<std::size_t>(0, std::size(s_dTable) - 1)];
    case 1:
        return In.ConsumeFloatingPointInRange<double>(-1000.0, 1000.0);
    case 2: {
        const std::uint64_t iBits = In.ConsumeIntegral<std::uint64_t>();
        double dValue;
        std::memcpy(&dValue, &iBits, sizeof dValue);
        return dValue;
    }
    default:
        return static_cast<double>(In.ConsumeIntegralInRange<int>(-100, 200));
    }
}

long HostileLong(FuzzedDataProvider& In)
{
    static const long s_iTable[] = {0,        1,        -1,       50,          100,         1000,
                                    INT_MAX,  INT_MIN,  1L << 31, 1L << 30,    -(1L << 30), (1L << 30) + 1,
                                    1L << 40, LONG_MAX, LONG_MIN, LONG_MIN + 1};
    switch (In.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return s_iTable[In.ConsumeIntegralInRange<std::size_t>(0, std::size(s_iTable) - 1)];
    case 1:
        return In.ConsumeIntegral<long>();
    default:
        return In.ConsumeIntegralInRange<long>(-200, 1200);
    }
}

int HostileInt(FuzzedDataProvider& In)
{
    return static_cast<int>(std::clamp<long>(HostileLong(In), INT_MIN, INT_MAX));
}

CRDPoint HostilePoint(FuzzedDataProvider& In)
{
    const double dX = HostileDouble(In);
    const double dY = HostileDouble(In);
    return CRDPoint(dX, dY, false);
}

CRDDevicePoint HostileDevicePoint(FuzzedDataProvider& In)
{
    const long iX = HostileLong(In);
    const long iY = HostileLong(In);
    return CRDDevicePoint(iX, iY);
}

// Painting cost grows with the labels asked for: 32767 divisions a side take seconds under the
// sanitizers, which is work asked for, not a hang. So large counts stay within 1000 here; the
// negative and extreme ones, which the grid clamps to 1, come in whole.
long Divisions(FuzzedDataProvider& In)
{
    static const long s_iTable[] = {0, -1, -1000, 1000, INT_MIN, LONG_MIN};
    if (In.ConsumeBool())
        return In.ConsumeIntegralInRange<long>(-2, 24);
    return s_iTable[In.ConsumeIntegralInRange<std::size_t>(0, std::size(s_iTable) - 1)];
}

QString Text(FuzzedDataProvider& In, std::size_t iMaxLength)
{
    return QString::fromUtf8(In.ConsumeRandomLengthString(iMaxLength).c_str());
}

CRDColor Color(FuzzedDataProvider& In)
{
    const auto iRed = In.ConsumeIntegral<unsigned char>();
    const auto iGreen = In.ConsumeIntegral<unsigned char>();
    const auto iBlue = In.ConsumeIntegral<unsigned char>();
    return CRDColor(iRed, iGreen, iBlue);
}

QSize WidgetSize(FuzzedDataProvider& In)
{
    static const int s_iTable[] = {0, 1, 2, 3, 99, 100, 30000, QWIDGETSIZE_MAX};
    if (In.ConsumeBool()) {
        const int iWidth = In.ConsumeIntegralInRange<int>(0, 1200);
        return QSize(iWidth, In.ConsumeIntegralInRange<int>(0, 900));
    }
    const int iWidth = s_iTable[In.ConsumeIntegralInRange<std::size_t>(0, std::size(s_iTable) - 1)];
    return QSize(iWidth, s_iTable[In.ConsumeIntegralInRange<std::size_t>(0, std::size(s_iTable) - 1)]);
}

bool UsableView(const CRDGrid& Grid)
{
    const CRDPoint LeftBottom = Grid.GetViewPortLeftButton();
    const CRDPoint RightTop = Grid.GetViewPortRightTop();
    return Numeric::IsUsableSpan(LeftBottom.m_dX, RightTop.m_dX)
           && Numeric::IsUsableSpan(LeftBottom.m_dY, RightTop.m_dY);
}

// Within this range the doubles of the clipping carry far less than a pixel of rounding.
constexpr long c_iExactRange = 1L << 24;

bool Moderate(long iValue)
{
    return iValue >= -c_iExactRange && iValue <= c_iExactRange;
}

// What DoClipLine guarantees. It clips the first end only at the left edge and the second only at
// the right one, both at the top and bottom, and never re-tests. So for a sane rectangle every kept
// end lies between the top and bottom edges, whatever the direction. Given left to right, an end
// can leave the rectangle sideways only when the segment misses it: both ends are then moved onto
// the line of one and the same top or bottom edge, outside (the corner case collapses them to one
// pixel; a segment within a pixel of the edge keeps one end on it). One pixel of slack covers the
// truncation of the crossing.
void CheckClippedSegment(const CRDDevicePoint& LeftTop, const CRDDevicePoint& RightBottom, const CRDDevicePoint& P0,
                         const CRDDevicePoint& Q0, bool bKept, const CRDDevicePoint& P, const CRDDevicePoint& Q)
{
    const long iL = LeftTop.m_iX, iT = LeftTop.m_iY, iR = RightBottom.m_iX, iB = RightBottom.m_iY;
    const bool bValid = P0.m_iX != Numeric::c_iInvalidDevice && P0.m_iY != Numeric::c_iInvalidDevice
                        && Q0.m_iX != Numeric::c_iInvalidDevice && Q0.m_iY != Numeric::c_iInvalidDevice;
    const bool bBeyondOneEdge = (P0.m_iX < iL && Q0.m_iX < iL) || (P0.m_iX > iR && Q0.m_iX > iR)
                                || (P0.m_iY < iT && Q0.m_iY < iT) || (P0.m_iY > iB && Q0.m_iY > iB);
    if (!bKept) {
        RD_CHECK(P.m_iX == P0.m_iX && P.m_iY == P0.m_iY && Q.m_iX == Q0.m_iX && Q.m_iY == Q0.m_iY);
        RD_CHECK(bBeyondOneEdge || !bValid);
        return;
    }
    RD_CHECK(bValid && !bBeyondOneEdge);
    if (iL > iR || iT > iB)
        return;
    RD_CHECK(P.m_iY >= iT && P.m_iY <= iB && Q.m_iY >= iT && Q.m_iY <= iB);
    if (P0.m_iX > Q0.m_iX)
        return;
    for (long iValue : {iL, iT, iR, iB, P0.m_iX, P0.m_iY, Q0.m_iX, Q0.m_iY})
        if (!Moderate(iValue))
            return;
    const auto sideways = [&](const CRDDevicePoint& End) { return End.m_iX < iL - 1 || End.m_iX > iR + 1; };
    if (sideways(P) || sideways(Q))
        RD_CHECK(P.m_iY == Q.m_iY && (P.m_iY == iT || P.m_iY == iB));
    // A segment wholly inside is left as it is.
    const auto inside = [&](const CRDDevicePoint& End) {
        return End.m_iX >= iL && End.m_iX <= iR && End.m_iY >= iT && End.m_iY <= iB;
    };
    if (inside(P0) && inside(Q0))
        RD_CHECK(P.m_iX == P0.m_iX && P.m_iY == P0.m_iY && Q.m_iX == Q0.m_iX && Q.m_iY == Q0.m_iY);
}

// The decimating grid: a box grid in all but the drawing of lines, which the fuzzer reaches so too.
using Grid = CRDDecimatingBoxGrid;

Grid MakeGrid(FuzzedDataProvider& In, CRDPoint CornerA, CRDPoint CornerB)
{
    const QString strXTitle = Text(In, 40);
    const QString strYTitle = Text(In, 40);
    const long iXDivisions = Divisions(In);
    const long iYDivisions = Divisions(In);
    const short iXPrecision = In.ConsumeIntegral<short>();
    const short iYPrecision = In.ConsumeIntegral<short>();
    if (std::getenv("RD_FUZZ_TRACE"))
        std::fprintf(stderr, "grid: view (%g, %g)-(%g, %g), divisions %ld x %ld, precisions %d / %d, titles %d / %d\n",
                     CornerA.m_dX, CornerA.m_dY, CornerB.m_dX, CornerB.m_dY, iXDivisions, iYDivisions, iXPrecision,
                     iYPrecision, int(strXTitle.size()), int(strYTitle.size()));
    return Grid(CornerA, CornerB, strXTitle, strYTitle, iXDivisions, iYDivisions, iXPrecision, iYPrecision, c_ColorGray,
                c_ColorBlack);
}

void FuzzGrid(FuzzedDataProvider& In, QImage& Image)
{
    const CRDPoint CornerA = HostilePoint(In);
    const CRDPoint CornerB = HostilePoint(In);
    Grid TheGrid = MakeGrid(In, CornerA, CornerB);
    CRDDevicePoint LeftTop = HostileDevicePoint(In);
    CRDDevicePoint RightBottom = HostileDevicePoint(In);
    if (In.ConsumeBool()) {
        // Mostly a rectangle of the widget's kind, so that the interesting checks run.
        LeftTop = CRDDevicePoint(In.ConsumeIntegralInRange<long>(0, 120), In.ConsumeIntegralInRange<long>(0, 120));
        RightBottom = CRDDevicePoint(LeftTop.m_iX + In.ConsumeIntegralInRange<long>(0, 2000),
                                     LeftTop.m_iY + In.ConsumeIntegralInRange<long>(0, 2000));
    }
    TheGrid.SetDeviceViewPort(LeftTop, RightBottom);
    const long iL = LeftTop.m_iX, iT = LeftTop.m_iY, iR = RightBottom.m_iX, iB = RightBottom.m_iY;

    const bool bSaneView = UsableView(TheGrid);
    const bool bSaneDevice = iL < iR && iT < iB && std::labs(iL) <= Numeric::c_iPaintLimit
                             && std::labs(iR) <= Numeric::c_iPaintLimit && std::labs(iT) <= Numeric::c_iPaintLimit
                             && std::labs(iB) <= Numeric::c_iPaintLimit;
    const CRDPoint LeftBottom = TheGrid.GetViewPortLeftButton();
    const CRDPoint RightTop = TheGrid.GetViewPortRightTop();
    RD_CHECK(!(LeftBottom.m_dX > RightTop.m_dX) && !(LeftBottom.m_dY > RightTop.m_dY));

    std::vector<CRDPoint> vecPoints;
    const int iPoints = In.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < iPoints; ++i) {
        CRDPoint User = HostilePoint(In);
        if (bSaneView && In.ConsumeBool()) {
            // A point inside the view, where the round trip is meaningful.
            const double dFx = In.ConsumeProbability<double>(), dFy = In.ConsumeProbability<double>();
            User = CRDPoint(LeftBottom.m_dX + dFx * (RightTop.m_dX - LeftBottom.m_dX),
                            LeftBottom.m_dY + dFy * (RightTop.m_dY - LeftBottom.m_dY), false);
        }
        vecPoints.push_back(User);
        CRDDevicePoint Device;
        const bool bInside = TheGrid.ConvertPointToDevicePoint(User, Device);
        RD_CHECK(bInside == TheGrid.DoClippPoint(Device));
        const bool bHasPosition = Device.m_iX != Numeric::c_iInvalidDevice && Device.m_iY != Numeric::c_iInvalidDevice;
        RD_CHECK(bInside
                 == (bHasPosition && Device.m_iX >= iL && Device.m_iX <= iR && Device.m_iY >= iT && Device.m_iY <= iB));
        // A point without a device position is outside every rectangle.
        if (!std::isfinite(User.m_dX) || !std::isfinite(User.m_dY))
            RD_CHECK(!bInside);
        if (!bInside || !bSaneView || !bSaneDevice)
            continue;
        CRDPoint Back;
        TheGrid.ConvertPointFromDeviceToUserViewport(Device, Back);
        const double dPixelX = (RightTop.m_dX - LeftBottom.m_dX) / static_cast<double>(iR - iL);
        const double dPixelY = (RightTop.m_dY - LeftBottom.m_dY) / static_cast<double>(iB - iT);
        const double dNoiseX = 8 * DBL_EPSILON * (std::fabs(LeftBottom.m_dX) + std::fabs(RightTop.m_dX));
        const double dNoiseY = 8 * DBL_EPSILON * (std::fabs(LeftBottom.m_dY) + std::fabs(RightTop.m_dY));
        if (std::getenv("RD_FUZZ_TRACE"))
            std::fprintf(stderr, "round trip: (%.17g, %.17g) -> (%ld, %ld) -> (%.17g, %.17g) in [%ld %ld %ld %ld]\n",
                         User.m_dX, User.m_dY, Device.m_iX, Device.m_iY, Back.m_dX, Back.m_dY, iL, iT, iR, iB);
        if (std::isfinite(dPixelX) && std::isfinite(dPixelY)) {
            RD_CHECK(std::fabs(Back.m_dX - User.m_dX) <= dPixelX * (1 + 1e-9) + dNoiseX);
            RD_CHECK(std::fabs(Back.m_dY - User.m_dY) <= dPixelY * (1 + 1e-9) + dNoiseY);
        }
    }

    const int iSegments = In.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < iSegments; ++i) {
        CRDDevicePoint P0 = HostileDevicePoint(In), Q0 = HostileDevicePoint(In);
        if (In.ConsumeBool()) {
            // Ends near the rectangle, where clipping has work to do.
            const auto near = [&](long iLow, long iHigh) {
                return In.ConsumeIntegralInRange<long>(std::max(-c_iExactRange, iLow - 300),
                                                       std::min(c_iExactRange, iHigh + 300));
            };
            if (Moderate(iL) && Moderate(iR) && Moderate(iT) && Moderate(iB) && iL <= iR && iT <= iB) {
                const long iPx = near(iL, iR), iPy = near(iT, iB), iQx = near(iL, iR), iQy = near(iT, iB);
                P0 = CRDDevicePoint(iPx, iPy);
                Q0 = CRDDevicePoint(iQx, iQy);
            }
        }
        CRDDevicePoint P = P0, Q = Q0;
        const bool bKept = TheGrid.DoClipLine(P, Q);
        CheckClippedSegment(LeftTop, RightBottom, P0, Q0, bKept, P, Q);
    }
    for (std::size_t i = 1; i < vecPoints.size(); ++i) {
        CRDDevicePoint P0, Q0, P, Q;
        TheGrid.ConvertPointToDevicePoint(vecPoints[i - 1], P0);
        TheGrid.ConvertPointToDevicePoint(vecPoints[i], Q0);
        const bool bKept = TheGrid.ConvertPointsToDeviceLine(vecPoints[i - 1], vecPoints[i], P, Q);
        CheckClippedSegment(LeftTop, RightBottom, P0, Q0, bKept, P, Q);
    }

    const int iLineStyle = In.ConsumeIntegralInRange<int>(-1, 3);
    const int iPointStyle = In.ConsumeIntegralInRange<int>(-1, 4);
    CRDDecoratedLine Line(vecPoints, Color(In), static_cast<ERDLineStyle>(iLineStyle),
                          static_cast<ERDPointStyle>(iPointStyle), Text(In, 40));
    const long iMargin = HostileLong(In);
    WithinBudget([&] {
        QPainter Painter(&Image);
        Painter.setRenderHint(QPainter::Antialiasing);
        TheGrid.DrawGrid(Painter, LeftTop, RightBottom, iMargin);
        for (CRDPoint& Vertex : vecPoints) {
            CRDDecoratedPoint Marker(Vertex, Line.m_Color, static_cast<ERDPointStyle>(iPointStyle));
            TheGrid.DrawPoint(Painter, Marker);
        }
        TheGrid.DrawLine(Painter, Line);
    });

    // The same grid on log10 and time axes, where the input goes on: every conversion and drawing.
    if (In.remaining_bytes() == 0)
        return;
    const ERDScale eScaleX = static_cast<ERDScale>(In.ConsumeIntegralInRange<int>(0, 2));
    const ERDScale eScaleY = static_cast<ERDScale>(In.ConsumeIntegralInRange<int>(0, 2));
    Grids::SetScales(TheGrid, eScaleX, eScaleY);
    for (std::size_t i = 0; i < vecPoints.size(); ++i) {
        CRDDevicePoint Device;
        CRDPoint Back;
        const bool bInside = TheGrid.ConvertPointToDevicePoint(vecPoints[i], Device);
        RD_CHECK(bInside == TheGrid.DoClippPoint(Device));
        // A value at or below 0 has no position on a log axis.
        if (eScaleX == eRDScaleLog10 && !(vecPoints[i].m_dX > 0.0))
            RD_CHECK(Device.m_iX == Numeric::c_iInvalidDevice);
        if (eScaleY == eRDScaleLog10 && !(vecPoints[i].m_dY > 0.0))
            RD_CHECK(Device.m_iY == Numeric::c_iInvalidDevice);
        TheGrid.ConvertPointFromDeviceToUserViewport(Device, Back);
        if (i == 0)
            continue;
        CRDDevicePoint P0, Q0, P, Q;
        TheGrid.ConvertPointToDevicePoint(vecPoints[i - 1], P0);
        Q0 = Device;
        const bool bKept = TheGrid.ConvertPointsToDeviceLine(vecPoints[i - 1], vecPoints[i], P, Q);
        CheckClippedSegment(LeftTop, RightBottom, P0, Q0, bKept, P, Q);
    }
    WithinBudget([&] {
        QPainter Painter(&Image);
        Painter.setRenderHint(QPainter::Antialiasing);
        for (CRDPoint& Vertex : vecPoints) {
            CRDDecoratedPoint Marker(Vertex, Line.m_Color, static_cast<ERDPointStyle>(iPointStyle));
            TheGrid.DrawPoint(Painter, Marker);
        }
        TheGrid.DrawLine(Painter, Line);
    });
}

class Display : public CResultDisplay
{
public:
    using CResultDisplay::CResultDisplay;
    std::size_t Lines() const { return m_mapLines.size(); }
    std::size_t Points() const { return m_mapPoints.size(); }
    bool HasLine(long iId) const { return m_mapLines.count(iId) != 0; }
    bool HasPoint(long iId) const { return m_mapPoints.count(iId) != 0; }
};

void Render(QWidget& Widget, QImage& Image)
{
    WithinBudget([&] { Widget.render(&Image); });
}

// The same operations on a plain display over a grid of the same settings: the plain display copies
// repaints of an unchanged picture back, the subclass draws every one, and their pictures must agree.
struct Twin
{
    Twin(const Grid& Model, const CRDPoint& CornerA, const CRDPoint& CornerB, QWidget& Parent, const CRDColor& Back)
        : TheGrid(CornerA, CornerB, Model.m_strXAxisTitle, Model.m_strYAxisTitle, Model.m_iXDivisions,
                  Model.m_iYDivisions, Model.m_iXPrecision, Model.m_iYPrecision, c_ColorGray, c_ColorBlack),
          TheDisplay(&Parent, &TheGrid, Back)
    {
    }
    // The twin's id of a line or point of the subclass; an id the subclass does not know is one the
    // twin does not know either.
    static long Of(const std::map<long, long>& mapIds, long iId, bool bKnown)
    {
        const auto Found = mapIds.find(iId);
        if (bKnown && Found != mapIds.end())
            return Found->second;
        for (const auto& Entry : mapIds)
            if (Entry.second == iId)
                return LONG_MIN;
        return iId;
    }

    Grid TheGrid;
    CResultDisplay TheDisplay;
    std::map<long, long> mapLines, mapPoints;
};

// Both pictures of a region (all of the widget where empty), each into its own image. The raster engine
// draws a line crossing the edge of a partial paint a step differently from a whole paint, so a partial
// paint copied back from a whole one may differ from the plain partial paint: where it does, it must have
// the whole paint's pixel, inside the region. The images are the same again afterwards.
void RenderPair(QWidget& Plain, QWidget& Cached, QImage& PlainImage, QImage& CachedImage, const QRegion& Region)
{
    const QPoint At = Region.boundingRect().topLeft();
    QImage Whole = PlainImage.copy();
    WithinBudget([&] { Plain.render(&PlainImage, At, Region); });
    WithinBudget([&] { Cached.render(&CachedImage, At, Region); });
    if (PlainImage == CachedImage)
        return;
    RD_CHECK(!Region.isEmpty() && CachedImage.size() == PlainImage.size());
    WithinBudget([&] { Plain.render(&Whole); });
    // Given a region beyond the widget, render() leaves the widget's painting unclipped there: only the
    // widget's own pixels are its picture.
    const qreal dRatio = PlainImage.devicePixelRatio();
    const auto inDevice = [dRatio](const QRectF& Rect) {
        return QRectF(Rect.topLeft() * dRatio, Rect.size() * dRatio).toAlignedRect();
    };
    const QRect Widget = inDevice(Plain.rect());
    const QRect Footprint = inDevice((Region & Plain.rect()).boundingRect()).adjusted(-1, -1, 1, 1);
    for (int iY = 0; iY < CachedImage.height(); ++iY)
        for (int iX = 0; iX < CachedImage.width(); ++iX) {
            const QRgb uCached = CachedImage.pixel(iX, iY);
            if (uCached != PlainImage.pixel(iX, iY) && Widget.contains(iX, iY))
                RD_CHECK(Footprint.contains(iX, iY) && uCached == Whole.pixel(iX, iY));
        }
    PlainImage = CachedImage.copy();
}

std::vector<CRDPoint> HostilePoints(FuzzedDataProvider& In)
{
    std::vector<CRDPoint> vecPoints;
    const int iVertices = In.ConsumeIntegralInRange<int>(0, 16);
    for (int v = 0; v < iVertices; ++v)
        vecPoints.push_back(HostilePoint(In));
    return vecPoints;
}

void SendMouse(QWidget& Widget, QEvent::Type eType, const QPoint& Position, Qt::MouseButton eButton)
{
    const Qt::MouseButtons eHeld = eType == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(eButton);
    QMouseEvent Mouse(eType, Position, Position, eType == QEvent::MouseMove ? Qt::NoButton : eButton, eHeld,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&Widget, &Mouse);
}

void FuzzDisplay(FuzzedDataProvider& In, QImage& Image)
{
    CRDPoint CornerA(0, 0, false), CornerB(100, 100, false);
    if (In.ConsumeBool()) {
        CornerA = HostilePoint(In);
        CornerB = HostilePoint(In);
    }
    Grid TheGrid = MakeGrid(In, CornerA, CornerB);
    QWidget Parent;
    const CRDColor Background = Color(In);
    Display TheDisplay(&Parent, &TheGrid, Background);
    Twin Other(TheGrid, CornerA, CornerB, Parent, Background);
    CResultDisplay& Cached = Other.TheDisplay;
    const QSize Size = WidgetSize(In);
    TheDisplay.resize(Size);
    Cached.resize(Size);
    long iSignals = 0;
    QObject::connect(&TheDisplay, &CResultDisplay::viewPortChanged, [&] { ++iSignals; });
    // Displays sharing each grid, of a size of their own.
    std::unique_ptr<Display> pSharer;
    std::unique_ptr<CResultDisplay> pTwinSharer;
    if (In.ConsumeBool()) {
        pSharer = std::make_unique<Display>(&Parent, &TheGrid, Background);
        pTwinSharer = std::make_unique<CResultDisplay>(&Parent, &Other.TheGrid, Background);
        const QSize SharerSize = WidgetSize(In);
        pSharer->resize(SharerSize);
        pTwinSharer->resize(SharerSize);
    }
    static const qreal s_dRatios[] = {1.0, 1.0, 1.5, 2.0, 1.25};
    const qreal dRatio = s_dRatios[In.ConsumeIntegralInRange<std::size_t>(0, std::size(s_dRatios) - 1)];
    const QImage::Format eFormat = In.ConsumeBool() ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    QImage PlainImage(static_cast<int>(160 * dRatio), static_cast<int>(120 * dRatio), eFormat);
    PlainImage.setDevicePixelRatio(dRatio);
    PlainImage.fill(Qt::darkCyan);
    QImage CachedImage = PlainImage.copy();
    long iLastLine = CResultDisplay::s_iLineIndex, iLastPoint = CResultDisplay::s_iPointIndex;

    const int iOperations = In.ConsumeIntegralInRange<int>(1, 24);
    for (int i = 0; i < iOperations && In.remaining_bytes() > 0; ++i) {
        const bool bUsableBefore = UsableView(TheGrid);
        const long iSignalsBefore = iSignals;
        bool bZoom = false;
        const int iOperation = In.ConsumeIntegralInRange<int>(0, 19);
        switch (iOperation) {
        case 0: {
            std::vector<CRDPoint> vecVertices = HostilePoints(In);
            const int iLineStyle = In.ConsumeIntegral<int>();
            const int iPointStyle = In.ConsumeIntegral<int>();
            const QString strName = Text(In, 64);
            const CRDColor LineColor = Color(In);
            const std::vector<CRDPoint>& vecConst = vecVertices;
            iLastLine = In.ConsumeBool()
                            ? TheDisplay.AddLine(vecVertices, LineColor, static_cast<ERDLineStyle>(iLineStyle),
                                                 static_cast<ERDPointStyle>(iPointStyle), strName)
                            : TheDisplay.AddLine(vecConst, LineColor, static_cast<ERDLineStyle>(iLineStyle),
                                                 static_cast<ERDPointStyle>(iPointStyle), strName);
            RD_CHECK(iLastLine == CResultDisplay::s_iLineIndex && TheDisplay.HasLine(iLastLine));
            Other.mapLines[iLastLine] = Cached.AddLine(vecConst, LineColor, static_cast<ERDLineStyle>(iLineStyle),
                                                       static_cast<ERDPointStyle>(iPointStyle), strName);
            break;
        }
        case 1: {
            const CRDPoint Point = HostilePoint(In);
            const int iPointStyle = In.ConsumeIntegral<int>();
            const CRDColor PointColor = Color(In);
            iLastPoint = TheDisplay.AddPoint(Point, PointColor, static_cast<ERDPointStyle>(iPointStyle));
            RD_CHECK(iLastPoint == CResultDisplay::s_iPointIndex && TheDisplay.HasPoint(iLastPoint));
            Other.mapPoints[iLastPoint] = Cached.AddPoint(Point, PointColor, static_cast<ERDPointStyle>(iPointStyle));
            break;
        }
        case 2: {
            const long iId = In.ConsumeBool() ? iLastLine : HostileLong(In);
            const std::size_t iBefore = TheDisplay.Lines();
            const bool bKnown = TheDisplay.HasLine(iId);
            TheDisplay.RemovedLine(iId);
            Cached.RemovedLine(Twin::Of(Other.mapLines, iId, bKnown));
            RD_CHECK(TheDisplay.Lines() == iBefore - (bKnown ? 1 : 0) && !TheDisplay.HasLine(iId));
            break;
        }
        case 3: {
            const long iId = In.ConsumeBool() ? iLastPoint : HostileLong(In);
            const std::size_t iBefore = TheDisplay.Points();
            const bool bKnown = TheDisplay.HasPoint(iId);
            TheDisplay.RemovedPoint(iId);
            Cached.RemovedPoint(Twin::Of(Other.mapPoints, iId, bKnown));
            RD_CHECK(TheDisplay.Points() == iBefore - (bKnown ? 1 : 0) && !TheDisplay.HasPoint(iId));
            break;
        }
        case 4:
            TheDisplay.ClearAll();
            Cached.ClearAll();
            RD_CHECK(TheDisplay.Lines() == 0 && TheDisplay.Points() == 0);
            break;
        case 5: {
            const CRDPoint LeftBottom = HostilePoint(In), RightTop = HostilePoint(In);
            TheDisplay.SetViewPort(LeftBottom, RightTop);
            Cached.SetViewPort(LeftBottom, RightTop);
            RD_CHECK(iSignals == iSignalsBefore + 1);
            break;
        }
        case 6: {
            CRDDevicePoint A = HostileDevicePoint(In);
            CRDDevicePoint B = HostileDevicePoint(In);
            CRDDevicePoint TwinA = A, TwinB = B;
            TheDisplay.SetViewPort(A, B);
            Cached.SetViewPort(TwinA, TwinB);
            bZoom = true;
            break;
        }
        case 7:
            TheDisplay.ResetViewPort();
            Cached.ResetViewPort();
            RD_CHECK(iSignals == iSignalsBefore + 1);
            break;
        case 8: {
            const double dFactor = In.ConsumeBool() ? HostileDouble(In)
                                                    : In.ConsumeFloatingPointInRange<double>(0.0, 2.0);
            TheDisplay.ReScaleViewPort(dFactor);
            Cached.ReScaleViewPort(dFactor);
            bZoom = true;
            break;
        }
        case 9: {
            TheDisplay.EnableFeature(eRDFeatureWheelZoom);
            Cached.EnableFeature(eRDFeatureWheelZoom);
            const int iX = HostileInt(In), iY = HostileInt(In);
            const QPoint Pixels(HostileInt(In) % 1000, HostileInt(In) % 1000);
            const QPointF At(HostileDouble(In), HostileDouble(In));
            const Qt::KeyboardModifiers eKeys(In.ConsumeIntegralInRange<int>(0, 3) << 25);
            const int iRepeat = In.ConsumeIntegralInRange<int>(1, 200);
            for (int r = 0; r < iRepeat; ++r)
                for (QWidget* pWidget : {static_cast<QWidget*>(&TheDisplay), static_cast<QWidget*>(&Cached)}) {
                    QWheelEvent Wheel(At, At, Pixels, QPoint(iX, iY), Qt::NoButton, eKeys, Qt::NoScrollPhase, false);
                    QCoreApplication::sendEvent(pWidget, &Wheel);
                }
            bZoom = true;
            break;
        }
        case 10:
        case 15: {
            // A rubber band, or with pan on a pan, with any button.
            const ERDFeature eFeature = iOperation == 10 ? eRDFeatureRubberBandZoom : eRDFeaturePan;
            TheDisplay.EnableFeature(eFeature);
            Cached.EnableFeature(eFeature);
            const Qt::MouseButton eButton = static_cast<Qt::MouseButton>(1 << In.ConsumeIntegralInRange<int>(0, 4));
            const int iSteps = In.ConsumeIntegralInRange<int>(0, 4);
            const bool bOnSharer = pSharer && In.ConsumeBool();
            for (int s = 0; s <= iSteps + 1; ++s) {
                const QPoint Position(HostileInt(In), HostileInt(In));
                const QEvent::Type eType = s == 0            ? QEvent::MouseButtonPress
                                           : s == iSteps + 1 ? QEvent::MouseButtonRelease
                                                             : QEvent::MouseMove;
                SendMouse(bOnSharer ? static_cast<QWidget&>(*pSharer) : TheDisplay, eType, Position, eButton);
                SendMouse(bOnSharer ? static_cast<QWidget&>(*pTwinSharer) : Cached, eType, Position, eButton);
            }
            bZoom = true;
            break;
        }
        case 11: {
            const int iFeature = In.ConsumeIntegralInRange<int>(-2, 10);
            const bool bOn = In.ConsumeBool();
            for (CResultDisplay* pDisplay : {static_cast<CResultDisplay*>(&TheDisplay), &Cached}) {
                if (bOn)
                    pDisplay->EnableFeature(static_cast<ERDFeature>(iFeature));
                else
                    pDisplay->DisableFeature(static_cast<ERDFeature>(iFeature));
            }
            break;
        }
        case 12:
            if (In.ConsumeBool()) {
                const QSize NewSize = WidgetSize(In);
                TheDisplay.resize(NewSize);
                Cached.resize(NewSize);
            } else {
                const long iWidth = HostileLong(In), iHeight = HostileLong(In);
                TheDisplay.UpdateDrawAreaRange(iWidth, iHeight);
                Cached.UpdateDrawAreaRange(iWidth, iHeight);
            }
            RenderPair(TheDisplay, Cached, PlainImage, CachedImage, QRegion());
            break;
        case 13: {
            const long iId = In.ConsumeBool() ? iLastLine : HostileLong(In);
            const bool bKnown = TheDisplay.HasLine(iId);
            const long iTwinId = Twin::Of(Other.mapLines, iId, bKnown);
            const std::size_t iBefore = TheDisplay.Lines();
            const std::vector<CRDPoint> vecPoints = HostilePoints(In);
            const long iCount = HostileLong(In);
            bool bDone = false;
            switch (In.ConsumeIntegralInRange<int>(0, 2)) {
            case 0:
                bDone = TheDisplay.AppendLinePoints(iId, vecPoints);
                RD_CHECK(Cached.AppendLinePoints(iTwinId, vecPoints) == bDone);
                break;
            case 1:
                bDone = TheDisplay.DropLinePoints(iId, iCount);
                RD_CHECK(Cached.DropLinePoints(iTwinId, iCount) == bDone);
                break;
            default:
                bDone = TheDisplay.SetLinePoints(iId, vecPoints);
                RD_CHECK(Cached.SetLinePoints(iTwinId, vecPoints) == bDone);
                break;
            }
            RD_CHECK(bDone == bKnown && TheDisplay.Lines() == iBefore);
            break;
        }
        case 14:
            TheDisplay.FitViewPortToData();
            Cached.FitViewPortToData();
            RD_CHECK(iSignals == iSignalsBefore || UsableView(TheGrid));
            break;
        case 16: {
            TheDisplay.EnableFeature(eRDFeatureReadout);
            Cached.EnableFeature(eRDFeatureReadout);
            const int iMoves = In.ConsumeIntegralInRange<int>(1, 6);
            for (int m = 0; m < iMoves; ++m) {
                const QPoint Position = In.ConsumeBool() ? QPoint(HostileInt(In), HostileInt(In))
                                                         : QPoint(In.ConsumeIntegralInRange<int>(-10, 400),
                                                                  In.ConsumeIntegralInRange<int>(-10, 300));
                SendMouse(TheDisplay, QEvent::MouseMove, Position, Qt::NoButton);
                SendMouse(Cached, QEvent::MouseMove, Position, Qt::NoButton);
            }
            if (In.ConsumeBool())
                for (QWidget* pWidget : {static_cast<QWidget*>(&TheDisplay), static_cast<QWidget*>(&Cached)}) {
                    QEvent Leave(QEvent::Leave);
                    QCoreApplication::sendEvent(pWidget, &Leave);
                }
            RenderPair(TheDisplay, Cached, PlainImage, CachedImage, QRegion());
            break;
        }
        case 17: {
            const QRect Part(In.ConsumeIntegralInRange<int>(-20, 200), In.ConsumeIntegralInRange<int>(-20, 150),
                             In.ConsumeIntegralInRange<int>(0, 200), In.ConsumeIntegralInRange<int>(0, 150));
            RenderPair(TheDisplay, Cached, PlainImage, CachedImage, QRegion(Part));
            break;
        }
        case 18: {
            // Changes made on the grids themselves: no signal.
            const CRDPoint A = HostilePoint(In), B = HostilePoint(In);
            const CRDColor NewColor = Color(In);
            const long iDivisions = Divisions(In);
            const int iWhat = In.ConsumeIntegralInRange<int>(0, 2);
            for (Grid* pGrid : {&TheGrid, &Other.TheGrid}) {
                CRDPoint GridA = A, GridB = B;
                if (iWhat == 0)
                    pGrid->SetViewPort(GridA, GridB);
                else if (iWhat == 1)
                    pGrid->m_TextColor = NewColor;
                else
                    pGrid->m_iYDivisions = iDivisions;
            }
            RD_CHECK(iSignals == iSignalsBefore);
            break;
        }
        case 19:
            if (pSharer)
                RenderPair(*pSharer, *pTwinSharer, PlainImage, CachedImage, QRegion());
            break;
        default:
            break;
        }
        // Zooms never give up a usable view.
        if (bZoom && bUsableBefore)
            RD_CHECK(UsableView(TheGrid));
        // A paint, and the same paint again: copied back on the twin.
        if (In.ConsumeIntegralInRange<int>(0, 3) == 0) {
            RenderPair(TheDisplay, Cached, PlainImage, CachedImage, QRegion());
            RenderPair(TheDisplay, Cached, PlainImage, CachedImage, QRegion());
        }
    }
    Render(TheDisplay, Image);
    RenderPair(TheDisplay, Cached, PlainImage, CachedImage, QRegion());
}

class Matrix : public CRDMatrix
{
public:
    using CRDMatrix::CalculateIndexFromMouseCursor;
    using CRDMatrix::CRDMatrix;
    using CRDMatrix::UpdateMatrixDisplayArea;
    long Columns() const { return m_iColumns; }
    long Rows() const { return m_iRows; }
    long CellSize() const { return m_iCellSize; }
    long Offset() const { return m_iOffset; }
};

// The layout search done plainly, one count at a time: the first column count from 4 up that fits.
long StepwiseColumns(long iItems, long iWidth, long iHeight)
{
    for (long iColumns = 4; iColumns <= std::max(4L, iWidth + 1); ++iColumns) {
        const long iCell = iWidth / iColumns;
        const long iOffset = (iWidth - iCell * iColumns) / 2;
        if ((iItems / iColumns + 1) * iCell < iHeight - iOffset)
            return iColumns;
    }
    return 0;
}

void CheckLayout(const Matrix& TheMatrix, long iItems, long iWidth, long iHeight)
{
    const long iColumns = TheMatrix.Columns();
    if (std::getenv("RD_FUZZ_TRACE"))
        std::fprintf(stderr, "layout: %ld items in %ld x %ld: %ld columns, %ld rows, cell %ld, offset %ld\n", iItems,
                     iWidth, iHeight, iColumns, TheMatrix.Rows(), TheMatrix.CellSize(), TheMatrix.Offset());
    RD_CHECK(iColumns >= 4 && TheMatrix.CellSize() >= 0 && TheMatrix.Offset() >= 0);
    RD_CHECK(TheMatrix.Rows() == iItems / iColumns + 1);
    const long iArea = Numeric::ClampExtent(iWidth);
    RD_CHECK(Numeric::SaturatedProduct(TheMatrix.CellSize(), iColumns) <= iArea);
    if (iArea > 5000 || iItems > 1000000)
        return;
    const long iStepwise = StepwiseColumns(iItems, iArea, Numeric::ClampExtent(iHeight));
    if (iStepwise != 0)
        RD_CHECK(iColumns == iStepwise);
}

void FuzzMatrix(FuzzedDataProvider& In, QImage& Image)
{
    CRDMatrixData Data;
    std::vector<QString> vecTexts;
    const int iTexts = In.ConsumeIntegralInRange<int>(1, 4);
    for (int i = 0; i < iTexts; ++i)
        vecTexts.push_back(Text(In, In.ConsumeBool() ? 8 : 400));
    static const long s_iCounts[] = {0, 1, 3, 4, 5, 8, 100, 380, 2000};
    const long iItems = In.ConsumeBool()
                            ? s_iCounts[In.ConsumeIntegralInRange<std::size_t>(0, std::size(s_iCounts) - 1)]
                            : In.ConsumeIntegralInRange<long>(0, 64);
    for (long i = 0; i < iItems; ++i) {
        const short iState = In.remaining_bytes() > 0 ? In.ConsumeIntegral<short>() : static_cast<short>(i % 3);
        Data.AppendMatrixItem(iState, vecTexts[static_cast<std::size_t>(i) % vecTexts.size()],
                              vecTexts[static_cast<std::size_t>(i * 7) % vecTexts.size()]);
    }
    Data.m_iBlinkIndex = HostileLong(In);
    std::vector<CRDColor> vecStateColors(In.ConsumeIntegralInRange<std::size_t>(0, 5), c_ColorRed);

    QWidget Parent;
    Matrix TheMatrix(&Parent, Data, c_ColorWhite, c_ColorBlack, vecStateColors);
    long iShown = iItems;
    // The size the layout was last made for: a direct layout call outlasts a resize to the same size.
    long iLayoutWidth = TheMatrix.width(), iLayoutHeight = TheMatrix.height();
    CheckLayout(TheMatrix, iShown, iLayoutWidth, iLayoutHeight);
    const int iOperations = In.ConsumeIntegralInRange<int>(1, 8);
    for (int i = 0; i < iOperations && In.remaining_bytes() > 0; ++i) {
        switch (In.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: {
            const long iWidth = In.ConsumeBool() ? In.ConsumeIntegralInRange<long>(-5, 1300) : HostileLong(In);
            const long iHeight = In.ConsumeBool() ? In.ConsumeIntegralInRange<long>(-5, 1000) : HostileLong(In);
            TheMatrix.UpdateMatrixDisplayArea(iWidth, iHeight);
            iLayoutWidth = iWidth;
            iLayoutHeight = iHeight;
            CheckLayout(TheMatrix, iShown, iLayoutWidth, iLayoutHeight);
            break;
        }
        case 1: {
            const QSize Before = TheMatrix.size();
            TheMatrix.resize(WidgetSize(In));
            Render(TheMatrix, Image);
            if (TheMatrix.size() != Before) {
                iLayoutWidth = TheMatrix.width();
                iLayoutHeight = TheMatrix.height();
            }
            CheckLayout(TheMatrix, iShown, iLayoutWidth, iLayoutHeight);
            break;
        }
        case 2: {
            CRDMatrixData Other = Data;
            const int iMore = In.ConsumeIntegralInRange<int>(0, 40);
            for (int m = 0; m < iMore; ++m)
                Other.AppendMatrixItem(In.ConsumeIntegral<short>(), Text(In, 8), Text(In, 8));
            Other.m_iBlinkIndex = HostileLong(In);
            TheMatrix.UpdateMatrixData(Other);
            iShown = Other.Size();
            break;
        }
        case 3: {
            QCursor::setPos(TheMatrix.mapToGlobal(QPoint(HostileInt(In) % 100000, HostileInt(In) % 100000)));
            const long iIndex = TheMatrix.CalculateIndexFromMouseCursor();
            RD_CHECK(iIndex == -1 || (iIndex >= 0 && iIndex < iShown));
            break;
        }
        default:
            Render(TheMatrix, Image);
            break;
        }
    }
    Render(TheMatrix, Image);
}

// Values of a time axis: epoch times now, the calendar's ends and beyond, and fractions of a second.
double HostileTime(FuzzedDataProvider& In)
{
    static const double s_dTable[] = {0.0,           1.7e9,         1709640000.25, -62135596800.0, -62135510400.0,
                                      253402300799., 253402214399., 2.5e11,        -2.5e11,        1e15,
                                      -1e15,         1e-9,          -1e-9,         4294967296.0};
    switch (In.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return s_dTable[In.ConsumeIntegralInRange<std::size_t>(0, std::size(s_dTable) - 1)];
    case 1:
        return In.ConsumeFloatingPointInRange<double>(-7e10, 2.6e11);
    default:
        return HostileDouble(In);
    }
}

// A range as a scale sees it: ends that are hostile, time-like, or a small span after a hostile start.
void HostileRange(FuzzedDataProvider& In, ERDScale eScale, double& dLow, double& dHigh)
{
    dLow = eScale == eRDScaleTime ? HostileTime(In) : HostileDouble(In);
    if (In.ConsumeBool())
        dHigh = dLow + std::fabs(HostileDouble(In)) * (In.ConsumeBool() ? 1e-9 : 1.0);
    else
        dHigh = eScale == eRDScaleTime ? HostileTime(In) : HostileDouble(In);
    if (dHigh < dLow)
        std::swap(dLow, dHigh);
}

QTimeZone HostileZone(FuzzedDataProvider& In)
{
    switch (In.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        return QTimeZone::utc();
    case 1:
        return QTimeZone(In.ConsumeIntegralInRange<int>(-16 * 3600, 16 * 3600));
    case 2:
        return QTimeZone(QByteArrayLiteral("Europe/Berlin"));
    default:
        return QTimeZone(QByteArrayLiteral("Australia/Lord_Howe")); // half-hour changes of offset
    }
}

ERDScale HostileScale(FuzzedDataProvider& In)
{
    return static_cast<ERDScale>(In.ConsumeIntegralInRange<int>(-1, 3));
}

// The ticks of one axis: inside the range, increasing, within the division count, labels shown apart.
void FuzzTicks(FuzzedDataProvider& In)
{
    AxisTicks::Axis Axis;
    Axis.eScale = HostileScale(In);
    HostileRange(In, Axis.eScale, Axis.dLow, Axis.dHigh);
    Axis.iLength = In.ConsumeBool() ? In.ConsumeIntegralInRange<long>(0, 3000) : HostileLong(In);
    Axis.bVertical = In.ConsumeBool();
    Axis.iMaxTicks = Divisions(In);
    Axis.iPrecision = In.ConsumeIntegral<short>();
    Axis.bSignificant = In.ConsumeBool();
    Axis.iRoomBefore = In.ConsumeIntegralInRange<long>(-10, 200);
    Axis.iRoomAfter = In.ConsumeIntegralInRange<long>(-10, 200);
    Axis.iRoomAcross = In.ConsumeIntegralInRange<long>(-10, 200);
    Axis.Zone = HostileZone(In);
    const int iWidth = In.ConsumeIntegralInRange<int>(0, 12), iHeight = In.ConsumeIntegralInRange<int>(0, 30);
    const AxisTicks::TextMetrics Metrics{[iWidth](const QString& strText) { return iWidth * int(strText.size()); },
                                         iHeight};
    if (std::getenv("RD_FUZZ_TRACE"))
        std::fprintf(stderr, "ticks: [%.17g, %.17g] scale %d, %ld px, %ld divisions, %d px a character\n", Axis.dLow,
                     Axis.dHigh, int(Axis.eScale), Axis.iLength, Axis.iMaxTicks, iWidth);
    AxisTicks::Ticks Ticks;
    WithinBudget([&] { Ticks = AxisTicks::Choose(Axis, Metrics); });
    RD_CHECK(static_cast<long>(Ticks.vecTicks.size()) <= Numeric::ClampDivisions(Axis.iMaxTicks));
    const double dGap = AxisTicks::LabelGap(Axis, Metrics);
    double dLastValue = -HUGE_VAL, dLastTo = -HUGE_VAL;
    for (const AxisTicks::Tick& Tick : Ticks.vecTicks) {
        RD_CHECK(Tick.dValue >= Axis.dLow && Tick.dValue <= Axis.dHigh && Tick.dValue > dLastValue);
        RD_CHECK(Tick.dPosition >= -0.5 && Tick.dPosition <= static_cast<double>(Axis.iLength) + 0.5);
        RD_CHECK(Tick.bShown || !Ticks.bLegible);
        // A sign only before a number that is not zero: never "-0" or "-0.00".
        RD_CHECK(!Tick.strText.startsWith(QLatin1Char('-'))
                 || std::any_of(Tick.strText.begin(), Tick.strText.end(),
                                [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); }));
        dLastValue = Tick.dValue;
        if (!Tick.bShown)
            continue;
        const AxisTicks::LabelBox Box = AxisTicks::BoxOf(Axis, Metrics, Tick);
        RD_CHECK(Box.dFrom >= dLastTo + dGap && Box.iAcross <= Axis.iRoomAcross);
        dLastTo = Box.dTo;
    }
}

// The axis grid with hostile ranges and scales: drawn alone, and in a display that zooms.
void FuzzAxisGrid(FuzzedDataProvider& In, QImage& Image)
{
    const ERDScale eXScale = HostileScale(In), eYScale = HostileScale(In);
    double dX1, dX2, dY1, dY2;
    HostileRange(In, eXScale, dX1, dX2);
    HostileRange(In, eYScale, dY1, dY2);
    const QString strXTitle = Text(In, 40);
    const QString strYTitle = Text(In, 40);
    const long iXDivisions = Divisions(In), iYDivisions = Divisions(In);
    const short iXPrecision = In.ConsumeIntegral<short>(), iYPrecision = In.ConsumeIntegral<short>();
    IResultDisplayCallBack Labels(In.ConsumeBool() ? QStringLiteral("CRDBoxGridLayout") : QStringLiteral("dashes"));
    std::unique_ptr<CRDAxisBoxGrid> pGrid;
    if (In.ConsumeBool())
        pGrid = std::make_unique<CRDAxisBoxGrid>(CRDPoint(dX1, dY1), CRDPoint(dX2, dY2), strXTitle, strYTitle,
                                                 iXDivisions, iYDivisions, iXPrecision, iYPrecision, c_ColorGray,
                                                 c_ColorBlack);
    else
        pGrid = std::make_unique<CRDAxisBoxGrid>(Labels, CRDPoint(dX1, dY1), CRDPoint(dX2, dY2), strXTitle, strYTitle,
                                                 iXDivisions, iYDivisions, iXPrecision, iYPrecision, c_ColorGray,
                                                 c_ColorBlack);
    CRDAxisBoxGrid& TheGrid = *pGrid;
    TheGrid.SetXScale(eXScale);
    TheGrid.SetYScale(eYScale);
    TheGrid.SetTimeZone(HostileZone(In));
    // Unknown scales are linear; a zone without data is UTC.
    const auto known = [](ERDScale eScale) { return eScale >= eRDScaleLinear && eScale <= eRDScaleTime; };
    RD_CHECK(known(TheGrid.GetXScale()) && known(TheGrid.GetYScale()) && TheGrid.GetTimeZone().isValid());
    if (std::getenv("RD_FUZZ_TRACE"))
        std::fprintf(stderr, "axis grid: x [%.17g, %.17g] scale %d, y [%.17g, %.17g] scale %d, divisions %ld x %ld\n",
                     dX1, dX2, int(eXScale), dY1, dY2, int(eYScale), iXDivisions, iYDivisions);

    std::vector<CRDPoint> vecPoints;
    const int iPoints = In.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < iPoints; ++i)
        vecPoints.push_back(In.ConsumeBool() ? HostilePoint(In)
                                             : CRDPoint(dX1 + In.ConsumeProbability<double>() * (dX2 - dX1),
                                                        dY1 + In.ConsumeProbability<double>() * (dY2 - dY1), false));
    CRDDecoratedLine Line(vecPoints, Color(In), static_cast<ERDLineStyle>(In.ConsumeIntegralInRange<int>(-1, 3)),
                          static_cast<ERDPointStyle>(In.ConsumeIntegralInRange<int>(-1, 4)), Text(In, 20));
    if (In.ConsumeBool()) {
        CRDDevicePoint LeftTop = HostileDevicePoint(In), RightBottom = HostileDevicePoint(In);
        TheGrid.SetDeviceViewPort(LeftTop, RightBottom);
        const long iMargin = HostileLong(In);
        WithinBudget([&] {
            QPainter Painter(&Image);
            Painter.setRenderHint(QPainter::Antialiasing);
            TheGrid.DrawGrid(Painter, LeftTop, RightBottom, iMargin);
            TheGrid.DrawLine(Painter, Line);
        });
        return;
    }
    QWidget Parent;
    Display TheDisplay(&Parent, &TheGrid, c_ColorWhite);
    TheDisplay.resize(WidgetSize(In));
    TheDisplay.AddLine(vecPoints, Line.m_Color, Line.m_eLineStyle, Line.m_ePointStyle, Line.m_strName);
    TheDisplay.EnableFeature(eRDFeatureRubberBandZoom);
    TheDisplay.EnableFeature(eRDFeatureWheelZoom);
    TheDisplay.EnableFeature(eRDFeatureReadout);
    const int iOperations = In.ConsumeIntegralInRange<int>(1, 8);
    for (int i = 0; i < iOperations && In.remaining_bytes() > 0; ++i) {
        switch (In.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: {
            CRDDevicePoint A = HostileDevicePoint(In), B = HostileDevicePoint(In);
            TheDisplay.SetViewPort(A, B);
            break;
        }
        case 1: {
            const QPoint Angle(0, In.ConsumeIntegralInRange<int>(-1200, 1200));
            QWheelEvent Wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), Angle, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&TheDisplay, &Wheel);
            break;
        }
        case 2:
            TheDisplay.resize(WidgetSize(In));
            break;
        case 3:
            TheDisplay.FitViewPortToData();
            break;
        default: {
            // The readout of the vertex nearest the mouse, in the axes' scales.
            const QPoint At(In.ConsumeIntegralInRange<int>(-10, 2000), In.ConsumeIntegralInRange<int>(-10, 2000));
            SendMouse(TheDisplay, QEvent::MouseMove, At, Qt::NoButton);
            break;
        }
        }
        Render(TheDisplay, Image);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int s_iArgc = 1;
    static char s_strName[] = "resultdisplay_fuzzer";
    static char* s_pArgv[] = {s_strName, nullptr};
    // One application for the whole run; it lives until the process ends.
    new QApplication(s_iArgc, s_pArgv);
    // Fonts load on first use and stay cached; loading them here keeps that out of every input.
    QImage Image(16, 16, QImage::Format_ARGB32_Premultiplied);
    QPainter Painter(&Image);
    Painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("0.5"));
    return 0;
}

// Choices of a random scene, taken from the input.
struct FuzzSource
{
    FuzzedDataProvider& In;
    int Pick(int iLow, int iHigh) { return In.ConsumeIntegralInRange<int>(iLow, iHigh); }
    double Real(double dLow, double dHigh) { return In.ConsumeFloatingPointInRange<double>(dLow, dHigh); }
};

// One scene through the box grid and the decimating grid: no channel of any pixel more than 2 apart.
void FuzzEquivalence(FuzzedDataProvider& In)
{
    FuzzSource Source{In};
    DecimationScene::Scene<FuzzSource> Scene(Source);
    if (std::getenv("RD_FUZZ_TRACE"))
        std::fprintf(stderr, "scene: %s\n", qPrintable(Scene.Description()));
    DecimationScene::Difference Found;
    WithinBudget([&] { Found = Scene.Compare(); });
    RD_CHECK(Found.iLargest <= 2);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t iSize)
{
    FuzzedDataProvider In(pData, iSize);
    static QImage s_Image(200, 150, QImage::Format_ARGB32_Premultiplied);
    switch (In.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
        FuzzGrid(In, s_Image);
        break;
    case 1:
        FuzzDisplay(In, s_Image);
        break;
    case 2:
        FuzzMatrix(In, s_Image);
        break;
    case 3:
        FuzzEquivalence(In);
        break;
    default:
        if (In.ConsumeBool())
            FuzzTicks(In);
        else
            FuzzAxisGrid(In, s_Image);
        break;
    }
    return 0;
}
