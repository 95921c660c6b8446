// CResultDisplay: the plot widget.
#include "CResultDisplay.h"

#include "RDNumeric_p.h"
#include "RDPainting_p.h"
#include "RDQtCompat_p.h"

#include <QBrush>
#include <QEvent>
#include <QGestureEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRect>
#include <QRubberBand>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>

namespace KelmFramework
{

long CResultDisplay::s_iLineIndex = 0;
long CResultDisplay::s_iPointIndex = 0;

// What the display keeps beyond its documented members.
class CResultDisplayPrivate
{
public:
    // A grid's drawing may call back into the display while the stores are walked: what it removes
    // then stays stored, undrawn, until the outermost paint ends, so no element drawn is freed.
    int iPaintDepth = 0;
    std::set<long> setRemovedLines;
    std::set<long> setRemovedPoints;

    template <class Map>
    static void Remove(Map& Store, std::set<long>& setRemoved, long iId, bool bPainting)
    {
        if (!bPainting)
            Store.erase(iId);
        else if (Store.count(iId))
            setRemoved.insert(iId);
    }
};

namespace
{

// Two opposite corners, in either order, that a linear map can divide by on both axes.
bool SpansUsableRange(const CRDPoint& CornerA, const CRDPoint& CornerB)
{
    return Numeric::IsUsableSpan(std::min(CornerA.m_dX, CornerB.m_dX), std::max(CornerA.m_dX, CornerB.m_dX))
           && Numeric::IsUsableSpan(std::min(CornerA.m_dY, CornerB.m_dY), std::max(CornerA.m_dY, CornerB.m_dY));
}

} // namespace

CResultDisplay::CResultDisplay(QWidget* pParent, CRDGrid* pGrid, const CRDColor& BackgroundColor)
    : QWidget(pParent),
      m_pParent(nullptr),
      m_pRubberBand(nullptr),
      m_RubberBandOrigin(0, 0),
      m_bRubberBandZoom(false),
      m_bWheelZoom(false),
      m_bGesture(false),
      m_bPinch(false),
      m_InitialLeftBottom(),
      m_InitialRightTop(),
      m_DrawAreaOrigin(0, 0),
      m_DrawAreaSize(0, 0),
      m_DeviceLeftTop(0, 0),
      m_DeviceRightBottom(0, 0),
      m_pGrid(pGrid),
      m_iMargin(0),
      m_BackgroundColor(BackgroundColor),
      m_mapPoints(),
      m_mapLines(),
      m_iMarginPercent(10),
      d(std::make_unique<CResultDisplayPrivate>())
{
    if (!pParent)
        std::exit(1);
    m_pParent = pParent;
    m_InitialLeftBottom = m_pGrid->GetViewPortLeftButton();
    m_InitialRightTop = m_pGrid->GetViewPortRightTop();
    UpdateDrawAreaRange(width(), height());
}

CResultDisplay::~CResultDisplay()
{
}

long CResultDisplay::AddLine(std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle,
                             ERDPointStyle ePointStyle, const QString& strName)
{
    const long iId = ++s_iLineIndex;
    m_mapLines.try_emplace(iId, vecPoints, Color, eLineStyle, ePointStyle, strName);
    return iId;
}

long CResultDisplay::AddPoint(CRDPoint Point, CRDColor Color, ERDPointStyle ePointStyle)
{
    const long iId = ++s_iPointIndex;
    m_mapPoints.try_emplace(iId, Point, Color, ePointStyle);
    return iId;
}

void CResultDisplay::RemovedLine(long iLineIndex)
{
    CResultDisplayPrivate::Remove(m_mapLines, d->setRemovedLines, iLineIndex, d->iPaintDepth > 0);
}

void CResultDisplay::RemovedPoint(long iPointIndex)
{
    CResultDisplayPrivate::Remove(m_mapPoints, d->setRemovedPoints, iPointIndex, d->iPaintDepth > 0);
}

void CResultDisplay::ClearAll()
{
    if (d->iPaintDepth == 0) {
        m_mapPoints.clear();
        m_mapLines.clear();
        return;
    }
    for (const auto& Entry : m_mapPoints)
        d->setRemovedPoints.insert(Entry.first);
    for (const auto& Entry : m_mapLines)
        d->setRemovedLines.insert(Entry.first);
}

void CResultDisplay::UpdateDrawAreaRange(long iWidth, long iHeight)
{
    // Qt never reports a negative size; one given by hand is taken for an empty widget.
    iWidth = std::max(0L, iWidth);
    iHeight = std::max(0L, iHeight);
    m_DrawAreaSize = CRDDevicePoint(iWidth, iHeight);

    const long iMargin = (iWidth / 100) * m_iMarginPercent;
    m_iMargin = iMargin;
    m_DeviceLeftTop = CRDDevicePoint(m_DrawAreaOrigin.m_iX + iMargin, m_DrawAreaOrigin.m_iY + iMargin);

    // The division counts are public; a count the application set to 0 must not reach the division.
    const long iXDivisions = Numeric::ClampDivisions(m_pGrid->m_iXDivisions);
    const long iYDivisions = Numeric::ClampDivisions(m_pGrid->m_iYDivisions);
    const long iSpanX = Numeric::IntSpan(m_DeviceLeftTop.m_iX, iWidth - iMargin);
    const long iSpanY = Numeric::IntSpan(m_DeviceLeftTop.m_iY, iHeight - iMargin);
    m_DeviceRightBottom = CRDDevicePoint((iSpanX / iXDivisions) * iXDivisions + iMargin,
                                         (iSpanY / iYDivisions) * iYDivisions + iMargin);
    m_pGrid->SetDeviceViewPort(m_DeviceLeftTop, m_DeviceRightBottom);
}

void CResultDisplay::resizeEvent(QResizeEvent*)
{
    UpdateDrawAreaRange(width(), height());
}

void CResultDisplay::paintEvent(QPaintEvent*)
{
    QPainter Painter(this);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(Painting::FlatPen(m_BackgroundColor, 0.0));
    const QRect Area(QPoint(Numeric::NarrowToInt(m_DrawAreaOrigin.m_iX), Numeric::NarrowToInt(m_DrawAreaOrigin.m_iY)),
                     QPoint(Numeric::NarrowSum(m_DrawAreaSize.m_iX, -1), Numeric::NarrowSum(m_DrawAreaSize.m_iY, -1)));
    Painter.fillRect(Area, QBrush(m_BackgroundColor, Qt::SolidPattern));

    // Removals made while painting take effect when the outermost paint ends, however it ends.
    struct PaintScope
    {
        CResultDisplay& Display;
        explicit PaintScope(CResultDisplay& Owner) : Display(Owner) { ++Display.d->iPaintDepth; }
        ~PaintScope()
        {
            CResultDisplayPrivate& Private = *Display.d;
            if (--Private.iPaintDepth > 0)
                return;
            for (long iId : Private.setRemovedPoints)
                Display.m_mapPoints.erase(iId);
            for (long iId : Private.setRemovedLines)
                Display.m_mapLines.erase(iId);
            Private.setRemovedPoints.clear();
            Private.setRemovedLines.clear();
        }
    } Scope(*this);
    const Painting::UncuttingClip Clip(Painter);
    m_pGrid->DrawGrid(Painter, m_DeviceLeftTop, m_DeviceRightBottom, m_iMargin);
    // Entries added meanwhile are drawn too: a map's iterators survive insertion.
    for (auto& Entry : m_mapPoints)
        if (!d->setRemovedPoints.count(Entry.first))
            m_pGrid->DrawPoint(Painter, Entry.second);
    for (auto& Entry : m_mapLines)
        if (!d->setRemovedLines.count(Entry.first))
            m_pGrid->DrawLine(Painter, Entry.second);
}

void CResultDisplay::EnableFeature(ERDFeature eFeature)
{
    switch (eFeature) {
    case eRDFeatureRubberBandZoom:
        m_bRubberBandZoom = true;
        break;
    case eRDFeatureWheelZoom:
        m_bWheelZoom = true;
        break;
    case eRDFeatureGesture:
        m_bGesture = true;
        break;
    case eRDFeaturePinch:
        m_bPinch = true;
        break;
    default:
        break;
    }
}

void CResultDisplay::DisableFeature(ERDFeature eFeature)
{
    switch (eFeature) {
    case eRDFeatureRubberBandZoom:
        m_bRubberBandZoom = false;
        break;
    case eRDFeatureWheelZoom:
        m_bWheelZoom = false;
        break;
    case eRDFeatureGesture:
        m_bGesture = false;
        break;
    case eRDFeaturePinch:
        m_bPinch = false;
        break;
    default:
        break;
    }
}

void CResultDisplay::SetViewPort(CRDPoint LeftBottom, CRDPoint RightTop)
{
    m_pGrid->SetViewPort(LeftBottom, RightTop);
}

void CResultDisplay::SetViewPort(CRDDevicePoint& CornerA, CRDDevicePoint& CornerB)
{
    CRDPoint UserA;
    CRDPoint UserB;
    m_pGrid->ConvertPointFromDeviceToUserViewport(CornerA, UserA);
    m_pGrid->ConvertPointFromDeviceToUserViewport(CornerB, UserB);
    // Pixels give no usable range on an empty device rectangle or at the limits of double
    // precision; the view then stays as it is rather than turning into NaN.
    if (!SpansUsableRange(UserA, UserB))
        return;
    SetViewPort(UserA, UserB);
}

void CResultDisplay::ResetViewPort()
{
    m_pGrid->SetViewPort(m_InitialLeftBottom, m_InitialRightTop);
}

void CResultDisplay::ReScaleViewPort(double dFactor)
{
    const CRDPoint LeftBottom = m_pGrid->GetViewPortLeftButton();
    const CRDPoint RightTop = m_pGrid->GetViewPortRightTop();
    const double dX = std::fabs(RightTop.m_dX - LeftBottom.m_dX) * (1.0 - dFactor);
    const double dY = std::fabs(RightTop.m_dY - LeftBottom.m_dY) * (1.0 - dFactor);
    CRDPoint NewLeftBottom(LeftBottom.m_dX - dX, LeftBottom.m_dY - dY, false);
    CRDPoint NewRightTop(RightTop.m_dX + dX, RightTop.m_dY + dY, false);
    // From 1.5 on the edges meet or cross, and repeated zooms end in a span that is zero or overflows:
    // the view keeps its last usable range.
    if (Numeric::IsUsableSpan(NewLeftBottom.m_dX, NewRightTop.m_dX)
        && Numeric::IsUsableSpan(NewLeftBottom.m_dY, NewRightTop.m_dY))
        SetViewPort(NewLeftBottom, NewRightTop);
    update();
}

bool CResultDisplay::event(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::Gesture && (m_bPinch || m_bGesture))
        return gestureEvent(static_cast<QGestureEvent*>(pEvent));
    return QWidget::event(pEvent);
}

