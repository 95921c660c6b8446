// A raw QPainter replay of recorded primitives.
#include "Replay.h"

#include <QFontMetrics>

#include <algorithm>

namespace Bench
{

template <typename T>
void Replay::SetState(Op::Kind eKind, std::vector<T>& vecStates, const T& State)
{
    bool& bSet = m_bStateSet[eKind];
    if (bSet && vecStates.back() == State)
        return;
    bSet = true;
    vecStates.push_back(State);
    m_vecOps.push_back(Op{eKind, vecStates.size() - 1});
}

Replay::TextCall Replay::OwnSizeText(const RecordedPrimitive& Text, const QFont& Font)
{
    // Where Qt starts the text in a box of its own size, for a box and an alignment.
    const auto Start = [&](QRect& Box, int iFlags) {
        PaintRecorder Probe;
        Record(Probe, [&](QPainter& Painter) {
            Painter.setFont(Font);
            const QFontMetrics Metrics = Painter.fontMetrics();
            Box.setSize(QSize(Metrics.horizontalAdvance(Text.text), Metrics.height()));
            Painter.drawText(Box, iFlags, Text.text);
        });
        return Probe.primitives().at(0).textPosition;
    };
    // A box at (0, 0) tells roughly where the box was; the alignment the library used puts the
    // text exactly where it was recorded from there (Qt rounds to 1/64 pixel, so only roughly
    // the same in every place).
    for (const int iFlags : {int(Qt::AlignCenter), int(Qt::AlignLeft), int(Qt::AlignRight)}) {
        QRect Box;
        Box.translate((Text.textPosition - Start(Box, iFlags)).toPoint());
        if (Start(Box, iFlags) == Text.textPosition)
            return TextCall{Box, iFlags, Text.text};
    }
    qFatal("no box of its own size puts '%s' where it was drawn", qPrintable(Text.text));
}

Replay::Replay(const PaintRecorder& Recording, TextBox eTextBox, std::size_t iFirst, std::size_t iEnd)
{
    const std::vector<RecordedPrimitive>& vecPrimitives = Recording.primitives();
    iEnd = std::min(iEnd, vecPrimitives.size());
    QRect LastFill;
    for (std::size_t i = iFirst; i < iEnd; ++i) {
        const RecordedPrimitive& Primitive = vecPrimitives[i];
        SetState(Op::Transform, m_vecTransforms, Recording.transformOf(Primitive));
        const QPen Pen = Recording.penOf(Primitive);
        const bool bFill = Primitive.kind == RecordedPrimitive::Rect && Pen.style() == Qt::NoPen;
        // fillRect brings its own brush and no pen, and leaves the painter's as they were.
        if (!bFill) {
            SetState(Op::Pen, m_vecPens, Pen);
            SetState(Op::Brush, m_vecBrushes, Recording.brushOf(Primitive));
        }
        switch (Primitive.kind) {
        case RecordedPrimitive::Line:
            m_vecLines.push_back(Primitive.line);
            m_vecOps.push_back(Op{Op::Line, m_vecLines.size() - 1});
            break;
        case RecordedPrimitive::Point:
            m_vecPoints.push_back(Primitive.point);
            m_vecOps.push_back(Op{Op::Point, m_vecPoints.size() - 1});
            break;
        case RecordedPrimitive::Rect:
            if (bFill) {
                m_vecFills.push_back(FillCall{Primitive.rect, Recording.brushOf(Primitive)});
                m_vecOps.push_back(Op{Op::Fill, m_vecFills.size() - 1});
                LastFill = Primitive.rect;
            } else {
                m_vecRects.push_back(Primitive.rect);
                m_vecOps.push_back(Op{Op::Rect, m_vecRects.size() - 1});
            }
            break;
        case RecordedPrimitive::Text: {
            const QFont Font = Recording.fontOf(Primitive);
            SetState(Op::Font, m_vecFonts, Font);
            m_vecTexts.push_back(eTextBox == TextBox::OwnSize ? OwnSizeText(Primitive, Font)
                                                              : TextCall{LastFill, Qt::AlignCenter, Primitive.text});
            m_vecOps.push_back(Op{Op::Text, m_vecTexts.size() - 1});
            break;
        }
        case RecordedPrimitive::Other:
            qFatal("the replay draws integer lines, points, rectangles and texts only");
        }
    }
}

void Replay::Paint(QPainter& Painter) const
{
    for (const Op& Op : m_vecOps) {
        switch (Op.eKind) {
        case Op::Pen:
            Painter.setPen(m_vecPens[Op.iIndex]);
            break;
        case Op::Brush:
            Painter.setBrush(m_vecBrushes[Op.iIndex]);
            break;
        case Op::Font:
            Painter.setFont(m_vecFonts[Op.iIndex]);
            break;
        case Op::Transform:
            Painter.setTransform(m_vecTransforms[Op.iIndex]);
            break;
        case Op::Line:
            Painter.drawLines(&m_vecLines[Op.iIndex], 1);
            break;
        case Op::Point:
            Painter.drawPoints(&m_vecPoints[Op.iIndex], 1);
            break;
        case Op::Rect:
            Painter.drawRects(&m_vecRects[Op.iIndex], 1);
            break;
        case Op::Fill: {
            const FillCall& Fill = m_vecFills[Op.iIndex];
            Painter.fillRect(Fill.Rect, Fill.Brush);
            break;
        }
        case Op::Text: {
            const TextCall& Text = m_vecTexts[Op.iIndex];
            Painter.drawText(Text.Box, Text.iFlags, Text.strText);
            break;
        }
        }
    }
    // The library turns its painter back after a rotated text; what follows is drawn unturned.
    if (!m_vecTransforms.empty() && !m_vecTransforms.back().isIdentity())
        Painter.resetTransform();
}

void Record(PaintRecorder& Recorder, const PaintFunction& Paint)
{
    QPainter Painter(&Recorder);
    Painter.setRenderHint(QPainter::Antialiasing);
    Paint(Painter);
}

QString Describe(const PaintRecorder& Recording, std::size_t i)
{
    if (i >= Recording.primitives().size())
        return QStringLiteral("nothing");
    const RecordedPrimitive& P = Recording.primitives()[i];
    const QPen Pen = Recording.penOf(P);
    const QBrush Brush = Recording.brushOf(P);
    const QTransform T = Recording.transformOf(P);
    return QStringLiteral("kind %1 line (%2,%3)-(%4,%5) rect (%6,%7 %8x%9) text '%10' at (%11,%12) in %13; "
                          "pen %14 %15 %16, brush %17 %18, transform (%19,%20,%21,%22)")
        .arg(P.kind)
        .arg(P.line.x1())
        .arg(P.line.y1())
        .arg(P.line.x2())
        .arg(P.line.y2())
        .arg(P.rect.x())
        .arg(P.rect.y())
        .arg(P.rect.width())
        .arg(P.rect.height())
        .arg(P.text)
        .arg(P.textPosition.x())
        .arg(P.textPosition.y())
        .arg(Recording.fontOf(P).toString())
        .arg(Pen.style())
        .arg(Pen.color().name())
        .arg(Pen.widthF())
        .arg(Brush.style())
        .arg(Brush.color().name())
        .arg(T.m11())
        .arg(T.m12())
        .arg(T.dx())
        .arg(T.dy());
}

namespace
{

// The index of the first primitive that differs between the recordings in geometry, pen, brush,
// transform or (for a text) font; noState when none does.
std::size_t FirstDifference(const PaintRecorder& A, const PaintRecorder& B)
{
    const std::size_t iCount = std::min(A.primitives().size(), B.primitives().size());
    for (std::size_t i = 0; i < iCount; ++i) {
        const RecordedPrimitive& P = A.primitives()[i];
        const RecordedPrimitive& Q = B.primitives()[i];
        if (P.kind != Q.kind || P.line != Q.line || P.point != Q.point || P.rect != Q.rect
            || P.textPosition != Q.textPosition || P.text != Q.text || A.penOf(P) != B.penOf(Q)
            || A.brushOf(P) != B.brushOf(Q) || A.transformOf(P) != B.transformOf(Q)
            || (P.kind == RecordedPrimitive::Text && !(A.fontOf(P) == B.fontOf(Q))))
            return i;
    }
    return A.primitives().size() == B.primitives().size() ? RecordedPrimitive::noState : iCount;
}

} // namespace

void CheckSamePrimitives(const PaintFunction& Library, const PaintFunction& Floor, const char* pFloorName)
{
    PaintRecorder LibraryRecording, FloorRecording;
    Record(LibraryRecording, Library);
    Record(FloorRecording, Floor);
    const std::size_t iDifference = FirstDifference(LibraryRecording, FloorRecording);
    if (LibraryRecording.primitives().empty() || iDifference != RecordedPrimitive::noState)
        qFatal("the %s floor differs from the library at primitive %zu of %zu:\n  library %s\n  floor   %s", pFloorName,
               iDifference, LibraryRecording.primitives().size(), qPrintable(Describe(LibraryRecording, iDifference)),
               qPrintable(Describe(FloorRecording, iDifference)));
}

} // namespace Bench
