// Repaints that cost nothing: a display opens a frame around the grid's drawing; where the frame would
// paint what the display's last frame painted, the grid copies those pixels back and draws nothing.
#ifndef RDFRAMECACHE_P_H
#define RDFRAMECACHE_P_H

#include "CRDAxisBoxGrid.h"
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDLinearGrid.h"
#include "RDGrids_p.h"

#include <QFont>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <typeinfo>
#include <vector>

// Why pixels and not a picture of primitives: replaying primitives costs what drawing them costs. Why
// in the grids: a grid subclass overriding DrawGrid, DrawPoint or DrawLine must see every call, so the
// display calls them all and only the library's own grids, which know what they would draw, copy back.
// What a frame's pixels depend on is compared whole, never guessed: the display's content generation
// (bumped by every change made through it), its size, rectangle and colours, the painter's scale,
// sub-pixel offset, format, font, hints and brush, the grid's view, map and settings, and the labels
// an application's callback gives. Anything else differs, and the frame is drawn.

namespace KelmFramework
{
namespace FrameCache
{

/// Bumped by grid setters whose state the comparison below cannot read (a new scale, say).
inline std::uint64_t g_iTouched = 0;

/// Every snapshot taken before now stops matching.
inline void Touch()
{
    ++g_iTouched;
}

/// Grids whose drawing the cache knows: the library's own concrete grids, and no subclass of them.
inline bool KnowsGrid(const CRDGrid& Grid)
{
    const std::type_info& Type = typeid(Grid);
    return Type == typeid(CRDBoxGridLayout) || Type == typeid(CRDDecimatingBoxGrid) || Type == typeid(CRDAxisBoxGrid);
}

/// What the display's part of a frame depends on.
struct DisplayKey
{
    std::uint64_t iContent = 0; ///< the display's content generation
    QSize Size;
    long aiDevice[5] = {0, 0, 0, 0, 0}; ///< device rectangle and margin
    QRgb uBackground = 0;
    bool bNamesHidden = false;

    bool operator==(const DisplayKey& Other) const
    {
        return iContent == Other.iContent && Size == Other.Size && std::equal(aiDevice, aiDevice + 5, Other.aiDevice)
               && uBackground == Other.uBackground && bNamesHidden == Other.bNamesHidden;
    }
};

/// What the grid's drawing depends on: its view, its map and the settings an application may change.
struct GridState
{
    unsigned char acMap[sizeof(Mapping::Linear)] = {}; // in the axes' own spaces
    bool abLog[2] = {false, false};
    long aiFrame[4] = {0, 0, 0, 0};
    double adView[4] = {0, 0, 0, 0};
    QRgb uGrid = 0, uText = 0;
    QString strXTitle, strYTitle;
    long iXDivisions = 0, iYDivisions = 0;
    short iXPrecision = 0, iYPrecision = 0;
    std::uint64_t iTouched = 0;

    static GridState Of(const CRDLinearGrid& Grid)
    {
        GridState State;
        const Mapping::Map Map = Grids::MapOf(Grid);
        std::memcpy(State.acMap, &Map.Core, sizeof Map.Core);
        State.abLog[0] = Map.bLogX;
        State.abLog[1] = Map.bLogY;
        const Mapping::Frame Device = Grids::FrameOf(Grid);
        State.aiFrame[0] = Device.iL;
        State.aiFrame[1] = Device.iT;
        State.aiFrame[2] = Device.iR;
        State.aiFrame[3] = Device.iB;
        const CRDPoint LeftBottom = Grid.GetViewPortLeftButton(), RightTop = Grid.GetViewPortRightTop();
        State.adView[0] = LeftBottom.m_dX;
        State.adView[1] = LeftBottom.m_dY;
        State.adView[2] = RightTop.m_dX;
        State.adView[3] = RightTop.m_dY;
        State.uGrid = Grid.m_GridColor.rgba();
        State.uText = Grid.m_TextColor.rgba();
        State.strXTitle = Grid.m_strXAxisTitle;
        State.strYTitle = Grid.m_strYAxisTitle;
        State.iXDivisions = Grid.m_iXDivisions;
        State.iYDivisions = Grid.m_iYDivisions;
        State.iXPrecision = Grid.m_iXPrecision;
        State.iYPrecision = Grid.m_iYPrecision;
        State.iTouched = g_iTouched;
        return State;
    }

