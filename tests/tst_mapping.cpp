// Tests of the mapping: every path of the kernel maps as the scalar one does.
#include "DataTable.h"
#include "RDSegmentPipeline_p.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <random>

using namespace KelmFramework;

namespace
{

const double inf = qInf(), nan = qQNaN();

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
    const auto userX = [&](double x) { return (x - k.vDeviceOriginX) / k.vDeviceWidth / k.vScaleX + k.vUserOriginX; };
    const auto userY = [&](double y) {
        return (k.vSpanY - y + k.vDeviceOriginY) / k.vDeviceHeight / k.vScaleY + k.vUserOriginY;
    };
    const std::vector<double> anywhere{nan, inf, -inf, 1e308, -1e308, DBL_MIN, -0.0, DBL_TRUE_MIN};
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

} // namespace

Q_DECLARE_METATYPE(Mapping::Frame)

class tst_Mapping : public QObject
{
    Q_OBJECT

private slots:
    // The vector paths (pairs for markers, pairs and AVX2 quads for runs inside) against the scalar map, on
    // rectangles that fit the 32-bit conversion and one that does not.
    void vectorPathsMapAsTheScalarOne_data()
    {
        columns<Mapping::Frame>("device");
        QTest::newRow("a widget") << Mapping::Frame{60, 40, 940, 660};
        QTest::newRow("negative, 1 px wide") << Mapping::Frame{-300, -200, -300, 100};
        QTest::newRow("up to the int range") << Mapping::Frame{INT_MIN + 1, -5, INT_MAX - 1, 5};
        QTest::newRow("from INT_MIN") << Mapping::Frame{INT_MIN, 0, 100, 100};
        QTest::newRow("from the smallest long") << Mapping::Frame{LONG_MIN, LONG_MIN, 700, 500};
    }
    void vectorPathsMapAsTheScalarOne()
    {
        const auto [device] = fetch<Mapping::Frame>("device");
        const Mapping::Map map = mapOf(device.iL, device.iT, device.iR, device.iB);
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

        // Each run inside hands on the scalar map's segments and stops at the first vertex outside.
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
                    quads ? Segments::RunInside<true>(mapper, points.data(), i, count, prevX, prevY, collect)
                          : Segments::RunInside(mapper, points.data(), i, count, prevX, prevY, collect);
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
