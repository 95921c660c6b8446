// Hostile input through the public API: documented outcomes hold, and painting the result never hangs.
#include "CRDBoxGridLayout.h"
#include "CRDMatrix.h"
#include "CResultDisplay.h"
#include "RecordingPaintDevice.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cfloat>
#include <functional>
#include <memory>

using namespace KelmFramework;

const double inf = qInf(), qnan = qQNaN(), denormal = DBL_TRUE_MIN;

struct Display : CResultDisplay
{
    Display(QWidget* parent, CRDGrid* grid) : CResultDisplay(parent, grid, c_ColorWhite)
    {
        resize(200, 100);
        UpdateDrawAreaRange(200, 100); // a hidden widget gets its resize event only when painted
        EnableFeature(eRDFeatureWheelZoom);
        EnableFeature(eRDFeatureRubberBandZoom);
    }
    int items() const { return int(m_mapLines.size() + m_mapPoints.size()); }
};

// A view of (0, 0)-(100, 100) on the device rectangle (20, 20)-(180, 80).
struct Fixture
{
    QWidget parent;
    CRDBoxGridLayout grid{CRDPoint(0, 0), CRDPoint(100, 100), QString(), QString(), 4, 4, 1, 3, c_ColorGray, c_ColorBlack};
    Display display{&parent, &grid};
    std::vector<std::unique_ptr<CRDMatrix>> matrices;

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
};

using Action = std::function<void(Fixture&)>;
Q_DECLARE_METATYPE(Action)

#define ROW(name, ...) QTest::newRow(name) << Action([]([[maybe_unused]] Fixture & f) __VA_ARGS__)

