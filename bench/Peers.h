// The peers: other plotting libraries drawing a workload's data into the same canvas.
#ifndef PEERS_H
#define PEERS_H

#include "BenchHarness.h"

#include "CRDDecoratedLine.h"
#include "CRDDecoratedPoint.h"
#include "CRDPoint.h"

#include <QRect>
#include <QString>

#include <memory>
#include <vector>

namespace Bench
{

/// A plot as a peer gets it: the library's data, colours and styles, viewport and device rectangle.
struct PeerScene
{
    KelmFramework::CRDPoint LeftBottom;
    KelmFramework::CRDPoint RightTop;
    QRect DeviceRect;        ///< corners at the first and last pixels, as the grid's
    qreal dPixelRatio = 1.0; ///< the canvas's
    std::vector<KelmFramework::CRDDecoratedPoint> vecPoints;
    std::vector<KelmFramework::CRDDecoratedLine> vecLines;
    /// A whole widget (background, grid, tick labels, axis titles) rather than the data alone.
    bool bWidget = false;
    QString strXTitle;
    QString strYTitle;
    int iXDivisions = 10;
    int iYDivisions = 5;
};

/// Hands each run of single points of one colour and style to Draw(points, first of the run): a peer
/// draws such a run as one series without a line.
template <class Draw>
void ForEachPointRun(const PeerScene& Scene, Draw&& DrawRun)
{
    const auto& vecPoints = Scene.vecPoints;
    for (std::size_t i = 0; i < vecPoints.size();) {
        const KelmFramework::CRDDecoratedPoint& First = vecPoints[i];
        std::vector<KelmFramework::CRDPoint> vecRun;
        for (; i < vecPoints.size() && vecPoints[i].m_Color == First.m_Color
               && vecPoints[i].m_ePointStyle == First.m_ePointStyle;
             ++i)
            vecRun.push_back(vecPoints[i]);
        DrawRun(vecRun, First);
    }
}

/// One rival per peer this bench was built with (none without them), checked for ink only: each
/// decimates its own way.
std::vector<Rival> PeerRivals(std::shared_ptr<const PeerScene> pScene);

/// The peers this bench was built with, for the report's context.
const char* PeerNames();

} // namespace Bench

#endif // PEERS_H
