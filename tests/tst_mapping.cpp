// Tests of the mapping: log10 axes, and every path of the kernel mapping as the scalar one does.
#include "DataTable.h"
#include "RDSegmentPipeline_p.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <random>

using namespace KelmFramework;

namespace
{

const double inf = qInf(), qnan = qQNaN();

// The viewport (0, 0)-(10, 10) on the device rectangle (l, t)-(r, b).
Mapping::Map mapOf(long l, long t, long r, long b)
{
    const long spanY = Numeric::IntSpan(t, b);
    Mapping::Map map;
    map.Core = {
        {0.0, 0.1, double(Numeric::IntSpan(l, r)), double(l), 0.0, 0.1, double(spanY), double(t), double(spanY)},
        spanY};
    return map;
}

// Random vertices in and around the viewport, with hostile coordinates among them: not finite, huge, denormal,
// on and just beyond the edges, and where the 32-bit conversion of the vector paths answers INT_MIN or overflows.
std::vector<CRDPoint> vertices(const Mapping::Map& map, const Mapping::Frame& device)
{
    const Mapping::Linear& k = map.Core;
    // The user x and y that map to device x and y before truncation.
    const auto userX = [&](double x) {
        const double space = (x - k.vDeviceOriginX) / k.vDeviceWidth / k.vScaleX + k.vUserOriginX;
        return map.bLogX ? std::pow(10.0, space) : space;
    };
    const auto userY = [&](double y) {
        const double space = (k.vSpanY - y + k.vDeviceOriginY) / k.vDeviceHeight / k.vScaleY + k.vUserOriginY;
        return map.bLogY ? std::pow(10.0, space) : space;
    };
    const std::vector<double> anywhere{qnan, inf, -inf, 1e308, -1e308, DBL_MIN, -0.0, DBL_TRUE_MIN};
    std::vector<double> hostileX = anywhere, hostileY = anywhere;
    for (double x : {2147483647.5, 2147483648.0, -2147483648.5, -2147483649.0, 9.3e18, double(device.iL) - 0.5,
                     double(device.iL) - 1.0, double(device.iR) + 0.99, double(device.iR) + 1.0})
        hostileX.push_back(userX(x));
    for (double y : {2147483648.0, -2147483649.0, double(device.iT) - 0.5, double(device.iT) - 1.0,
                     double(device.iB) + 0.99, double(device.iB) + 1.0})
        hostileY.push_back(userY(y));
    std::mt19937 random(19);
    std::uniform_real_distribution<double> around(-1.0, 11.0);
    std::uniform_int_distribution<int> percent(0, 99);
    const auto coordinate = [&](const std::vector<double>& hostile) {
        return percent(random) < 12 ? hostile[std::size_t(percent(random)) % hostile.size()] : around(random);
    };
    std::vector<CRDPoint> points;
    for (int i = 0; i < 4000; ++i)
        points.emplace_back(coordinate(hostileX), coordinate(hostileY));
    return points;
}

// x from 1 to 1000 on 300 pixels and y from 0.01 to 100 on 400, a hundred pixels a decade; log10 on the axes asked.
Mapping::Map logMap(bool logX, bool logY, double lowX = 1.0, double lowY = 0.01)
{
    Mapping::Map map = mapOf(0, 0, 300, 400);
    if (logX)
        map.SetLog10X(lowX, 1000.0, 1.0);
    if (logY)
        map.SetLog10Y(lowY, 100.0, 1.0);
    return map;
}

// The segments a line hands on, as "x1,y1 x2,y2".
struct Recorder
{
    QStringList segments;
    void Draw(const Segments::Segment& piece, bool) { add(piece.iX1, piece.iY1, piece.iX2, piece.iY2); }
    std::size_t InsideRun(const Segments::InsideMapper& mapper, const CRDPoint* points, std::size_t i,
                          std::size_t count, long& prevX, long& prevY)
    {
        return Segments::RunInside(mapper, points, i, count, prevX, prevY,
                                   [this](long x1, long y1, long x2, long y2) { add(x1, y1, x2, y2); });
    }
    void add(long x1, long y1, long x2, long y2)
    {
        segments << QStringLiteral("%1,%2 %3,%4").arg(x1).arg(y1).arg(x2).arg(y2);
    }
};

} // namespace

Q_DECLARE_METATYPE(Mapping::Frame)

class tst_Mapping : public QObject
{
    Q_OBJECT

private slots:
    // A value on a log10 axis, its pixel (none: the failure value) and the value that pixel shows.
    void logAxis_data()
    {
        columns<bool, double, double, long, double>("onX", "low", "value", "pixel", "back");
        const long none = Numeric::c_iInvalidDevice;
        QTest::newRow("x: 10, a decade in") << true << 1.0 << 10.0 << 100L << 10.0;
        QTest::newRow("x: 500, truncated") << true << 1.0 << 500.0 << 269L << 489.78;
        QTest::newRow("x: 0 has no position") << true << 1.0 << 0.0 << none << qQNaN();
        QTest::newRow("x: -5 has none") << true << 1.0 << -5.0 << none << qQNaN();
        QTest::newRow("x: a bound at 0 maps nothing") << true << 0.0 << 10.0 << none << qQNaN();
        QTest::newRow("y: 1, two decades up") << false << 0.01 << 1.0 << 200L << 1.0;
        QTest::newRow("y: 0 has none") << false << 0.01 << 0.0 << none << qQNaN();
    }
    void logAxis()
    {
        const auto [onX, low, value, pixel, back] = fetch<bool, double, double, long, double>("onX", "low", "value",
                                                                                              "pixel", "back");
        const Mapping::Map map = onX ? logMap(true, false, low) : logMap(false, true, 1.0, low);
        QCOMPARE(onX ? map.DeviceX(value) : map.DeviceY(value), pixel);
        if (pixel != Numeric::c_iInvalidDevice)
            QVERIFY(qAbs((onX ? map.UserX(pixel) : map.UserY(pixel)) - back) < 0.01);
    }

