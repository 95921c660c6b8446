// Enumerations and typedefs shared by the ResultDisplay classes.
#ifndef RESULTDISPLAYTYPES_H
#define RESULTDISPLAYTYPES_H

namespace KelmFramework
{

/// The library's signed 64-bit integer, used in the signals of CRDMatrix.
typedef long TKelmLong;

// The enumerations have a fixed int type: values outside the enumerators are stored, copied and
// ignored as documented, which is only defined behaviour with a fixed underlying type.

/// Pen style of a line's segments; any other value draws solid.
enum ERDLineStyle : int
{
    eRDLineSolid = 0,
    eRDLineDotted = 1,
    eRDLineDashDotted = 2
};

/// Marker drawn at a point; any other value draws no marker.
enum ERDPointStyle : int
{
    eRDPointNone = 0,
    eRDPointDot = 1,
    eRDPointCross = 2,
    eRDPointSquare = 3
};

/// Interactions of CResultDisplay that the application switches on and off.
enum ERDFeature : int
{
    eRDFeatureRubberBandZoom = 0,
    eRDFeatureWheelZoom = 1,
    eRDFeatureGesture = 2,
    eRDFeaturePinch = 3
};

} // namespace KelmFramework

#endif // RESULTDISPLAYTYPES_H
