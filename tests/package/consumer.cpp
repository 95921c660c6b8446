// A tiny application that uses the installed package as its users do.
#include "CRDBoxGridLayout.h"
#include "CRDDevicePoint.h"
#include "CRDMatrix.h"
#include "CRDMatrixData.h"
#include "CResultDisplay.h"
#include "ResultDisplay.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cstdio>

using namespace KelmFramework;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CRDBoxGridLayout grid(CRDPoint(0, 0), CRDPoint(10, 10), QStringLiteral("t"), QStringLiteral("v"), 4, 4, 1, 3,
                          c_ColorGray, c_ColorBlack);

    // Device points are built outside the library from the inline header alone.
    CRDDevicePoint leftTop(0, 0), rightBottom(100, 100), device;
    grid.SetDeviceViewPort(leftTop, rightBottom);
    CRDPoint centre(5, 5);
    const bool inside = grid.ConvertPointToDevicePoint(centre, device);

    CRDMatrixData data;
    data.AppendMatrixItem(0, QStringLiteral("tip"), QStringLiteral("A1"));
    data.m_iBlinkIndex = 0;
    QWidget window;
    auto* pMatrix = new CRDMatrix(&window, data, c_ColorWhite, c_ColorBlack, {c_ColorRed});
    pMatrix->UpdateMatrixData(data); // the first update turns the blinking cell black
    const bool blinking = pMatrix->grab().toImage().pixelColor(3, 3) == QColor(c_ColorBlack);

    QImage image(120, 120, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    std::vector<CRDPoint> points{CRDPoint(0, 0), CRDPoint(10, 10)};
    CRDDecoratedLine line(points, c_ColorRed, eRDLineSolid, eRDPointDot, QStringLiteral("line"));
    grid.DrawLine(painter, line);
    painter.end();

    QWidget parent;
    CResultDisplay display(&parent, &grid, c_ColorWhite);
    const long id = display.AddLine(points, c_ColorBlue, eRDLineDotted, eRDPointCross, QStringLiteral("line"));

    std::printf("centre (%ld, %ld) inside %d, %ld matrix item, blinking %d, line id %ld\n", device.m_iX, device.m_iY,
                int(inside), data.Size(), int(blinking), id);
    return (inside && device.m_iX == 50 && device.m_iY == 50 && blinking && id == 1) ? 0 : 1;
}
