// Axes read at a glance: a time axis in the machine's local time, and log-log axes.
#include "CRDAxisBoxGrid.h"
#include "CResultDisplay.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QTimeZone>

using namespace KelmFramework;

// Two plots side by side. The grids outlive the displays: members are destroyed in reverse order.
class AxesPlots : public QWidget
{
public:
    explicit AxesPlots(QWidget* pParent)
        : QWidget(pParent),
          // The last hour, x in seconds since the epoch: ticks at whole minutes or hours, the date once.
          m_Clock(CRDPoint(Now() - 3600, -1e-9), CRDPoint(Now(), 1e-9), QStringLiteral("time"),
                  QStringLiteral("signal [V]"), 8, 6, 0, 1, c_ColorGray, c_ColorBlack),
          // 10 Hz to 100 kHz against a gain of 10^-4 to 10: ticks at decades, minor ticks between.
          m_Bode(CRDPoint(10, 1e-4), CRDPoint(1e5, 10), QStringLiteral("frequency [Hz]"), QStringLiteral("gain"), 10, 8,
                 0, 0, c_ColorGray, c_ColorBlack),
          m_ClockDisplay(this, &m_Clock, c_ColorWhite),
          m_BodeDisplay(this, &m_Bode, c_ColorWhite)
    {
        m_Clock.SetXScale(eRDScaleTime);
        m_Clock.SetTimeZone(QTimeZone::systemTimeZone()); // UTC unless set
        m_Bode.SetXScale(eRDScaleLog10);
        m_Bode.SetYScale(eRDScaleLog10); // values at or below 0 are not drawn, like NaN
        auto* pLayout = new QHBoxLayout(this);
        pLayout->addWidget(&m_ClockDisplay);
        pLayout->addWidget(&m_BodeDisplay);
        m_BodeDisplay.EnableFeature(eRDFeatureRubberBandZoom); // a band spans decades
    }

private:
    static double Now() { return static_cast<double>(QDateTime::currentSecsSinceEpoch()); }

    CRDAxisBoxGrid m_Clock;
    CRDAxisBoxGrid m_Bode;
    CResultDisplay m_ClockDisplay;
    CResultDisplay m_BodeDisplay;
};
