// CRDLinearGrid: linear mapping between user and device coordinates, clipping and drawing.
#include "CRDLinearGrid.h"

#include "RDClipping_p.h"
#include "RDDecimation_p.h"
#include "RDFrameCache_p.h"
#include "RDGrids_p.h"
#include "RDMapping_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"
#include "RDSegmentPipeline_p.h"

#include <QBrush>
#include <QLine>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <cmath>
#include <utility>

namespace KelmFramework
{

// What the grid keeps beyond its documented members, and what it hands down to the drawing.
class CRDLinearGridPrivate
{
public:
    static Mapping::Map MapOf(const CRDLinearGrid& Grid)
    {
        return Grid.d->HasLogAxis() ? LogMapOf(Grid) : LinearMapOf(Grid);
    }
    static Mapping::Map LinearMapOf(const CRDLinearGrid& Grid)
    {
        const long iSpanY = Numeric::IntSpan(Grid.m_DeviceLeftTop.m_iY, Grid.m_DeviceRightBottom.m_iY);
        Mapping::Map Map;
        Map.Core = {{Grid.m_dUserOriginX, Grid.m_dScaleX, Grid.m_dDeviceWidth, Grid.m_dDeviceOriginX,
                     Grid.m_dUserOriginY, Grid.m_dScaleY, Grid.m_dDeviceHeight, Grid.m_dDeviceOriginY,
                     static_cast<double>(iSpanY)},
                    iSpanY};
        return Map;
    }
    // A log axis maps from the viewport itself: the members hold the linear map's origin and scale.
    // Out of line, so that a conversion on linear axes saves no registers for the calls of log10.
    static __attribute__((noinline)) Mapping::Map LogMapOf(const CRDLinearGrid& Grid)
    {
        Mapping::Map Map = LinearMapOf(Grid);
        if (Grid.d->m_eScaleX == eRDScaleLog10)
            Map.SetLog10X(Grid.m_ViewPortLeftBottom.m_dX, Grid.m_ViewPortRightTop.m_dX, Grid.m_dScaleFactorX);
        if (Grid.d->m_eScaleY == eRDScaleLog10)
            Map.SetLog10Y(Grid.m_ViewPortLeftBottom.m_dY, Grid.m_ViewPortRightTop.m_dY, Grid.m_dScaleFactorY);
        return Map;
    }
    static __attribute__((noinline)) void ToDeviceOnLogAxes(const CRDLinearGrid& Grid, const CRDPoint& Point,
                                                            CRDDevicePoint& DevicePoint)
    {
        LogMapOf(Grid).ToDevice(Point, DevicePoint);
    }
    bool HasLogAxis() const { return m_eScaleX == eRDScaleLog10 || m_eScaleY == eRDScaleLog10; }
    static Mapping::Frame FrameOf(const CRDLinearGrid& Grid)
    {
        return {Grid.m_DeviceLeftTop.m_iX, Grid.m_DeviceLeftTop.m_iY, Grid.m_DeviceRightBottom.m_iX,
                Grid.m_DeviceRightBottom.m_iY};
    }
    static Painting::MarkerShape MarkerShapeOf(const CRDLinearGrid& Grid)
    {
        return {Grid.m_iDotWidth, Grid.m_iCrossHalfSize, Grid.m_iCrossWidth, Grid.m_iSquareHalfSize,
                Grid.m_iSquareWidth};
    }
    static long LineWidthOf(const CRDLinearGrid& Grid) { return Grid.m_iLineWidth; }
    // The marker of a point, in its pen; blended from the cached marker where bCached and the painter
    // allows.
    static void DrawPoint(CRDLinearGrid& Grid, QPainter& Painter, CRDDecoratedPoint& Point, bool bCached)
    {
        CRDDevicePoint Device;
        if (!Grid.ConvertPointToDevicePoint(Point, Device))
            return;
        if (Point.m_ePointStyle < eRDPointDot || Point.m_ePointStyle > eRDPointSquare)
            return;
        const Painting::MarkerShape Shape = MarkerShapeOf(Grid);
        Painter.setPen(Grid.d->MarkerPen(Point.m_Color, Point.m_ePointStyle, Shape));
        if (!bCached
            || !Decimation::DrawMarker(Painter, Point.m_ePointStyle, Point.m_Color, Device.m_iX, Device.m_iY, Shape))
            Painting::DrawMarker(Painter, Point.m_ePointStyle, Device.m_iX, Device.m_iY, Shape);
    }
    static void SetScales(CRDLinearGrid& Grid, ERDScale eScaleX, ERDScale eScaleY)
    {
        Grid.d->m_eScaleX = eScaleX;
        Grid.d->m_eScaleY = eScaleY;
    }

