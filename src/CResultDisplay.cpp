// CResultDisplay: the plot widget.
#include "CResultDisplay.h"

#include "CRDAxisBoxGrid.h"
#include "RDFrameCache_p.h"
#include "RDFrameKeys_p.h"
#include "RDGrids_p.h"
#include "RDLegend_p.h"
#include "RDNumeric_p.h"
#include "RDPainting_p.h"
#include "RDQtCompat_p.h"
#include "RDReadout_p.h"
#include "RDViewport_p.h"

#include <QBrush>
#include <QCursor>
#include <QEvent>
#include <QGestureEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRect>
#include <QRubberBand>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <typeinfo>
#include <unordered_map>

namespace KelmFramework
{

long CResultDisplay::s_iLineIndex = 0;
long CResultDisplay::s_iPointIndex = 0;

// What the display keeps beyond its documented members.
class CResultDisplayPrivate
{
public:
    explicit CResultDisplayPrivate(CResultDisplay& Display) : q(Display) {}

    // A grid's drawing may call back into the display while the stores are walked: what it removes
    // then stays stored, undrawn, until the outermost paint ends, so no element drawn is freed; what it
    // edits waits likewise, so no line drawn moves.
    int iPaintDepth = 0;
    std::set<long> setRemovedLines;
    std::set<long> setRemovedPoints;
    struct Edit
    {
        enum Kind { Append, Drop, Set } eKind;
        long iLine;
        std::vector<CRDPoint> vecPoints;
        long iCount;
    };
    std::vector<Edit> vecEdits;
    // Points dropped from each line's front, moved out before anything reads the line: a drop then
    // costs nothing, and the move goes with a paint that walks the points anyway.
    std::map<long, std::size_t> mapDrops;
    // Whether each line's x never decreases, with the vertices it was found for.
    struct Facts
    {
        const CRDPoint* pData = nullptr;
        std::size_t iSize = 0;
        bool bSorted = false;
    };
    std::map<long, Facts> mapFacts;

    // Bumped by every change made through the display: a frame is painted again only for the same.
    std::uint64_t iContent = 0;
    FrameCache::Snapshot Frames;

    bool bPan = false;
    bool bZoomAtCursor = false;
    bool bSmoothZoom = false;
    bool bLegend = false;
    bool bReadout = false;
    bool bTrackingSet = false; // mouse tracking switched on by the readout

    bool bPanning = false;
    Qt::MouseButton ePanButton = Qt::NoButton;
    QPoint PanFrom;

    bool bMouseInside = false;
    QPoint Mouse;
    Readout::Hit Picked;
    Readout::Box PickedBox;
    // Lines in any order, indexed by pixel column, for the content and view they were built for.
    std::uint64_t iColumnsContent = 0;
    FrameCache::GridState ColumnsView;
    std::map<long, Readout::Search::Columns> mapColumns;

    template <class Map>
    static void Remove(Map& Store, std::set<long>& setRemoved, long iId, bool bPainting)
    {
        if (!bPainting)
            Store.erase(iId);
        else if (Store.count(iId))
            setRemoved.insert(iId);
    }

    bool Painting() const { return iPaintDepth > 0; }
    bool AnyAddition() const { return bPan || bZoomAtCursor || bSmoothZoom || bLegend || bReadout; }

    // A line the display has and still draws; while painting, removals are pending.
    CRDDecoratedLine* Line(long iId)
    {
        const auto Found = q.m_mapLines.find(iId);
        if (Found == q.m_mapLines.end() || setRemovedLines.count(iId))
            return nullptr;
        return &Found->second;
    }

    void Changed() { ++iContent; }

    // The line an edit goes to now: null for an id that names no line (bKnown false) and while painting,
    // when the edit waits for the end of the paint.
    template <class MakeEdit>
    CRDDecoratedLine* Editable(long iId, bool& bKnown, MakeEdit make)
    {
        CRDDecoratedLine* const pLine = Line(iId);
        bKnown = pLine != nullptr;
        if (!pLine || !Painting())
            return pLine;
        vecEdits.push_back(make());
        return nullptr;
    }

    void NoteLine(long iId, const std::vector<CRDPoint>& vecPoints)
    {
        mapFacts[iId] = {vecPoints.data(), vecPoints.size(), Readout::SortedInX(vecPoints)};
    }

