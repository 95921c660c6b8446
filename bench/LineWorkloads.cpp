// Plot workloads of CRDLinearGrid::DrawLine and DrawPoint on a 1000x700 widget's device rectangle.
#include "PlotFloors.h"

#include "CRDBoxGridLayout.h"

#include <cstdint>
#include <string>

namespace
{

using namespace KelmFramework;
using Bench::NoisySine;
using Bench::PlotScene;

std::shared_ptr<PlotScene> Scene(double dLeft, double dRight)
{
    auto pScene = std::make_shared<PlotScene>();
    pScene->pGrid = std::make_unique<CRDBoxGridLayout>(CRDPoint(dLeft, -1.5), CRDPoint(dRight, 1.5),
                                                       QStringLiteral("x"), QStringLiteral("y"), 10, 5, 1, 1,
                                                       c_ColorGray, c_ColorBlack);
    Bench::SetWidgetDeviceRect(*pScene->pGrid);
    return pScene;
}

void RegisterLine(const std::string& strName, long iCount, ERDLineStyle eLineStyle, ERDPointStyle ePointStyle,
                  double dLeft = 0.0, double dRight = 10.0)
{
    Bench::RegisterWorkload(strName + "/" + std::to_string(iCount), [=] {
        auto pScene = Scene(dLeft, dRight);
        std::vector<CRDPoint> vecPoints = NoisySine(iCount, 0.0, 1);
        pScene->vecLines.emplace_back(vecPoints, c_ColorBlue, eLineStyle, ePointStyle, QString());
        return Bench::PlotVariants(pScene);
    });
}

bool RegisterAll()
{
    for (long iCount : {1000L, 10000L, 100000L, 1000000L}) {
        RegisterLine("line_solid", iCount, eRDLineSolid, eRDPointNone);
        RegisterLine("line_dotted", iCount, eRDLineDotted, eRDPointNone);
        RegisterLine("line_squares", iCount, eRDLineSolid, eRDPointSquare);
    }
    // A hundredth of the x range on show: 99 % of the segments lie left or right of the viewport.
    RegisterLine("line_zoomed_99pct_outside", 1000000, eRDLineSolid, eRDPointNone, 5.0, 5.1);

    Bench::RegisterWorkload("lines_20x10000/200000", [] {
        const CRDColor Colors[] = {c_ColorBlue, c_ColorRed, c_ColorDarkGreen, c_ColorOrange, c_ColorDark};
        auto pScene = Scene(0.0, 10.0);
        for (int i = 0; i < 20; ++i) {
            std::vector<CRDPoint> vecPoints = NoisySine(10000, 0.3 * i, static_cast<std::uint32_t>(i + 1));
            pScene->vecLines.emplace_back(vecPoints, Colors[i % 5], eRDLineSolid, eRDPointNone, QString());
        }
        return Bench::PlotVariants(pScene);
    });

    Bench::RegisterWorkload("points_dot/10000", [] {
        auto pScene = Scene(0.0, 10.0);
        for (const CRDPoint& Point : NoisySine(10000, 0.0, 7))
            pScene->vecPoints.emplace_back(Point, c_ColorRed, eRDPointDot);
        return Bench::PlotVariants(pScene);
    });
    return true;
}

const bool s_bRegistered = RegisterAll();

} // namespace
