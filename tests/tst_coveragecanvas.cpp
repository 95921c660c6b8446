// Tests of the coverage canvas: counted blends drawn as the segments they stand for would draw them.
#include "DataTable.h"
#include "DecimationScene.h"
#include "RDCoverageCanvas_p.h"
#include "RDStampModel_p.h"

#include <QtTest>

#include <map>

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
        const StampModel& model = StampModelFor(1);
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
        CoverageCanvas canvas(Frame{1, 1, 6, 6}, Qt::red, StampModelFor(1));
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

    // A short segment's shape at a ratio in quarters, drawn one way and then the other (the second
    // taken from the first), lights the pixels the raster engine lights for it, with its coverages.
    void shapesAreTheEnginesEitherWay_data()
    {
        columns<int>("quarters");
        for (int quarters : {4, 5, 6, 7, 10, 12})
            QTest::addRow("ratio %g", quarters / 4.0) << quarters;
    }
    void shapesAreTheEnginesEitherWay()
    {
        const auto [quarters] = fetch<int>("quarters");
        PhaseShapes shapes(quarters);
        using Pixels = std::map<std::pair<long, long>, int>;
        for (const QPoint extent : {QPoint(3, -2), QPoint(-7, 5), QPoint(0, 12), QPoint(1, 1), QPoint(32, -31)})
            for (int x = 40; x < 44; ++x) // every phase a whole pixel's shift reaches
                for (const QPoint step : {extent, -extent}) {
                    const int phase = quarters * x % 4, y = x + 1, phaseY = quarters * y % 4;
                    const PhaseShape& shape = shapes.Of(phase, phaseY, step.x(), step.y());
                    Pixels fromShape;
                    for (const PhaseShape::Run& run : shape.vecRuns)
                        for (int row = 0; row < run.iRows; ++row)
                            fromShape[{shape.iOriginX + run.iX, shape.iOriginY + run.iY + row}] =
                                shape.vecCoverage.data()[run.iFirst + row];
                    QImage image(quarters * 25, quarters * 25, QImage::Format_ARGB32_Premultiplied);
                    image.setDevicePixelRatio(quarters / 4.0);
                    image.fill(Qt::transparent);
                    QPainter painter(&image);
                    painter.setRenderHint(QPainter::Antialiasing);
                    painter.setPen(KelmFramework::Painting::FlatPen(Qt::white, 1.0));
                    painter.drawLine(QLine(x, y, x + step.x(), y + step.y()));
                    painter.end();
                    Pixels drawn;
                    for (int row = 0; row < image.height(); ++row)
                        for (int column = 0; column < image.width(); ++column)
                            if (const int coverage = qAlpha(image.pixel(column, row)))
                                drawn[{column - quarters * x / 4, row - quarters * y / 4}] = coverage;
                    QVERIFY2(fromShape == drawn, qPrintable(QStringLiteral("(%1, %2) from phase %3, %4")
                                                                .arg(step.x())
                                                                .arg(step.y())
                                                                .arg(phase)
                                                                .arg(phaseY)));
                }
        shapes.EndMeasures();
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
