// Hostile input through the public API: the documented outcomes hold, and the display still paints.
#include "CRDBoxGridLayout.h"
#include "CRDMatrix.h"
#include "CResultDisplay.h"
#include "RecordingPaintDevice.h"

#include <QtTest>

#include <cfloat>
#include <memory>

using namespace KelmFramework;

namespace
{

const double inf = qInf(), qnan = qQNaN();

struct PlotDisplay : CResultDisplay
{
    PlotDisplay(QWidget* parent, CRDGrid* grid) : CResultDisplay(parent, grid, c_ColorWhite)
    {
        resize(200, 100);
        UpdateDrawAreaRange(200, 100); // a hidden widget is resized only when painted
        EnableFeature(eRDFeatureWheelZoom);
        EnableFeature(eRDFeatureRubberBandZoom);
    }
    int items() const { return int(m_mapLines.size() + m_mapPoints.size()); }
};

// A view of (0, 0)-(100, 100) on the device rectangle (20, 20)-(180, 80), holding the worst line there is,
// dotted and with markers, and its vertices as points of every style.
struct Fixture
{
    Fixture()
    {
        std::vector<CRDPoint> worst{CRDPoint(qnan, 5),        CRDPoint(1e300, -1e300), CRDPoint(-inf, inf),
                                    CRDPoint(DBL_TRUE_MIN, -DBL_TRUE_MIN), CRDPoint(1e17, 50), CRDPoint(0, 50),
                                    CRDPoint(-1e17, -1e17),    CRDPoint(100, 0)};
        display.AddLine(worst, c_ColorRed, eRDLineDotted, eRDPointSquare, QString(300, QLatin1Char('w')));
        for (std::size_t i = 0; i < worst.size(); ++i)
            display.AddPoint(worst[i], c_ColorBlue, static_cast<ERDPointStyle>(int(i % 6) - 1));
    }
    template <typename Event> void send(Event&& event) { QCoreApplication::sendEvent(&display, &event); }
    void band(QPointF from, QPointF to)
    {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease})
            send(QMouseEvent(type, type == QEvent::MouseButtonPress ? from : to, QPointF(), Qt::LeftButton,
                             Qt::LeftButton, Qt::NoModifier));
    }
    void wheel(int delta, int events)
    {
        for (int i = 0; i < events; ++i)
            send(QWheelEvent(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                             Qt::NoScrollPhase, false));
    }
    QRectF view() const
    {
        const CRDPoint lb = grid.GetViewPortLeftButton(), rt = grid.GetViewPortRightTop();
        return QRectF(lb.m_dX, lb.m_dY, rt.m_dX - lb.m_dX, rt.m_dY - lb.m_dY);
    }

    QWidget parent;
    CRDBoxGridLayout grid{CRDPoint(0, 0), CRDPoint(100, 100), QString(), QString(), 4, 4, 1, 3, c_ColorGray,
                          c_ColorBlack};
    PlotDisplay display{&parent, &grid};
};

} // namespace

class tst_Hostile : public QObject
{
    Q_OBJECT

    std::unique_ptr<Fixture> f;

private slots:
    void init() { f = std::make_unique<Fixture>(); }
    // Whatever a test did, the view ends finite with a positive span, and the worst line still paints.
    void cleanup()
    {
        const QRectF view = f->view();
        QVERIFY(view.width() > 0 && view.height() > 0 && std::isfinite(view.width()) && std::isfinite(view.height()));
        QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
        f->display.render(&image);
        f.reset();
    }

    void viewsWithoutSpan_data()
    {
        QTest::addColumn<double>("edge");
        QTest::newRow("zero width and height") << 5.0;
        QTest::newRow("a NaN edge") << qnan;
    }
    // Zooms keep such a view rather than turn it into NaN; a reset recovers.
    void viewsWithoutSpan()
    {
        QFETCH(double, edge);
        f->display.SetViewPort(CRDPoint(5, 5), CRDPoint(edge, 5));
        f->display.ReScaleViewPort(0.5);
        f->wheel(-120, 1);
        f->band(QPointF(30, 30), QPointF(120, 70));
        QCOMPARE(f->view().height(), 0.0);
        f->display.ResetViewPort();
    }

    // Pixel corners at the ends of long give the view no span: it stays.
    void extremeDevice()
    {
        f->display.UpdateDrawAreaRange(LONG_MIN, LONG_MAX);
        CRDDevicePoint low(LONG_MIN, LONG_MIN), high(LONG_MAX, LONG_MAX);
        f->display.SetViewPort(low, high);
        const QRectF before = f->view();
        f->display.SetViewPort(high, high);
        QCOMPARE(f->view(), before);
    }

