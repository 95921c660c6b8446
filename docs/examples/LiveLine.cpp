// A live line: the last ten seconds of a signal, a sample every 20 ms.
#include "CResultDisplay.h"

#include <QTimer>

#include <cmath>

using namespace KelmFramework;

// Appending and dropping cost what is added or removed, not the line's length; the line keeps its
// id, colour, styles and name. The view follows the newest sample.
void StartLiveLine(CResultDisplay& Display, QTimer& Timer)
{
    std::vector<CRDPoint> vecNoPoints;
    const long iLine = Display.AddLine(vecNoPoints, c_ColorBlue, eRDLineSolid, eRDPointNone, QStringLiteral("live"));
    QObject::connect(&Timer, &QTimer::timeout, &Display, [&Display, iLine, iSample = 0L]() mutable {
        const double dTime = 0.02 * static_cast<double>(iSample++);
        Display.AppendLinePoints(iLine, {CRDPoint(dTime, std::sin(dTime))});
        if (iSample > 500)
            Display.DropLinePoints(iLine, 1);
        Display.SetViewPort(CRDPoint(dTime - 10.0, -1.2), CRDPoint(dTime, 1.2));
        Display.update(); // setters never repaint by themselves
    });
    Timer.start(20);
}
