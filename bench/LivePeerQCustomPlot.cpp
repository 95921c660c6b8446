// The QCustomPlot contender of the live workloads: one QCPGraph per channel, fed by add and removeBefore.
#include "BenchHarness.h"
#include "LivePeers.h"

#include <qcustomplot.h>

#include <memory>

namespace Bench
{

LiveContender LiveQCustomPlot(const LiveSetup& Setup, const LiveWindow& First)
{
    auto pPlot = std::make_shared<QCustomPlot>();
    pPlot->resize(c_iWidgetWidth, c_iWidgetHeight);
    pPlot->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
    pPlot->setAntialiasedElements(QCP::aeAll);
    pPlot->setBackground(Qt::white);
    pPlot->xAxis->setLabel(QStringLiteral("time [s]"));
    pPlot->yAxis->setLabel(QStringLiteral("signal [V]"));
    pPlot->xAxis->ticker()->setTickCount(10);
    pPlot->yAxis->ticker()->setTickCount(5);
    pPlot->yAxis->setRange(Setup.dBottom, Setup.dTop);
    const QColor Colors[] = {Qt::blue, Qt::red, Qt::darkGreen, QColor(255, 128, 0)};
    for (std::size_t c = 0; c < First.size(); ++c) {
        QCPGraph* pGraph = pPlot->addGraph();
        QVector<QCPGraphData> vecData;
        vecData.reserve(static_cast<int>(First[c].size()));
        for (const KelmFramework::CRDPoint& Point : First[c])
            vecData.append(QCPGraphData(Point.m_dX, Point.m_dY));
        pGraph->data()->add(vecData, true);
        pGraph->setPen(QPen(QBrush(Colors[c % 4]), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        pGraph->setAdaptiveSampling(true);
    }
    pPlot->xAxis->setRange(First.front().front().m_dX, First.front().back().m_dX);

    LiveContender Contender;
    Contender.strKey = "qcustomplot";
    Contender.Update = [pPlot](const LiveTick& Tick) {
        for (int c = 0; c < pPlot->graphCount(); ++c) {
            const std::vector<KelmFramework::CRDPoint>& vecNew = (*Tick.pNew)[static_cast<std::size_t>(c)];
            QVector<QCPGraphData> vecData;
            vecData.reserve(static_cast<int>(vecNew.size()));
            for (const KelmFramework::CRDPoint& Point : vecNew)
                vecData.append(QCPGraphData(Point.m_dX, Point.m_dY));
            QCPGraph* pGraph = pPlot->graph(c);
            pGraph->data()->add(vecData, true);
            // The oldest samples go as the library's DropLinePoints drops them: by count, from the front.
            const double dFirstKept = (pGraph->data()->constBegin() + Tick.iDrop)->key;
            pGraph->data()->removeBefore(dFirstKept);
        }
        pPlot->xAxis->setRange(Tick.dLeft, Tick.dRight);
    };
    // As on screen: replot into its layer buffers, then the widget shows them.
    Contender.Render = [pPlot] {
        pPlot->replot(QCustomPlot::rpQueuedRefresh);
        const QPixmap Picture = pPlot->grab();
    };
    Contender.Repaint = [pPlot] { const QPixmap Picture = pPlot->grab(); };
    return Contender;
}

} // namespace Bench
