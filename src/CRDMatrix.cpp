// CRDMatrix: the status-matrix widget.
#include "CRDMatrix.h"

#include <QEvent>

// Placeholder until the matrix widget lands: it links, and nothing more.
namespace KelmFramework
{

CRDMatrix::CRDMatrix(QWidget* pParent, const CRDMatrixData& MatrixData, const CRDColor& BackgroundColor,
                     const CRDColor& BorderColor, const std::vector<CRDColor>& vecStateColors)
    : QWidget(pParent),
      m_iBorderWidth(2),
      m_MatrixData(MatrixData),
      m_BackgroundColor(BackgroundColor),
      m_BorderColor(BorderColor),
      m_vecStateColors(vecStateColors),
      m_iWidth(0),
      m_iOffset(0),
      m_iHeight(0),
      m_iRows(0),
      m_iColumns(0),
      m_iCellSize(0),
      m_iInvalidIndex(-1),
      m_bBlinkOn(false)
{
}
CRDMatrix::~CRDMatrix() {}
void CRDMatrix::UpdateMatrixData(const CRDMatrixData&) {}
bool CRDMatrix::event(QEvent* pEvent) { return QWidget::event(pEvent); }
void CRDMatrix::timerEvent(QTimerEvent*) {}
void CRDMatrix::mousePressEvent(QMouseEvent*) {}
void CRDMatrix::mouseDoubleClickEvent(QMouseEvent*) {}
void CRDMatrix::paintEvent(QPaintEvent*) {}
void CRDMatrix::resizeEvent(QResizeEvent*) {}
void CRDMatrix::UpdateMatrixDisplayArea(long, long) {}
void CRDMatrix::CalculateFontSizeForLabels(QPainter&) {}
long CRDMatrix::CalculateIndexFromMouseCursor() { return m_iInvalidIndex; }

} // namespace KelmFramework
