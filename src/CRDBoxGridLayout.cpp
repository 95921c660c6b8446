// CRDBoxGridLayout: the concrete grid with grid lines, tick labels and axis titles.
#include "CRDBoxGridLayout.h"

namespace KelmFramework
{

CRDBoxGridLayout::CRDBoxGridLayout(CRDPoint PointA, CRDPoint PointB, QString strXAxisTitle, QString strYAxisTitle,
                                   long iXDivisions, long iYDivisions, short iXPrecision, short iYPrecision,
                                   CRDColor GridColor, CRDColor TextColor)
    : CRDLinearGrid(PointA, PointB, strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions, iXPrecision,
                    iYPrecision, GridColor, TextColor),
      m_iLabelGap(5),
      m_DefaultCallBack(QStringLiteral("CRDBoxGridLayout")),
      m_pCallBack(&m_DefaultCallBack)
{
}

CRDBoxGridLayout::CRDBoxGridLayout(IResultDisplayCallBack& CallBack, CRDPoint PointA, CRDPoint PointB,
                                   QString strXAxisTitle, QString strYAxisTitle, long iXDivisions,
                                   long iYDivisions, short iXPrecision, short iYPrecision, CRDColor GridColor,
                                   CRDColor TextColor)
    : CRDLinearGrid(PointA, PointB, strXAxisTitle, strYAxisTitle, iXDivisions, iYDivisions, iXPrecision,
                    iYPrecision, GridColor, TextColor),
      m_iLabelGap(5),
      m_DefaultCallBack(QStringLiteral("CRDBoxGridLayout")),
      m_pCallBack(&CallBack)
{
}

CRDBoxGridLayout::~CRDBoxGridLayout() {}

void CRDBoxGridLayout::DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin)
{
    DrawXGrid(Painter, LeftTop, RightBottom, iMargin);
    DrawYGrid(Painter, LeftTop, RightBottom, iMargin);
}

// TODO(plot widget): grid lines, labels and titles.
void CRDBoxGridLayout::DrawXGrid(QPainter&, CRDDevicePoint&, CRDDevicePoint&, long) {}
void CRDBoxGridLayout::DrawYGrid(QPainter&, CRDDevicePoint&, CRDDevicePoint&, long) {}

} // namespace KelmFramework
