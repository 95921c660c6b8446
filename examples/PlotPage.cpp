// The plot page of the demo: live measurement lines over a box grid with clock-time x labels.
#include "DemoPage.h"
#include "WidgetExport.h"

#include "CRDBoxGridLayout.h"
#include "CResultDisplay.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <vector>

using namespace KelmFramework;

namespace
{

constexpr double c_dWindowSeconds = 120.0;
constexpr double c_dTwoPi = 6.283185307179586;
constexpr int c_iDensePoints = 3000;

// The x value is the position in the two-minute window; the label is the wall-clock time there.
class ClockLabels : public IResultDisplayCallBack
{
public:
    ClockLabels() : IResultDisplayCallBack(QStringLiteral("clock")) {}

    QString GetXAxisStepValue(double dSeconds) override
    {
        const int iSeconds = static_cast<int>(std::lround(m_dWindowStart + dSeconds));
        return QTime(12, 0, 0).addSecs(iSeconds).toString(QStringLiteral("hh:mm:ss"));
    }

    double m_dWindowStart = 0.0; // seconds since 12:00:00 at the left edge
};

double Pressure(double dT)
{
    return 0.85 * std::sin(c_dTwoPi * dT / 40.0 - 0.56) + 0.12 * std::sin(c_dTwoPi * dT / 6.5);
}

double Flow(double dT)
{
    return 0.62 + 0.25 * std::sin(c_dTwoPi * dT / 55.0 + 0.5) + 0.08 * std::sin(dT * 12.9898);
}

double Temperature(double dT)
{
    return 0.55 * std::sin(c_dTwoPi * dT / 95.0 + 2.5) - 0.25 + 0.04 * std::sin(c_dTwoPi * dT / 2.9);
}

// Bursts every 30 s that ring down.
double Vibration(double dT)
{
    const double dSinceBurst = std::fmod(dT + 15.0, 30.0);
    return -1.0 + 0.3 * std::exp(-dSinceBurst / 7.0) * std::sin(c_dTwoPi * dT / 1.3);
}

class PlotPage : public DemoPage
{
public:
    PlotPage(QWidget* pParent, QStatusBar* pStatusBar)
        : DemoPage(pParent),
          m_Grid(m_Clock, CRDPoint(0, -1.5), CRDPoint(c_dWindowSeconds, 1.5), QStringLiteral("time of day"),
                 QStringLiteral("signal [V]"), 8, 6, 0, 3, CRDColor(205, 210, 218), CRDColor(55, 60, 70))
    {
        setWindowTitle(QStringLiteral("Plot"));

        // The grid outlives the display: both are members, the display is a child widget of this page.
        m_pDisplay = new CResultDisplay(this, &m_Grid, CRDColor(255, 255, 255));
        m_pDisplay->setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        m_pDisplay->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        m_pDisplay->EnableFeature(eRDFeatureRubberBandZoom);
        m_pDisplay->EnableFeature(eRDFeatureWheelZoom);

        auto* pReset = new QPushButton(QStringLiteral("Reset zoom"), this);
        connect(pReset, &QPushButton::clicked, this, [this] {
            m_pDisplay->ResetViewPort();
            m_pDisplay->update();
        });
        QPushButton* const pPause = PauseButton(m_Timer, this);
        QPushButton* const pSave = SaveAsButton(*m_pDisplay, QStringLiteral("plot.svg"), pStatusBar, this);

        auto* pHint = new QLabel(QStringLiteral("Drag a rectangle to zoom into it; the wheel zooms about the centre."),
                                 this);

        auto* pButtons = new QHBoxLayout;
        pButtons->addWidget(pReset);
        pButtons->addWidget(pPause);
        pButtons->addWidget(pSave);
        pButtons->addSpacing(12);
        pButtons->addWidget(pHint, 1);
        auto* pLayout = new QVBoxLayout(this);
        pLayout->addWidget(m_pDisplay, 1);
        pLayout->addLayout(pButtons);

        Refill();
        m_Timer.setInterval(100);
        connect(&m_Timer, &QTimer::timeout, this, [this] {
            m_Clock.m_dWindowStart += 0.1;
            Refill();
            m_pDisplay->update();
        });
        m_Timer.start();
    }

