// Plot workloads: the library's DrawPoint/DrawLine on a scene, the raw QPainter floors and the peers.
#ifndef PLOTFLOORS_H
#define PLOTFLOORS_H

#include "BenchHarness.h"
#include "Peers.h"

#include "CRDDecoratedLine.h"
#include "CRDDecoratedPoint.h"
#include "CRDLinearGrid.h"

#include <QPolygon>

#include <cstdint>
#include <memory>
#include <vector>

namespace Bench
{

/// What a CResultDisplay hands its grid on a paint: points first, then lines.
struct PlotScene
{
    std::unique_ptr<KelmFramework::CRDLinearGrid> pGrid;
    std::vector<KelmFramework::CRDDecoratedPoint> vecPoints;
    std::vector<KelmFramework::CRDDecoratedLine> vecLines;
};

/// The library variant, both raw QPainter floors and the peers of a scene. Aborts when the
/// same-calls floor does not issue exactly the library's primitives with the library's pens.
Race PlotVariants(std::shared_ptr<PlotScene> pScene);

/// The scene's data, viewport and device rectangle for the peers, without axes.
std::shared_ptr<const PeerScene> PeerSceneOf(const PlotScene& Scene);

/// Three periods of a unit sine over x in [0, 10] with +-0.05 of uniform noise, from a fixed seed.
std::vector<KelmFramework::CRDPoint> NoisySine(long iCount, double dPhase, std::uint32_t iSeed);

/// The line's vertices in the grid's device coordinates, unclipped: a polyline floor's input.
QPolygon MappedVertices(KelmFramework::CRDLinearGrid& Grid, const std::vector<KelmFramework::CRDPoint>& vecPoints);

} // namespace Bench

#endif // PLOTFLOORS_H