    bool SortedInX(long iId, const std::vector<CRDPoint>& vecPoints)
    {
        Facts& Known = mapFacts[iId];
        // Vertices changed behind the display's back (a subclass has the store) are looked at again.
        if (Known.pData != vecPoints.data() || Known.iSize != vecPoints.size())
            Known = {vecPoints.data(), vecPoints.size(), Readout::SortedInX(vecPoints)};
        return Known.bSorted;
    }

    void ForgetLine(long iId)
    {
        mapDrops.erase(iId);
        mapFacts.erase(iId);
    }

    void ApplyDrops()
    {
        if (Painting())
            return;
        for (const auto& Drop : mapDrops) {
            const auto Found = q.m_mapLines.find(Drop.first);
            if (Found == q.m_mapLines.end())
                continue;
            std::vector<CRDPoint>& vecPoints = Found->second.m_vecPoints;
            Facts& Known = mapFacts[Drop.first];
            const bool bKnown = Known.pData == vecPoints.data() && Known.iSize == vecPoints.size();
            const std::size_t iDrop = std::min(Drop.second, vecPoints.size());
            // The coordinates move as erase would move them (assignment keeps a point's flag), without a
            // call per point: a quarter of the time.
            CRDPoint* const pPoints = vecPoints.data();
            const std::size_t iKept = vecPoints.size() - iDrop;
            for (std::size_t i = 0; i < iKept; ++i) {
                pPoints[i].m_dX = pPoints[i + iDrop].m_dX;
                pPoints[i].m_dY = pPoints[i + iDrop].m_dY;
            }
            vecPoints.resize(iKept);
            // Dropping from the front keeps x in order.
            Known = bKnown ? Facts{vecPoints.data(), vecPoints.size(), Known.bSorted} : Facts{};
        }
        mapDrops.clear();
    }

    void ApplyEdits()
    {
        std::vector<Edit> vecPending;
        vecPending.swap(vecEdits);
        for (Edit& Pending : vecPending) {
            switch (Pending.eKind) {
            case Edit::Append:
                q.AppendLinePoints(Pending.iLine, Pending.vecPoints);
                break;
            case Edit::Drop:
                q.DropLinePoints(Pending.iLine, Pending.iCount);
                break;
            case Edit::Set:
                q.SetLinePoints(Pending.iLine, Pending.vecPoints);
                break;
            }
        }
    }

    // Which display last handed each grid its device rectangle: displays sharing a grid hand it theirs
    // again before they use it, and a single display never needs to.
    static std::unordered_map<const CRDGrid*, const CResultDisplay*>& RectangleOwners()
    {
        static std::unordered_map<const CRDGrid*, const CResultDisplay*> s_mapOwners;
        return s_mapOwners;
    }

    void ClaimGrid()
    {
        auto& mapOwners = RectangleOwners();
        const auto Found = mapOwners.find(q.m_pGrid);
        if (Found != mapOwners.end() && Found->second == &q)
            return;
        q.m_pGrid->SetDeviceViewPort(q.m_DeviceLeftTop, q.m_DeviceRightBottom);
        mapOwners[q.m_pGrid] = &q;
    }

    void ReleaseGrids()
    {
        auto& mapOwners = RectangleOwners();
        for (auto Entry = mapOwners.begin(); Entry != mapOwners.end();)
            Entry = Entry->second == &q ? mapOwners.erase(Entry) : std::next(Entry);
    }

    Viewport::Pixels Device() const
    {
        return {static_cast<double>(q.m_DeviceLeftTop.m_iX), static_cast<double>(q.m_DeviceLeftTop.m_iY),
                static_cast<double>(q.m_DeviceRightBottom.m_iX), static_cast<double>(q.m_DeviceRightBottom.m_iY)};
    }

    // The axes a grid of the library maps in log10; any other grid maps linearly.
    Viewport::Axes Scales() const
    {
        const auto* pLinear = dynamic_cast<const CRDLinearGrid*>(q.m_pGrid);
        if (!pLinear)
            return {};
        const Mapping::Map Map = Grids::MapOf(*pLinear);
        return {Map.bLogX, Map.bLogY};
    }

