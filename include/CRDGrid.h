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
class RESULTDISPLAY_EXPORT CRDGrid
{
public:
    /// Division counts are kept within 1 to 32767, the range the drawing can divide and count by.
    CRDGrid(QString strXAxisTitle, QString strYAxisTitle, long iXDivisions, long iYDivisions,
            short iXPrecision, short iYPrecision, const CRDColor& GridColor, const CRDColor& TextColor);
    virtual ~CRDGrid();

    virtual void SetViewPort(CRDPoint& PointA, CRDPoint& PointB) = 0;
    virtual void SetDeviceViewPort(CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom) = 0;
    virtual CRDPoint GetViewPortLeftButton() const = 0;
    virtual CRDPoint GetViewPortRightTop() const = 0;
    virtual void ConvertPointFromDeviceToUserViewport(CRDDevicePoint& DevicePoint, CRDPoint& UserPoint) = 0;
    virtual void DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin) = 0;
    virtual void DrawPoint(QPainter& Painter, CRDDecoratedPoint& Point) = 0;
    virtual void DrawLine(QPainter& Painter, CRDDecoratedLine& Line) = 0;

    CRDColor m_GridColor;
    CRDColor m_TextColor;
    QString m_strXAxisTitle;
    QString m_strYAxisTitle;
    long m_iXDivisions;
    long m_iYDivisions;
    short m_iXPrecision;
    short m_iYPrecision;

private:
    CRDGrid(const CRDGrid&) = delete;
    CRDGrid& operator=(const CRDGrid&) = delete;
};

} // namespace KelmFramework

#endif // CRDGRID_H
