// A paint device that keeps the integer primitives painted on it, to derive and check the floors.
#ifndef PAINTRECORDER_H
#define PAINTRECORDER_H

#include "BenchHarness.h"

#include <QLine>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPen>
#include <QPoint>
#include <QRect>

#include <climits>
#include <memory>
#include <vector>

namespace Bench
{

struct SPrimitive
{
    enum EKind { Lines, Points, Rects, Other };
    EKind eKind;
    std::size_t iPen; ///< index into CPaintRecorder::Pens()
    QLine Line;
    QPoint Point;
    QRect Rect;

    bool operator==(const SPrimitive& Other) const
    {
        return eKind == Other.eKind && Line == Other.Line && Point == Other.Point && Rect == Other.Rect;
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
    void drawTextItem(const QPointF&, const QTextItem&) override { Add(SPrimitive::Other); }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { Add(SPrimitive::Other); }

    std::vector<SPrimitive> m_Primitives;
    std::vector<QPen> m_Pens;

private:
    SPrimitive& Add(SPrimitive::EKind eKind)
    {
        m_Primitives.push_back(SPrimitive{eKind, m_Pens.empty() ? 0 : m_Pens.size() - 1, {}, {}, {}});
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
    const QPen& PenOf(const SPrimitive& Primitive) const { return m_pEngine->m_Pens.at(Primitive.iPen); }

    /// Same primitives in the same order, each with an equal pen.
    bool SameAs(const CPaintRecorder& Other) const
    {
        if (Primitives().size() != Other.Primitives().size())
            return false;
        for (std::size_t i = 0; i < Primitives().size(); ++i) {
            const SPrimitive& A = Primitives()[i];
            const SPrimitive& B = Other.Primitives()[i];
            if (!(A == B) || PenOf(A) != Other.PenOf(B))
                return false;
        }
        return true;
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
            return c_iWidgetWidth * 254 / 960;
        case PdmHeightMM:
            return c_iWidgetHeight * 254 / 960;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    std::unique_ptr<CRecordingEngine> m_pEngine;
};

} // namespace Bench

#endif // PAINTRECORDER_H