    // A view the display worked out, where it is one a map can divide by.
    bool Show(const Viewport::Range& View)
    {
        if (!View.Usable(Scales()))
            return false;
        q.SetViewPort(View.Low, View.High);
        return true;
    }

    void Pan(const QPoint& To)
    {
        // In long: positions are saturated to +-2^30, and their difference may not fit an int.
        const long iDX = static_cast<long>(To.x()) - PanFrom.x(), iDY = static_cast<long>(To.y()) - PanFrom.y();
        PanFrom = To;
        if (iDX == 0 && iDY == 0)
            return;
        ClaimGrid();
        if (Show(Viewport::Panned(*q.m_pGrid, Device(), iDX, iDY)))
            q.update();
    }

    // The frame's copy back needs the library's own types: a subclass may draw anything.
    bool FramesAllowed() const
    {
        return typeid(q) == typeid(CResultDisplay) && q.m_BackgroundColor.alpha() == 255 && q.m_DrawAreaOrigin.m_iX == 0
               && q.m_DrawAreaOrigin.m_iY == 0 && q.m_DrawAreaSize.m_iX == q.width()
               && q.m_DrawAreaSize.m_iY == q.height();
    }

    FrameCache::DisplayKey FrameKey() const
    {
        FrameCache::DisplayKey Key;
        Key.iContent = iContent;
        Key.Size = q.size();
        Key.aiDevice[0] = q.m_DeviceLeftTop.m_iX;
        Key.aiDevice[1] = q.m_DeviceLeftTop.m_iY;
        Key.aiDevice[2] = q.m_DeviceRightBottom.m_iX;
        Key.aiDevice[3] = q.m_DeviceRightBottom.m_iY;
        Key.aiDevice[4] = q.m_iMargin;
        Key.uBackground = q.m_BackgroundColor.rgba();
        Key.bNamesHidden = bLegend;
        return Key;
    }

    QRect DeviceRect() const
    {
        return QRect(
            QPoint(Numeric::NarrowToInt(q.m_DeviceLeftTop.m_iX), Numeric::NarrowToInt(q.m_DeviceLeftTop.m_iY)),
            QPoint(Numeric::NarrowToInt(q.m_DeviceRightBottom.m_iX), Numeric::NarrowToInt(q.m_DeviceRightBottom.m_iY)));
    }

    // The drawn vertex nearest the mouse, over the grid's current map; none off the device rectangle.
    void Pick()
    {
        Picked = Readout::Hit();
        PickedBox = Readout::Box();
        auto* const pGrid = dynamic_cast<CRDLinearGrid*>(q.m_pGrid);
        if (!bReadout || !bMouseInside || !pGrid)
            return;
        ApplyDrops();
        ClaimGrid();
        Readout::Search Nearest(*pGrid, Mouse.x(), Mouse.y());
        for (const auto& Entry : q.m_mapPoints)
            if (!setRemovedPoints.count(Entry.first))
                Nearest.Offer(Entry.second, Entry.second.m_Color, QString());
        const double dMouseX = Viewport::UserAt(*pGrid, Mouse.x(), Mouse.y()).m_dX;
        const FrameCache::GridState View = FrameCache::StateOf(*pGrid);
        if (iColumnsContent != iContent || !(ColumnsView == View)) {
            mapColumns.clear();
            iColumnsContent = iContent;
            ColumnsView = View;
        }
        for (const auto& Entry : q.m_mapLines) {
            if (setRemovedLines.count(Entry.first))
                continue;
            const std::vector<CRDPoint>& vecPoints = Entry.second.m_vecPoints;
            if (SortedInX(Entry.first, vecPoints)) {
                Nearest.SortedLine(Entry.second, dMouseX);
                continue;
            }
            auto Found = mapColumns.find(Entry.first);
            if (Found == mapColumns.end())
                Found = mapColumns
                            .emplace(Entry.first, Readout::Search::Index(*pGrid, vecPoints, q.m_DeviceLeftTop.m_iX,
                                                                         q.m_DeviceRightBottom.m_iX))
                            .first;
            Nearest.IndexedLine(Entry.second, Found->second);
        }
        Picked = Nearest.Best();
        if (!Picked.bFound)
            return;
        const CRDPoint Here = Viewport::UserAt(*pGrid, Picked.At.m_iX, Picked.At.m_iY);
        const CRDPoint Next = Viewport::UserAt(*pGrid, Picked.At.m_iX + 1, Picked.At.m_iY + 1);
        // Time axes read in the clock their labels show.
        const auto* pAxes = dynamic_cast<const CRDAxisBoxGrid*>(pGrid);
        const QTimeZone Zone = pAxes ? pAxes->GetTimeZone() : QTimeZone::utc();
        const auto time = [&](ERDScale eScale) { return eScale == eRDScaleTime ? &Zone : nullptr; };
        PickedBox = Readout::Box::For(Picked, std::fabs(Next.m_dX - Here.m_dX), std::fabs(Next.m_dY - Here.m_dY),
                                      q.fontMetrics(), q.size(), time(pAxes ? pAxes->GetXScale() : eRDScaleLinear),
                                      time(pAxes ? pAxes->GetYScale() : eRDScaleLinear));
    }

