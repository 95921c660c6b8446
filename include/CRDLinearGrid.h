// CRDLinearGrid: linear mapping between user and device coordinates, clipping and drawing.
#ifndef CRDLINEARGRID_H
#define CRDLINEARGRID_H

#include "CRDGrid.h"
#include "ResultDisplayExport.h"

#include <QPen>

namespace KelmFramework
{

namespace Numeric
{
struct LinearMap;
}
namespace Painting
{
struct MarkerShape;
}

/// Maps a user viewport linearly onto a device rectangle (y inverted), clips points and
/// segments to the rectangle and draws markers and lines. DrawGrid is left to subclasses.
class RESULTDISPLAY_EXPORT CRDLinearGrid : public CRDGrid
{
public:
    /// The corners may come in either order; x and y are sorted separately.
    CRDLinearGrid(CRDPoint& PointA, CRDPoint& PointB, QString strXAxisTitle, QString strYAxisTitle,
                  long iXDivisions, long iYDivisions, short iXPrecision, short iYPrecision,
                  const CRDColor& GridColor, const CRDColor& TextColor);
    ~CRDLinearGrid() override;

    void SetViewPort(CRDPoint& PointA, CRDPoint& PointB) override;
    void SetDeviceViewPort(CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom) override;
    CRDPoint GetViewPortLeftButton() const override;
    CRDPoint GetViewPortRightTop() const override;
    /// The inverse of ConvertPointToDevicePoint, without truncation and without a clip test.
    void ConvertPointFromDeviceToUserViewport(CRDDevicePoint& DevicePoint, CRDPoint& UserPoint) override;
    void DrawPoint(QPainter& Painter, CRDDecoratedPoint& Point) override;
    void DrawLine(QPainter& Painter, CRDDecoratedLine& Line) override;

    /// Converts and truncates toward zero; non-finite or out-of-range results become the smallest
    /// long, which no device rectangle contains. Returns whether the result lies inside.
    bool ConvertPointToDevicePoint(CRDPoint& UserPoint, CRDDevicePoint& DevicePoint);
    /// Whether the point lies in the device rectangle, edges included.
    bool DoClippPoint(CRDDevicePoint& DevicePoint);
    /// Converts both ends and clips the segment; false when nothing of it is to be drawn.
    bool ConvertPointsToDeviceLine(CRDPoint& PointA, CRDPoint& PointB, CRDDevicePoint& DevicePointA,
                                   CRDDevicePoint& DevicePointB);
    /// Clips P at the left edge and Q at the right edge, both at the top and bottom edges, moving
    /// them along their line. False when both ends lie beyond one and the same edge.
    bool DoClipLine(CRDDevicePoint& P, CRDDevicePoint& Q);

protected:
    /// The map of ConvertPointToDevicePoint without its clip test.
    void MapToDevice(const CRDPoint& Point, CRDDevicePoint& DevicePoint) const;

    CRDPoint m_ViewPortLeftBottom;
    CRDPoint m_ViewPortRightTop;
    CRDDevicePoint m_DeviceLeftTop;
    CRDDevicePoint m_DeviceRightBottom;
    double m_dUserOriginX;
    double m_dUserOriginY;
    double m_dScaleX;
    double m_dScaleY;
    double m_dDeviceOriginX;
    double m_dDeviceOriginY;
    double m_dDeviceWidth;
    double m_dDeviceHeight;
    long m_iLineWidth;
    long m_iDotWidth;
    long m_iCrossHalfSize;
    long m_iCrossWidth;
    long m_iSquareHalfSize;
    long m_iSquareWidth;
    double m_dScaleFactorX;
    double m_dScaleFactorY;

private:
    friend struct Numeric::LinearMap;
    friend struct Painting::MarkerShape;

    const QPen& MarkerPen(const CRDColor& Color, ERDPointStyle ePointStyle);

    // Marker pens are kept between calls: a QPen allocates, and lines draw one marker per vertex.
    QPen m_MarkerPens[3];
    QColor m_MarkerPenColors[3];
    bool m_bMarkerPenBuilt[3];
};

} // namespace KelmFramework

#endif // CRDLINEARGRID_H
