// Enumerations and typedefs shared by the ResultDisplay classes.
#ifndef RESULTDISPLAYTYPES_H
#define RESULTDISPLAYTYPES_H

/// Everything of the ResultDisplay library.
namespace KelmFramework
{

/// The library's signed 64-bit integer, used in the signals of CRDMatrix.
typedef long TKelmLong;

// Device coordinates, ids and indexes are longs and rely on their 64 bits (LP64: Linux on 64-bit processors).
static_assert(sizeof(long) == 8, "ResultDisplay needs a 64-bit long");

// The enumerations have a fixed int type: values outside the enumerators are stored, copied and
// ignored as documented, which is only defined behaviour with a fixed underlying type.

/// Pen style of a line's segments; any other value draws solid.
enum ERDLineStyle : int {
    eRDLineSolid = 0,     ///< A continuous line.
    eRDLineDotted = 1,    ///< Dots.
    eRDLineDashDotted = 2 ///< Dashes and dots in turn.
};

/// Marker drawn at a point; any other value draws no marker.
enum ERDPointStyle : int {
    eRDPointNone = 0,  ///< No marker.
    eRDPointDot = 1,   ///< A round dot 3 pixels wide.
    eRDPointCross = 2, ///< An upright cross 9 pixels wide.
    eRDPointSquare = 3 ///< A square outline 7 pixels wide.
};

/// Interactions of CResultDisplay that the application switches on and off.
enum ERDFeature : int {
    eRDFeatureRubberBandZoom = 0, ///< Drag a rectangle with the mouse; releasing zooms into it.
    eRDFeatureWheelZoom = 1,      ///< Each wheel notch scales the view by 1 % at each edge.
    eRDFeatureGesture = 2,        ///< Accepts gesture events; they change nothing yet.
    eRDFeaturePinch = 3,          ///< Accepts pinch gestures; they change nothing yet.
    /// Drag with the middle button, or the left one while rubber-band zoom is off, to move the view.
    eRDFeaturePan = 4,
    /// The wheel zooms about the point under the cursor; with Ctrl held x only, with Shift y only.
    eRDFeatureZoomAtCursor = 5,
    /// Wheel steps smaller than a notch (touchpads, fine wheels) add up and zoom in proportion.
    eRDFeatureSmoothZoom = 6,
    /// A box in a corner shows each named line's colour, style and name; names are then drawn only there.
    eRDFeatureLegend = 7,
    /// Rings the drawn vertex or point nearest the cursor (within 20 pixels) and shows its x and y.
    eRDFeatureReadout = 8
};

/// How an axis of CRDAxisBoxGrid maps values to pixels and labels them.
enum ERDScale : int {
    eRDScaleLinear = 0, ///< Equal steps of value take equal pixels; ticks at 1, 2 and 5 times a power of ten.
    eRDScaleLog10 = 1,  ///< Equal ratios take equal pixels; ticks at decades. Values at or below 0 have no position.
    eRDScaleTime = 2    ///< Linear in seconds since 1970-01-01 UTC; ticks at whole clock and calendar steps.
};

} // namespace KelmFramework

#endif // RESULTDISPLAYTYPES_H
