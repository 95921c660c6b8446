// The axes page of the demo: the axis grid on a time axis with a nanovolt signal, and on log-log axes.
#include "DemoPage.h"

#include "CRDAxisBoxGrid.h"
#include "CResultDisplay.h"

#include <QComboBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>
#include <vector>

using namespace KelmFramework;

namespace
{

constexpr double c_dStart = 1709640000.0; // 2024-03-05 12:00:00 UTC
constexpr double c_dSeconds = 60.0;
constexpr double c_dTwoPi = 6.283185307179586;

// A nanovolt signal: a slow wave with a faster ripple, sampled every millisecond.
std::vector<CRDPoint> Signal()
{
    std::vector<CRDPoint> vecPoints;
    for (int i = 0; i <= 60000; ++i) {
        const double dT = i / 1000.0;
        vecPoints.emplace_back(c_dStart + dT,
                               0.8e-9 * std::sin(c_dTwoPi * dT / 40.0) + 0.1e-9 * std::sin(c_dTwoPi * dT * 3.0), false);
    }
    return vecPoints;
}

// The gain of a second-order low-pass filter at 1 kHz, damped by dZeta, from 10 Hz to 100 kHz.
std::vector<CRDPoint> Gain(double dZeta)
{
    std::vector<CRDPoint> vecPoints;
    for (int i = 0; i <= 400; ++i) {
        const double dF = std::pow(10.0, 1.0 + 4.0 * i / 400.0), dR = dF / 1000.0;
        vecPoints.emplace_back(dF, 1.0 / std::sqrt(std::pow(1.0 - dR * dR, 2.0) + std::pow(2.0 * dZeta * dR, 2.0)),
                               false);
    }
    return vecPoints;
}

class AxesPage : public DemoPage
{
public:
    explicit AxesPage(QWidget* pParent)
        : DemoPage(pParent),
          m_TimeGrid(CRDPoint(c_dStart, -1.2e-9), CRDPoint(c_dStart + c_dSeconds, 1.2e-9), QStringLiteral("time (UTC)"),
                     QStringLiteral("signal [V]"), 12, 8, 0, 1, CRDColor(205, 210, 218), CRDColor(55, 60, 70)),
          m_LogGrid(CRDPoint(10, 1e-4), CRDPoint(1e5, 10), QStringLiteral("frequency [Hz]"), QStringLiteral("gain"), 12,
                    8, 0, 2, CRDColor(205, 210, 218), CRDColor(55, 60, 70))
    {
        setWindowTitle(QStringLiteral("Axes"));
        m_TimeGrid.SetXScale(eRDScaleTime);
        m_LogGrid.SetXScale(eRDScaleLog10);
        m_LogGrid.SetYScale(eRDScaleLog10);

        // The grids outlive the displays: both are members, the displays are child widgets of this page. One
        // display at a time, so that each gets the width its margins are a tenth of.
        auto* pLayout = new QVBoxLayout(this);
        m_pPlots = new QStackedWidget(this);
        pLayout->addWidget(m_pPlots, 1);
        for (CRDAxisBoxGrid* pGrid : {&m_TimeGrid, &m_LogGrid}) {
            auto* pDisplay = new CResultDisplay(m_pPlots, pGrid, CRDColor(255, 255, 255));
            pDisplay->setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
            pDisplay->EnableFeature(eRDFeatureRubberBandZoom);
            pDisplay->EnableFeature(eRDFeatureWheelZoom);
            // The filter curves start together: a legend names them apart.
            pDisplay->EnableFeature(eRDFeatureLegend);
            m_pPlots->addWidget(pDisplay);
            m_apDisplays[pGrid == &m_LogGrid ? 1 : 0] = pDisplay;
        }
        std::vector<CRDPoint> vecSignal = Signal();
        m_apDisplays[0]->AddLine(vecSignal, CRDColor(31, 119, 180), eRDLineSolid, eRDPointNone,
                                 QStringLiteral("sensor 1"));
        const CRDColor aColors[] = {CRDColor(214, 39, 40), CRDColor(44, 160, 44), CRDColor(148, 103, 189)};
        const double adZeta[] = {0.05, 0.3, 1.0};
        for (int i = 0; i < 3; ++i) {
            std::vector<CRDPoint> vecGain = Gain(adZeta[i]);
            m_apDisplays[1]->AddLine(vecGain, aColors[i], eRDLineSolid, eRDPointNone,
                                     QStringLiteral("damping %1").arg(adZeta[i]));
        }

        auto* pChoice = new QComboBox(this);
        pChoice->addItems(
            {QStringLiteral("Time axis: a nanovolt signal"), QStringLiteral("Log-log axes: a filter's gain")});
        connect(pChoice, QOverload<int>::of(&QComboBox::currentIndexChanged), m_pPlots,
                &QStackedWidget::setCurrentIndex);
        auto* pReset = new QPushButton(QStringLiteral("Reset zoom"), this);
        connect(pReset, &QPushButton::clicked, this, [this] {
            for (CResultDisplay* pDisplay : m_apDisplays) {
                pDisplay->ResetViewPort();
                pDisplay->update();
            }
        });
        auto* pHint = new QLabel(QStringLiteral("Drag a rectangle to zoom, down to microseconds or across decades."),
                                 this);
        auto* pButtons = new QHBoxLayout;
        pButtons->addWidget(pChoice);
        pButtons->addWidget(pReset);
        pButtons->addSpacing(12);
        pButtons->addWidget(pHint, 1);
        pLayout->addLayout(pButtons);
    }

    QStringList SaveScreenshots(const QDir& Directory) override
    {
        QStringList paths;
        const auto save = [&](const QString& strName) { SaveGrab(Directory, strName, paths); };
        // Each plot as it starts, and zoomed into a quarter second and into the resonance, as rubber bands would.
        const CRDPoint aZoom[2][2] = {{CRDPoint(c_dStart + 20.1, -0.2e-9), CRDPoint(c_dStart + 20.35, 0.5e-9)},
                                      {CRDPoint(600, 0.3), CRDPoint(2000, 12)}};
        const QString astrNames[] = {QStringLiteral("axes-time"), QStringLiteral("axes-log")};
        const int iShown = m_pPlots->currentIndex();
        for (int i = 0; i < 2; ++i) {
            m_pPlots->setCurrentIndex(i);
            save(astrNames[i] + QStringLiteral(".png"));
            m_apDisplays[i]->SetViewPort(aZoom[i][0], aZoom[i][1]);
            save(astrNames[i] + QStringLiteral("-zoomed.png"));
            m_apDisplays[i]->ResetViewPort();
            m_apDisplays[i]->update();
        }
        m_pPlots->setCurrentIndex(iShown);
        return paths;
    }

private:
    CRDAxisBoxGrid m_TimeGrid;
    CRDAxisBoxGrid m_LogGrid;
    QStackedWidget* m_pPlots = nullptr;
    CResultDisplay* m_apDisplays[2] = {nullptr, nullptr};
};

} // namespace

DemoPage* CreateAxesPage(QWidget* pParent, QStatusBar*)
{
    return new AxesPage(pParent);
}