    // A new pick repaints what the old and the new readout cover.
    void PickAt(bool bInside, const QPoint& At)
    {
        const QRect Before = Picked.bFound ? PickedBox.Painted(Picked) : QRect();
        bMouseInside = bInside;
        Mouse = At;
        Pick();
        const QRect After = Picked.bFound ? PickedBox.Painted(Picked) : QRect();
        if (Before != After)
            q.update(QRegion(Before) + QRegion(After));
    }

    void Switch(ERDFeature eFeature, bool bOn)
    {
        switch (eFeature) {
        case eRDFeatureRubberBandZoom:
            q.m_bRubberBandZoom = bOn;
            break;
        case eRDFeatureWheelZoom:
            q.m_bWheelZoom = bOn;
            break;
        case eRDFeatureGesture:
            q.m_bGesture = bOn;
            break;
        case eRDFeaturePinch:
            q.m_bPinch = bOn;
            break;
        case eRDFeaturePan:
            bPan = bOn;
            break;
        case eRDFeatureZoomAtCursor:
            bZoomAtCursor = bOn;
            break;
        case eRDFeatureSmoothZoom:
            bSmoothZoom = bOn;
            break;
        case eRDFeatureLegend:
            if (bLegend != bOn)
                Changed();
            bLegend = bOn;
            break;
        case eRDFeatureReadout:
            // Mouse tracking the application switched on stays on.
            if (bOn && !bReadout && !q.hasMouseTracking()) {
                q.setMouseTracking(true);
                bTrackingSet = true;
            } else if (!bOn && bTrackingSet) {
                q.setMouseTracking(false);
                bTrackingSet = false;
            }
            bReadout = bOn;
            if (!bOn)
                Picked = Readout::Hit();
            break;
        default:
            break;
        }
    }

    void DrawOverlays(QPainter& Painter)
    {
        if (bLegend) {
            const auto* const pGrid = dynamic_cast<const CRDLinearGrid*>(q.m_pGrid);
            const Painting::MarkerShape Shape = pGrid ? Grids::MarkerShapeOf(*pGrid)
                                                      : Painting::MarkerShape{3, 4, 1, 3, 1};
            Legend::Draw(Painter, q.m_mapLines, DeviceRect(), q.m_BackgroundColor, q.m_pGrid->m_GridColor,
                         q.m_pGrid->m_TextColor, Shape);
        }
        if (bReadout && bMouseInside) {
            Pick();
            if (Picked.bFound)
                PickedBox.Draw(Painter, Picked, q.m_BackgroundColor, q.m_pGrid->m_TextColor);
        }
    }

    CResultDisplay& q;
};

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
      d(std::make_unique<CResultDisplayPrivate>(*this))
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
    d->ReleaseGrids();
}

long CResultDisplay::AddLine(std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle,
                             ERDPointStyle ePointStyle, const QString& strName)
{
    const long iId = ++s_iLineIndex;
    const auto Stored = m_mapLines.try_emplace(iId, vecPoints, Color, eLineStyle, ePointStyle, strName).first;
    d->NoteLine(iId, Stored->second.m_vecPoints);
    d->Changed();
    return iId;
}