    QStringList SaveScreenshots(const QDir& Directory) override
    {
        QStringList paths;
        const auto save = [&](const QString& strName) { SaveGrab(Directory, strName, paths); };
        save(QStringLiteral("plot.png"));
        // The plot alone as vector drawings, as "Save as…" writes them.
        for (const QString& strName : {QStringLiteral("plot.svg"), QStringLiteral("plot.pdf")}) {
            const QString strPath = Directory.absoluteFilePath(strName);
            if (SaveWidget(*m_pDisplay, strPath))
                paths << strPath;
        }
        // What a rubber band over the upper part of the second half-minute gives, in round numbers.
        m_pDisplay->SetViewPort(CRDPoint(30, -0.3), CRDPoint(70, 1.5));
        save(QStringLiteral("plot-zoomed.png"));
        m_pDisplay->ResetViewPort();
        m_pDisplay->update();
        return paths;
    }

private:
    // Replaces every line with the window that ends now; the display keeps copies, so ids change.
    void Refill()
    {
        const double dStart = m_Clock.m_dWindowStart;
        m_pDisplay->ClearAll();

        std::vector<CRDPoint> vecPressure, vecTemperature, vecVibration;
        vecPressure.reserve(c_iDensePoints);
        vecTemperature.reserve(c_iDensePoints);
        vecVibration.reserve(c_iDensePoints);
        CRDPoint Peak(0, -1e300);
        for (int i = 0; i < c_iDensePoints; ++i) {
            const double dX = c_dWindowSeconds * i / (c_iDensePoints - 1);
            vecPressure.emplace_back(dX, Pressure(dStart + dX), false);
            vecTemperature.emplace_back(dX, Temperature(dStart + dX), false);
            vecVibration.emplace_back(dX, Vibration(dStart + dX), false);
            if (vecPressure.back().m_dY > Peak.m_dY)
                Peak = vecPressure.back();
        }

        // Sparse series sit on whole seconds of the clock, so their markers move with the data.
        const auto sampled = [&](double dEvery, double dPhase, auto value) {
            std::vector<CRDPoint> vecPoints;
            const double dFirst = std::ceil((dStart - dPhase) / dEvery) * dEvery + dPhase;
            for (double dT = dFirst; dT <= dStart + c_dWindowSeconds; dT += dEvery)
                vecPoints.emplace_back(dT - dStart, value(dT), false);
            return vecPoints;
        };
        std::vector<CRDPoint> vecSamples = sampled(4.0, 1.0, Flow);
        std::vector<CRDPoint> vecChecks = sampled(10.0, 3.0, [](double dT) { return Temperature(dT) + 0.45; });
        std::vector<CRDPoint> vecSetpoint = sampled(
            7.5, 0.0, [](double dT) { return std::fmod(std::floor(dT / 7.5), 4.0) < 2.0 ? 1.3 : 1.1; });

        m_pDisplay->AddPoint(Peak, CRDColor(214, 39, 40), eRDPointSquare);
        m_pDisplay->AddLine(vecPressure, CRDColor(31, 119, 180), eRDLineSolid, eRDPointNone,
                            QStringLiteral("pressure"));
        m_pDisplay->AddLine(vecTemperature, CRDColor(255, 127, 14), eRDLineDotted, eRDPointNone,
                            QStringLiteral("temperature"));
        m_pDisplay->AddLine(vecVibration, CRDColor(44, 160, 44), eRDLineDashDotted, eRDPointNone,
                            QStringLiteral("vibration"));
        m_pDisplay->AddLine(vecSamples, CRDColor(148, 103, 189), eRDLineSolid, eRDPointCross,
                            QStringLiteral("flow samples"));
        m_pDisplay->AddLine(vecChecks, CRDColor(140, 86, 75), eRDLineDotted, eRDPointSquare,
                            QStringLiteral("manual checks"));
        m_pDisplay->AddLine(vecSetpoint, CRDColor(227, 119, 194), eRDLineDashDotted, eRDPointDot,
                            QStringLiteral("setpoint"));
    }

    ClockLabels m_Clock;
    CRDBoxGridLayout m_Grid;
    CResultDisplay* m_pDisplay = nullptr;
    QTimer m_Timer;
};

} // namespace

DemoPage* CreatePlotPage(QWidget* pParent, QStatusBar* pStatusBar)
{
    return new PlotPage(pParent, pStatusBar);
}
