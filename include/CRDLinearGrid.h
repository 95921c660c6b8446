// CRDLinearGrid: linear mapping between user and device coordinates, clipping and drawing.
#ifndef CRDLINEARGRID_H
#define CRDLINEARGRID_H

#include "CRDGrid.h"
#include "ResultDisplayExport.h"

#include <memory>

namespace KelmFramework
{

class CRDLinearGridPrivate;

/// Maps a user viewport linearly onto a device rectangle (y inverted), clips points and
/// segments to the rectangle and draws markers and lines. DrawGrid is left to subclasses.
/// A viewport is stored as given: one of zero, NaN or infinite width maps no point anywhere, so
/// nothing is drawn in it. User points that map to NaN, an infinity or beyond 64 bits have no device
/// position and are not drawn, nor are the segments on either side of them.
class RESULTDISPLAY_EXPORT CRDLinearGrid : public CRDGrid
{
public:
    /// The corners may come in either order; x and y are sorted separately.
    CRDLinearGrid(CRDPoint& PointA, CRDPoint& PointB, QString strXAxisTitle, QString strYAxisTitle, long iXDivisions,
                  long iYDivisions, short iXPrecision, short iYPrecision, const CRDColor& GridColor,
                  const CRDColor& TextColor);
    ~CRDLinearGrid() override;

    /// The corners may come in either order; x and y are sorted separately.
    void SetViewPort(CRDPoint& PointA, CRDPoint& PointB) override;
    /// Takes the corners as given, in pixels.
    void SetDeviceViewPort(CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom) override;
    CRDPoint GetViewPortLeftButton() const override;
    CRDPoint GetViewPortRightTop() const override;
    /// The inverse of ConvertPointToDevicePoint, without truncation and without a clip test.
    void ConvertPointFromDeviceToUserViewport(CRDDevicePoint& DevicePoint, CRDPoint& UserPoint) override;
    /// Draws the marker of the point's style, centred on its pixel; nothing outside the rectangle.
    void DrawPoint(QPainter& Painter, CRDDecoratedPoint& Point) override;
    /// Draws each segment clipped by DoClipLine, the name beside the first segment drawn, and a
    /// marker at every vertex through DrawPoint. Lines of fewer than two vertices draw markers only.
    void DrawLine(QPainter& Painter, CRDDecoratedLine& Line) override;

    /// Converts and truncates toward zero; non-finite or out-of-range results become the smallest
    /// long, which no device rectangle contains. Returns whether the result lies inside.
    bool ConvertPointToDevicePoint(CRDPoint& UserPoint, CRDDevicePoint& DevicePoint);
    /// Whether the point lies in the device rectangle, edges included.
    bool DoClippPoint(CRDDevicePoint& DevicePoint);
    /// Converts both ends and clips the segment; false when nothing of it is to be drawn.
    bool ConvertPointsToDeviceLine(CRDPoint& PointA, CRDPoint& PointB, CRDDevicePoint& DevicePointA,
                                   CRDDevicePoint& DevicePointB);
    /// Clips P at the left edge and Q at the right edge, both at the top and bottom edges, moving
    /// them along their line. False when both ends lie beyond one and the same edge.
    bool DoClipLine(CRDDevicePoint& P, CRDDevicePoint& Q);

protected:
    // Internals: derived classes may use them; they are no part of the API reference.
    /// \cond internal
    /// The map of ConvertPointToDevicePoint without its clip test.
    void MapToDevice(const CRDPoint& Point, CRDDevicePoint& DevicePoint) const;

    CRDPoint m_ViewPortLeftBottom;      ///< The viewport's corner of smallest x and y, in user units.
    CRDPoint m_ViewPortRightTop;        ///< The viewport's corner of largest x and y, in user units.
    CRDDevicePoint m_DeviceLeftTop;     ///< The device rectangle's top left pixel.
    CRDDevicePoint m_DeviceRightBottom; ///< The device rectangle's bottom right pixel.
    double m_dUserOriginX;              ///< User x shown at the rectangle's left edge.
    double m_dUserOriginY;              ///< User y shown at the rectangle's bottom edge.
    double m_dScaleX;                   ///< Fraction of the rectangle's width per user unit of x.
    double m_dScaleY;                   ///< Fraction of the rectangle's height per user unit of y.
    double m_dDeviceOriginX;            ///< The rectangle's left edge in pixels.
    double m_dDeviceOriginY;            ///< The rectangle's top edge in pixels.
    double m_dDeviceWidth;              ///< The rectangle's width in pixels.
    double m_dDeviceHeight;             ///< The rectangle's height in pixels.
    long m_iLineWidth;                  ///< Pen width of line segments in pixels (1).
    long m_iDotWidth;                   ///< Diameter of a dot marker in pixels (3).
    long m_iCrossHalfSize;              ///< Arm length of a cross marker in pixels (4).
    long m_iCrossWidth;                 ///< Pen width of a cross marker in pixels (1).
    long m_iSquareHalfSize;             ///< Half the side of a square marker in pixels (3).
    long m_iSquareWidth;                ///< Pen width of a square marker in pixels (1).
    double m_dScaleFactorX;             ///< Multiplies the x scale; 1.
    double m_dScaleFactorY;             ///< Multiplies the y scale; 1.
    /// \endcond

private:
    friend class CRDLinearGridPrivate; // hands the mapping down to the library's drawing

    std::unique_ptr<CRDLinearGridPrivate> const d; ///< Pens kept between calls.
};

} // namespace KelmFramework

#endif // CRDLINEARGRID_H
