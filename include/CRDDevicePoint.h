// CRDDevicePoint: a point in widget pixels; defined inline and not exported.
#ifndef CRDDEVICEPOINT_H
#define CRDDEVICEPOINT_H

namespace KelmFramework
{

/// A point in device pixels, y growing downward.
class CRDDevicePoint
{
public:
    CRDDevicePoint() : m_iX(0), m_iY(0) {}
    CRDDevicePoint(long iX, long iY) : m_iX(iX), m_iY(iY) {}
    CRDDevicePoint(const CRDDevicePoint& other) : m_iX(other.m_iX), m_iY(other.m_iY) {}
    CRDDevicePoint& operator=(const CRDDevicePoint& other)
    {
        if (this != &other) {
            m_iX = other.m_iX;
            m_iY = other.m_iY;
        }
        return *this;
    }
    ~CRDDevicePoint() {}

    long m_iX;
    long m_iY;
};

} // namespace KelmFramework

#endif // CRDDEVICEPOINT_H
