// CRDMatrix: the status-matrix widget.
#include "CRDMatrix.h"

#include "RDNumeric_p.h"
#include "RDPainting_p.h"
#include "RDQtCompat_p.h"

#include <QBrush>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace KelmFramework
{

namespace
{

constexpr long c_iMinColumns = 4;
// The label font is tried at this point size and below, down to 1 point.
constexpr int c_iLargestPointSize = 16;
// The painter's own font, then every point size below the largest.
constexpr int c_iFontsTried = c_iLargestPointSize;

struct MatrixLayout
{
    long iColumns;
    long iRows;
    long iCellSize;
    long iOffset;
};

MatrixLayout LayoutFor(long iItems, long iWidth, long iColumns)
{
    const long iCellSize = iWidth / iColumns;
    return {iColumns, iItems / iColumns + 1, iCellSize, (iWidth - iCellSize * iColumns) / 2};
}

// The matrix, placed its offset below the top edge, ends strictly above the bottom edge.
bool Fits(const MatrixLayout& Layout, long iHeight)
{
    return Numeric::SaturatedProduct(Layout.iRows, Layout.iCellSize) < iHeight - Layout.iOffset;
}

// The smallest column count from 4 up that fits, or 0 when none does. Gives what trying every
// count in turn gives, in a number of steps that grows with the square root of the width only.
long FirstFittingColumns(long iItems, long iWidth, long iHeight)
{
    if (iHeight <= 0)
        return 0;
    // With fewer columns than this a cell is at least as tall as the area.
    long iColumns = std::max(c_iMinColumns, iWidth / iHeight + 1);
    while (iColumns <= iWidth) {
        // Up to iRunEnd the cell size stays the same while rows and offset only shrink, so once a
        // count of the run fits, every larger count of the run fits too.
        const long iRunEnd = iWidth / (iWidth / iColumns);
        if (Fits(LayoutFor(iItems, iWidth, iRunEnd), iHeight)) {
            long iHigh = iRunEnd;
            while (iColumns < iHigh) {
                const long iMiddle = iColumns + (iHigh - iColumns) / 2;
                if (Fits(LayoutFor(iItems, iWidth, iMiddle), iHeight))
                    iHigh = iMiddle;
                else
                    iColumns = iMiddle + 1;
            }
            return iColumns;
        }
        iColumns = iRunEnd + 1;
    }
    // Past the width every count gives cells of size 0 at the same offset.
    return Fits(LayoutFor(iItems, iWidth, iColumns), iHeight) ? iColumns : 0;
}

int WidestLabel(const QFontMetrics& Metrics, const std::vector<QString>& vecLabels)
{
    int iWidest = 0;
    for (const QString& strLabel : vecLabels)
        if (!strLabel.isEmpty())
            iWidest = std::max(iWidest, Metrics.horizontalAdvance(strLabel));
    return iWidest;
}

} // namespace

// Caches beyond the widget's contract, kept here so that they can change without changing its size.
class CRDMatrixPrivate
{
public:
    void RefreshLabels(const CRDMatrixData& MatrixData);

    // The labels as Label() gives them, renewed with the data, so that painting copies none.
    std::vector<QString> m_vecLabels;
    // Font fitting runs in every paint; the widest label per font tried (-1: not measured yet) is
    // kept for one set of labels, one base font and one resolution.
    std::vector<int> m_vecWidestLabel = std::vector<int>(c_iFontsTried, -1);
    QFont m_LabelBaseFont;
    int m_iLabelDpiX = 0;
    int m_iLabelDpiY = 0;
};

void CRDMatrixPrivate::RefreshLabels(const CRDMatrixData& MatrixData)
{
    std::vector<QString> vecLabels;
    vecLabels.reserve(static_cast<std::size_t>(MatrixData.Size()));
    for (long i = 0; i < MatrixData.Size(); ++i)
        vecLabels.push_back(MatrixData.Label(i));
    // Updates that change only states keep the measured widths.
    if (vecLabels != m_vecLabels)
        std::fill(m_vecWidestLabel.begin(), m_vecWidestLabel.end(), -1);
    m_vecLabels.swap(vecLabels);
}

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
      m_bBlinkOn(false),
      d(new CRDMatrixPrivate)
{
    if (!pParent)
        std::exit(1);
    d->RefreshLabels(m_MatrixData);
    setAttribute(Qt::WA_MouseTracking, true);
    UpdateMatrixDisplayArea(width(), height());
    startTimer(1000, Qt::CoarseTimer);
}

CRDMatrix::~CRDMatrix()
{
}

void CRDMatrix::UpdateMatrixData(const CRDMatrixData& MatrixData)
{
    m_MatrixData = MatrixData;
    m_bBlinkOn = !m_bBlinkOn;
    d->RefreshLabels(m_MatrixData);
    update();
}

bool CRDMatrix::event(QEvent* pEvent)
{
    if (pEvent->type() != QEvent::ToolTip)
        return QWidget::event(pEvent);
    const long iIndex = CalculateIndexFromMouseCursor();
    if (iIndex != m_iInvalidIndex) {
        QToolTip::showText(QCursor::pos(), m_MatrixData.ToolTip(iIndex));
        return true;
    }
    QToolTip::showText(QPoint(0, 0), QString());
    pEvent->ignore();
    return true;
}

void CRDMatrix::timerEvent(QTimerEvent*)
{
    repaint();
}

void CRDMatrix::mousePressEvent(QMouseEvent* pEvent)
{
    const long iIndex = CalculateIndexFromMouseCursor();
    if (pEvent->button() == Qt::RightButton && iIndex != m_iInvalidIndex) {
        emit customContextMenuRequested(Numeric::RoundToPixels(Compat::EventPosition(*pEvent)), iIndex);
        return;
    }
    QWidget::mousePressEvent(pEvent);
}

void CRDMatrix::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    const long iIndex = CalculateIndexFromMouseCursor();
    if (iIndex != m_iInvalidIndex) {
        emit mouseDoubleClickEvent(pEvent, iIndex);
        return;
    }
    QWidget::mouseDoubleClickEvent(pEvent);
}

