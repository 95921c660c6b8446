// The Qwt contender of the live workloads: one QwtPlotCurve per channel over a sample deque.
#include "BenchHarness.h"
#include "LivePeers.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_series_data.h>

#include <deque>
#include <memory>

namespace Bench
{

namespace
{

// Samples appended at the back and dropped from the front in time proportional to their number,
// as a live Qwt application keeps them; the view is fixed by the axes, so the bounds are not searched.
class Channel : public QwtSeriesData<QPointF>
{
public:
    size_t size() const override { return m_Samples.size(); }
    QPointF sample(size_t i) const override { return m_Samples[i]; }
    QRectF boundingRect() const override { return QRectF(); }

    std::deque<QPointF> m_Samples;
};

} // namespace

LiveContender LiveQwt(const LiveSetup& Setup, const LiveWindow& First)
{
    auto pPlot = std::make_shared<QwtPlot>();
    pPlot->setAutoReplot(false);
    pPlot->resize(c_iWidgetWidth, c_iWidgetHeight);
    pPlot->setCanvasBackground(Qt::white);
    pPlot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("time [s]"));
    pPlot->setAxisTitle(QwtPlot::yLeft, QStringLiteral("signal [V]"));
    pPlot->setAxisScale(QwtPlot::yLeft, Setup.dBottom, Setup.dTop, (Setup.dTop - Setup.dBottom) / 5);
    auto* pGrid = new QwtPlotGrid;
    pGrid->setPen(Qt::gray, 1.0);
    pGrid->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    pGrid->attach(pPlot.get());
    const QColor Colors[] = {Qt::blue, Qt::red, Qt::darkGreen, QColor(255, 128, 0)};
    auto pChannels = std::make_shared<std::vector<Channel*>>();
    for (std::size_t c = 0; c < First.size(); ++c) {
        auto* pData = new Channel;
        for (const KelmFramework::CRDPoint& Point : First[c])
            pData->m_Samples.emplace_back(Point.m_dX, Point.m_dY);
        pChannels->push_back(pData);
        auto* pCurve = new QwtPlotCurve;
        pCurve->setData(pData);
        pCurve->setPen(QPen(QBrush(Colors[c % 4]), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        pCurve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
        pCurve->setPaintAttribute(QwtPlotCurve::ClipPolygons, true);
        pCurve->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
        pCurve->attach(pPlot.get());
    }
    const double dLeft = First.front().front().m_dX, dRight = First.front().back().m_dX;
    pPlot->setAxisScale(QwtPlot::xBottom, dLeft, dRight, (dRight - dLeft) / 10);

    LiveContender Contender;
    Contender.strKey = "qwt";
    Contender.Update = [pPlot, pChannels](const LiveTick& Tick) {
        for (std::size_t c = 0; c < pChannels->size(); ++c) {
            std::deque<QPointF>& Samples = (*pChannels)[c]->m_Samples;
            for (const KelmFramework::CRDPoint& Point : (*Tick.pNew)[c])
                Samples.emplace_back(Point.m_dX, Point.m_dY);
            Samples.erase(Samples.begin(), Samples.begin() + Tick.iDrop);
        }
        pPlot->setAxisScale(QwtPlot::xBottom, Tick.dLeft, Tick.dRight, (Tick.dRight - Tick.dLeft) / 10);
    };
    // As on screen: the canvas redraws into its backing store on replot, which the widget then shows.
    Contender.Render = [pPlot] {
        pPlot->replot();
        const QPixmap Picture = pPlot->grab();
    };
    Contender.Repaint = [pPlot] { const QPixmap Picture = pPlot->grab(); };
    return Contender;
}

} // namespace Bench
