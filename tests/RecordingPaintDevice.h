// A paint device that records every primitive, as text with the pen and font it was drawn in (for
// the tests) and as geometry with indices of the painter's state (for the benchmarks' floors).
#ifndef RECORDINGPAINTDEVICE_H
#define RECORDINGPAINTDEVICE_H

#include <QImage>
#include <QPaintEngine>
#include <QTextItem>
#include <QtMath>

#include <algorithm>
#include <cstddef>
#include <vector>

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

/// One primitive as geometry, in the painter's coordinates. Its state is given as indices into the
/// device's lists of pens, brushes, fonts and transforms: noState while the painter had set none.
struct RecordedPrimitive
{
    /// Integer lines, points and rectangles, and text; Other is anything else (floating-point
    /// primitives, paths, polygons, pixmaps), kept only as a call.
    enum Kind { Line, Point, Rect, Text, Other };
    static constexpr std::size_t noState = static_cast<std::size_t>(-1);

    Kind kind = Other;
    std::size_t pen = noState;
    std::size_t brush = noState;
    std::size_t font = noState;
    std::size_t transform = noState;
    QLine line;
    QPoint point;
    QRect rect;
    QPointF textPosition; ///< the start of the baseline
    QString text;

    bool sameGeometry(const RecordedPrimitive& other) const
    {
        return kind == other.kind && line == other.line && point == other.point && rect == other.rect
               && textPosition == other.textPosition && text == other.text;
    }
};

/// Paint into this to get the primitives in calls (and, if asked for, in primitives()): an image
/// that is its own paint engine and records instead of drawing.
class RecordingPaintDevice : public QImage, private QPaintEngine
{
public:
    /// What is recorded: Nothing leaves only the cost of painting through QPainter's front end.
    enum Keep { Nothing = 0, Calls = 1, Primitives = 2, CallsAndPrimitives = Calls | Primitives };

    explicit RecordingPaintDevice(QSize size = {500, 500}, Keep keep = Calls)
        : QImage(size, Format_RGB32), QPaintEngine(AllFeatures), m_Keep(keep)
    {
    }
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

    const std::vector<RecordedPrimitive>& primitives() const { return m_Primitives; }
    // A state the painter never set is QPainter's default.
    QPen penOf(const RecordedPrimitive& p) const { return stateOf(m_Pens, p.pen); }
    QBrush brushOf(const RecordedPrimitive& p) const { return stateOf(m_Brushes, p.brush); }
    /// The font a text was laid out in, as its text item tells.
    QFont fontOf(const RecordedPrimitive& p) const { return stateOf(m_Fonts, p.font); }
    QTransform transformOf(const RecordedPrimitive& p) const { return stateOf(m_Transforms, p.transform); }