bool CResultDisplay::gestureEvent(QGestureEvent*)
{
    return true;
}

void CResultDisplay::wheelEvent(QWheelEvent* pEvent)
{
    if (!m_bWheelZoom)
        return;
    // A horizontal wheel (or a tilted one) zooms too: the larger component counts.
    const QPoint Angle = pEvent->angleDelta();
    const long iDelta = std::labs(Angle.x()) > std::labs(Angle.y()) ? Angle.x() : Angle.y();
    const long iNotches = iDelta / 120;
    ReScaleViewPort(1.0 + static_cast<double>(iNotches) / 100.0);
    pEvent->accept();
}

void CResultDisplay::mousePressEvent(QMouseEvent* pEvent)
{
    if (!m_bRubberBandZoom)
        return;
    m_RubberBandOrigin = Numeric::RoundToPixels(Compat::EventPosition(*pEvent));
    if (!m_pRubberBand)
        m_pRubberBand = new QRubberBand(QRubberBand::Rectangle, this);
    m_pRubberBand->setGeometry(QRect(m_RubberBandOrigin, QSize(0, 0)));
    m_pRubberBand->show();
}

void CResultDisplay::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (!m_bRubberBandZoom || !m_pRubberBand)
        return;
    // Both corner pixels belong to the band, whichever way the drag goes; QRect::normalized()
    // would leave a one-pixel drag to the left or up zero pixels wide.
    const QPoint Position = Numeric::RoundToPixels(Compat::EventPosition(*pEvent));
    const QPoint TopLeft(std::min(m_RubberBandOrigin.x(), Position.x()),
                         std::min(m_RubberBandOrigin.y(), Position.y()));
    const QPoint BottomRight(std::max(m_RubberBandOrigin.x(), Position.x()),
                             std::max(m_RubberBandOrigin.y(), Position.y()));
    m_pRubberBand->setGeometry(QRect(TopLeft, BottomRight));
}

void CResultDisplay::mouseReleaseEvent(QMouseEvent*)
{
    if (!m_bRubberBandZoom || !m_pRubberBand)
        return;
    m_pRubberBand->hide();
    const QRect Band = m_pRubberBand->geometry();
    // The second corner lies one past the band's last pixels, so a 1 x 1 band still spans a pixel.
    CRDDevicePoint CornerA(Band.x(), Band.y());
    CRDDevicePoint CornerB(static_cast<long>(Band.x()) + Band.width(), static_cast<long>(Band.y()) + Band.height());
    if (CornerA.m_iX != CornerB.m_iX || CornerA.m_iY != CornerB.m_iY)
        SetViewPort(CornerA, CornerB);
    update();
}

} // namespace KelmFramework