void CRDMatrix::paintEvent(QPaintEvent*)
{
    using Numeric::NarrowSum;
    using Numeric::NarrowToInt;

    // A derived class may have replaced the data without UpdateMatrixData.
    if (static_cast<long>(d->m_vecLabels.size()) != m_MatrixData.Size())
        d->RefreshLabels(m_MatrixData);

    QPainter Painter(this);
    Painter.setRenderHint(QPainter::Antialiasing, true);
    Painter.fillRect(QRect(0, 0, NarrowToInt(m_iWidth), NarrowToInt(m_iHeight)), QBrush(m_BackgroundColor));

    const QPen BorderPen = Painting::FlatPen(m_BorderColor, static_cast<qreal>(m_iBorderWidth));
    Painter.setPen(BorderPen);
    CalculateFontSizeForLabels(Painter);

    // Every pen and brush a cell can need, made once: QPen and QBrush allocate when built.
    const QPen LabelPen = Painting::FlatPen(c_ColorBlack, 1.0);
    const QPen BlinkLabelPen = Painting::FlatPen(c_ColorWhite, 1.0);
    const QBrush DefaultFill(c_ColorGreen);
    const QBrush BlinkFill(c_ColorBlack);
    // Made on first use; a short state never reaches past 32767.
    std::vector<QBrush> vecStateFills(std::min<std::size_t>(m_vecStateColors.size(), SHRT_MAX + 1));
    Painter.setBrush(Qt::NoBrush);

    const long iItems = m_MatrixData.Size();
    const long iColumns = std::max(1L, m_iColumns);
    const long iCellSize = std::max(0L, m_iCellSize);
    const int iCell = NarrowToInt(iCellSize);
    const int iInset = NarrowToInt(m_iBorderWidth / 2);
    // A cell narrower than its border has no room for a fill.
    const int iFill = std::max(0, NarrowToInt(iCellSize - m_iBorderWidth));

    long iRow = 0;
    long iColumn = 0;
    for (long i = 0; i < iItems; ++i) {
        const int iX = NarrowSum(m_iOffset, Numeric::SaturatedProduct(iColumn, iCellSize));
        const int iY = NarrowSum(m_iOffset, Numeric::SaturatedProduct(iRow, iCellSize));
        const QRect Cell(iX, iY, iCell, iCell);
        const QRect FillSquare(NarrowSum(iX, iInset), NarrowSum(iY, iInset), iFill, iFill);

        Painter.setPen(BorderPen);
        Painter.drawRects(&Cell, 1);

        const bool bBlinking = m_bBlinkOn && i == m_MatrixData.m_iBlinkIndex;
        const QBrush* pFill = &DefaultFill;
        const short iState = m_MatrixData.State(i);
        if (iState >= 0 && static_cast<std::size_t>(iState) < m_vecStateColors.size()) {
            QBrush& StateFill = vecStateFills[static_cast<std::size_t>(iState)];
            if (StateFill.style() == Qt::NoBrush)
                StateFill = QBrush(m_vecStateColors[static_cast<std::size_t>(iState)]);
            pFill = &StateFill;
        }
        if (bBlinking)
            pFill = &BlinkFill;
        Painter.fillRect(FillSquare, *pFill);

        const QString& strLabel = d->m_vecLabels[static_cast<std::size_t>(i)];
        if (!strLabel.isEmpty()) {
            Painter.setPen(bBlinking ? BlinkLabelPen : LabelPen);
            Painting::DrawText(Painter, FillSquare, Qt::AlignCenter, strLabel);
        }

        if (++iColumn == iColumns) {
            iColumn = 0;
            ++iRow;
        }
    }
}

