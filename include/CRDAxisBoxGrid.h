// CRDAxisBoxGrid: a box grid with axes people read at a glance: round ticks, log and time scales.
#ifndef CRDAXISBOXGRID_H
#define CRDAXISBOXGRID_H

#include "CRDLinearGrid.h"
#include "IResultDisplayCallBack.h"
#include "ResultDisplayExport.h"
#include "ResultDisplayTypes.h"

#include <QTimeZone>

#include <memory>

namespace KelmFramework
{

class CRDAxisBoxGridPrivate;

/// A box around the plot with ticks at round values, every tick labelled, and the axis titles centred
/// under the box (x) and left of it, read bottom to top (y). Beside CRDBoxGridLayout, which divides the
/// view into equal cells, it is the grid for axes a reader takes in at a glance.
///
/// Ticks lie at 1, 2 or 5 times a power of ten (linear), at decades (log10) or at whole clock and calendar
/// steps (time), inside the view. As many are drawn as the labels allow without overlapping, measured in
/// the painter's font, and never more than the division count of the axis. Labels carry as many digits as
/// the tick spacing needs, at least the precision of the axis (x: decimals, y: significant digits; linear
/// axes only), switch to scientific notation where fixed notation grows long, and never read "-0".
///
/// The display's margin holds the labels and titles: the x labels under the box, the x title under them;
/// the y labels left of the box, the y title left of them. A label or title that does not fit its margin,
/// or would overlap another, is left out. The colours, pens and font are those of CRDBoxGridLayout: grid
/// lines in the grid colour, texts in the text colour, both in 1-pixel solid pens, in the painter's font.
class RESULTDISPLAY_EXPORT CRDAxisBoxGrid : public CRDLinearGrid
{
public:
    /// The arguments of CRDBoxGridLayout: a viewport with corners PointA and PointB in user units (in either
    /// order), titles, division counts (the most labelled ticks per axis, kept within 1 to 32767), label
    /// precisions (the least digits shown) and the grid and text colours. Both axes start linear.
    CRDAxisBoxGrid(CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle, QString strYAxisTitle, long iXDivisions,
                   long iYDivisions, short iXPrecision, short iYPrecision, CRDColor GridColor, CRDColor TextColor);
    /// As above, with the x labels' texts asked from CallBack for each x tick value, as CRDBoxGridLayout
    /// asks it (here drawn upright and spaced like the built-in labels, so it may be asked for the texts of
    /// several candidate sets of ticks per paint). The callback is not owned and must outlive the grid; one
    /// named "CRDBoxGridLayout" is taken for the built-in labels.
    CRDAxisBoxGrid(IResultDisplayCallBack& CallBack, CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle,
                   QString strYAxisTitle, long iXDivisions, long iYDivisions, short iXPrecision, short iYPrecision,
                   CRDColor GridColor, CRDColor TextColor);
    ~CRDAxisBoxGrid() override;

    /// How the x axis maps and labels values. eRDScaleLog10: equal ratios take equal pixels, ticks at decades
    /// (every n-th one over many decades, 2 and 5 or all of 1 to 9 within few) with minor ticks between;
    /// values at or below 0 have no position and are not drawn, like NaN. eRDScaleTime: x values are seconds
    /// since 1970-01-01 UTC, mapped linearly and labelled as clock times and dates in the grid's time zone.
    /// Any other value is taken as eRDScaleLinear.
    void SetXScale(ERDScale eScale);
    /// The same for the y axis.
    void SetYScale(ERDScale eScale);
    /// The scale of the x axis.
    ERDScale GetXScale() const;
    /// The scale of the y axis.
    ERDScale GetYScale() const;
    /// The zone whose clock and calendar label time axes: UTC until set, for instance
    /// QTimeZone::systemTimeZone() for the local time of the machine or QTimeZone(3600) for a fixed offset
    /// of an hour. An invalid zone is taken as UTC.
    void SetTimeZone(const QTimeZone& TimeZone);
    /// The zone of time axes.
    QTimeZone GetTimeZone() const;

    /// Draws the line as CRDLinearGrid does, on the axes' scales, with the short segments of dense lines
    /// counted per pixel as CRDDecimatingBoxGrid counts them: no channel of a pixel differs by more than 2.
    void DrawLine(QPainter& Painter, CRDDecoratedLine& Line) override;

    /// Draws the box, the grid lines at the ticks of both axes, minor ticks along the edges on log axes,
    /// the labels and the titles, into the margin iMargin around the device rectangle.
    void DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin) override;

private:
    std::unique_ptr<CRDAxisBoxGridPrivate> const d; ///< Scales, time zone and the callback in use.
};

} // namespace KelmFramework

#endif // CRDAXISBOXGRID_H
