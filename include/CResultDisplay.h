// CResultDisplay: the plot widget.
#ifndef CRESULTDISPLAY_H
#define CRESULTDISPLAY_H

#include "CRDColor.h"
#include "CRDDecoratedLine.h"
#include "CRDDecoratedPoint.h"
#include "CRDDevicePoint.h"
#include "CRDGrid.h"
#include "CRDPoint.h"
#include "ResultDisplayExport.h"
#include "ResultDisplayTypes.h"

#include <QPoint>
#include <QString>
#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class QEvent;
class QGestureEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QRubberBand;
class QWheelEvent;

namespace KelmFramework
{

class CResultDisplayPrivate;

/// A plot of lines and points in user coordinates, painted through an exchangeable grid.
/// Content and viewport setters never repaint: call update() to show their effect.
/// The grid is not owned and must outlive the display; a null parent ends the process.
class RESULTDISPLAY_EXPORT CResultDisplay : public QWidget
{
public:
    CResultDisplay(QWidget* pParent, CRDGrid* pGrid, const CRDColor& BackgroundColor);
    ~CResultDisplay() override;

    /// Stores a copy of the line; returns its id, unique among all lines of the process.
    long AddLine(std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle,
                 ERDPointStyle ePointStyle, const QString& strName);
    /// Stores a copy of the point; returns its id, unique among all points of the process.
    long AddPoint(CRDPoint Point, CRDColor Color, ERDPointStyle ePointStyle);
    void RemovedLine(long iLineIndex);
    void RemovedPoint(long iPointIndex);
    /// Removes every line and point; ids keep counting on.
    void ClearAll();
    /// Recomputes the margin and the device rectangle for a widget of this size and hands it to the grid.
    void UpdateDrawAreaRange(long iWidth, long iHeight);

    void EnableFeature(ERDFeature eFeature);
    void DisableFeature(ERDFeature eFeature);
    void SetViewPort(CRDPoint LeftBottom, CRDPoint RightTop);
    /// Sets the viewport to what the pixel rectangle with these opposite corners shows now.
    void SetViewPort(CRDDevicePoint& CornerA, CRDDevicePoint& CornerB);
    /// Back to the viewport the grid had when the display was built.
    void ResetViewPort();
    /// Scales the viewport about its centre: above 1 zooms in, below 1 out; repaints.
    void ReScaleViewPort(double dFactor);

    /// The last line and point ids handed out, shared by all displays of the process.
    static long s_iLineIndex;
    static long s_iPointIndex;

protected:
    bool event(QEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    bool gestureEvent(QGestureEvent* pEvent);

    QWidget* m_pParent;
    QRubberBand* m_pRubberBand;
    QPoint m_RubberBandOrigin;
    bool m_bRubberBandZoom;
    bool m_bWheelZoom;
    bool m_bGesture;
    bool m_bPinch;
    CRDPoint m_InitialLeftBottom;
    CRDPoint m_InitialRightTop;
    CRDDevicePoint m_DrawAreaOrigin;
    CRDDevicePoint m_DrawAreaSize;
    CRDDevicePoint m_DeviceLeftTop;
    CRDDevicePoint m_DeviceRightBottom;
    CRDGrid* m_pGrid;
    long m_iMargin;
    CRDColor m_BackgroundColor;
    std::map<long, CRDDecoratedPoint> m_mapPoints;
    std::map<long, CRDDecoratedLine> m_mapLines;
    long m_iMarginPercent;

private:
    std::unique_ptr<CResultDisplayPrivate> const d;
};

} // namespace KelmFramework

#endif // CRESULTDISPLAY_H
