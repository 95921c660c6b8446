// Tests of the coverage canvas: counted blends drawn as the segments they stand for would draw them.
#include "DataTable.h"
#include "DecimationScene.h"
#include "RDCoverageCanvas_p.h"

#include <QtTest>

#include <random>
#include <thread>

using namespace KelmFramework::Decimation;

class tst_CoverageCanvas : public QObject
{
    Q_OBJECT

private slots:
    // r vertical segments lighting a pixel from its left edge and then l from its right edge, drawn
    // by the raster engine and by the canvas, as images or written into the painter's image: the
    // same pixels, on any background and colour; once full, within one step of the colour, where
    // blends of about a half may stop.
    void countsBlendLikeTheirSegments_data()
    {
        columns<int, int, bool>("right", "left", "direct");
        for (bool direct : {false, true})
            for (int right : {0, 1, 3, 7})
                for (int left : {0, 1, 2, 5})
                    if (right + left > 0)
                        QTest::addRow("%d right, %d left%s%s", right, left,
                                      right + left >= c_iSaturation ? ", full" : "", direct ? ", written" : "")
                            << right << left << direct;
    }
    void countsBlendLikeTheirSegments()
    {
        const auto [right, left, direct] = fetch<int, int, bool>("right", "left", "direct");
        const StampModel& model = StampModelFor();
        QVERIFY(model.bValid);
        for (QRgb background : {0xffffffffu, 0xff000000u, 0x80204060u})
            for (QColor color : {QColor(255, 128, 0), QColor(17, 200, 99)}) {
                QImage lines(8, 8, QImage::Format_ARGB32_Premultiplied);
                lines.fill(QColor::fromRgba(background));
                QImage counted = lines.copy();
                QPainter painter(&lines), canvasPainter(&counted);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(KelmFramework::Painting::FlatPen(color, 1.0));
                for (int i = 0; i < right + left; ++i) // lights column 3 from its right, then from its left
                    painter.drawLine(QLine(i < right ? 3 : 4, 2, i < right ? 3 : 4, 5));
                painter.end();
                canvasPainter.setRenderHint(QPainter::Antialiasing);
                const Target where = direct ? TargetOf(canvasPainter, color) : Target();
                QCOMPARE(where.pImage != nullptr, direct);
                CoverageCanvas canvas(Frame{1, 1, 6, 6}, color, model, where);
                for (int row = 2; row < 5; ++row)
                    for (Side side : {Right, Left})
                        if (const int count = std::min(side == Right ? right : left, c_iSaturation))
                            canvas.Add(3, row, side, count);
                canvas.Draw(canvasPainter);
                canvasPainter.end();
                for (int row = 2; row < 5; ++row)
                    QVERIFY2(DecimationScene::ChannelDistance(counted.pixel(3, row), lines.pixel(3, row))
                                 <= (right + left >= c_iSaturation ? 1 : 0),
                             QByteArray::number(counted.pixel(3, row), 16) + " for "
                                 + QByteArray::number(lines.pixel(3, row), 16));
            }
    }

    // A segment the painter draws moves before a pixel's counted blends at a step's cost: two such
    // moves where the counts keep their order, one where they did not; the next is a conflict.
    void touchesSpendSteps_data()
    {
        columns<bool, int>("leftFirst", "touchesBeforeConflict");
        QTest::newRow("right, then left: two moves") << false << 2;
        QTest::newRow("left, then right: one move") << true << 1;
    }
    void touchesSpendSteps()
    {
        const auto [leftFirst, touchesBeforeConflict] = fetch<bool, int>("leftFirst", "touchesBeforeConflict");
        CoverageCanvas canvas(Frame{1, 1, 6, 6}, Qt::red, StampModelFor());
        canvas.Add(3, 3, leftFirst ? Left : Right, 1);
        canvas.Add(3, 3, leftFirst ? Right : Left, 1);
        for (int touch = 0; touch <= touchesBeforeConflict; ++touch) {
            CoverageCanvas::Visit found;
            canvas.Touch(3, 3, found);
            canvas.Touch(4, 4, found); // an empty pixel: the segment goes before what comes
            QVERIFY(!found.bAllFull);
            QCOMPARE(found.Conflict.IsEmpty(), touch < touchesBeforeConflict);
        }
        CoverageCanvas::Visit full;
        canvas.Fill(3, 3);
        canvas.Touch(3, 3, full);
        QVERIFY(full.bAllFull); // a full pixel stays the colour whatever comes
    }

