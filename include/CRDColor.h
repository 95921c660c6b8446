// CRDColor and the sixteen palette constants.
#ifndef CRDCOLOR_H
#define CRDCOLOR_H

#include "ResultDisplayExport.h"

#include <QColor>

namespace KelmFramework
{

/// An opaque RGB colour, usable wherever Qt expects a QColor.
class RESULTDISPLAY_EXPORT CRDColor : public QColor
{
public:
    /// Opaque black (a valid colour).
    CRDColor();
    CRDColor(unsigned char iRed, unsigned char iGreen, unsigned char iBlue);
    CRDColor(const CRDColor& other);
    CRDColor& operator=(const CRDColor& other);
    ~CRDColor();
};

// The palette: each including source file gets its own copies (internal linkage).
const CRDColor c_ColorBlack(0, 0, 0);
const CRDColor c_ColorWhite(255, 255, 255);
const CRDColor c_ColorLightGray(192, 192, 192);
const CRDColor c_ColorGray(128, 128, 128);
const CRDColor c_ColorDarkGray(64, 64, 64);
const CRDColor c_ColorLigthRed(255, 128, 128);
const CRDColor c_ColorRed(255, 0, 0);
const CRDColor c_ColorDarkRed(128, 0, 0);
const CRDColor c_ColorLightGreen(128, 255, 128);
const CRDColor c_ColorGreen(0, 255, 0);
const CRDColor c_ColorDarkGreen(0, 64, 0);
const CRDColor c_ColorLightBlue(128, 128, 255);
const CRDColor c_ColorBlue(0, 0, 255);
const CRDColor c_ColorDark(0, 0, 128);
const CRDColor c_ColorYellow(255, 255, 0);
const CRDColor c_ColorOrange(255, 128, 0);

} // namespace KelmFramework

#endif // CRDCOLOR_H