    bool operator==(const GridState& Other) const
    {
        // Bit for bit: a NaN view is the same view as itself.
        return std::memcmp(acMap, Other.acMap, sizeof acMap) == 0 && abLog[0] == Other.abLog[0]
               && abLog[1] == Other.abLog[1] && std::equal(aiFrame, aiFrame + 4, Other.aiFrame)
               && std::memcmp(adView, Other.adView, sizeof adView) == 0 && uGrid == Other.uGrid && uText == Other.uText
               && strXTitle == Other.strXTitle && strYTitle == Other.strYTitle && iXDivisions == Other.iXDivisions
               && iYDivisions == Other.iYDivisions && iXPrecision == Other.iXPrecision
               && iYPrecision == Other.iYPrecision && iTouched == Other.iTouched;
    }
};

/// What the painter's part of a frame depends on, and where the widget lies in its image.
struct PainterKey
{
    double dScale = 0.0;
    double dFractionX = 0.0, dFractionY = 0.0; ///< of the widget's offset in device pixels
    QImage::Format eFormat = QImage::Format_Invalid;
    QFont Font;
    QPainter::RenderHints eHints;
    QBrush Brush;
    Qt::LayoutDirection eDirection = Qt::LeftToRight;
    QSize DeviceSize; ///< the widget in whole device pixels, partly covered ones included

    bool operator==(const PainterKey& Other) const
    {
        return dScale == Other.dScale && dFractionX == Other.dFractionX && dFractionY == Other.dFractionY
               && eFormat == Other.eFormat && Font == Other.Font && eHints == Other.eHints && Brush == Other.Brush
               && eDirection == Other.eDirection && DeviceSize == Other.DeviceSize;
    }
};

/// Everything a frame's pixels depend on.
struct Key
{
    DisplayKey Display;
    GridState Grid;
    PainterKey Painter;
    std::vector<QRgb> vecUnder;        ///< the pixels the widget covers only in part, before it painted them
    std::optional<QStringList> Labels; ///< an application's x label texts; none for numeric labels

    bool operator==(const Key& Other) const
    {
        return Display == Other.Display && Grid == Other.Grid && Painter == Other.Painter && vecUnder == Other.vecUnder
               && Labels == Other.Labels;
    }
};

/// The pixels of a display's last frame, and which of them a frame has painted.
struct Snapshot
{
    bool bPixels = false;
    Key Of;
    QRect Covered; ///< what Pixels holds: the widget's device pixels that lay in the image
    QImage Pixels;
    QRegion Valid;       ///< painted by frames of this key, in the widget's device pixels
    bool bWhole = false; ///< a paint of any part of Valid may take its pixels (see Frame::Whole)
    bool bReplayed = false;
    int iUnused = 0; ///< snapshots in a row replaced without a replay
    bool bLast = false;
    Key Last; ///< the last frame's key, when no pixels were kept
};

class Frame;

/// The frames open now, each from its display's begin to its end: usually one.
inline std::vector<Frame*>& OpenFrames()
{
    static std::vector<Frame*> s_vecFrames;
    return s_vecFrames;
}

/// One paint of a display through its grid, from before the background is filled to after the last
/// line. Inert unless the display, its grid and the painter all allow copying back.
class Frame
{
public:
    Frame(const CRDGrid& Grid, QPainter& Painter, Snapshot& Store, const DisplayKey& Display, bool bAllowed,
          const QSize& WidgetSize)
        : m_Grid(Grid), m_Painter(Painter), m_Store(Store)
    {
        if (!bAllowed || !KnowsGrid(Grid) || !Locate(WidgetSize))
            return;
        m_Key.Display = Display;
        m_Key.Grid = GridState::Of(static_cast<const CRDLinearGrid&>(Grid));
        ReadUnder();
        m_bOpen = true;
        OpenFrames().push_back(this);
    }
    ~Frame() { Close(); }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    /// After the last line: the pixels painted are kept, where they may be asked for again.
    void End()
    {
        if (m_bOpen && !m_bSkipping && m_Key.Grid == GridState::Of(static_cast<const CRDLinearGrid&>(m_Grid)))
            Keep();
        Close();
    }

    /// The grid's DrawGrid: copies the last frame's pixels back where this frame would paint them.
    /// Labels gives an application's x label texts, asked once per frame.
    template <class LabelTexts>
    static bool Replay(const CRDGrid& Grid, QPainter& Painter, LabelTexts Labels)
    {
        Frame* const pFrame = Find(Grid, Painter);
        if (!pFrame)
            return false;
        pFrame->m_Key.Labels = Labels();
        pFrame->m_bLabelsAsked = true;
        if (!pFrame->Matches())
            return false;
        pFrame->CopyBack();
        return true;
    }

    /// The grid's DrawPoint and DrawLine: whether this call paints nothing, its frame being copied back.
    static bool Skips(const CRDGrid& Grid, const QPainter& Painter)
    {
        if (OpenFrames().empty())
            return false;
        const Frame* const pFrame = Find(Grid, Painter);
        return pFrame && pFrame->m_bSkipping;
    }

