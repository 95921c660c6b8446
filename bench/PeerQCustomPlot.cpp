// The QCustomPlot peer: a 1000x700 QCustomPlot with one QCPGraph per line, drawn into the canvas.
#include "Peers.h"

#include <qcustomplot.h>

#include <algorithm>

namespace Bench
{

namespace
{

using namespace KelmFramework;

Qt::PenStyle PenStyle(ERDLineStyle eStyle)
{
    return eStyle == eRDLineDotted ? Qt::DotLine : eStyle == eRDLineDashDotted ? Qt::DashDotLine : Qt::SolidLine;
}

// The library's marker sizes: a dot 3 pixels across, an upright cross 9 wide, a square of side 6
// drawn with a one-pixel pen.
QCPScatterStyle Scatter(ERDPointStyle eStyle, const QColor& Color)
{
    switch (eStyle) {
    case eRDPointDot:
        return QCPScatterStyle(QCPScatterStyle::ssDisc, Color, 3);
    case eRDPointCross:
        return QCPScatterStyle(QCPScatterStyle::ssPlus, Color, 9);
    case eRDPointSquare:
        return QCPScatterStyle(QCPScatterStyle::ssSquare, Color, 6);
    default:
        return QCPScatterStyle(QCPScatterStyle::ssNone);
    }
}

void AddGraph(QCustomPlot& Plot, const std::vector<CRDPoint>& vecPoints, const QColor& Color, ERDLineStyle eLineStyle,
              ERDPointStyle ePointStyle, bool bLine)
{
    QVector<double> vecKeys, vecValues;
    vecKeys.reserve(static_cast<int>(vecPoints.size()));
    vecValues.reserve(static_cast<int>(vecPoints.size()));
    for (const CRDPoint& Point : vecPoints) {
        vecKeys << Point.m_dX;
        vecValues << Point.m_dY;
    }
    const bool bSorted = std::is_sorted(vecKeys.begin(), vecKeys.end());
    QCPGraph* pGraph = Plot.addGraph();
    // A graph keeps its data sorted by key: a jittered line is drawn in the order of x.
    pGraph->setData(vecKeys, vecValues, bSorted);
    pGraph->setPen(QPen(QBrush(Color), 1.0, PenStyle(eLineStyle), Qt::FlatCap, Qt::MiterJoin));
    pGraph->setLineStyle(bLine ? QCPGraph::lsLine : QCPGraph::lsNone);
    pGraph->setScatterStyle(Scatter(ePointStyle, Color));
    pGraph->setAdaptiveSampling(true);
    pGraph->setAntialiased(true);
    pGraph->setAntialiasedScatters(true);
}

std::shared_ptr<QCustomPlot> MakePlot(const PeerScene& Scene)
{
    auto pPlot = std::make_shared<QCustomPlot>();
    pPlot->resize(c_iWidgetWidth, c_iWidgetHeight);
    pPlot->setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
    pPlot->setBufferDevicePixelRatio(Scene.dPixelRatio);
    // The device rectangle as the axis rectangle: the same pixels for the same user range.
    const QRect& Device = Scene.DeviceRect;
    pPlot->axisRect()->setAutoMargins(QCP::msNone);
    pPlot->axisRect()->setMargins(
        QMargins(Device.left(), Device.top(), c_iWidgetWidth - Device.right(), c_iWidgetHeight - Device.bottom()));
    pPlot->xAxis->setRange(Scene.LeftBottom.m_dX, Scene.RightTop.m_dX);
    pPlot->yAxis->setRange(Scene.LeftBottom.m_dY, Scene.RightTop.m_dY);
    if (Scene.bWidget) {
        // The library antialiases everything it draws.
        pPlot->setAntialiasedElements(QCP::aeAll);
        pPlot->setBackground(Qt::white);
        pPlot->xAxis->setLabel(Scene.strXTitle);
        pPlot->yAxis->setLabel(Scene.strYTitle);
        pPlot->xAxis->ticker()->setTickCount(Scene.iXDivisions);
        pPlot->yAxis->ticker()->setTickCount(Scene.iYDivisions);
    } else {
        // The data alone, as the grid's DrawLine paints it.
        pPlot->setBackground(Qt::NoBrush);
        for (QCPAxis* pAxis : {pPlot->xAxis, pPlot->yAxis}) {
            pAxis->setVisible(false);
            pAxis->grid()->setVisible(false);
        }
    }
    ForEachPointRun(Scene, [&](const std::vector<CRDPoint>& vecRun, const CRDDecoratedPoint& First) {
        AddGraph(*pPlot, vecRun, First.m_Color, eRDLineSolid, First.m_ePointStyle, false);
    });
    for (const CRDDecoratedLine& Line : Scene.vecLines)
        AddGraph(*pPlot, Line.m_vecPoints, Line.m_Color, Line.m_eLineStyle, Line.m_ePointStyle, true);
    return pPlot;
}

} // namespace

const char* QCustomPlotVersion()
{
    return QCUSTOMPLOT_VERSION_STR;
}

Rival QCustomPlotRival(std::shared_ptr<const PeerScene> pScene)
{
    const std::shared_ptr<QCustomPlot> pPlot = MakePlot(*pScene);
    // Straight onto the canvas, or through the plot's own layer buffers as on screen.
    const CanvasFunction ToPainter = [pPlot](QImage& Canvas) {
        QCPPainter Painter(&Canvas);
        pPlot->toPainter(&Painter, c_iWidgetWidth, c_iWidgetHeight);
    };
    const CanvasFunction Replot = [pPlot](QImage& Canvas) {
        pPlot->replot(QCustomPlot::rpQueuedRefresh);
        QPainter Painter(&Canvas);
        pPlot->render(&Painter, QPoint(), QRegion(), QWidget::RenderFlags());
    };
    return {"QCustomPlot", Picture::Ink, {{"toPainter", Drawer{{}, ToPainter}}, {"replot", Drawer{{}, Replot}}}};
}

} // namespace Bench
