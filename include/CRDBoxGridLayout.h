// CRDBoxGridLayout: the concrete grid with grid lines, tick labels and axis titles.
#ifndef CRDBOXGRIDLAYOUT_H
#define CRDBOXGRIDLAYOUT_H

#include "CRDLinearGrid.h"
#include "IResultDisplayCallBack.h"
#include "ResultDisplayExport.h"

namespace KelmFramework
{

/// A box of grid lines divided into equal cells, with numeric (or callback-supplied) tick labels
/// and two axis titles, over the mapping and drawing of CRDLinearGrid. X labels carry a fixed
/// number of decimals, y labels a number of significant digits; a callback's texts are drawn slanted.
class RESULTDISPLAY_EXPORT CRDBoxGridLayout : public CRDLinearGrid
{
public:
    /// A viewport with corners PointA and PointB in user units (in either order), iXDivisions by
    /// iYDivisions cells (each kept within 1 to 32767) and numeric labels: iXPrecision decimals on
    /// x, iYPrecision significant digits on y (at most 340 are used).
    CRDBoxGridLayout(CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle, QString strYAxisTitle, long iXDivisions,
                     long iYDivisions, short iXPrecision, short iYPrecision, CRDColor GridColor, CRDColor TextColor);
    /// As above, with the x labels' texts asked from CallBack. The callback is not owned and must
    /// outlive the grid; one named "CRDBoxGridLayout" is taken for the built-in numeric labels.
    CRDBoxGridLayout(IResultDisplayCallBack& CallBack, CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle,
                     QString strYAxisTitle, long iXDivisions, long iYDivisions, short iXPrecision, short iYPrecision,
                     CRDColor GridColor, CRDColor TextColor);
    ~CRDBoxGridLayout() override;

    /// DrawXGrid, then DrawYGrid.
    void DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin) override;
    /// The vertical grid lines with their labels below the box, and the x title centred in the top margin.
    void DrawXGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin);
    /// The horizontal grid lines with their labels left of the box, and the y title read bottom to top
    /// in the right margin.
    void DrawYGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin);

protected:
    // Internals: derived classes may use them; they are no part of the API reference.
    /// \cond internal
    long m_iLabelGap;                         ///< Pixels between the box and its labels (5).
    IResultDisplayCallBack m_DefaultCallBack; ///< The built-in callback, named "CRDBoxGridLayout".
    IResultDisplayCallBack* m_pCallBack;      ///< The callback asked for x label texts; not owned.
    /// \endcond
};

} // namespace KelmFramework

#endif // CRDBOXGRIDLAYOUT_H
