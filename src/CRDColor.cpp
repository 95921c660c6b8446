// CRDColor: an opaque RGB colour.
#include "CRDColor.h"

namespace KelmFramework
{

CRDColor::CRDColor() : QColor(0, 0, 0)
{
}

CRDColor::CRDColor(unsigned char iRed, unsigned char iGreen, unsigned char iBlue) : QColor(iRed, iGreen, iBlue)
{
}

CRDColor::CRDColor(const CRDColor& other) : QColor()
{
    if (this != &other)
        QColor::operator=(other);
}

CRDColor& CRDColor::operator=(const CRDColor& other)
{
    if (this != &other)
        QColor::operator=(other);
    return *this;
}

CRDColor::~CRDColor()
{
}

} // namespace KelmFramework
