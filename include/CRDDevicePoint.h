// CRDDevicePoint: a point in widget pixels; defined inline and not exported.
#ifndef CRDDEVICEPOINT_H
#define CRDDEVICEPOINT_H

namespace KelmFramework
{

/// A point in device pixels (widget coordinates), y growing downward. Defined inline in this header
/// and not exported, so that applications build device points without linking any of it.
class CRDDevicePoint
{
public:
    /// Pixel (0, 0).
    CRDDevicePoint() : m_iX(0), m_iY(0) {}
    /// Any 64-bit values; the smallest long stands for "no device position".
    CRDDevicePoint(long iX, long iY) : m_iX(iX), m_iY(iY) {}
    /// Copies both coordinates.
    CRDDevicePoint(const CRDDevicePoint& other) : m_iX(other.m_iX), m_iY(other.m_iY) {}
    /// Copies both coordinates.
    CRDDevicePoint& operator=(const CRDDevicePoint& other)
    {
        if (this != &other) {
            m_iX = other.m_iX;
            m_iY = other.m_iY;
        }
        return *this;
    }
    ~CRDDevicePoint() {}

    long m_iX; ///< Column in pixels from the widget's left edge.
    long m_iY; ///< Row in pixels from the widget's top edge.
};

} // namespace KelmFramework

#endif // CRDDEVICEPOINT_H
