// CRDBoxGridLayout: the concrete grid with grid lines, tick labels and axis titles.
#ifndef CRDBOXGRIDLAYOUT_H
#define CRDBOXGRIDLAYOUT_H

#include "CRDLinearGrid.h"
#include "IResultDisplayCallBack.h"
#include "ResultDisplayExport.h"

namespace KelmFramework
{

/// A box of grid lines divided into equal cells, with numeric (or callback-supplied) tick labels
/// and two axis titles, over the mapping and drawing of CRDLinearGrid.
class RESULTDISPLAY_EXPORT CRDBoxGridLayout : public CRDLinearGrid
{
public:
    CRDBoxGridLayout(CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle, QString strYAxisTitle,
                     long iXDivisions, long iYDivisions, short iXPrecision, short iYPrecision,
                     CRDColor GridColor, CRDColor TextColor);
    /// The callback is not owned and must outlive the grid.
    CRDBoxGridLayout(IResultDisplayCallBack& CallBack, CRDPoint PointA, CRDPoint PointB,
                     QString strXAxisTitle, QString strYAxisTitle, long iXDivisions, long iYDivisions,
                     short iXPrecision, short iYPrecision, CRDColor GridColor, CRDColor TextColor);
    ~CRDBoxGridLayout() override;

    void DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin) override;
    void DrawXGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin);
    void DrawYGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin);

protected:
    long m_iLabelGap;
    IResultDisplayCallBack m_DefaultCallBack;
    IResultDisplayCallBack* m_pCallBack;
};

} // namespace KelmFramework

#endif // CRDBOXGRIDLAYOUT_H