long CResultDisplay::AddLine(const std::vector<CRDPoint>& vecPoints, CRDColor Color, ERDLineStyle eLineStyle,
                             ERDPointStyle ePointStyle, const QString& strName)
{
    // Copied before anything is stored: an allocation that fails leaves the stores as they were.
    std::vector<CRDPoint> vecCopy(vecPoints.begin(), vecPoints.end());
    std::vector<CRDPoint> vecNone;
    const long iId = ++s_iLineIndex;
    const auto Stored = m_mapLines.try_emplace(iId, vecNone, Color, eLineStyle, ePointStyle, strName).first;
    Stored->second.m_vecPoints.swap(vecCopy);
    d->NoteLine(iId, Stored->second.m_vecPoints);
    d->Changed();
    return iId;
}

long CResultDisplay::AddPoint(CRDPoint Point, CRDColor Color, ERDPointStyle ePointStyle)
{
    const long iId = ++s_iPointIndex;
    m_mapPoints.try_emplace(iId, Point, Color, ePointStyle);
    d->Changed();
    return iId;
}

bool CResultDisplay::AppendLinePoints(long iLineIndex, const std::vector<CRDPoint>& vecPoints)
{
    bool bKnown = false;
    CRDDecoratedLine* const pLine = d->Editable(iLineIndex, bKnown, [&] {
        return CResultDisplayPrivate::Edit{CResultDisplayPrivate::Edit::Append, iLineIndex, vecPoints, 0};
    });
    if (!pLine)
        return bKnown;
    std::vector<CRDPoint>& vecStored = pLine->m_vecPoints;
    const bool bSorted = d->SortedInX(iLineIndex, vecStored)
                         && (vecStored.empty() || vecPoints.empty() || vecStored.back().m_dX <= vecPoints.front().m_dX)
                         && Readout::SortedInX(vecPoints);
    vecStored.insert(vecStored.end(), vecPoints.begin(), vecPoints.end());
    d->mapFacts[iLineIndex] = {vecStored.data(), vecStored.size(), bSorted};
    d->Changed();
    return true;
}

bool CResultDisplay::DropLinePoints(long iLineIndex, long iCount)
{
    bool bKnown = false;
    CRDDecoratedLine* const pLine = d->Editable(iLineIndex, bKnown, [&] {
        return CResultDisplayPrivate::Edit{CResultDisplayPrivate::Edit::Drop, iLineIndex, {}, iCount};
    });
    if (!pLine || iCount <= 0)
        return bKnown;
    std::size_t& iDropped = d->mapDrops[iLineIndex];
    const std::size_t iLeft = pLine->m_vecPoints.size() > iDropped ? pLine->m_vecPoints.size() - iDropped : 0;
    iDropped += std::min(static_cast<std::size_t>(iCount), iLeft);
    d->Changed();
    return true;
}

bool CResultDisplay::SetLinePoints(long iLineIndex, const std::vector<CRDPoint>& vecPoints)
{
    bool bKnown = false;
    CRDDecoratedLine* const pLine = d->Editable(iLineIndex, bKnown, [&] {
        return CResultDisplayPrivate::Edit{CResultDisplayPrivate::Edit::Set, iLineIndex, vecPoints, 0};
    });
    if (!pLine)
        return bKnown;
    // Each point copy-constructed, as AddLine stores them; the line's memory is kept for the new ones.
    pLine->m_vecPoints.clear();
    pLine->m_vecPoints.insert(pLine->m_vecPoints.end(), vecPoints.begin(), vecPoints.end());
    d->mapDrops.erase(iLineIndex);
    d->NoteLine(iLineIndex, pLine->m_vecPoints);
    d->Changed();
    return true;
}

void CResultDisplay::RemovedLine(long iLineIndex)
{
    if (!d->Painting())
        d->ForgetLine(iLineIndex);
    CResultDisplayPrivate::Remove(m_mapLines, d->setRemovedLines, iLineIndex, d->Painting());
    d->Changed();
}

void CResultDisplay::RemovedPoint(long iPointIndex)
{
    CResultDisplayPrivate::Remove(m_mapPoints, d->setRemovedPoints, iPointIndex, d->Painting());
    d->Changed();
}

