// A paint device that keeps the integer primitives painted on it, to derive and check the floors.
#ifndef PAINTRECORDER_H
#define PAINTRECORDER_H

#include "BenchHarness.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QLine>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTextItem>
#include <QTransform>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

namespace Bench
{

constexpr std::size_t c_iNoState = static_cast<std::size_t>(-1);

struct SPrimitive
{
    enum EKind { Lines, Points, Rects, Text, Other };
    EKind eKind;
    // The painter's state when it was drawn: indices into the recorder's lists, c_iNoState while
    // the painter had not yet passed one.
    std::size_t iPen;
    std::size_t iBrush;
    std::size_t iFont;
    std::size_t iTransform;
    QLine Line;
    QPoint Point;
    QRect Rect;
    QPointF TextPosition; ///< the baseline's start, in the painter's coordinates
    QString strText;

    bool operator==(const SPrimitive& Other) const
    {
        return eKind == Other.eKind && Line == Other.Line && Point == Other.Point && Rect == Other.Rect
               && TextPosition == Other.TextPosition && strText == Other.strText;
    }
};

class CRecordingEngine : public QPaintEngine
{
public:
    CRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& State) override
    {
        if (State.state() & DirtyPen)
            m_Pens.push_back(State.pen());
        if (State.state() & DirtyBrush)
            m_Brushes.push_back(State.brush());
        if (State.state() & DirtyTransform)
            m_Transforms.push_back(State.transform());
    }
    void drawLines(const QLine* pLines, int iCount) override
    {
        for (int i = 0; i < iCount; ++i)
            Add(SPrimitive::Lines).Line = pLines[i];
    }
    void drawPoints(const QPoint* pPoints, int iCount) override
    {
        for (int i = 0; i < iCount; ++i)
            Add(SPrimitive::Points).Point = pPoints[i];
    }
    void drawRects(const QRect* pRects, int iCount) override
    {
        for (int i = 0; i < iCount; ++i)
            Add(SPrimitive::Rects).Rect = pRects[i];
    }
    // Anything else (text, paths, floating-point primitives) is kept only as a call.
    void drawLines(const QLineF*, int) override { Add(SPrimitive::Other); }
    void drawPoints(const QPointF*, int) override { Add(SPrimitive::Other); }
    void drawRects(const QRectF*, int) override { Add(SPrimitive::Other); }
    void drawPath(const QPainterPath&) override { Add(SPrimitive::Other); }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { Add(SPrimitive::Other); }
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override { Add(SPrimitive::Other); }
    void drawTextItem(const QPointF& Position, const QTextItem& Item) override
    {
        if (m_Fonts.empty() || !(m_Fonts.back() == Item.font()))
            m_Fonts.push_back(Item.font());
        SPrimitive& Primitive = Add(SPrimitive::Text);
        Primitive.TextPosition = Position;
        Primitive.strText = Item.text();
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { Add(SPrimitive::Other); }

    std::vector<SPrimitive> m_Primitives;
    std::vector<QPen> m_Pens;
    std::vector<QBrush> m_Brushes;
    std::vector<QFont> m_Fonts;
    std::vector<QTransform> m_Transforms;

private:
    template <typename T> static std::size_t Last(const std::vector<T>& vecStates)
    {
        return vecStates.empty() ? c_iNoState : vecStates.size() - 1;
    }

    SPrimitive& Add(SPrimitive::EKind eKind)
    {
        SPrimitive Primitive{};
        Primitive.eKind = eKind;
        Primitive.iPen = Last(m_Pens);
        Primitive.iBrush = Last(m_Brushes);
        Primitive.iFont = Last(m_Fonts);
        Primitive.iTransform = Last(m_Transforms);
        m_Primitives.push_back(Primitive);
        return m_Primitives.back();
    }
};

class CPaintRecorder : public QPaintDevice
{
public:
    CPaintRecorder() : m_pEngine(std::make_unique<CRecordingEngine>()) {}
    ~CPaintRecorder() override = default;

    QPaintEngine* paintEngine() const override { return m_pEngine.get(); }
    const std::vector<SPrimitive>& Primitives() const { return m_pEngine->m_Primitives; }
    // A state the painter never passed is QPainter's default.
    QPen PenOf(const SPrimitive& Primitive) const { return StateOf(m_pEngine->m_Pens, Primitive.iPen); }
    QBrush BrushOf(const SPrimitive& Primitive) const { return StateOf(m_pEngine->m_Brushes, Primitive.iBrush); }
    QFont FontOf(const SPrimitive& Primitive) const { return StateOf(m_pEngine->m_Fonts, Primitive.iFont); }
    QTransform TransformOf(const SPrimitive& Primitive) const
    {
        return StateOf(m_pEngine->m_Transforms, Primitive.iTransform);
    }

    /// Same primitives in the same order, each with an equal pen, brush, transform and text font.
    bool SameAs(const CPaintRecorder& Other) const { return FirstDifference(Other) == c_iNoState; }

    /// The index of the first primitive that differs, c_iNoState when none does.
    std::size_t FirstDifference(const CPaintRecorder& Other) const
    {
        const std::size_t iCount = std::min(Primitives().size(), Other.Primitives().size());
        for (std::size_t i = 0; i < iCount; ++i) {
            const SPrimitive& A = Primitives()[i];
            const SPrimitive& B = Other.Primitives()[i];
            if (!(A == B) || PenOf(A) != Other.PenOf(B) || BrushOf(A) != Other.BrushOf(B)
                || TransformOf(A) != Other.TransformOf(B)
                || (A.eKind == SPrimitive::Text && !(FontOf(A) == Other.FontOf(B))))
                return i;
        }
        return Primitives().size() == Other.Primitives().size() ? c_iNoState : iCount;
    }

protected:
    int metric(PaintDeviceMetric eMetric) const override
    {
        switch (eMetric) {
        case PdmWidth:
            return c_iWidgetWidth;
        case PdmHeight:
            return c_iWidgetHeight;
        case PdmWidthMM:
            return c_iWidgetWidth * 254 / (10 * metric(PdmDpiX));
        case PdmHeightMM:
            return c_iWidgetHeight * 254 / (10 * metric(PdmDpiY));
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            // The canvas's resolution, so that texts are measured and laid out as there.
            return QImage(1, 1, QImage::Format_ARGB32_Premultiplied).logicalDpiX();
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    template <typename T> static T StateOf(const std::vector<T>& vecStates, std::size_t iIndex)
    {
        return iIndex == c_iNoState ? T() : vecStates.at(iIndex);
    }

    std::unique_ptr<CRecordingEngine> m_pEngine;
};

} // namespace Bench

#endif // PAINTRECORDER_H
