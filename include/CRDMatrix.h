// CRDMatrix: the status-matrix widget.
#ifndef CRDMATRIX_H
#define CRDMATRIX_H

#include "CRDColor.h"
#include "CRDMatrixData.h"
#include "ResultDisplayExport.h"
#include "ResultDisplayTypes.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QEvent;
class QMouseEvent;
class QPainter;
class QPaintEvent;
class QPoint;
class QResizeEvent;
class QTimerEvent;

namespace KelmFramework
{

class CRDMatrixPrivate;

/// Shows matrix items as square labelled cells filled by state, blinks one item, shows tool tips
/// and reports double clicks and right presses on a cell with the item's index.
/// A null parent ends the process.
class RESULTDISPLAY_EXPORT CRDMatrix : public QWidget
{
    Q_OBJECT

public:
    CRDMatrix(QWidget* pParent, const CRDMatrixData& MatrixData, const CRDColor& BackgroundColor,
              const CRDColor& BorderColor, const std::vector<CRDColor>& vecStateColors);
    ~CRDMatrix() override;

    /// Replaces the data, flips the blink phase and schedules a repaint; the layout stays.
    void UpdateMatrixData(const CRDMatrixData& MatrixData);

Q_SIGNALS:
    void mouseDoubleClickEvent(QMouseEvent* event, TKelmLong iIndex);
    void customContextMenuRequested(const QPoint& pos, TKelmLong iIndex);

protected:
    bool event(QEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

    void UpdateMatrixDisplayArea(long iWidth, long iHeight);
    void CalculateFontSizeForLabels(QPainter& Painter);
    long CalculateIndexFromMouseCursor();

    long m_iBorderWidth;
    CRDMatrixData m_MatrixData;
    CRDColor m_BackgroundColor;
    CRDColor m_BorderColor;
    std::vector<CRDColor> m_vecStateColors;
    long m_iWidth;
    long m_iOffset;
    long m_iHeight;
    long m_iRows;
    long m_iColumns;
    long m_iCellSize;
    long m_iInvalidIndex;
    bool m_bBlinkOn;

private:
    std::unique_ptr<CRDMatrixPrivate> const d;
};

} // namespace KelmFramework

#endif // CRDMATRIX_H