    /// The index of the first primitive that differs from the other recording in geometry, pen,
    /// brush, transform or (for a text) font; noState when none does.
    std::size_t firstDifference(const RecordingPaintDevice& other) const
    {
        const std::size_t count = std::min(m_Primitives.size(), other.m_Primitives.size());
        for (std::size_t i = 0; i < count; ++i) {
            const RecordedPrimitive& a = m_Primitives[i];
            const RecordedPrimitive& b = other.m_Primitives[i];
            if (!a.sameGeometry(b) || penOf(a) != other.penOf(b) || brushOf(a) != other.brushOf(b)
                || transformOf(a) != other.transformOf(b)
                || (a.kind == RecordedPrimitive::Text && !(fontOf(a) == other.fontOf(b))))
                return i;
        }
        return m_Primitives.size() == other.m_Primitives.size() ? RecordedPrimitive::noState : count;
    }

private:
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyPen)
            setState(m_Pen, m_Pens, state.pen());
        if (dirty & DirtyBrush)
            setState(m_Brush, m_Brushes, state.brush());
        if (dirty & DirtyTransform)
            setState(m_Transform, m_Transforms, state.transform());
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
        if (m_Keep & Calls) {
            const QPointF top = m_Transform.map(position - QPointF(0, item.ascent()));
            const int angle = qRound(qRadiansToDegrees(std::atan2(m_Transform.m12(), m_Transform.m11())));
            calls.append({QStringLiteral("text %1 %2,%3").arg(item.text()).arg(qRound(top.x())).arg(qRound(top.y()))
                              + (angle ? QStringLiteral(" %1").arg(angle) : QString()),
                          m_Pen, m_Font});
        }
        if (m_Keep & Primitives) {
            if (m_Fonts.empty() || !(m_Fonts.back() == item.font()))
                m_Fonts.push_back(item.font());
            RecordedPrimitive& text = add(RecordedPrimitive::Text);
            text.textPosition = position;
            text.text = item.text();
        }
    }
    // Not in calls: no test draws them, and the shapes stay as they were.
    void drawPath(const QPainterPath&) override { addOther(); }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { addOther(); }
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override { addOther(); }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { addOther(); }

    static QString xy(QPointF p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); }
    QString shape(QLineF l) const { return QStringLiteral("line %1 %2").arg(xy(l.p1()), xy(l.p2())); }
    QString shape(QPointF p) const { return QStringLiteral("point ") + xy(p); }
    QString shape(QRectF r) const
    {
        return QStringLiteral("rect %1 %2x%3").arg(xy(r.topLeft())).arg(r.width()).arg(r.height())
               + (m_Brush.style() == Qt::NoBrush ? QString() : QStringLiteral(" fill ") + m_Brush.color().name());
    }
    static void setGeometry(RecordedPrimitive& p, const QLine& line) { p.kind = RecordedPrimitive::Line; p.line = line; }
    static void setGeometry(RecordedPrimitive& p, const QPoint& point) { p.kind = RecordedPrimitive::Point; p.point = point; }
    static void setGeometry(RecordedPrimitive& p, const QRect& rect) { p.kind = RecordedPrimitive::Rect; p.rect = rect; }
    template <typename Item>
    static void setGeometry(RecordedPrimitive&, const Item&)
    {
    }
    // One call per primitive, whatever the count a call comes with.
    template <typename Item>
    void record(const Item* items, int count)
    {
        for (int i = 0; i < count; ++i) {
            if (m_Keep & Calls)
                calls.append({shape(items[i]), m_Pen, m_Font});
            if (m_Keep & Primitives)
                setGeometry(add(RecordedPrimitive::Other), items[i]);
        }
    }
    template <typename State>
    void setState(State& current, std::vector<State>& history, const State& state)
    {
        current = state;
        if (m_Keep & Primitives)
            history.push_back(state);
    }
    void addOther()
    {
        if (m_Keep & Primitives)
            add(RecordedPrimitive::Other);
    }
    RecordedPrimitive& add(RecordedPrimitive::Kind kind)
    {
        const auto last = [](const auto& history) { return history.empty() ? RecordedPrimitive::noState : history.size() - 1; };
        RecordedPrimitive p;
        p.kind = kind;
        p.pen = last(m_Pens);
        p.brush = last(m_Brushes);
        p.font = last(m_Fonts);
        p.transform = last(m_Transforms);
        m_Primitives.push_back(p);
        return m_Primitives.back();
    }
    template <typename State>
    static State stateOf(const std::vector<State>& history, std::size_t index)
    {
        return index == RecordedPrimitive::noState ? State() : history.at(index);
    }

    Keep m_Keep;
    QPen m_Pen;
    QBrush m_Brush;
    QTransform m_Transform;
    QFont m_Font;
    std::vector<RecordedPrimitive> m_Primitives;
    std::vector<QPen> m_Pens;
    std::vector<QBrush> m_Brushes;
    std::vector<QFont> m_Fonts;
    std::vector<QTransform> m_Transforms;
};

#endif // RECORDINGPAINTDEVICE_H