    /// The text of x label iIndex (from 0): the one Replay asked for in this frame, or Ask's.
    template <class AskText>
    static QString Label(const CRDGrid& Grid, const QPainter& Painter, long iIndex, AskText Ask)
    {
        const Frame* const pFrame = OpenFrames().empty() ? nullptr : Find(Grid, Painter);
        if (pFrame && pFrame->m_bLabelsAsked && pFrame->m_Key.Labels && iIndex >= 0
            && iIndex < pFrame->m_Key.Labels->size())
            return pFrame->m_Key.Labels->at(static_cast<int>(iIndex));
        return Ask();
    }

private:
    static Frame* Find(const CRDGrid& Grid, const QPainter& Painter)
    {
        for (Frame* pFrame : OpenFrames())
            if (&pFrame->m_Grid == &Grid && &pFrame->m_Painter == &Painter)
                return pFrame;
        return nullptr;
    }

    // Where the widget lies in the painter's image, in whole device pixels; false where the painter
    // draws anywhere else, or in a way that blends with what lies beneath.
    bool Locate(const QSize& WidgetSize)
    {
        QPaintEngine* const pEngine = m_Painter.paintEngine();
        if (!pEngine || pEngine->type() != QPaintEngine::Raster || m_Painter.opacity() != 1.0
            || m_Painter.compositionMode() != QPainter::CompositionMode_SourceOver || m_Painter.hasClipping())
            return false;
        QPaintDevice* const pDevice = pEngine->paintDevice();
        if (!pDevice || pDevice->devType() != QInternal::Image)
            return false;
        m_pImage = static_cast<QImage*>(pDevice);
        if (m_pImage->format() != QImage::Format_RGB32 && m_pImage->format() != QImage::Format_ARGB32_Premultiplied)
            return false;
        const QTransform Transform = m_Painter.deviceTransform();
        const double dScale = Transform.m11();
        if (Transform.type() > QTransform::TxScale || Transform.m22() != dScale || !(dScale > 0.0)
            || !std::isfinite(Transform.dx()) || !std::isfinite(Transform.dy()))
            return false;
        m_Area = QRectF(Transform.dx(), Transform.dy(), WidgetSize.width() * dScale, WidgetSize.height() * dScale);
        const QRect Aligned = m_Area.toAlignedRect();
        if (Aligned.isEmpty() || std::fabs(m_Area.left()) > 1e6 || std::fabs(m_Area.top()) > 1e6)
            return false;
        m_Origin = Aligned.topLeft();
        PainterKey& Key = m_Key.Painter;
        Key.dScale = dScale;
        Key.dFractionX = m_Area.left() - m_Origin.x();
        Key.dFractionY = m_Area.top() - m_Origin.y();
        Key.eFormat = m_pImage->format();
        Key.Font = m_Painter.font();
        Key.eHints = m_Painter.renderHints();
        Key.Brush = m_Painter.brush();
        Key.eDirection = m_Painter.layoutDirection();
        Key.DeviceSize = Aligned.size();
        // What this paint may write, in the widget's own device pixels.
        m_Covered = (Aligned & m_pImage->rect()).translated(-m_Origin);
        const QRegion System = pEngine->systemClip();
        m_Paint = (System.isEmpty() ? QRegion(Aligned) : System & Aligned) & m_pImage->rect();
        m_Paint.translate(-m_Origin);
        return !m_Paint.isEmpty();
    }

    // The widget's device pixels in the image that it covers whole, not only in part.
    QRect Inner() const
    {
        const QRect Aligned(m_Origin, m_Key.Painter.DeviceSize);
        return Aligned.adjusted(m_Area.left() != Aligned.left(), m_Area.top() != Aligned.top(),
                                -int(m_Area.right() != Aligned.right() + 1.0),
                                -int(m_Area.bottom() != Aligned.bottom() + 1.0));
    }

    // The pixels on edges the widget covers only in part blend with what lies beneath them: the
    // frame is the same only over the same pixels.
    void ReadUnder()
    {
        const QRect Aligned(m_Origin, m_Key.Painter.DeviceSize), Fully = Inner();
        const QRect Inside = m_Covered.translated(m_Origin);
        const auto readRow = [&](int iY) {
            if (iY >= Inside.top() && iY <= Inside.bottom())
                for (int iX = Inside.left(); iX <= Inside.right(); ++iX)
                    m_Key.vecUnder.push_back(m_pImage->pixel(iX, iY));
        };
        const auto readColumn = [&](int iX) {
            if (iX >= Inside.left() && iX <= Inside.right())
                for (int iY = Inside.top(); iY <= Inside.bottom(); ++iY)
                    m_Key.vecUnder.push_back(m_pImage->pixel(iX, iY));
        };
        if (Fully.left() != Aligned.left())
            readColumn(Aligned.left());
        if (Fully.right() != Aligned.right())
            readColumn(Aligned.right());
        if (Fully.top() != Aligned.top())
            readRow(Aligned.top());
        if (Fully.bottom() != Aligned.bottom())
            readRow(Aligned.bottom());
    }

