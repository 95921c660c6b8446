// A paint device that records every primitive as text, with the pen and font it was drawn in.
#ifndef RECORDINGPAINTDEVICE_H
#define RECORDINGPAINTDEVICE_H

#include <QImage>
#include <QPaintEngine>
#include <QTextItem>
#include <QtMath>

/// One primitive: "line 0,50 50,50", "point 50,50", "rect 47,47 6x6" (" fill #rrggbb" if filled) or
/// "text Name 20,31 -45" (the pixel where the top left of the text lands, and its angle if rotated).
struct RecordedCall
{
    QString shape;
    QPen pen;
    QFont font;

    /// "[#ff0000 1 flat solid]": colour, width, cap and join (flat and miter, or round and round), style.
    QString penText() const
    {
        const char* const styles[] = {"none", "solid", "dash", "dot", "dashdot", "dashdotdot", "custom"};
        const bool flat = pen.capStyle() == Qt::FlatCap && pen.joinStyle() == Qt::MiterJoin;
        const bool round = pen.capStyle() == Qt::RoundCap && pen.joinStyle() == Qt::RoundJoin;
        return QStringLiteral("[%1 %2 %3 %4]").arg(pen.color().name()).arg(pen.widthF())
            .arg(QLatin1String(flat ? "flat" : round ? "round" : "other"), QLatin1String(styles[pen.style() % 7]));
    }
};

/// Paint into this to get the primitives in calls: an image that is its own paint engine and records
/// instead of drawing.
class RecordingPaintDevice : public QImage, private QPaintEngine
{
public:
    explicit RecordingPaintDevice(QSize size = {500, 500}) : QImage(size, Format_RGB32), QPaintEngine(AllFeatures) {}
    QPaintEngine* paintEngine() const override { return const_cast<RecordingPaintDevice*>(this); }
    QVector<RecordedCall> calls;
    /// The shapes joined by "|"; with pens, each pen follows the first shape drawn in it.
    QString shapes(bool withPens = false) const
    {
        QStringList result;
        QString pen;
        for (const RecordedCall& call : calls) {
            result << call.shape;
            if (withPens && call.penText() != pen)
                result.last() += QLatin1Char(' ') + (pen = call.penText());
        }
        return result.join(QLatin1Char('|'));
    }

private:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags dirty = state.state();
        m_Pen = dirty & DirtyPen ? state.pen() : m_Pen;
        m_Brush = dirty & DirtyBrush ? state.brush() : m_Brush;
        m_Transform = dirty & DirtyTransform ? state.transform() : m_Transform;
        m_Font = dirty & DirtyFont ? state.font() : m_Font;
    }
    void drawLines(const QLine* items, int count) override { record(items, count); }
    void drawLines(const QLineF* items, int count) override { record(items, count); }
    void drawPoints(const QPoint* items, int count) override { record(items, count); }
    void drawPoints(const QPointF* items, int count) override { record(items, count); }
    void drawRects(const QRect* items, int count) override { record(items, count); }
    void drawRects(const QRectF* items, int count) override { record(items, count); }
    void drawTextItem(const QPointF& position, const QTextItem& item) override
    {
        const QPointF top = m_Transform.map(position - QPointF(0, item.ascent()));
        const int angle = qRound(qRadiansToDegrees(std::atan2(m_Transform.m12(), m_Transform.m11())));
        calls.append({QStringLiteral("text %1 %2,%3").arg(item.text()).arg(qRound(top.x())).arg(qRound(top.y()))
                          + (angle ? QStringLiteral(" %1").arg(angle) : QString()),
                      m_Pen, m_Font});
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

    static QString xy(QPointF p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); }
    QString shape(QLineF l) const { return QStringLiteral("line %1 %2").arg(xy(l.p1()), xy(l.p2())); }
    QString shape(QPointF p) const { return QStringLiteral("point ") + xy(p); }
    QString shape(QRectF r) const
    {
        return QStringLiteral("rect %1 %2x%3").arg(xy(r.topLeft())).arg(r.width()).arg(r.height())
               + (m_Brush.style() == Qt::NoBrush ? QString() : QStringLiteral(" fill ") + m_Brush.color().name());
    }
    // One call per primitive, whatever the count a call comes with.
    template <typename Item>
    void record(const Item* items, int count)
    {
        for (int i = 0; i < count; ++i)
            calls.append({shape(items[i]), m_Pen, m_Font});
    }

    QPen m_Pen;
    QBrush m_Brush;
    QTransform m_Transform;
    QFont m_Font;
};

#endif // RECORDINGPAINTDEVICE_H
