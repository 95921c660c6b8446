// The Qwt peer: one QwtPlotCurve per line, drawn onto the canvas's painter through scale maps of
// the device rectangle, or a whole 1000x700 QwtPlot rendered with QwtPlotRenderer.
#include "Peers.h"

#include <qwt_global.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_renderer.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>

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
// drawn with a one-pixel pen. Qwt caches each as a pixmap.
QwtSymbol* Symbol(ERDPointStyle eStyle, const QColor& Color)
{
    const QPen Pen(QBrush(Color), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    QwtSymbol* pSymbol = nullptr;
    switch (eStyle) {
    case eRDPointDot:
        pSymbol = new QwtSymbol(QwtSymbol::Ellipse, QBrush(Color), Qt::NoPen, QSize(3, 3));
        break;
    case eRDPointCross:
        pSymbol = new QwtSymbol(QwtSymbol::Cross, Qt::NoBrush, Pen, QSize(9, 9));
        break;
    case eRDPointSquare:
        pSymbol = new QwtSymbol(QwtSymbol::Rect, Qt::NoBrush, Pen, QSize(6, 6));
        break;
    default:
        return nullptr;
    }
    pSymbol->setCachePolicy(QwtSymbol::Cache);
    return pSymbol;
}

std::unique_ptr<QwtPlotCurve> MakeCurve(const std::vector<CRDPoint>& vecPoints, const QColor& Color,
                                        ERDLineStyle eLineStyle, ERDPointStyle ePointStyle, bool bLine)
{
    QVector<QPointF> vecSamples;
    vecSamples.reserve(static_cast<int>(vecPoints.size()));
    for (const CRDPoint& Point : vecPoints)
        vecSamples << QPointF(Point.m_dX, Point.m_dY);
    auto pCurve = std::make_unique<QwtPlotCurve>();
    pCurve->setSamples(vecSamples);
    pCurve->setStyle(bLine ? QwtPlotCurve::Lines : QwtPlotCurve::NoCurve);
    pCurve->setPen(QPen(QBrush(Color), 1.0, PenStyle(eLineStyle), Qt::FlatCap, Qt::MiterJoin));
    pCurve->setSymbol(Symbol(ePointStyle, Color));
    pCurve->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    // Its fast paths for dense lines; ImageBuffer serves the Dots style only.
    pCurve->setPaintAttribute(QwtPlotCurve::ClipPolygons, true);
    pCurve->setPaintAttribute(QwtPlotCurve::FilterPoints, true);
    return pCurve;
}

// What a workload draws, as curves in the library's order: points first, then lines.
std::vector<std::unique_ptr<QwtPlotCurve>> MakeCurves(const PeerScene& Scene)
{
    std::vector<std::unique_ptr<QwtPlotCurve>> vecCurves;
    ForEachPointRun(Scene, [&](const std::vector<CRDPoint>& vecRun, const CRDDecoratedPoint& First) {
        vecCurves.push_back(MakeCurve(vecRun, First.m_Color, eRDLineSolid, First.m_ePointStyle, false));
    });
    for (const CRDDecoratedLine& Line : Scene.vecLines)
        vecCurves.push_back(MakeCurve(Line.m_vecPoints, Line.m_Color, Line.m_eLineStyle, Line.m_ePointStyle, true));
    return vecCurves;
}

Rival DataRival(const PeerScene& Scene)
{
    struct CurveSet
    {
        std::vector<std::unique_ptr<QwtPlotCurve>> vecCurves;
        QwtScaleMap X, Y;
        QRectF Canvas;
    };
    auto pCurves = std::make_shared<CurveSet>();
    pCurves->vecCurves = MakeCurves(Scene);
    const QRect& Device = Scene.DeviceRect;
    pCurves->X.setScaleInterval(Scene.LeftBottom.m_dX, Scene.RightTop.m_dX);
    pCurves->X.setPaintInterval(Device.left(), Device.right());
    pCurves->Y.setScaleInterval(Scene.LeftBottom.m_dY, Scene.RightTop.m_dY);
    pCurves->Y.setPaintInterval(Device.bottom(), Device.top());
    pCurves->Canvas = QRectF(QPointF(Device.left(), Device.top()), QPointF(Device.right(), Device.bottom()));
    const PaintFunction Draw = [pCurves](QPainter& Painter) {
        for (const auto& pCurve : pCurves->vecCurves)
            pCurve->draw(&Painter, pCurves->X, pCurves->Y, pCurves->Canvas);
    };
    return {"Qwt", Picture::Ink, ClipCandidates(Draw)};
}

Rival WidgetRival(const PeerScene& Scene)
{
    auto pPlot = std::make_shared<QwtPlot>();
    pPlot->setAutoReplot(false);
    pPlot->resize(c_iWidgetWidth, c_iWidgetHeight);
    pPlot->setCanvasBackground(Qt::white);
    pPlot->setAxisTitle(QwtPlot::xBottom, Scene.strXTitle);
    pPlot->setAxisTitle(QwtPlot::yLeft, Scene.strYTitle);
    pPlot->setAxisScale(QwtPlot::xBottom, Scene.LeftBottom.m_dX, Scene.RightTop.m_dX,
                        (Scene.RightTop.m_dX - Scene.LeftBottom.m_dX) / Scene.iXDivisions);
    pPlot->setAxisScale(QwtPlot::yLeft, Scene.LeftBottom.m_dY, Scene.RightTop.m_dY,
                        (Scene.RightTop.m_dY - Scene.LeftBottom.m_dY) / Scene.iYDivisions);
    auto* pGrid = new QwtPlotGrid;
    pGrid->setPen(Qt::gray, 1.0);
    pGrid->setRenderHint(QwtPlotItem::RenderAntialiased, true);
    pGrid->attach(pPlot.get());
    for (auto& pCurve : MakeCurves(Scene))
        pCurve.release()->attach(pPlot.get());
    const PaintFunction Render = [pPlot](QPainter& Painter) {
        QwtPlotRenderer().render(pPlot.get(), &Painter, QRectF(0, 0, c_iWidgetWidth, c_iWidgetHeight));
    };
    // As on screen: the canvas redraws into its backing store, which the widget then shows.
    const PaintFunction Replot = [pPlot](QPainter& Painter) {
        pPlot->replot();
        pPlot->render(&Painter);
    };
    return {"Qwt", Picture::Ink, {{"renderer", Drawer{Render, {}}}, {"replot", Drawer{Replot, {}}}}};
}

} // namespace

const char* QwtVersion()
{
    return QWT_VERSION_STR;
}

Rival QwtRival(std::shared_ptr<const PeerScene> pScene)
{
    return pScene->bWidget ? WidgetRival(*pScene) : DataRival(*pScene);
}

} // namespace Bench
