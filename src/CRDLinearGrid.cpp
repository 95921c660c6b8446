// CRDLinearGrid: linear mapping between user and device coordinates, clipping and drawing.
#include "CRDLinearGrid.h"

#include "RDFrameCache_p.h"
#include "RDLinearMap_p.h"
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

using Numeric::NarrowSum;
using Numeric::NarrowToInt;
using Numeric::TruncToDevice;

namespace
{

bool HasDevicePosition(const CRDDevicePoint& Point)
{
    return Point.m_iX != Numeric::c_iInvalidDevice && Point.m_iY != Numeric::c_iInvalidDevice;
}

} // namespace

// What the grid keeps beyond its documented members.
class CRDLinearGridPrivate
{
public:
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

private:
    QPen m_Pens[3];
    QColor m_Colors[3];
    double m_dWidths[3] = {0.0, 0.0, 0.0};
    bool m_bBuilt[3] = {false, false, false};
};

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
    Numeric::LinearMap::Of(*this).Map(Point, DevicePoint);
}

bool CRDLinearGrid::ConvertPointToDevicePoint(CRDPoint& UserPoint, CRDDevicePoint& DevicePoint)
{
    MapToDevice(UserPoint, DevicePoint);
    return DoClippPoint(DevicePoint);
}

void CRDLinearGrid::ConvertPointFromDeviceToUserViewport(CRDDevicePoint& DevicePoint, CRDPoint& UserPoint)
{
    const long iH = Numeric::IntSpan(m_DeviceLeftTop.m_iY, m_DeviceRightBottom.m_iY);
    const double dX = ((static_cast<double>(DevicePoint.m_iX) - m_dDeviceOriginX) / m_dDeviceWidth) / m_dScaleX
                      + m_dUserOriginX;
    const double dY = ((Numeric::Difference(DevicePoint.m_iY, iH) + m_dDeviceOriginY) / m_dDeviceHeight) / m_dScaleY
                      + m_dUserOriginY;
    UserPoint = CRDPoint(dX, dY, false);
}

bool CRDLinearGrid::DoClippPoint(CRDDevicePoint& DevicePoint)
{
    // A rectangle may start at the smallest long itself; a point without position stays outside it.
    return HasDevicePosition(DevicePoint) && DevicePoint.m_iX >= m_DeviceLeftTop.m_iX
           && DevicePoint.m_iX <= m_DeviceRightBottom.m_iX && DevicePoint.m_iY >= m_DeviceLeftTop.m_iY
           && DevicePoint.m_iY <= m_DeviceRightBottom.m_iY;
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
    const long iL = m_DeviceLeftTop.m_iX;
    const long iT = m_DeviceLeftTop.m_iY;
    const long iR = m_DeviceRightBottom.m_iX;
    const long iB = m_DeviceRightBottom.m_iY;

    if ((P.m_iX < iL && Q.m_iX < iL) || (P.m_iX > iR && Q.m_iX > iR) || (P.m_iY < iT && Q.m_iY < iT)
        || (P.m_iY > iB && Q.m_iY > iB))
        return false;
    // An end without a device position (a non-finite vertex) has no line to clip along.
    if (!HasDevicePosition(P) || !HasDevicePosition(Q))
        return false;

    const bool bVertical = Q.m_iX == P.m_iX;
    const double dM = bVertical ? 0.0 : Numeric::Difference(P.m_iY, Q.m_iY) / Numeric::Difference(P.m_iX, Q.m_iX);
    const double dC = static_cast<double>(P.m_iY) - static_cast<double>(P.m_iX) * dM;

    // Moves an end onto the top or bottom edge when it lies beyond it; a vertical end keeps its x.
    const auto clipY = [&](CRDDevicePoint& End) {
        long iEdge;
        if (End.m_iY < iT)
            iEdge = iT;
        else if (End.m_iY > iB)
            iEdge = iB;
        else
            return;
        End.m_iY = iEdge;
        if (!bVertical)
            End.m_iX = TruncToDevice((static_cast<double>(iEdge) - dC) / dM);
    };

    if (P.m_iX < iL) {
        P.m_iX = iL;
        P.m_iY = TruncToDevice(static_cast<double>(iL) * dM + dC);
    }
    clipY(P);
    if (Q.m_iX > iR) {
        Q.m_iX = iR;
        Q.m_iY = TruncToDevice(static_cast<double>(iR) * dM + dC);
    }
    clipY(Q);
    return true;
}

void CRDLinearGrid::DrawPoint(QPainter& Painter, CRDDecoratedPoint& Point)
{
    if (FrameCache::Frame::Skips(*this, Painter))
        return;
    CRDDevicePoint Device;
    if (!ConvertPointToDevicePoint(Point, Device))
        return;
    if (Point.m_ePointStyle < eRDPointDot || Point.m_ePointStyle > eRDPointSquare)
        return;
    Painter.setPen(d->MarkerPen(Point.m_Color, Point.m_ePointStyle, Painting::MarkerShape::Of(*this)));
    Painting::DrawMarker(Painter, Point.m_ePointStyle, Device.m_iX, Device.m_iY, Painting::MarkerShape::Of(*this));
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
    Segments::ForEachSegment(*this, Painter, Line, Drawer);

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