    // Dotted and dash-dotted lines at ratios in quarters are blended from solid shapes only where the
    // engine is seen to draw them so: it does at the usual ratios, and a pattern it does not draw fails.
    void dashesBlendAsSolidPieces_data()
    {
        columns<long, unsigned, int, bool>("period", "mask", "quarters", "holds");
        for (int quarters : {4, 5, 6, 7, 8, 10, 12})
            for (const DashPattern& pattern : {c_Dotted, c_DashDotted})
                QTest::addRow("%s at ratio %g", pattern.iPeriod == 3 ? "dotted" : "dash-dotted", quarters / 4.0)
                    << pattern.iPeriod << pattern.uOnMask << quarters << true;
        QTest::newRow("dots two pixels long at ratio 1.5") << 3L << 0x3u << 6 << false;
        QTest::newRow("dash-dots with the dot a pixel early at ratio 1.5") << 9L << 0x2fu << 6 << false;
    }
    void dashesBlendAsSolidPieces()
    {
        auto [period, mask, quarters, holds] = fetch<long, unsigned, int, bool>("period", "mask", "quarters", "holds");
        QCOMPARE(Probe::DashesAsPieces(DashPattern{period, mask}, quarters), holds);
    }

    // Every shape a pattern keeps at ratio 1 is the pixels the engine lights for that segment alone, the
    // shapes met in random order by a thread that has built none: a pixel its reading misses would be
    // missing here and would be left over for the shapes built after it.
    void shapesAreTheEnginesPixels_data()
    {
        columns<long, unsigned>("period", "mask");
        QTest::newRow("solid") << c_Solid.iPeriod << c_Solid.uOnMask;
        QTest::newRow("dotted") << c_Dotted.iPeriod << c_Dotted.uOnMask;
        QTest::newRow("dash-dotted") << c_DashDotted.iPeriod << c_DashDotted.uOnMask;
    }
    void shapesAreTheEnginesPixels()
    {
        const auto [period, mask] = fetch<long, unsigned>("period", "mask");
        const DashPattern pattern{period, mask};
        std::vector<QPoint> extents;
        for (long dy = -c_iMaxShape; dy <= c_iMaxShape; ++dy)
            for (long dx = -c_iMaxShape; dx <= c_iMaxShape; ++dx)
                extents.emplace_back(int(dx), int(dy));
        std::shuffle(extents.begin(), extents.end(), std::mt19937(int(period)));
        QString failure;
        std::thread([&] {
            QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
            for (const QPoint& extent : extents) {
                const SegmentShape& shape = ShapeOf(pattern, extent.x(), extent.y());
                image.fill(Qt::transparent);
                QPainter painter(&image);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setPen(KelmFramework::Painting::FlatPen(Qt::white, 1.0, StyleOf(pattern)));
                const QLine line(QPoint(50, 50), QPoint(50, 50) + extent);
                painter.drawLines(&line, 1);
                painter.end();
                for (const SegmentShape::Pixel& pixel : shape.vecPixels) {
                    QRgb& lit = reinterpret_cast<QRgb*>(image.scanLine(50 + pixel.iY))[50 + pixel.iX];
                    if (qAlpha(lit) != pixel.iCoverage)
                        failure = QStringLiteral("(%1, %2): %3 at (%4, %5), the engine %6")
                                      .arg(extent.x())
                                      .arg(extent.y())
                                      .arg(pixel.iCoverage)
                                      .arg(pixel.iX)
                                      .arg(pixel.iY)
                                      .arg(qAlpha(lit));
                    lit = 0;
                }
                const QRgb* bits = reinterpret_cast<const QRgb*>(image.constBits());
                const QRgb* left = std::find_if(bits, bits + image.width() * image.height(),
                                                [](QRgb p) { return p != 0; });
                if (failure.isEmpty() && left != bits + image.width() * image.height())
                    failure = QStringLiteral("(%1, %2): the engine lights (%3, %4) too")
                                  .arg(extent.x())
                                  .arg(extent.y())
                                  .arg((left - bits) % image.width() - 50)
                                  .arg((left - bits) / image.width() - 50);
                if (!failure.isEmpty())
                    return;
            }
        }).join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    // A run down a column blended four rows at a time gives each pixel what its blend alone gives
    // it, short runs and the rows past the last four included, and finds the first row it leaves
    // settled at the colour, wherever that lies.
    void columnBlendsRowByRow_data()
    {
        columns<int, int>("rows", "settledRow");
        for (int rows : {1, 3, 4, 5, 7, 8, 9, 17})
            for (int settled : {-1, 0, rows / 2, rows - 1})
                QTest::addRow("%d rows, row %d at the colour", rows, settled) << rows << settled;
    }
    void columnBlendsRowByRow()
    {
        const auto [rows, settledRow] = fetch<int, int>("rows", "settledRow");
        const QRgb color = qRgb(255, 152, 0); // green settles within 1 above
        const std::array<QRgb, 256>& sources = TintTable(color);
        const Settling at(color);
        QRandomGenerator random(static_cast<quint32>(rows * 31 + settledRow + 7));
        constexpr long stride = 5; // a column of an image five pixels wide
        std::vector<QRgb> pixels(static_cast<std::size_t>(rows * stride + 1));
        std::vector<std::uint8_t> coverage(static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row) {
            const int alpha = random.bounded(256);
            pixels[static_cast<std::size_t>(row * stride)] = qRgba(random.bounded(alpha + 1), random.bounded(alpha + 1),
                                                                   random.bounded(alpha + 1), alpha);
            // Strong coverages too, so that some other row may land within 2 by itself.
            coverage[static_cast<std::size_t>(row)] = static_cast<std::uint8_t>(
                random.bounded(2) ? 255 : random.bounded(256));
        }
        if (settledRow >= 0)
            pixels[static_cast<std::size_t>(settledRow * stride)] = color;
        for (bool seek : {false, true}) {
            std::vector<QRgb> blended = pixels, expected = pixels;
            long first = -1;
            for (int row = 0; row < rows; ++row) {
                QRgb& pixel = expected[static_cast<std::size_t>(row * stride)];
                pixel = SourceOver(pixel, sources[coverage[static_cast<std::size_t>(row)]]);
                if (first < 0 && Settled(pixel, at))
                    first = row;
            }
            const long found = seek ? SourceOverColumn<true>(blended.data(), stride, coverage.data(), rows, sources, at)
                                    : SourceOverColumn<false>(blended.data(), stride, coverage.data(), rows, sources,
                                                              at);
            QCOMPARE(blended, expected);
            QCOMPARE(found, seek ? first : -1L);
            if (seek && settledRow >= 0)
                QVERIFY(first >= 0 && first <= settledRow);
        }
    }

    // A pixel taken as settled is left alone from then on: whatever blends of the colour the engine
    // would still make, at any coverages, the pixel ends within 2 of where it was left. Some channel
    // values step from the colour to one below it under one coverage.
    void settledPixelsEndWithinTwo_data()
    {
        columns<QRgb>("color");
        for (const QRgb color : {qRgb(255, 128, 0), qRgb(0, 0, 255), qRgb(152, 191, 253), qRgb(169, 40, 226)})
            QTest::addRow("#%06x", color & 0xffffff) << color;
    }
    void settledPixelsEndWithinTwo()
    {
        const auto [color] = fetch<QRgb>("color");
        const std::array<QRgb, 256>& sources = TintTable(color);
        const Settling at(color);
        for (int shift : {0, 8, 16}) {
            const auto with = [&](int value) {
                return (color & ~(0xffu << shift)) | (static_cast<QRgb>(value) << shift);
            };
            for (int start = 0; start < 256; ++start) {
                if (!Settled(with(start), at))
                    continue;
                // Every value the channel reaches under blends in any order.
                std::array<bool, 256> reached{};
                std::vector<int> open{start};
                reached[static_cast<std::size_t>(start)] = true;
                while (!open.empty()) {
                    const int value = open.back();
                    open.pop_back();
                    for (const QRgb source : sources) {
                        const int next = static_cast<int>((SourceOver(with(value), source) >> shift) & 0xff);
                        QVERIFY2(
                            std::abs(next - start) <= 2,
                            qPrintable(
                                QStringLiteral("channel at bit %1 from %2 to %3").arg(shift).arg(start).arg(next)));
                        if (!reached[static_cast<std::size_t>(next)]) {
                            reached[static_cast<std::size_t>(next)] = true;
                            open.push_back(next);
                        }
                    }
                }
            }
        }
    }

    // Strong blends bring any channel within 1 of an opaque colour, whatever others of the colour
    // come before, between and after them: the reach of every channel value after each strong
    // blend, widened by what any other blend reaches from it.
    void strongBlendsBringAnyPixelToTheColour()
    {
        for (int value = 0; value < 256; ++value) {
            const QRgb color = qRgb(value, value, value);
            const std::array<QRgb, 256>& sources = TintTable(color);
            const auto blended = [&](int channel, int coverage) {
                return static_cast<int>(
                    qRed(SourceOver(qRgb(channel, channel, channel), sources[static_cast<std::size_t>(coverage)])));
            };
            int low = 0, high = 255;
            const auto widen = [&] {
                for (bool grew = true; grew;) {
                    grew = false;
                    for (int channel = low; channel <= high; ++channel)
                        for (int coverage = 0; coverage < 256; ++coverage) {
                            const int next = blended(channel, coverage);
                            grew = grew || next < low || next > high;
                            low = std::min(low, next);
                            high = std::max(high, next);
                        }
                }
            };
            for (int strong = 0; strong < c_iStrongBlends; ++strong) {
                widen();
                int nextLow = 255, nextHigh = 0;
                for (int channel = low; channel <= high; ++channel)
                    for (int coverage = c_iStrongCoverage; coverage < 256; ++coverage) {
                        nextLow = std::min(nextLow, blended(channel, coverage));
                        nextHigh = std::max(nextHigh, blended(channel, coverage));
                    }
                low = nextLow;
                high = nextHigh;
            }
            widen();
            QVERIFY2(low >= value - 1 && high <= value + 1,
                     qPrintable(QStringLiteral("%1 reaches %2 to %3").arg(value).arg(low).arg(high)));
        }
    }

    // Looking ahead, a vertical segment is taken to cover the device column left of the pen, where
    // the pen covers it strongly, over the rows it spans whole, as strongly as any other: checked
    // against the engine's shapes at every phase and length, both ways.
    void verticalSegmentsCoverWholeRowsStrongly_data()
    {
        columns<int>("quarters");
        for (int quarters : {5, 6, 7, 9, 10})
            QTest::addRow("pixel ratio %g", quarters / 4.0) << quarters;
    }
    void verticalSegmentsCoverWholeRowsStrongly()
    {
        const auto [quarters] = fetch<int>("quarters");
        PhaseShapes& shapes = PhaseShapesFor(quarters);
        std::vector<int> phases;
        for (int x = 0; x < 4; ++x)
            if (std::find(phases.begin(), phases.end(), quarters * x % 4) == phases.end())
                phases.push_back(quarters * x % 4);
        int checked = 0;
        for (int phaseX : phases) {
            // The column left of the pen, where it is covered strongly.
            const PhaseShape& probe = shapes.Of(phaseX, 0, 0, 8);
            const PhaseShape::Run* left = nullptr;
            for (const PhaseShape::Run& run : probe.vecRuns)
                if (!left || run.iX < left->iX)
                    left = &run;
            if (!left || left->uMain < c_iStrongCoverage)
                continue;
            const long column = probe.iOriginX + left->iX;
            for (int phaseY : phases)
                for (long length = -c_iMaxShape; length <= c_iMaxShape; ++length) {
                    const PhaseShape& shape = shapes.Of(phaseX, phaseY, 0, length);
                    const long top = (std::min(phaseY, phaseY + quarters * static_cast<int>(length)) + 3) >> 2;
                    const long bottom = (std::max(phaseY, phaseY + quarters * static_cast<int>(length)) >> 2) - 1;
                    for (long row = top; row <= bottom; ++row) {
                        int coverage = 0;
                        for (const PhaseShape::Run& run : shape.vecRuns) {
                            const long first = shape.iOriginY + run.iY;
                            if (shape.iOriginX + run.iX == column && row >= first && row < first + run.iRows)
                                coverage = shape.vecCoverage.data()[run.iFirst + (row - first)];
                        }
                        QVERIFY2(coverage >= c_iStrongCoverage,
                                 qPrintable(QStringLiteral("phase %1, %2; length %3; row %4: %5")
                                                .arg(phaseX)
                                                .arg(phaseY)
                                                .arg(length)
                                                .arg(row)
                                                .arg(coverage)));
                        ++checked;
                    }
                }
        }
        QVERIFY(checked > 0);
    }

    // The cells of one large frame stay for the lines of its window and the next, then go back.
    void keptCellsShrinkAfterALargeFrame()
    {
        KeptCells cells;
        const std::size_t large = 8 * KeptCells::c_iSmall, small = 1000;
        cells.Take(large);
        for (int i = 1; i < 2 * KeptCells::c_iWindow; ++i)
            cells.Take(small);
        QVERIFY(cells.Kept() >= large);
        for (int i = 0; i < KeptCells::c_iWindow; ++i)
            cells.Take(small);
        QCOMPARE(cells.Kept(), KeptCells::c_iSmall);
    }
};

QTEST_MAIN(tst_CoverageCanvas)
#include "tst_coveragecanvas.moc"
