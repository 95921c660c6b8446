// CRDGrid: the abstract grid through which CResultDisplay maps and draws.
#ifndef CRDGRID_H
#define CRDGRID_H

#include "CRDColor.h"
#include "CRDDecoratedLine.h"
#include "CRDDecoratedPoint.h"
#include "CRDDevicePoint.h"
#include "CRDPoint.h"
#include "ResultDisplayExport.h"

#include <QString>

class QPainter;

namespace KelmFramework
{

/// Abstract base of every grid: shared presentation settings and the virtual interface
/// through which a display sets its viewports, converts pixels back and draws.
/// A grid is owned by the application, which keeps it alive as long as any display that uses it.
class RESULTDISPLAY_EXPORT CRDGrid
{
public:
    /// Division counts are kept within 1 to 32767, the range the drawing can divide and count by.
    CRDGrid(QString strXAxisTitle, QString strYAxisTitle, long iXDivisions, long iYDivisions, short iXPrecision,
            short iYPrecision, const CRDColor& GridColor, const CRDColor& TextColor);
    virtual ~CRDGrid();

    /// Sets the viewport, the part of user space that is shown, from two opposite corners in user units.
    virtual void SetViewPort(CRDPoint& PointA, CRDPoint& PointB) = 0;
    /// Sets the device rectangle, the pixels the viewport is drawn into.
    virtual void SetDeviceViewPort(CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom) = 0;
    /// The viewport's corner of smallest x and y, in user units.
    virtual CRDPoint GetViewPortLeftButton() const = 0;
    /// The viewport's corner of largest x and y, in user units.
    virtual CRDPoint GetViewPortRightTop() const = 0;
    /// The user point a pixel shows.
    virtual void ConvertPointFromDeviceToUserViewport(CRDDevicePoint& DevicePoint, CRDPoint& UserPoint) = 0;
    /// Draws the grid's decoration around and inside the device rectangle; iMargin is the margin in
    /// pixels that the display leaves around it.
    virtual void DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin) = 0;
    /// Draws the point's marker if it lies in the device rectangle.
    virtual void DrawPoint(QPainter& Painter, CRDDecoratedPoint& Point) = 0;
    /// Draws the line's segments clipped to the device rectangle, its name and its markers.
    virtual void DrawLine(QPainter& Painter, CRDDecoratedLine& Line) = 0;

    CRDColor m_GridColor;    ///< Colour of the grid lines.
    CRDColor m_TextColor;    ///< Colour of tick labels and axis titles.
    QString m_strXAxisTitle; ///< Title of the x axis; empty for none.
    QString m_strYAxisTitle; ///< Title of the y axis; empty for none.
    long m_iXDivisions;      ///< Cells along x, 1 to 32767 as constructed; drawing clamps a value set later.
    long m_iYDivisions;      ///< Cells along y, 1 to 32767 as constructed; drawing clamps a value set later.
    short m_iXPrecision;     ///< Decimals of the x labels; drawing takes at most 340.
    short m_iYPrecision;     ///< Significant digits of the y labels; drawing takes at most 340.

private:
    CRDGrid(const CRDGrid&) = delete;
    CRDGrid& operator=(const CRDGrid&) = delete;
};

} // namespace KelmFramework

#endif // CRDGRID_H
