// A paint device whose engine records every primitive with the painter state it was drawn in.
#ifndef RECORDINGPAINTDEVICE_H
#define RECORDINGPAINTDEVICE_H

#include <QBrush>
#include <QFont>
#include <QLineF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QTextItem>
#include <QTransform>
#include <QVector>

#include <memory>

struct RecordedCall
{
    enum Kind { Lines, Points, Rects, Text, Path, Polygon, Ellipse, Image };
    Kind kind;
    QVector<QLineF> lines;
    QVector<QPointF> points;
    QVector<QRectF> rects;
    QString text;
    QPointF position; // baseline origin of a text item
    QPen pen;
    QBrush brush;
    QTransform transform;
    QFont font;
    bool antialiased = false;
};

class RecordingPaintEngine : public QPaintEngine
{
public:
    RecordingPaintEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyPen)
            m_pen = state.pen();
        if (flags & DirtyBrush)
            m_brush = state.brush();
        if (flags & DirtyTransform)
            m_transform = state.transform();
        if (flags & DirtyFont)
            m_font = state.font();
        if (flags & DirtyHints)
            m_antialiased = state.renderHints() & QPainter::Antialiasing;
    }

    void drawLines(const QLine* lines, int count) override
    {
        RecordedCall& call = record(RecordedCall::Lines);
        for (int i = 0; i < count; ++i)
            call.lines.append(QLineF(lines[i]));
    }
    void drawLines(const QLineF* lines, int count) override
    {
        RecordedCall& call = record(RecordedCall::Lines);
        for (int i = 0; i < count; ++i)
            call.lines.append(lines[i]);
    }
    void drawPoints(const QPoint* points, int count) override
    {
        RecordedCall& call = record(RecordedCall::Points);
        for (int i = 0; i < count; ++i)
            call.points.append(QPointF(points[i]));
    }
    void drawPoints(const QPointF* points, int count) override
    {
        RecordedCall& call = record(RecordedCall::Points);
        for (int i = 0; i < count; ++i)
            call.points.append(points[i]);
    }
    void drawRects(const QRect* rects, int count) override
    {
        RecordedCall& call = record(RecordedCall::Rects);
        for (int i = 0; i < count; ++i)
            call.rects.append(QRectF(rects[i]));
    }
    void drawRects(const QRectF* rects, int count) override
    {
        RecordedCall& call = record(RecordedCall::Rects);
        for (int i = 0; i < count; ++i)
            call.rects.append(rects[i]);
    }
    void drawTextItem(const QPointF& p, const QTextItem& textItem) override
    {
        RecordedCall& call = record(RecordedCall::Text);
        call.text = textItem.text();
        call.position = p;
    }
    void drawPath(const QPainterPath&) override { record(RecordedCall::Path); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override
    {
        RecordedCall& call = record(RecordedCall::Polygon);
        for (int i = 0; i < count; ++i)
            call.points.append(points[i]);
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode) override
    {
        RecordedCall& call = record(RecordedCall::Polygon);
        for (int i = 0; i < count; ++i)
            call.points.append(QPointF(points[i]));
    }
    void drawEllipse(const QRectF& r) override { record(RecordedCall::Ellipse).rects.append(r); }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override
    {
        record(RecordedCall::Image).rects.append(r);
    }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override
    {
        record(RecordedCall::Image).rects.append(r);
    }

    QVector<RecordedCall> calls;

private:
    RecordedCall& record(RecordedCall::Kind kind)
    {
        RecordedCall call;
        call.kind = kind;
        call.pen = m_pen;
        call.brush = m_brush;
        call.transform = m_transform;
        call.font = m_font;
        call.antialiased = m_antialiased;
        calls.append(call);
        return calls.last();
    }

    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
    QFont m_font;
    bool m_antialiased = false;
};

/// Paint into this to get the list of primitives in `calls()`.
class RecordingPaintDevice : public QPaintDevice
{
public:
    explicit RecordingPaintDevice(QSize size = QSize(1000, 1000))
        : m_size(size), m_engine(std::make_unique<RecordingPaintEngine>())
    {
    }
    ~RecordingPaintDevice() override = default;

    QPaintEngine* paintEngine() const override { return m_engine.get(); }
    const QVector<RecordedCall>& calls() const { return m_engine->calls; }
    void clear() { m_engine->calls.clear(); }

    /// The calls of one kind, in order.
    QVector<RecordedCall> callsOf(RecordedCall::Kind kind) const
    {
        QVector<RecordedCall> result;
        for (const RecordedCall& call : m_engine->calls)
            if (call.kind == kind)
                result.append(call);
        return result;
    }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return m_size.width() * 254 / 960;
        case PdmHeightMM:
            return m_size.height() * 254 / 960;
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
    QSize m_size;
    std::unique_ptr<RecordingPaintEngine> m_engine;
};

#endif // RECORDINGPAINTDEVICE_H