    // Marker pens are kept between calls: a QPen allocates, and lines draw one marker per vertex.
    const QPen& MarkerPen(const CRDColor& Color, ERDPointStyle ePointStyle, const Painting::MarkerShape& Shape)
    {
        const std::size_t iSlot = static_cast<std::size_t>(ePointStyle - eRDPointDot);
        const double dWidth = static_cast<double>(ePointStyle == eRDPointDot     ? Shape.iDotWidth
                                                  : ePointStyle == eRDPointCross ? Shape.iCrossWidth
                                                                                 : Shape.iSquareWidth);
        // The width is kept beside the pen: asking the pen costs a call into Qt per marker.
        if (!m_bBuilt[iSlot] || m_Colors[iSlot] != Color || m_dWidths[iSlot] != dWidth) {
            m_Pens[iSlot] = Painting::MarkerPen(Color, ePointStyle, Shape);
            m_Colors[iSlot] = Color;
            m_dWidths[iSlot] = dWidth;
            m_bBuilt[iSlot] = true;
        }
        return m_Pens[iSlot];
    }

    ERDScale m_eScaleX = eRDScaleLinear;
    ERDScale m_eScaleY = eRDScaleLinear;

private:
    QPen m_Pens[3];
    QColor m_Colors[3];
    double m_dWidths[3] = {0.0, 0.0, 0.0};
    bool m_bBuilt[3] = {false, false, false};
};

Mapping::Map Grids::MapOf(const CRDLinearGrid& Grid)
{
    return CRDLinearGridPrivate::MapOf(Grid);
}

Mapping::Frame Grids::FrameOf(const CRDLinearGrid& Grid)
{
    return CRDLinearGridPrivate::FrameOf(Grid);
}

Painting::MarkerShape Grids::MarkerShapeOf(const CRDLinearGrid& Grid)
{
    return CRDLinearGridPrivate::MarkerShapeOf(Grid);
}

void Grids::SetScales(CRDLinearGrid& Grid, ERDScale eScaleX, ERDScale eScaleY)
{
    CRDLinearGridPrivate::SetScales(Grid, eScaleX, eScaleY);
}

bool Grids::DrawDecimated(const CRDLinearGrid& Grid, QPainter& Painter, const CRDDecoratedLine& Line)
{
    return Decimation::DrawLine(Painter, Line, MapOf(Grid), FrameOf(Grid), MarkerShapeOf(Grid),
                                CRDLinearGridPrivate::LineWidthOf(Grid));
}

void Grids::DrawPointDecimated(CRDLinearGrid& Grid, QPainter& Painter, CRDDecoratedPoint& Point)
{
    CRDLinearGridPrivate::DrawPoint(Grid, Painter, Point, true);
}

CRDLinearGrid::CRDLinearGrid(CRDPoint& PointA, CRDPoint& PointB, QString strXAxisTitle, QString strYAxisTitle,
                             long iXDivisions, long iYDivisions, short iXPrecision, short iYPrecision,
                             const CRDColor& GridColor, const CRDColor& TextColor)
    : CRDGrid(strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions, iXPrecision, iYPrecision, GridColor, TextColor),
      m_ViewPortLeftBottom(),
      m_ViewPortRightTop(),
      m_DeviceLeftTop(),
      m_DeviceRightBottom(),
      m_dUserOriginX(0.0),
      m_dUserOriginY(0.0),
      m_dScaleX(0.0),
      m_dScaleY(0.0),
      m_dDeviceOriginX(0.0),
      m_dDeviceOriginY(0.0),
      m_dDeviceWidth(0.0),
      m_dDeviceHeight(0.0),
      m_iLineWidth(1),
      m_iDotWidth(3),
      m_iCrossHalfSize(4),
      m_iCrossWidth(1),
      m_iSquareHalfSize(3),
      m_iSquareWidth(1),
      m_dScaleFactorX(1.0),
      m_dScaleFactorY(1.0),
      d(std::make_unique<CRDLinearGridPrivate>())
{
    CRDLinearGrid::SetViewPort(PointA, PointB);
}

CRDLinearGrid::~CRDLinearGrid()
{
}

void CRDLinearGrid::SetViewPort(CRDPoint& PointA, CRDPoint& PointB)
{
    m_ViewPortLeftBottom = PointA;
    m_ViewPortRightTop = PointB;
    if (m_ViewPortLeftBottom.m_dX > m_ViewPortRightTop.m_dX)
        std::swap(m_ViewPortLeftBottom.m_dX, m_ViewPortRightTop.m_dX);
    if (m_ViewPortLeftBottom.m_dY > m_ViewPortRightTop.m_dY)
        std::swap(m_ViewPortLeftBottom.m_dY, m_ViewPortRightTop.m_dY);
    m_dUserOriginX = m_ViewPortLeftBottom.m_dX;
    m_dUserOriginY = m_ViewPortLeftBottom.m_dY;
    // A zero span gives an infinite scale; the conversions then yield no device position.
    m_dScaleX = m_dScaleFactorX / std::fabs(m_ViewPortRightTop.m_dX - m_ViewPortLeftBottom.m_dX);
    m_dScaleY = m_dScaleFactorY / std::fabs(m_ViewPortRightTop.m_dY - m_ViewPortLeftBottom.m_dY);
}

void CRDLinearGrid::SetDeviceViewPort(CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom)
{
    m_DeviceLeftTop = LeftTop;
    m_DeviceRightBottom = RightBottom;
    m_dDeviceOriginX = static_cast<double>(LeftTop.m_iX);
    m_dDeviceOriginY = static_cast<double>(LeftTop.m_iY);
    m_dDeviceWidth = static_cast<double>(Numeric::IntSpan(LeftTop.m_iX, RightBottom.m_iX));
    m_dDeviceHeight = static_cast<double>(Numeric::IntSpan(LeftTop.m_iY, RightBottom.m_iY));
}

CRDPoint CRDLinearGrid::GetViewPortLeftButton() const
{
    return m_ViewPortLeftBottom;
}

CRDPoint CRDLinearGrid::GetViewPortRightTop() const
{
    return m_ViewPortRightTop;
}

void CRDLinearGrid::MapToDevice(const CRDPoint& Point, CRDDevicePoint& DevicePoint) const
{
    // Apart, so that the map of linear axes is seen linear where it is used.
    if (d->HasLogAxis())
        CRDLinearGridPrivate::ToDeviceOnLogAxes(*this, Point, DevicePoint);
    else
        CRDLinearGridPrivate::LinearMapOf(*this).ToDevice(Point, DevicePoint);
}

bool CRDLinearGrid::ConvertPointToDevicePoint(CRDPoint& UserPoint, CRDDevicePoint& DevicePoint)
{
    MapToDevice(UserPoint, DevicePoint);
    return DoClippPoint(DevicePoint);
}

void CRDLinearGrid::ConvertPointFromDeviceToUserViewport(CRDDevicePoint& DevicePoint, CRDPoint& UserPoint)
{
    const Mapping::Map Map = Grids::MapOf(*this);
    UserPoint = CRDPoint(Map.UserX(DevicePoint.m_iX), Map.UserY(DevicePoint.m_iY), false);
}

bool CRDLinearGrid::DoClippPoint(CRDDevicePoint& DevicePoint)
{
    return Clipping::Contains(Grids::FrameOf(*this), DevicePoint);
}

bool CRDLinearGrid::ConvertPointsToDeviceLine(CRDPoint& PointA, CRDPoint& PointB, CRDDevicePoint& DevicePointA,
                                              CRDDevicePoint& DevicePointB)
{
    MapToDevice(PointA, DevicePointA);
    MapToDevice(PointB, DevicePointB);
    return DoClipLine(DevicePointA, DevicePointB);
}

bool CRDLinearGrid::DoClipLine(CRDDevicePoint& P, CRDDevicePoint& Q)
{
    return Clipping::ClipLine(Grids::FrameOf(*this), P, Q);
}

void CRDLinearGrid::DrawPoint(QPainter& Painter, CRDDecoratedPoint& Point)
{
    if (FrameCache::Frame::Skips(*this, Painter))
        return;
    CRDLinearGridPrivate::DrawPoint(*this, Painter, Point, false);
}

void CRDLinearGrid::DrawLine(QPainter& Painter, CRDDecoratedLine& Line)
{
    if (FrameCache::Frame::Skips(*this, Painter))
        return;
    const Painting::UncuttingClip Clip(Painter);
    Painter.setPen(
        Painting::FlatPen(Line.m_Color, static_cast<double>(m_iLineWidth), Painting::PenStyleOf(Line.m_eLineStyle)));

    // Each segment on its own, one primitive per segment.
    struct EachSegment
    {
        QPainter& Painter;
        void Draw(const Segments::Segment& Piece, bool)
        {
            const QLine Segment(static_cast<int>(Piece.iX1), static_cast<int>(Piece.iY1), static_cast<int>(Piece.iX2),
                                static_cast<int>(Piece.iY2));
            Painter.drawLines(&Segment, 1);
        }
        std::size_t InsideRun(const Segments::InsideMapper& Mapper, const CRDPoint* pPoints, std::size_t i,
                              std::size_t iCount, long& iPrevX, long& iPrevY)
        {
            return Segments::RunInside(
                Mapper, pPoints, i, iCount, iPrevX,
                iPrevY, [this](long iX1, long iY1, long iX2, long iY2) __attribute__((always_inline)) {
                    Draw({iX1, iY1, iX2, iY2, true}, false);
                });
        }
    } Drawer{Painter};
    Segments::ForEachSegment(Grids::MapOf(*this), Grids::FrameOf(*this), Painter, Line, Drawer);

    const std::size_t iCount = Line.m_vecPoints.size();
    if (Line.m_ePointStyle != eRDPointNone && iCount > 0) {
        // One marker serves every vertex; all of it is set again each time, as an overriding
        // DrawPoint may change the point it is handed.
        CRDDecoratedPoint Marker(Line.m_vecPoints.front(), Line.m_Color, Line.m_ePointStyle);
        for (const CRDPoint& Vertex : Line.m_vecPoints) {
            Marker.m_dX = Vertex.m_dX;
            Marker.m_dY = Vertex.m_dY;
            Marker.m_bInterpolated = false;
            Marker.m_Color = Line.m_Color;
            Marker.m_ePointStyle = Line.m_ePointStyle;
            DrawPoint(Painter, Marker);
        }
    }
}

} // namespace KelmFramework
