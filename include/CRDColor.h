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
    /// An opaque colour of these 8-bit channels.
    CRDColor(unsigned char iRed, unsigned char iGreen, unsigned char iBlue);
    /// The same colour.
    CRDColor(const CRDColor& other);
    /// Takes the other's colour.
    CRDColor& operator=(const CRDColor& other);
    ~CRDColor();
};

/// \name Palette colours
/// Sixteen opaque colours. Each source file that includes this header gets its own copies.
/// @{
const CRDColor c_ColorBlack{0, 0, 0};            ///< Palette colour: black.
const CRDColor c_ColorWhite{255, 255, 255};      ///< Palette colour: white.
const CRDColor c_ColorLightGray{192, 192, 192};  ///< Palette colour: light gray.
const CRDColor c_ColorGray{128, 128, 128};       ///< Palette colour: gray.
const CRDColor c_ColorDarkGray{64, 64, 64};      ///< Palette colour: dark gray.
const CRDColor c_ColorLigthRed{255, 128, 128};   ///< Palette colour: light red.
const CRDColor c_ColorRed{255, 0, 0};            ///< Palette colour: red.
const CRDColor c_ColorDarkRed{128, 0, 0};        ///< Palette colour: dark red.
const CRDColor c_ColorLightGreen{128, 255, 128}; ///< Palette colour: light green.
const CRDColor c_ColorGreen{0, 255, 0};          ///< Palette colour: green.
const CRDColor c_ColorDarkGreen{0, 64, 0};       ///< Palette colour: dark green.
const CRDColor c_ColorLightBlue{128, 128, 255};  ///< Palette colour: light blue.
const CRDColor c_ColorBlue{0, 0, 255};           ///< Palette colour: blue.
const CRDColor c_ColorDark{0, 0, 128};           ///< Palette colour: dark blue.
const CRDColor c_ColorYellow{255, 255, 0};       ///< Palette colour: yellow.
const CRDColor c_ColorOrange{255, 128, 0};       ///< Palette colour: orange.
/// @}

} // namespace KelmFramework

#endif // CRDCOLOR_H