    // The raster engine draws a line crossing a clip's edge a step differently from one it draws whole, at
    // any pixel ratio: a whole paint's pixels serve a paint of any part of it, a partial paint's only a
    // paint of the same region.
    bool Whole() const
    {
        return QRegion((Inner() & m_pImage->rect()).translated(-m_Origin)).subtracted(m_Paint).isEmpty();
    }

    bool Matches() const
    {
        return m_Store.bPixels && m_Store.Of == m_Key && m_Paint.subtracted(m_Store.Valid).isEmpty()
               && (m_Store.bWhole || m_Paint == m_Store.Valid);
    }

    // Rows of the paint's rectangles between the image and the snapshot, in either direction.
    void CopyRects(bool bToImage)
    {
        uchar* const puImage = const_cast<uchar*>(m_pImage->constBits());
        const long iImageStride = m_pImage->bytesPerLine();
        uchar* const puPixels = const_cast<uchar*>(m_Store.Pixels.constBits());
        const long iPixelStride = m_Store.Pixels.bytesPerLine();
        const QPoint Stored = m_Store.Covered.topLeft();
        for (const QRect& Rect : m_Paint) {
            const std::size_t iBytes = static_cast<std::size_t>(Rect.width()) * 4;
            for (int iY = Rect.top(); iY <= Rect.bottom(); ++iY) {
                uchar* const puAtImage = puImage + (iY + m_Origin.y()) * iImageStride
                                         + (Rect.left() + m_Origin.x()) * 4;
                uchar* const puAtPixels = puPixels + (iY - Stored.y()) * iPixelStride + (Rect.left() - Stored.x()) * 4;
                if (bToImage)
                    std::memcpy(puAtImage, puAtPixels, iBytes);
                else
                    std::memcpy(puAtPixels, puAtImage, iBytes);
            }
        }
    }

    void CopyBack()
    {
        CopyRects(true);
        m_Store.bReplayed = true;
        m_bSkipping = true;
    }

    // Snapshots cost a copy of what was painted: a display whose every paint differs from the one
    // before stops taking them until a paint repeats the last one.
    void Keep()
    {
        if (!m_bLabelsAsked)
            return;
        Snapshot& Store = m_Store;
        const bool bWhole = Whole();
        if (Store.bPixels && Store.Of == m_Key && Store.Covered.contains(m_Paint.boundingRect())) {
            // A partial paint would spoil the whole paint's pixels for every other part.
            if (Store.bWhole && !bWhole)
                return;
            CopyRects(false);
            Store.Valid = m_Paint;
            Store.bWhole = bWhole;
            return;
        }
        const bool bRepeat = Store.bLast && Store.Last == m_Key;
        if (Store.bPixels)
            Store.iUnused = Store.bReplayed ? 0 : Store.iUnused + 1;
        Store.Last = m_Key;
        Store.bLast = true;
        if (Store.iUnused >= 2 && !bRepeat) {
            Store.bPixels = false;
            return;
        }
        if (bRepeat)
            Store.iUnused = 0;
        if (Store.Pixels.size() != m_Covered.size() || Store.Pixels.format() != m_pImage->format())
            Store.Pixels = QImage(m_Covered.size(), m_pImage->format());
        Store.Covered = m_Covered;
        Store.Of = m_Key;
        Store.Valid = QRegion();
        Store.bPixels = true;
        Store.bReplayed = false;
        CopyRects(false);
        Store.Valid = m_Paint;
        Store.bWhole = bWhole;
    }

    void Close()
    {
        if (!m_bOpen)
            return;
        m_bOpen = false;
        std::vector<Frame*>& vecFrames = OpenFrames();
        vecFrames.erase(std::remove(vecFrames.begin(), vecFrames.end(), this), vecFrames.end());
    }

    const CRDGrid& m_Grid;
    QPainter& m_Painter;
    Snapshot& m_Store;
    Key m_Key;
    QImage* m_pImage = nullptr;
    QRectF m_Area;   ///< the widget in device pixels
    QPoint m_Origin; ///< its first whole device pixel in the image
    QRect m_Covered; ///< its device pixels that lie in the image, in the widget's device pixels
    QRegion m_Paint; ///< what this paint writes, in the widget's device pixels
    bool m_bOpen = false;
    bool m_bLabelsAsked = false;
    bool m_bSkipping = false;
};

} // namespace FrameCache
} // namespace KelmFramework

#endif // RDFRAMECACHE_P_H
