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
    /// A child of pParent (a null parent ends the process with exit status 1) that copies the data and
    /// colours: item i is filled with vecStateColors[state], green where the state has no colour.
    /// Starts a one-second timer that repaints.
    CRDMatrix(QWidget* pParent, const CRDMatrixData& MatrixData, const CRDColor& BackgroundColor,
              const CRDColor& BorderColor, const std::vector<CRDColor>& vecStateColors);
    ~CRDMatrix() override;

    /// Replaces the data, flips the blink phase and schedules a repaint; the layout stays.
    void UpdateMatrixData(const CRDMatrixData& MatrixData);

Q_SIGNALS:
    /// A double click on the cell of item iIndex; the event is valid only during the emission.
    void mouseDoubleClickEvent(QMouseEvent* event, TKelmLong iIndex);
    /// A right-button press on the cell of item iIndex, at pos in widget pixels.
    void customContextMenuRequested(const QPoint& pos, TKelmLong iIndex);

protected:
    // Internals: derived classes may use them; they are no part of the API reference.
    /// \cond internal
    /// Shows the tool tip of the item under the mouse, or hides it where there is none.
    bool event(QEvent* pEvent) override;
    /// Repaints, once a second.
    void timerEvent(QTimerEvent* pEvent) override;
    /// A right press on an item emits customContextMenuRequested; other presses go to QWidget.
    void mousePressEvent(QMouseEvent* pEvent) override;
    /// On an item emits the signal of the same name; elsewhere the event goes to QWidget.
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    /// Fills the background and draws every cell with its border, fill and label.
    void paintEvent(QPaintEvent* pEvent) override;
    /// Calls UpdateMatrixDisplayArea with the new size.
    void resizeEvent(QResizeEvent* pEvent) override;

    /// Lays the cells out for an area of this size in pixels: the fewest columns from 4 up whose
    /// square cells fit; where none fits, 4 columns cut off by the bottom edge. Any size works.
    void UpdateMatrixDisplayArea(long iWidth, long iHeight);
    /// Sets the painter's font to the largest point size, 16 down to 1, at which the widest label
    /// fits its cell.
    void CalculateFontSizeForLabels(QPainter& Painter);
    /// The index of the item under the mouse cursor, or -1.
    long CalculateIndexFromMouseCursor();

    long m_iBorderWidth;                    ///< Pen width of a cell's border in pixels (2).
    CRDMatrixData m_MatrixData;             ///< The widget's copy of the data.
    CRDColor m_BackgroundColor;             ///< Fills the widget behind the cells.
    CRDColor m_BorderColor;                 ///< Colour of the cells' borders.
    std::vector<CRDColor> m_vecStateColors; ///< The fill of each state.
    long m_iWidth;                          ///< Width of the laid out area in pixels.
    long m_iOffset;                         ///< Pixels from the top left corner to the first cell.
    long m_iHeight;                         ///< Height of the laid out area in pixels.
    long m_iRows;                           ///< Rows of the layout.
    long m_iColumns;                        ///< Columns of the layout.
    long m_iCellSize;                       ///< Side of a cell in pixels.
    long m_iInvalidIndex;                   ///< The index that names no item, -1.
    bool m_bBlinkOn;                        ///< The blinking item is drawn black in this phase.
    /// \endcond

private:
    std::unique_ptr<CRDMatrixPrivate> const d;
};

} // namespace KelmFramework

#endif // CRDMATRIX_H