void CResultDisplay::ClearAll()
{
    d->Changed();
    if (!d->Painting()) {
        m_mapPoints.clear();
        m_mapLines.clear();
        d->mapDrops.clear();
        d->mapFacts.clear();
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
    CResultDisplayPrivate::RectangleOwners()[m_pGrid] = this;
}

void CResultDisplay::resizeEvent(QResizeEvent*)
{
    UpdateDrawAreaRange(width(), height());
}

void CResultDisplay::paintEvent(QPaintEvent*)
{
    d->ApplyDrops();
    d->ClaimGrid();
    QPainter Painter(this);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(Painting::FlatPen(m_BackgroundColor, 0.0));
    const auto stateOf = [](const CRDGrid& Grid) {
        return FrameCache::KnowsGrid(Grid) ? std::optional(FrameCache::StateOf(static_cast<const CRDLinearGrid&>(Grid)))
                                           : std::nullopt;
    };
    const std::optional<FrameCache::GridState> Before = d->FramesAllowed() && !d->Painting() ? stateOf(*m_pGrid)
                                                                                             : std::nullopt;
    FrameCache::Frame Frame(*m_pGrid, Painter, d->Frames, d->FrameKey(), Before ? &*Before : nullptr, size());
    const QRect Area(QPoint(Numeric::NarrowToInt(m_DrawAreaOrigin.m_iX), Numeric::NarrowToInt(m_DrawAreaOrigin.m_iY)),
                     QPoint(Numeric::NarrowSum(m_DrawAreaSize.m_iX, -1), Numeric::NarrowSum(m_DrawAreaSize.m_iY, -1)));
    Painter.fillRect(Area, QBrush(m_BackgroundColor, Qt::SolidPattern));

    // Removals and edits made while painting take effect when the outermost paint ends, however it ends.
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
            for (long iId : Private.setRemovedLines) {
                Display.m_mapLines.erase(iId);
                Private.ForgetLine(iId);
            }
            Private.setRemovedPoints.clear();
            Private.setRemovedLines.clear();
            Private.ApplyEdits();
        }
    } Scope(*this);
    {
        const Painting::UncuttingClip Clip(Painter);
        m_pGrid->DrawGrid(Painter, m_DeviceLeftTop, m_DeviceRightBottom, m_iMargin);
        // Entries added meanwhile are drawn too: a map's iterators survive insertion.
        for (auto& Entry : m_mapPoints)
            if (!d->setRemovedPoints.count(Entry.first))
                m_pGrid->DrawPoint(Painter, Entry.second);
        for (auto& Entry : m_mapLines) {
            if (d->setRemovedLines.count(Entry.first))
                continue;
            if (!d->bLegend) {
                m_pGrid->DrawLine(Painter, Entry.second);
                continue;
            }
            // With the legend the names are drawn there only: the grid gets each line without its name.
            struct NameAside
            {
                QString& strName;
                QString strKept;
                explicit NameAside(QString& strLineName) : strName(strLineName) { strKept.swap(strName); }
                ~NameAside() { strKept.swap(strName); }
            } Aside(Entry.second.m_strName);
            m_pGrid->DrawLine(Painter, Entry.second);
        }
    }
    const std::optional<FrameCache::GridState> After = Before ? stateOf(*m_pGrid) : std::nullopt;
    Frame.End(After ? &*After : nullptr);
    d->DrawOverlays(Painter);
}

void CResultDisplay::EnableFeature(ERDFeature eFeature)
{
    d->Switch(eFeature, true);
}

void CResultDisplay::DisableFeature(ERDFeature eFeature)
{
    d->Switch(eFeature, false);
}

void CResultDisplay::SetViewPort(CRDPoint LeftBottom, CRDPoint RightTop)
{
    m_pGrid->SetViewPort(LeftBottom, RightTop);
    d->Changed();
    Q_EMIT viewPortChanged();
}

void CResultDisplay::SetViewPort(CRDDevicePoint& CornerA, CRDDevicePoint& CornerB)
{
    d->ClaimGrid();
    CRDPoint UserA;
    CRDPoint UserB;
    m_pGrid->ConvertPointFromDeviceToUserViewport(CornerA, UserA);
    m_pGrid->ConvertPointFromDeviceToUserViewport(CornerB, UserB);
    // Pixels give no usable range on an empty device rectangle or at the limits of double
    // precision; the view then stays as it is rather than turning into NaN.
    const Viewport::Range Band{CRDPoint(std::min(UserA.m_dX, UserB.m_dX), std::min(UserA.m_dY, UserB.m_dY)),
                               CRDPoint(std::max(UserA.m_dX, UserB.m_dX), std::max(UserA.m_dY, UserB.m_dY))};
    if (!Band.Usable(d->Scales()))
        return;
    SetViewPort(UserA, UserB);
}

