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
    /// A child of pParent (a null parent ends the process with exit status 1) that paints through
    /// pGrid on a background of BackgroundColor. Records the grid's viewport for ResetViewPort and hands
    /// the grid its device rectangle. Both zooms start switched off.
    CResultDisplay(QWidget* pParent, CRDGrid* pGrid, const CRDColor& BackgroundColor);
    ~CResultDisplay() override;

    /// Stores a copy of the line; returns its id, unique among all lines of the process.
    long AddLine(std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle, ERDPointStyle ePointStyle,
                 const QString& strName);
    /// Stores a copy of the point; returns its id, unique among all points of the process.
    long AddPoint(CRDPoint Point, CRDColor Color, ERDPointStyle ePointStyle);
    /// Removes the line with this id; an unknown id is ignored.
    void RemovedLine(long iLineIndex);
    /// Removes the point with this id; an unknown id is ignored.
    void RemovedPoint(long iPointIndex);
    /// Removes every line and point; ids keep counting on.
    void ClearAll();
    /// Recomputes the margin and the device rectangle for a widget of this size in pixels and hands it
    /// to the grid; resizes call it. A negative size counts as 0.
    void UpdateDrawAreaRange(long iWidth, long iHeight);

    /// Switches an interaction on; an unknown value is ignored.
    void EnableFeature(ERDFeature eFeature);
    /// Switches an interaction off; an unknown value is ignored.
    void DisableFeature(ERDFeature eFeature);
    /// Hands the corners, in user units, to the grid's SetViewPort as given.
    void SetViewPort(CRDPoint LeftBottom, CRDPoint RightTop);
    /// Sets the viewport to what the pixel rectangle with these opposite corners shows now. Where the
    /// pixels give no usable range (an empty device rectangle, the limits of double precision) the
    /// viewport stays.
    void SetViewPort(CRDDevicePoint& CornerA, CRDDevicePoint& CornerB);
    /// Back to the viewport the grid had when the display was built.
    void ResetViewPort();
    /// Moves each edge of the viewport by (dFactor - 1) of its span, inward for dFactor above 1 and
    /// outward below, and repaints. A range that would become empty, crossed, not finite or wider than
    /// about 4.5e307 stays as it was.
    void ReScaleViewPort(double dFactor);

    /// The last line id handed out, shared by all displays of the process; 0 before the first.
    static long s_iLineIndex;
    /// The last point id handed out, shared by all displays of the process; 0 before the first.
    static long s_iPointIndex;

protected:
    // Internals: derived classes may use them; they are no part of the API reference.
    /// \cond internal
    /// Hands gesture events to gestureEvent while a gesture feature is on.
    bool event(QEvent* pEvent) override;
    /// With eRDFeatureRubberBandZoom on, starts the rubber band at the pressed pixel (a position
    /// beyond int is saturated).
    void mousePressEvent(QMouseEvent* pEvent) override;
    /// Hides the band, zooms into the pixels it covers (SetViewPort with device corners) and repaints.
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    /// Stretches the band from its start to the mouse, both corner pixels included.
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    /// With eRDFeatureWheelZoom on, each notch (120 eighths of a degree, the larger of the two
    /// directions) calls ReScaleViewPort with 1.01 per notch forward and 0.99 back.
    void wheelEvent(QWheelEvent* pEvent) override;
    /// Fills the background, then draws the grid, every point and every line in ascending id order.
    void paintEvent(QPaintEvent* pEvent) override;
    /// Calls UpdateDrawAreaRange with the new size.
    void resizeEvent(QResizeEvent* pEvent) override;
    /// Accepts the gesture and changes nothing.
    bool gestureEvent(QGestureEvent* pEvent);

    QWidget* m_pParent;                 ///< The parent given at construction.
    QRubberBand* m_pRubberBand;         ///< The zoom band, made on the first press; a Qt child of the display.
    QPoint m_RubberBandOrigin;          ///< The pixel where the band was started.
    bool m_bRubberBandZoom;             ///< eRDFeatureRubberBandZoom is on.
    bool m_bWheelZoom;                  ///< eRDFeatureWheelZoom is on.
    bool m_bGesture;                    ///< eRDFeatureGesture is on.
    bool m_bPinch;                      ///< eRDFeaturePinch is on.
    CRDPoint m_InitialLeftBottom;       ///< The grid's viewport at construction, for ResetViewPort.
    CRDPoint m_InitialRightTop;         ///< The grid's viewport at construction, for ResetViewPort.
    CRDDevicePoint m_DrawAreaOrigin;    ///< The top left pixel of the painted area, (0, 0).
    CRDDevicePoint m_DrawAreaSize;      ///< Width and height of the painted area in pixels.
    CRDDevicePoint m_DeviceLeftTop;     ///< The device rectangle's top left pixel.
    CRDDevicePoint m_DeviceRightBottom; ///< The device rectangle's bottom right pixel.
    CRDGrid* m_pGrid;                   ///< The grid; not owned.
    long m_iMargin;                     ///< Pixels between the widget's edges and the device rectangle.
    CRDColor m_BackgroundColor;         ///< Fills the whole widget before anything is drawn.
    std::map<long, CRDDecoratedPoint> m_mapPoints; ///< The points by id.
    std::map<long, CRDDecoratedLine> m_mapLines;   ///< The lines by id.
    long m_iMarginPercent;                         ///< The margin per started hundred pixels of width (10).
    /// \endcond

private:
    std::unique_ptr<CResultDisplayPrivate> const d; ///< Bookkeeping of removals made while painting.
};

} // namespace KelmFramework

#endif // CRESULTDISPLAY_H