    void noDevicePosition_data()
    {
        QTest::addColumn<QPointF>("user");
        QTest::newRow("NaN, in a rectangle from LONG_MIN (it was inside)") << QPointF(qnan, qnan);
        QTest::newRow("infinity") << QPointF(-inf, 50);
        QTest::newRow("beyond long") << QPointF(50, 1e300);
    }
    // A point without a device position lies in no rectangle, not even in one that starts at LONG_MIN.
    void noDevicePosition()
    {
        QFETCH(QPointF, user);
        CRDDevicePoint low(LONG_MIN, LONG_MIN), middle(100, 100), device;
        f->grid.SetDeviceViewPort(low, middle);
        CRDPoint point(user.x(), user.y());
        QVERIFY(!f->grid.ConvertPointToDevicePoint(point, device));
    }

    void unknownIds()
    {
        const int before = f->display.items();
        const long line = CResultDisplay::s_iLineIndex, point = CResultDisplay::s_iPointIndex;
        for (long unknown : {0L, -1L, LONG_MIN, LONG_MAX, line + 1})
            f->display.RemovedLine(unknown);
        for (long unknown : {0L, -1L, LONG_MIN, LONG_MAX, point + 1})
            f->display.RemovedPoint(unknown);
        QCOMPARE(f->display.items(), before);
        f->display.RemovedLine(line);
        f->display.RemovedLine(line);
        QCOMPARE(f->display.items(), before - 1);
        f->wheel(120, 10000);
        f->display.ClearAll();
        f->wheel(-120, 10000);
        QCOMPARE(f->display.items(), 0);
    }

    void extremeBands_data()
    {
        QTest::addColumn<int>("notchesOut");
        QTest::addColumn<QLineF>("band");
        QTest::newRow("no size") << 0 << QLineF(50, 50, 50, 50);
        QTest::newRow("beyond the widget") << 0 << QLineF(-1e9, -1e9, 1e9, 1e9);
        QTest::newRow("beyond int (rounding overflowed)") << 0 << QLineF(1e300, -1e300, qnan, inf);
        QTest::newRow("beyond the widget at the widest view (the scale turned denormal)")
            << 98000 << QLineF(404, 30, 420, 70);
    }
    // A band changes the view, whatever its corners, and only to a usable one.
    void extremeBands()
    {
        QFETCH(int, notchesOut);
        QFETCH(QLineF, band);
        f->wheel(-120 * 49, notchesOut / 49);
        const QRectF before = f->view();
        f->band(band.p1(), band.p2());
        QVERIFY(f->view() != before);
    }

    void labelPrecision()
    {
        f->grid.m_iXPrecision = f->grid.m_iYPrecision = SHRT_MAX;
        f->grid.m_iXDivisions = f->grid.m_iYDivisions = 1000;
        RecordingPaintDevice device(QSize(200, 100));
        f->display.render(&device);
        for (const RecordedCall& call : device.calls)
            QVERIFY2(call.shape.size() <= 420, "no double has more digits to show");
    }

    void widgetSize_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {0, 1, 30000})
            QTest::addRow("%d x %d", size, size) << size;
    }
    void widgetSize()
    {
        QFETCH(int, size);
        f->display.resize(size, size); // painted into 1000 x 700 by cleanup()
    }

    void matrix_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("middleOnCell");
        QTest::newRow("no items in 0 x 0") << 0 << QSize(0, 0) << false;
        QTest::newRow("one item in 1 x 1: cells of size 0") << 1 << QSize(1, 1) << false;
        QTest::newRow("100,000 items in 30,000 x 30,000") << 100000 << QSize(30000, 30000) << true;
    }
    // No state has a colour, the labels are 10,000 characters long and the blink index is LONG_MAX.
    void matrix()
    {
        QFETCH(int, count);
        QFETCH(QSize, size);
        QFETCH(bool, middleOnCell);
        const QString label(10000, QLatin1Char('M'));
        CRDMatrixData data;
        for (int i = 0; i < count; ++i)
            data.AppendMatrixItem(i % 2 ? SHRT_MIN : SHRT_MAX, label, label);
        data.m_iBlinkIndex = LONG_MAX;
        CRDMatrix matrix(&f->parent, data, c_ColorWhite, c_ColorBlack, std::vector<CRDColor>(count % 2, c_ColorRed));
        matrix.resize(size);
        matrix.UpdateMatrixData(data);
        QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
        matrix.render(&image); // a hidden widget is laid out anew when painted
        QCursor::setPos(matrix.mapToGlobal(QPoint(size.width() / 2, size.height() / 2)));
        QHelpEvent help(QEvent::ToolTip, QPoint(), QPoint());
        QCoreApplication::sendEvent(&matrix, &help);
        QCOMPARE(help.isAccepted(), middleOnCell);
    }
};

QTEST_MAIN(tst_Hostile)
#include "tst_hostile.moc"
