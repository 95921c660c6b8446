// A status matrix: a cell per sensor coloured by its state, the newest alarm blinking, clicks reported.
#include "CRDMatrix.h"

#include <QMouseEvent>
#include <QStatusBar>

using namespace KelmFramework;

CRDMatrix* AddSensorMatrix(QWidget& Parent, QStatusBar& StatusBar)
{
    CRDMatrixData Data;
    for (int i = 1; i <= 48; ++i)
        Data.AppendMatrixItem(0, QStringLiteral("sensor %1: ok").arg(i), QStringLiteral("S%1").arg(i));
    // A state indexes the colours: 0 ok, 1 warning, 2 alarm.
    const std::vector<CRDColor> vecStateColors{c_ColorGreen, c_ColorYellow, c_ColorRed};
    auto* pMatrix = new CRDMatrix(&Parent, Data, c_ColorWhite, c_ColorDarkGray, vecStateColors);

    // The signals carry the item's index; the handlers of the same names are the widget's own.
    QObject::connect(pMatrix, qOverload<QMouseEvent*, TKelmLong>(&CRDMatrix::mouseDoubleClickEvent), &StatusBar,
                     [&StatusBar](QMouseEvent*, TKelmLong iIndex) {
                         StatusBar.showMessage(QStringLiteral("sensor %1 opened").arg(iIndex + 1));
                     });
    QObject::connect(pMatrix, qOverload<const QPoint&, TKelmLong>(&CRDMatrix::customContextMenuRequested), &StatusBar,
                     [&StatusBar](const QPoint&, TKelmLong iIndex) {
                         StatusBar.showMessage(QStringLiteral("menu for sensor %1").arg(iIndex + 1));
                     });

    // New states come as the whole data again; each update flips the blink phase and repaints.
    Data.m_vecItems[7].m_iState = 2;
    Data.m_vecItems[7].m_strToolTip = QStringLiteral("sensor 8: alarm");
    Data.m_iBlinkIndex = 7;
    pMatrix->UpdateMatrixData(Data);
    return pMatrix;
}
