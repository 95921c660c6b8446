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
///
/// Displays may share one grid, and with it one viewport: each hands the grid its own device rectangle
/// again before it paints or reads the mouse, so each draws into its own rectangle and zooms in its own
/// pixels, and a zoom on one shows on all at their next paint.
///
/// A repaint that would paint what the last one painted (no change made through the display or to its
/// grid, the same size, painter and labels) costs a copy of the pixels repainted when the grid is a
/// CRDBoxGridLayout or a CRDDecimatingBoxGrid (not a subclass) and the display is no subclass either.
/// The grid's DrawGrid, DrawPoint and DrawLine are still called for every paint.
class RESULTDISPLAY_EXPORT CResultDisplay : public QWidget
{
    Q_OBJECT

public:
    /// A child of pParent (a null parent ends the process with exit status 1) that paints through
    /// pGrid on a background of BackgroundColor. Records the grid's viewport for ResetViewPort and hands
    /// the grid its device rectangle. Both zooms start switched off.
    CResultDisplay(QWidget* pParent, CRDGrid* pGrid, const CRDColor& BackgroundColor);
    ~CResultDisplay() override;

    /// Stores a copy of the line; returns its id, unique among all lines of the process.
    long AddLine(std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle, ERDPointStyle ePointStyle,
                 const QString& strName);
    /// The same, for vertices the caller cannot hand over as non-const.
    long AddLine(const std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle,
                 ERDPointStyle ePointStyle, const QString& strName);
    /// Adds copies of the points at the end of the line. False for an unknown id. Takes time in
    /// proportion to the points added (amortised), not to the line's length.
    bool AppendLinePoints(long iLineIndex, const std::vector<CRDPoint>& vecPoints);
    /// Removes the line's first iCount points: all of them when iCount is larger, none when it is 0 or
    /// less. False for an unknown id. Takes constant time; the points move once, before the next paint.
    bool DropLinePoints(long iLineIndex, long iCount);
    /// Replaces the line's points with copies of these. False for an unknown id.
    bool SetLinePoints(long iLineIndex, const std::vector<CRDPoint>& vecPoints);
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
    /// Sets the viewport to the stored lines and points with a margin of 5 % of the device rectangle on
    /// every side. Vertices with a NaN or infinite coordinate are left out; a range of no width is widened
    /// to 10 % of its value (to -1 and 1 around 0). With nothing to fit, or where the data's range
    /// exceeds what a view can span, the viewport stays on that axis. On a log axis of the grid, values at
    /// or below 0 are left out too, and the margin is taken in decades.
    void FitViewPortToData();
    /// Moves each edge of the viewport by (dFactor - 1) of its span, inward for dFactor above 1 and
    /// outward below, and repaints. A range that would become empty, crossed, not finite or wider than
    /// about 4.5e307 stays as it was. With any of the features from eRDFeaturePan on, zooming out moves
    /// every edge by at least one representable value, however small the step. On a log axis of the grid
    /// the span is taken in decades.
    void ReScaleViewPort(double dFactor);

Q_SIGNALS:
    /// The display has set the grid's viewport: by a zoom or a pan of the user, by SetViewPort,
    /// ResetViewPort, ReScaleViewPort or FitViewPortToData. Not emitted for changes made on the grid.
    void viewPortChanged();

public:
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
    /// beyond int is saturated). With eRDFeaturePan on, the middle button (and the left one while
    /// rubber-band zoom is off) starts a pan instead.
    void mousePressEvent(QMouseEvent* pEvent) override;
    /// Hides the band, zooms into the pixels it covers (SetViewPort with device corners) and repaints;
    /// or ends a pan.
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    /// Stretches the band from its start to the mouse, both corner pixels included; or moves the view
    /// with the mouse while panning. With eRDFeatureReadout on, picks the vertex under the mouse.
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    /// With eRDFeatureWheelZoom on, each notch (120 eighths of a degree, the larger of the two
    /// directions) calls ReScaleViewPort with 1.01 per notch forward and 0.99 back. With
    /// eRDFeatureZoomAtCursor or eRDFeatureSmoothZoom on instead, each notch forward multiplies the spans
    /// by 0.98 (back: divides), about the point under the mouse with eRDFeatureZoomAtCursor and about
    /// the centre otherwise; with eRDFeatureSmoothZoom parts of a notch count in proportion.
    void wheelEvent(QWheelEvent* pEvent) override;
    /// Fills the background, then draws the grid, every point and every line in ascending id order;
    /// then the legend and the readout where they are on.
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
    std::map<long, CRDDecoratedLine> m_mapLines;   ///< The lines by id; dropped points leave before each paint.
    long m_iMarginPercent;                         ///< The margin per started hundred pixels of width (10).
    /// \endcond

private:
    friend class CResultDisplayPrivate;
    std::unique_ptr<CResultDisplayPrivate> const d; ///< Deferred edits, features, caches and interaction state.
};

} // namespace KelmFramework

#endif // CRESULTDISPLAY_H