void CRDMatrix::resizeEvent(QResizeEvent*)
{
    UpdateMatrixDisplayArea(width(), height());
}

void CRDMatrix::UpdateMatrixDisplayArea(long iWidth, long iHeight)
{
    m_iWidth = Numeric::ClampExtent(iWidth);
    m_iHeight = Numeric::ClampExtent(iHeight);
    const long iItems = m_MatrixData.Size();
    long iColumns = FirstFittingColumns(iItems, m_iWidth, m_iHeight);
    // No count fits an area without height, or one far wider than high: lay the cells out by the
    // width alone, as large as they come, and let the bottom edge cut them off.
    if (iColumns == 0)
        iColumns = c_iMinColumns;
    const MatrixLayout Layout = LayoutFor(iItems, m_iWidth, iColumns);
    m_iColumns = Layout.iColumns;
    m_iRows = Layout.iRows;
    m_iCellSize = Layout.iCellSize;
    m_iOffset = Layout.iOffset;
}

void CRDMatrix::CalculateFontSizeForLabels(QPainter& Painter)
{
    const QFont BaseFont = Painter.font();
    const QPaintDevice* pDevice = Painter.device();
    const int iDpiX = pDevice ? pDevice->logicalDpiX() : 0;
    const int iDpiY = pDevice ? pDevice->logicalDpiY() : 0;
    if (!(BaseFont == d->m_LabelBaseFont) || iDpiX != d->m_iLabelDpiX || iDpiY != d->m_iLabelDpiY) {
        d->m_LabelBaseFont = BaseFont;
        d->m_iLabelDpiX = iDpiX;
        d->m_iLabelDpiY = iDpiY;
        std::fill(d->m_vecWidestLabel.begin(), d->m_vecWidestLabel.end(), -1);
    }

    // The painter keeps its own font for the first try.
    QFont Font = BaseFont;
    Font.setPointSize(c_iLargestPointSize);
    for (int& iWidest : d->m_vecWidestLabel) {
        if (iWidest < 0)
            iWidest = WidestLabel(Painter.fontMetrics(), d->m_vecLabels);
        if (iWidest < m_iCellSize || Font.pointSize() == 1)
            return;
        Font.setPointSize(Font.pointSize() - 1);
        Painter.setFont(Font);
    }
}

long CRDMatrix::CalculateIndexFromMouseCursor()
{
    const QPoint Position = mapFromGlobal(QCursor::pos());
    const long iDX = static_cast<long>(Position.x()) - m_iOffset;
    const long iDY = static_cast<long>(Position.y()) - m_iOffset;
    // Cells of size 0 have no extent, so nothing lies in one.
    if (iDX < 0 || iDY < 0 || m_iCellSize <= 0)
        return m_iInvalidIndex;
    const long iColumn = iDX / m_iCellSize;
    const long iRow = iDY / m_iCellSize;
    if (iColumn >= m_iColumns)
        return m_iInvalidIndex;
    // The row comes from an int and the columns from a clamped width: the product fits.
    const long iIndex = iRow * m_iColumns + iColumn;
    if (iIndex >= m_MatrixData.Size())
        return m_iInvalidIndex;
    return iIndex;
}

} // namespace KelmFramework