    // A line across values at or below 0 on a log axis loses the segments on either side of them, and no other,
    // over the blocks in which the vector paths take a log axis.
    void logLineAcrossZero()
    {
        const Mapping::Map map = logMap(false, true);
        std::vector<CRDPoint> points;
        for (int i = 0; i < 600; ++i)
            points.emplace_back(i / 60.0, i == 300 ? 0.0 : i == 301 ? -1.0 : 1.0 + (i % 7));
        Recorder expected, recorder;
        for (std::size_t i = 1; i < points.size(); ++i)
            if (i < 300 || i > 302)
                expected.add(map.DeviceX(points[i - 1].m_dX), map.DeviceY(points[i - 1].m_dY),
                             map.DeviceX(points[i].m_dX), map.DeviceY(points[i].m_dY));
        QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        const CRDDecoratedLine line(points, c_ColorRed, eRDLineSolid, eRDPointNone, QString());
        Segments::ForEachSegment(map, Mapping::Frame{0, 0, 300, 400}, painter, line, recorder);
        QCOMPARE(recorder.segments, expected.segments);
    }

    // The vector paths (pairs for markers, pairs and AVX2 quads for runs inside) against the scalar map, on linear
    // and log10 axes, and on a rectangle beyond the 32-bit conversion.
    void vectorPathsMapAsTheScalarOne_data()
    {
        columns<Mapping::Frame, bool>("device", "log");
        QTest::newRow("a widget") << Mapping::Frame{60, 40, 940, 660} << false;
        QTest::newRow("a widget, log10 axes") << Mapping::Frame{60, 40, 940, 660} << true;
        QTest::newRow("from the smallest long") << Mapping::Frame{LONG_MIN, LONG_MIN, 700, 500} << false;
    }
    void vectorPathsMapAsTheScalarOne()
    {
        const auto [device, log] = fetch<Mapping::Frame, bool>("device", "log");
        Mapping::Map map = mapOf(device.iL, device.iT, device.iR, device.iB);
        if (log) {
            map.SetLog10X(0.01, 10.0, 1.0);
            map.SetLog10Y(0.01, 10.0, 1.0);
        }
        const std::vector<CRDPoint> points = vertices(map, device);
        const std::size_t count = points.size();
        std::vector<long> xs(count), ys(count), blockXs(count), blockYs(count);
        for (std::size_t i = 0; i < count; ++i) {
            xs[i] = map.DeviceX(points[i].m_dX);
            ys[i] = map.DeviceY(points[i].m_dY);
        }

        map.MapBlock(points.data(), count, blockXs.data(), blockYs.data());
        for (std::size_t i = 0; i < count; ++i)
            QVERIFY2(blockXs[i] == xs[i] && blockYs[i] == ys[i], QByteArray::number(int(i)));

        // Each run inside hands on the scalar map's segments and stops at the first vertex outside. It maps
        // values in the axes' own spaces, as the line's blocks hand them on.
        std::vector<CRDPoint> spaced;
        for (const CRDPoint& point : points)
            spaced.emplace_back(map.SpaceX(point.m_dX), map.SpaceY(point.m_dY));
        const Segments::InsideMapper mapper(map.Core, device);
        for (bool quads : {false, true}) {
#if defined(__x86_64__)
            if (quads && !mapper.HasQuads())
                continue; // no AVX2 here, or a rectangle beyond the 32-bit conversion
#endif
            for (std::size_t i = 1; i < count;) {
                long prevX = xs[i - 1], prevY = ys[i - 1];
                std::vector<long> ends;
                const auto collect = [&](long, long, long x2, long y2) { ends.insert(ends.end(), {x2, y2}); };
                const std::size_t stop =
                    quads ? Segments::RunInside<true>(mapper, spaced.data(), i, count, prevX, prevY, collect)
                          : Segments::RunInside(mapper, spaced.data(), i, count, prevX, prevY, collect);
                for (std::size_t k = i; k < stop; ++k)
                    QVERIFY2(ends[2 * (k - i)] == xs[k] && ends[2 * (k - i) + 1] == ys[k]
                                 && Clipping::OutCode(device, xs[k], ys[k]) == 0,
                             QByteArray::number(int(k)));
                QVERIFY(stop == count || Clipping::OutCode(device, xs[stop], ys[stop]) != 0);
                i = stop + 1;
            }
        }
    }
};

QTEST_MAIN(tst_Mapping)
#include "tst_mapping.moc"
