// FrameKeys: which grids the repaint cache knows, and the state of theirs a frame depends on.
#ifndef RDFRAMEKEYS_P_H
#define RDFRAMEKEYS_P_H

#include "CRDAxisBoxGrid.h"
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDLinearGrid.h"
#include "RDFrameCache_p.h"
#include "RDGrids_p.h"

#include <cstring>
#include <typeinfo>

namespace KelmFramework
{
namespace FrameCache
{

/// Grids whose drawing the cache knows: the library's own concrete grids, and no subclass of them.
inline bool KnowsGrid(const CRDGrid& Grid)
{
    const std::type_info& Type = typeid(Grid);
    return Type == typeid(CRDBoxGridLayout) || Type == typeid(CRDDecimatingBoxGrid) || Type == typeid(CRDAxisBoxGrid);
}

/// The grid's view, map and settings, as a frame compares them.
inline GridState StateOf(const CRDLinearGrid& Grid)
{
    GridState State;
    const Mapping::Map Map = Grids::MapOf(Grid);
    std::memcpy(State.acMap, &Map.Core, sizeof Map.Core);
    State.abLog[0] = Map.bLogX;
    State.abLog[1] = Map.bLogY;
    const Mapping::Frame Device = Grids::FrameOf(Grid);
    State.aiFrame[0] = Device.iL;
    State.aiFrame[1] = Device.iT;
    State.aiFrame[2] = Device.iR;
    State.aiFrame[3] = Device.iB;
    const CRDPoint LeftBottom = Grid.GetViewPortLeftButton(), RightTop = Grid.GetViewPortRightTop();
    State.adView[0] = LeftBottom.m_dX;
    State.adView[1] = LeftBottom.m_dY;
    State.adView[2] = RightTop.m_dX;
    State.adView[3] = RightTop.m_dY;
    State.uGrid = Grid.m_GridColor.rgba();
    State.uText = Grid.m_TextColor.rgba();
    State.strXTitle = Grid.m_strXAxisTitle;
    State.strYTitle = Grid.m_strYAxisTitle;
    State.iXDivisions = Grid.m_iXDivisions;
    State.iYDivisions = Grid.m_iYDivisions;
    State.iXPrecision = Grid.m_iXPrecision;
    State.iYPrecision = Grid.m_iYPrecision;
    State.iTouched = g_iTouched;
    return State;
}

} // namespace FrameCache
} // namespace KelmFramework

#endif // RDFRAMEKEYS_P_H
