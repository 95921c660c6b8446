// A paint device that records every primitive with the painter state it was drawn in: as geometry
// for the benchmarks' floors, and as text for the tests.
#ifndef RECORDINGPAINTDEVICE_H
#define RECORDINGPAINTDEVICE_H

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>
#include <QWidget>
#include <QtMath>

#include <cstddef>
#include <vector>

/// One primitive as geometry, in the painter's coordinates. Its state is given as indices into the
/// device's lists of pens, brushes, fonts and transforms: noState while the painter had set none.
struct RecordedPrimitive
{
    /// Integer lines, points and rectangles, and text; Other is anything else (floating-point
    /// primitives, paths, polygons, pixmaps), kept without its geometry.
    enum Kind { Line, Point, Rect, Text, Other };
    static constexpr std::size_t noState = static_cast<std::size_t>(-1);

    Kind kind = Other;
    std::size_t pen = noState, brush = noState, font = noState, transform = noState;
    QLine line;
    QPoint point;
    QRect rect;
    QPointF textPosition; ///< the start of the baseline
    QString text;
    qreal ascent = 0;
};

/// Paint into this, or render() a widget or paint() a drawing into it, to get the primitives: an image that is its own
/// paint engine and records instead of drawing.
class RecordingPaintDevice : public QImage, private QPaintEngine
{
    using P = RecordedPrimitive;

public:
    explicit RecordingPaintDevice(QSize size = {500, 500}) : QImage(size, Format_RGB32), QPaintEngine(AllFeatures) {}
    QPaintEngine* paintEngine() const override { return const_cast<RecordingPaintDevice*>(this); }

    const std::vector<P>& primitives() const { return m_Primitives; }
    // A state the painter never set is QPainter's default.
    QPen penOf(const P& p) const { return stateOf(m_Pens, p.pen); }
    QBrush brushOf(const P& p) const { return stateOf(m_Brushes, p.brush); }
    /// The font a text was laid out in, as its text item tells.
    QFont fontOf(const P& p) const { return stateOf(m_Fonts, p.font); }
    QTransform transformOf(const P& p) const { return stateOf(m_Transforms, p.transform); }

    /// "line 0,50 50,50", "point 50,50", "rect 47,47 6x6" (" fill #rrggbb" if filled), "text Name 20,31 -45"
    /// (the pixel where the top left of the text lands, and its angle if rotated) or "other".
    QString shapeOf(const P& p) const
    {
        const auto xy = [](QPointF q) { return QStringLiteral("%1,%2").arg(q.x()).arg(q.y()); };
        const QBrush brush = brushOf(p);
        const QTransform t = transformOf(p);
        const QPointF top = t.map(p.textPosition - QPointF(0, p.ascent));
        const int angle = qRound(qRadiansToDegrees(std::atan2(t.m12(), t.m11())));
        switch (p.kind) {
        case P::Line:
            return QStringLiteral("line %1 %2").arg(xy(p.line.p1()), xy(p.line.p2()));
        case P::Point:
            return QStringLiteral("point ") + xy(p.point);
        case P::Rect:
            return QStringLiteral("rect %1 %2x%3").arg(xy(p.rect.topLeft())).arg(p.rect.width()).arg(p.rect.height())
                   + (brush.style() == Qt::NoBrush ? QString() : QStringLiteral(" fill ") + brush.color().name());
        case P::Text:
            return QStringLiteral("text %1 %2,%3").arg(p.text).arg(qRound(top.x())).arg(qRound(top.y()))
                   + (angle ? QStringLiteral(" %1").arg(angle) : QString());
        default:
            return QStringLiteral("other");
        }
    }
    /// "[#ff0000 1 flat solid]": colour, width, cap and join (flat and miter, or round and round), style.
    static QString penText(const QPen& pen)
    {
        const char* const styles[] = {"none", "solid", "dash", "dot", "dashdot", "dashdotdot", "custom"};
        const bool flat = pen.capStyle() == Qt::FlatCap && pen.joinStyle() == Qt::MiterJoin;
        const bool round = pen.capStyle() == Qt::RoundCap && pen.joinStyle() == Qt::RoundJoin;
        const QLatin1String ends(flat ? "flat" : round ? "round" : "other"), style(styles[pen.style() % 7]);
        return QStringLiteral("[%1 %2 %3 %4]").arg(pen.color().name()).arg(pen.widthF()).arg(ends, style);
    }
    /// The shapes in order; with pens, each pen follows the first shape drawn in it.
    QStringList shapes(bool withPens = false) const
    {
        QStringList result;
        QString pen;
        for (const P& p : m_Primitives) {
            result << shapeOf(p);
            if (withPens && penText(penOf(p)) != pen)
                result.last() += QLatin1Char(' ') + (pen = penText(penOf(p)));
        }
        return result;
    }

    /// Records what the widget paints, without the window background QWidget::render fills first.
    RecordingPaintDevice& render(QWidget& widget)
    {
        widget.render(this, QPoint(), QRegion(), {});
        return *this;
    }
    /// Records what draw(painter) paints, in a font 18 pixels high in Qt 5 and Qt 6 alike.
    template <typename Draw>
    RecordingPaintDevice& paint(Draw draw)
    {
        QPainter painter(this);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(15);
        painter.setFont(font);
        draw(painter);
        return *this;
    }

private:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override
    {
        if (state.state() & DirtyPen)
            m_Pens.push_back(state.pen());
        if (state.state() & DirtyBrush)
            m_Brushes.push_back(state.brush());
        if (state.state() & DirtyTransform)
            m_Transforms.push_back(state.transform());
    }
    void drawLines(const QLine* items, int count) override { record(P::Line, &P::line, items, count); }
    void drawPoints(const QPoint* items, int count) override { record(P::Point, &P::point, items, count); }
    void drawRects(const QRect* items, int count) override { record(P::Rect, &P::rect, items, count); }
    void drawTextItem(const QPointF& position, const QTextItem& item) override
    {
        if (m_Fonts.empty() || !(m_Fonts.back() == item.font()))
            m_Fonts.push_back(item.font());
        P& text = add(P::Text);
        text.textPosition = position;
        text.text = item.text();
        text.ascent = item.ascent();
    }
    void drawLines(const QLineF*, int count) override { others(count); }
    void drawPoints(const QPointF*, int count) override { others(count); }
    void drawRects(const QRectF*, int count) override { others(count); }
    void drawPath(const QPainterPath&) override { others(1); }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { others(1); }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { others(1); }

    // One primitive per item, whatever the count a call comes with.
    template <typename Item>
    void record(P::Kind kind, Item P::*geometry, const Item* items, int count)
    {
        for (int i = 0; i < count; ++i)
            add(kind).*geometry = items[i];
    }
    void others(int count)
    {
        for (int i = 0; i < count; ++i)
            add(P::Other);
    }
    // In the last of each state: an empty list's size - 1 is noState.
    P& add(P::Kind kind)
    {
        P& p = m_Primitives.emplace_back();
        p.kind = kind;
        p.pen = m_Pens.size() - 1;
        p.brush = m_Brushes.size() - 1;
        p.font = m_Fonts.size() - 1;
        p.transform = m_Transforms.size() - 1;
        return p;
    }
    template <typename State>
    static State stateOf(const std::vector<State>& history, std::size_t index)
    {
        return index == P::noState ? State() : history.at(index);
    }

    std::vector<P> m_Primitives;
    std::vector<QPen> m_Pens;
    std::vector<QBrush> m_Brushes;
    std::vector<QFont> m_Fonts;
    std::vector<QTransform> m_Transforms;
};

#endif // RECORDINGPAINTDEVICE_H