void CResultDisplay::ResetViewPort()
{
    m_pGrid->SetViewPort(m_InitialLeftBottom, m_InitialRightTop);
    d->Changed();
    Q_EMIT viewPortChanged();
}

void CResultDisplay::FitViewPortToData()
{
    d->ApplyDrops();
    const Viewport::Axes Scales = d->Scales();
    Viewport::Extent X, Y;
    Viewport::Measure(m_mapLines, m_mapPoints, Scales, X, Y);
    if (!X.Any())
        return;
    X.Widen();
    Y.Widen();
    Viewport::Range Data{m_pGrid->GetViewPortLeftButton(), m_pGrid->GetViewPortRightTop()};
    const bool bX = Numeric::IsUsableSpan(X.dLow, X.dHigh), bY = Numeric::IsUsableSpan(Y.dLow, Y.dHigh);
    if (bX) {
        Data.Low.m_dX = X.dLow;
        Data.High.m_dX = X.dHigh;
    }
    if (bY) {
        Data.Low.m_dY = Y.dLow;
        Data.High.m_dY = Y.dHigh;
    }
    if (!Data.Usable(Scales))
        return;
    // The margin in pixels, through the grid's own map of the data's range.
    m_pGrid->SetViewPort(Data.Low, Data.High);
    d->ClaimGrid();
    const Viewport::Pixels Device = d->Device();
    const Viewport::Range Framed = Viewport::Scaled(*m_pGrid, Device, 0.5 * (Device.dLeft + Device.dRight),
                                                    0.5 * (Device.dTop + Device.dBottom), bX ? 1.0 / 0.9 : 1.0,
                                                    bY ? 1.0 / 0.9 : 1.0);
    const bool bFramed = Framed.Usable(Scales);
    SetViewPort(bFramed ? Framed.Low : Data.Low, bFramed ? Framed.High : Data.High);
}

void CResultDisplay::ReScaleViewPort(double dFactor)
{
    // On a log axis the span is one of decades.
    const Viewport::Axes Scales = d->Scales();
    const CRDPoint LeftBottom = Scales.Into(m_pGrid->GetViewPortLeftButton());
    const CRDPoint RightTop = Scales.Into(m_pGrid->GetViewPortRightTop());
    const double dX = std::fabs(RightTop.m_dX - LeftBottom.m_dX) * (1.0 - dFactor);
    const double dY = std::fabs(RightTop.m_dY - LeftBottom.m_dY) * (1.0 - dFactor);
    CRDPoint NewLeftBottom(LeftBottom.m_dX - dX, LeftBottom.m_dY - dY, false);
    CRDPoint NewRightTop(RightTop.m_dX + dX, RightTop.m_dY + dY, false);
    // With the interactions beyond the wheel and the band, zooming out always moves the edges, however
    // few doubles the span holds.
    if (d->AnyAddition() && dFactor < 1.0) {
        NewLeftBottom.m_dX = std::min(NewLeftBottom.m_dX, std::nextafter(LeftBottom.m_dX, -HUGE_VAL));
        NewLeftBottom.m_dY = std::min(NewLeftBottom.m_dY, std::nextafter(LeftBottom.m_dY, -HUGE_VAL));
        NewRightTop.m_dX = std::max(NewRightTop.m_dX, std::nextafter(RightTop.m_dX, HUGE_VAL));
        NewRightTop.m_dY = std::max(NewRightTop.m_dY, std::nextafter(RightTop.m_dY, HUGE_VAL));
    }
    // From 1.5 on the edges meet or cross, and repeated zooms end in a span that is zero or overflows:
    // the view keeps its last usable range.
    const Viewport::Range View{Scales.Back(NewLeftBottom), Scales.Back(NewRightTop)};
    if (View.Usable(Scales))
        SetViewPort(View.Low, View.High);
    update();
}