class tst_Hostile : public QObject
{
    Q_OBJECT

private slots:
    void hostileInput_data()
    {
        QTest::addColumn<Action>("action");
        ROW("NaN, zero-width and inverted views: zooms keep them, a reset recovers", {
            f.display.SetViewPort(CRDPoint(100, 100), CRDPoint(0, 0));
            QCOMPARE(f.view(), QRectF(0, 0, 100, 100)); // sorted
            for (double edge : {5.0, qnan}) {
                f.display.SetViewPort(CRDPoint(5, 5), CRDPoint(edge, 5));
                f.display.ReScaleViewPort(0.5);
                f.band(QPointF(30, 30), QPointF(120, 70));
                QCOMPARE(f.view().height(), 0.0); // kept
            }
            f.display.ResetViewPort();
        });
        ROW("device rectangles and pixel corners at the ends of long", {
            f.display.UpdateDrawAreaRange(LONG_MIN, LONG_MAX);
            CRDDevicePoint low(LONG_MIN, LONG_MIN), high(LONG_MAX, LONG_MAX), middle(100, 100), device;
            f.display.SetViewPort(low, high);
            const QRectF before = f.view();
            f.display.SetViewPort(high, high);
            QCOMPARE(f.view(), before); // no span in pixels: the view stays
            f.grid.SetDeviceViewPort(low, middle);
            CRDPoint nanPoint(qnan, qnan);
            QVERIFY(!f.grid.ConvertPointToDevicePoint(nanPoint, device)); // not even in a rectangle from LONG_MIN
        });
        ROW("ids never issued, removed twice, cleared between 10,000 notches in and out", {
            const int before = f.display.items();
            const long line = CResultDisplay::s_iLineIndex, point = CResultDisplay::s_iPointIndex;
            for (long unknown : {0L, -1L, LONG_MIN, LONG_MAX, line + 1})
                f.display.RemovedLine(unknown);
            for (long unknown : {0L, -1L, LONG_MIN, LONG_MAX, point + 1})
                f.display.RemovedPoint(unknown);
            QCOMPARE(f.display.items(), before); // unknown ids change nothing
            f.display.RemovedLine(line);
            f.display.RemovedLine(line);
            QCOMPARE(f.display.items(), before - 1);
            f.wheel(120, 10000);
            f.display.ClearAll();
            f.wheel(-120, 10000);
            QCOMPARE(f.display.items(), 0);
        });
        ROW("bands of zero size, beyond the widget, beyond int, at the widest view", {
            f.band(QPointF(50, 50), QPointF(50, 50));
            QCOMPARE(f.view().width(), 100.0 / 160); // the range of one pixel
            f.band(QPointF(-1e9, -1e9), QPointF(1e9, 1e9));
            f.band(QPointF(1e300, -1e300), QPointF(qnan, inf)); // rounding the position must not overflow int
            f.wheel(-5880, 2000);
            const QRectF widest = f.view();
            f.band(QPointF(404, 30), QPointF(420, 70)); // beyond the widget, two and a half spans out
            QVERIFY(f.view() != widest); // pixels of the widest view map back to finite values
        });
        ROW("label precision of 32767 at 1000 divisions", {
            f.grid.m_iXPrecision = f.grid.m_iYPrecision = SHRT_MAX;
            f.grid.m_iXDivisions = f.grid.m_iYDivisions = 1000;
            RecordingPaintDevice device(QSize(200, 100));
            f.display.render(&device);
            for (const RecordedCall& call : device.calls)
                QVERIFY(call.shape.size() <= 420); // no double has more digits to show
        });
        ROW("matrices of 0, 1 and 100,000 items, too few state colours, 10,000-character labels", {
            const QString label(10000, QLatin1Char('M'));
            for (long items : {0L, 1L, 100000L}) {
                CRDMatrixData data;
                for (long i = 0; i < items; ++i)
                    data.AppendMatrixItem(i % 2 ? SHRT_MIN : SHRT_MAX, label, label); // no state has a colour
                data.m_iBlinkIndex = LONG_MAX;
                f.matrices.push_back(std::make_unique<CRDMatrix>(&f.parent, data, c_ColorWhite, c_ColorBlack,
                                                                 std::vector<CRDColor>(items % 2, c_ColorRed)));
                f.matrices.back()->resize(items > 1 ? QSize(30000, 30000) : QSize(int(items), int(items)));
                f.matrices.back()->UpdateMatrixData(data);
            }
        });
        for (int size : {0, 1, 30000}) // painted into 1000 x 700 below
            QTest::newRow(qPrintable(QStringLiteral("widget of %1 x %1").arg(size)))
                << Action([size](Fixture& f) { f.display.resize(size, size); });
    }

    void hostileInput()
    {
        QFETCH(Action, action);
        Fixture f;
        // The worst line there is, drawn dotted and antialiased over whatever the row leaves.
        std::vector<CRDPoint> worst{CRDPoint(qnan, 5),         CRDPoint(1e300, -1e300), CRDPoint(-inf, inf),
                                    CRDPoint(denormal, -denormal), CRDPoint(1e17, 50),  CRDPoint(0, 50),
                                    CRDPoint(-1e17, -1e17),     CRDPoint(100, 0)};
        f.display.AddLine(worst, c_ColorRed, eRDLineDotted, eRDPointSquare, QString(300, QLatin1Char('w')));
        for (int i = 0; i < int(worst.size()); ++i)
            f.display.AddPoint(worst[std::size_t(i)], c_ColorBlue, static_cast<ERDPointStyle>(i % 6 - 1));
        action(f);
        const QRectF view = f.view(); // whatever happened, the view ends finite with a positive span
        QVERIFY(view.width() > 0 && view.height() > 0 && std::isfinite(view.width()) && std::isfinite(view.height()));

        QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
        QElapsedTimer timer;
        timer.start();
        f.display.render(&image);
        for (const auto& matrix : f.matrices)
            matrix->render(&image);
        QVERIFY2(timer.elapsed() < 10000, "painting hostile input must not hang");
    }
};

QTEST_MAIN(tst_Hostile)
#include "tst_hostile.moc"
