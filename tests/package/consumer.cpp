// A tiny application that uses the installed package as its users do.
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDMatrix.h"
#include "CResultDisplay.h"

#include <QApplication>

using namespace KelmFramework;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CRDBoxGridLayout grid(CRDPoint(0, 0), CRDPoint(10, 10), QStringLiteral("t"), QStringLiteral("v"), 4, 4, 1, 3,
                          c_ColorGray, c_ColorBlack);
    // Device points are built outside the library, from the inline header alone.
    CRDDevicePoint leftTop(0, 0), rightBottom(100, 100), device;
    grid.SetDeviceViewPort(leftTop, rightBottom);
    CRDPoint centre(5, 5);
    const bool mapped = grid.ConvertPointToDevicePoint(centre, device) && device.m_iX == 50 && device.m_iY == 50;

    // Both widgets paint through the library's virtual functions.
    QWidget window;
    CRDMatrixData data;
    data.AppendMatrixItem(0, QStringLiteral("tip"), QStringLiteral("A1"));
    CRDMatrix matrix(&window, data, c_ColorWhite, c_ColorBlack, {c_ColorRed});
    matrix.UpdateMatrixData(data);
    std::vector<CRDPoint> points{CRDPoint(0, 0), CRDPoint(10, 10)};
    CResultDisplay display(&window, &grid, c_ColorWhite);
    const long id = display.AddLine(points, c_ColorBlue, eRDLineDotted, eRDPointCross, QStringLiteral("line"));
    CRDDecimatingBoxGrid denseGrid(CRDPoint(0, 0), CRDPoint(10, 10), QString(), QString(), 4, 4, 1, 3, c_ColorGray,
                                   c_ColorBlack);
    CResultDisplay dense(&window, &denseGrid, c_ColorWhite);
    dense.AddLine(points, c_ColorRed, eRDLineSolid, eRDPointNone, QString());
    return mapped && id == 1 && !matrix.grab().isNull() && !display.grab().isNull() && !dense.grab().isNull() ? 0 : 1;
}