bool CResultDisplay::event(QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::Gesture:
        if (m_bPinch || m_bGesture)
            return gestureEvent(static_cast<QGestureEvent*>(pEvent));
        break;
    case QEvent::Paint:
        // Before a subclass's paintEvent reads the lines.
        d->ApplyDrops();
        break;
    case QEvent::Leave:
        if (d->bReadout)
            d->PickAt(false, d->Mouse);
        break;
    default:
        break;
    }
    return QWidget::event(pEvent);
}

bool CResultDisplay::gestureEvent(QGestureEvent*)
{
    return true;
}

void CResultDisplay::wheelEvent(QWheelEvent* pEvent)
{
    if (!d->bZoomAtCursor && !d->bSmoothZoom) {
        if (!m_bWheelZoom)
            return;
        // A horizontal wheel (or a tilted one) zooms too: the larger component counts.
        const QPoint Angle = pEvent->angleDelta();
        const long iDelta = std::labs(Angle.x()) > std::labs(Angle.y()) ? Angle.x() : Angle.y();
        const long iNotches = iDelta / 120;
        ReScaleViewPort(1.0 + static_cast<double>(iNotches) / 100.0);
        pEvent->accept();
        return;
    }
    // Touchpads may give pixels only: 30 of them count as a notch.
    QPoint Angle = pEvent->angleDelta();
    if (Angle.isNull())
        Angle = pEvent->pixelDelta() * 4;
    const long iDelta = std::labs(Angle.x()) > std::labs(Angle.y()) ? Angle.x() : Angle.y();
    const double dNotches = d->bSmoothZoom ? static_cast<double>(iDelta) / 120.0 : static_cast<double>(iDelta / 120);
    pEvent->accept();
    if (dNotches == 0.0)
        return;
    // A notch scales the span by 0.98, as the wheel about the centre does; parts of notches multiply up
    // to whole ones. About the point under the mouse, Ctrl keeps y and Shift keeps x.
    const double dScale = std::pow(0.98, dNotches);
    d->ClaimGrid();
    const Viewport::Pixels Device = d->Device();
    QPointF At(0.5 * (Device.dLeft + Device.dRight), 0.5 * (Device.dTop + Device.dBottom));
    Qt::KeyboardModifiers eKeys = Qt::NoModifier;
    if (d->bZoomAtCursor) {
        At = pEvent->position();
        eKeys = pEvent->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
    }
    if (d->Show(Viewport::Scaled(*m_pGrid, Device, At.x(), At.y(), eKeys == Qt::ShiftModifier ? 1.0 : dScale,
                                 eKeys == Qt::ControlModifier ? 1.0 : dScale)))
        update();
}

void CResultDisplay::mousePressEvent(QMouseEvent* pEvent)
{
    const Qt::MouseButton eButton = pEvent->button();
    if (d->bPan && !d->bPanning && (eButton == Qt::MiddleButton || (eButton == Qt::LeftButton && !m_bRubberBandZoom))) {
        d->bPanning = true;
        d->ePanButton = eButton;
        d->PanFrom = Numeric::RoundToPixels(Compat::EventPosition(*pEvent));
        return;
    }
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
    const QPoint Position = Numeric::RoundToPixels(Compat::EventPosition(*pEvent));
    if (d->bPanning) {
        d->Pan(Position);
        return;
    }
    if (d->bReadout)
        d->PickAt(true, Position);
    if (!m_bRubberBandZoom || !m_pRubberBand)
        return;
    // Both corner pixels belong to the band, whichever way the drag goes; QRect::normalized()
    // would leave a one-pixel drag to the left or up zero pixels wide.
    const QPoint TopLeft(std::min(m_RubberBandOrigin.x(), Position.x()),
                         std::min(m_RubberBandOrigin.y(), Position.y()));
    const QPoint BottomRight(std::max(m_RubberBandOrigin.x(), Position.x()),
                             std::max(m_RubberBandOrigin.y(), Position.y()));
    m_pRubberBand->setGeometry(QRect(TopLeft, BottomRight));
}

void CResultDisplay::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (d->bPanning) {
        if (pEvent->button() == d->ePanButton) {
            d->Pan(Numeric::RoundToPixels(Compat::EventPosition(*pEvent)));
            d->bPanning = false;
        }
        return;
    }
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
