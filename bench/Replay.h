// A raw QPainter replay of recorded primitives: the floor for workloads that paint a whole widget.
#ifndef REPLAY_H
#define REPLAY_H

#include "BenchHarness.h"
#include "RecordingPaintDevice.h"

#include <QPainter>

#include <vector>

namespace Bench
{

/// Records on a device of the widget's size.
class PaintRecorder : public RecordingPaintDevice
{
public:
    PaintRecorder() : RecordingPaintDevice(QSize(c_iWidgetWidth, c_iWidgetHeight)) {}
};

/// Where a replayed text is laid out; the recording keeps only where its baseline started.
enum class TextBox {
    OwnSize,  ///< a box exactly as large as the text, aligned as recorded, as the plot's labels use
    LastFill, ///< the rectangle filled last, centred, as the matrix's cell labels use
};

/// Issues the recorded primitives with the QPainter calls that draw them, each in the pen, brush,
/// font and transform it was recorded with; a state is set only when it changes. A rectangle
/// drawn without a pen is a fillRect.
class Replay
{
public:
    Replay() = default;
    Replay(const PaintRecorder& Recording, TextBox eTextBox, std::size_t iFirst = 0,
           std::size_t iEnd = RecordedPrimitive::noState);

    void Paint(QPainter& Painter) const;

private:
    struct Op
    {
        enum Kind { Pen, Brush, Font, Transform, Line, Point, Rect, Fill, Text } eKind;
        std::size_t iIndex;
    };
    struct FillCall
    {
        QRect Rect;
        QBrush Brush;
    };
    struct TextCall
    {
        QRect Box;
        int iFlags;
        QString strText;
    };

    template <typename T>
    void SetState(Op::Kind eKind, std::vector<T>& vecStates, const T& State);
    static TextCall OwnSizeText(const RecordedPrimitive& Text, const QFont& Font);

    std::vector<Op> m_vecOps;
    std::vector<QPen> m_vecPens;
    std::vector<QBrush> m_vecBrushes;
    std::vector<QFont> m_vecFonts;
    std::vector<QTransform> m_vecTransforms;
    std::vector<QLine> m_vecLines;
    std::vector<QPoint> m_vecPoints;
    std::vector<QRect> m_vecRects;
    std::vector<FillCall> m_vecFills;
    std::vector<TextCall> m_vecTexts;
    bool m_bStateSet[4] = {false, false, false, false};
};

/// Paints through a fresh painter on a recorder, with antialiasing as every workload does.
void Record(PaintRecorder& Recorder, const PaintFunction& Paint);

/// One line on the i-th recorded primitive and the state it was drawn in.
QString Describe(const PaintRecorder& Recording, std::size_t i);

/// Aborts, naming the first primitive that differs, unless the floor paints what the library does.
void CheckSamePrimitives(const PaintFunction& Library, const PaintFunction& Floor, const char* pFloorName);

} // namespace Bench

#endif // REPLAY_H
