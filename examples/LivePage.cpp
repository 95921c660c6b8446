// The live page of the demo: four channels streaming at 20 ticks a second, the view following the newest
// ten seconds until the user zooms or pans, on a clock-time axis; a legend and a value readout.
#include "DemoPage.h"
#include "WidgetExport.h"

#include "CRDAxisBoxGrid.h"
#include "CResultDisplay.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTimeZone>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <random>
#include <vector>

using namespace KelmFramework;

namespace
{

constexpr int c_iChannels = 4;
constexpr double c_dSampleRate = 2000.0;    // samples per second and channel
constexpr int c_iTickMs = 50;               // 20 ticks a second
constexpr double c_dShownSeconds = 10.0;    // what the view shows while it follows
constexpr double c_dHistorySeconds = 120.0; // what the display keeps, to zoom and pan back into
constexpr double c_dTwoPi = 6.283185307179586;

// Four measured channels: slow waves of their own, sensor noise, and now and then a spike.
class Channels
{
public:
    /// Samples from dStart on, in seconds since the epoch.
    explicit Channels(double dStart) : m_dStart(dStart) {}

    std::vector<CRDPoint> Next(int iChannel, long iFirst, long iCount)
    {
        std::vector<CRDPoint> vecPoints;
        vecPoints.reserve(static_cast<std::size_t>(iCount));
        for (long i = iFirst; i < iFirst + iCount; ++i) {
            const double dT = static_cast<double>(i) / c_dSampleRate;
            double dY = 0.0;
            switch (iChannel) {
            case 0:
                dY = 1.1 + 0.35 * std::sin(c_dTwoPi * dT / 7.0) + 0.08 * std::sin(c_dTwoPi * dT * 1.7);
                break;
            case 1:
                dY = 0.35 + 0.2 * std::sin(c_dTwoPi * dT / 11.0 + 1.0);
                break;
            case 2:
                dY = -0.4 + 0.15 * std::sin(c_dTwoPi * dT / 23.0 + 2.0) + 0.04 * std::sin(c_dTwoPi * dT * 0.6);
                break;
            default:
                dY = -1.2 + 0.25 * std::exp(-std::fmod(dT, 5.0)) * std::sin(c_dTwoPi * dT * 9.0);
                break;
            }
            dY += m_Noise(m_Generator);
            if (m_Spike(m_Generator) == 0)
                dY += 0.6;
            vecPoints.emplace_back(m_dStart + dT, dY, false);
        }
        return vecPoints;
    }

private:
    double m_dStart;
    std::mt19937 m_Generator{2024};
    std::normal_distribution<double> m_Noise{0.0, 0.03};
    std::uniform_int_distribution<int> m_Spike{0, 40000};
};

class LivePage : public DemoPage
{
public:
    LivePage(QWidget* pParent, QStatusBar* pStatusBar)
        : DemoPage(pParent),
          m_dStart(static_cast<double>(QDateTime::currentSecsSinceEpoch())),
          m_Grid(CRDPoint(m_dStart, -2), CRDPoint(m_dStart + c_dShownSeconds, 2), QStringLiteral("time"),
                 QStringLiteral("signal [V]"), 10, 8, 1, 2, CRDColor(205, 210, 218), CRDColor(55, 60, 70)),
          m_Source(m_dStart)
    {
        setWindowTitle(QStringLiteral("Live"));
        // Clock times as the user's own clock shows them.
        m_Grid.SetXScale(eRDScaleTime);
        m_Grid.SetTimeZone(QTimeZone::systemTimeZone());
        m_pDisplay = new CResultDisplay(this, &m_Grid, CRDColor(255, 255, 255));
        m_pDisplay->setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        m_pDisplay->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        for (ERDFeature eFeature : {eRDFeatureRubberBandZoom, eRDFeaturePan, eRDFeatureZoomAtCursor,
                                    eRDFeatureSmoothZoom, eRDFeatureLegend, eRDFeatureReadout})
            m_pDisplay->EnableFeature(eFeature);

        const QString astrNames[c_iChannels] = {QStringLiteral("pressure"), QStringLiteral("flow"),
                                                QStringLiteral("temperature"), QStringLiteral("vibration")};
        const CRDColor aColors[c_iChannels] = {CRDColor(31, 119, 180), CRDColor(255, 127, 14), CRDColor(44, 160, 44),
                                               CRDColor(214, 39, 40)};
        // The last ten seconds are there from the start.
        m_iNext = static_cast<long>(c_dShownSeconds * c_dSampleRate);
        for (int c = 0; c < c_iChannels; ++c)
            m_aiLines[c] = m_pDisplay->AddLine(m_Source.Next(c, 0, m_iNext), aColors[c], eRDLineSolid, eRDPointNone,
                                               astrNames[c]);
        Follow();

        // A view the user chose stops the following; the view the page sets itself does not.
        connect(m_pDisplay, &CResultDisplay::viewPortChanged, this, [this] {
            if (!m_bSettingView)
                SetFollowing(false);
        });

        m_pFollow = new QPushButton(QStringLiteral("Follow"), this);
        connect(m_pFollow, &QPushButton::clicked, this, [this] {
            SetFollowing(true);
            Follow();
            m_pDisplay->update();
        });
        auto* pFit = new QPushButton(QStringLiteral("Fit"), this);
        connect(pFit, &QPushButton::clicked, this, [this] {
            m_pDisplay->FitViewPortToData();
            m_pDisplay->update();
        });
        QPushButton* const pPause = PauseButton(m_Timer, this);
        QPushButton* const pSave = SaveAsButton(*m_pDisplay, QStringLiteral("live.svg"), pStatusBar, this);
        auto* pHint = new QLabel(QStringLiteral("Drag to zoom, drag with the middle button to pan; the wheel zooms "
                                                "at the mouse (Ctrl: time only, Shift: values only)."),
                                 this);
        pHint->setWordWrap(true);

        auto* pButtons = new QHBoxLayout;
        for (QPushButton* pButton : {m_pFollow, pFit, pPause, pSave})
            pButtons->addWidget(pButton);
        pButtons->addSpacing(12);
        pButtons->addWidget(pHint, 1);
        auto* pLayout = new QVBoxLayout(this);
        pLayout->addWidget(m_pDisplay, 1);
        pLayout->addLayout(pButtons);
        SetFollowing(true);

        m_Timer.setInterval(c_iTickMs);
        connect(&m_Timer, &QTimer::timeout, this, [this] { Tick(); });
        m_Timer.start();
    }

    QStringList SaveScreenshots(const QDir& Directory) override
    {
        // The readout over the pressure line, six seconds before the newest sample, clear of the legend.
        const CRDPoint Vertex = Channels(m_dStart).Next(0, m_iNext - static_cast<long>(6 * c_dSampleRate), 1).front();
        CRDPoint User(Vertex.m_dX, Vertex.m_dY);
        CRDDevicePoint Device;
        QStringList paths;
        m_Grid.ConvertPointToDevicePoint(User, Device);
        QMouseEvent Move(QEvent::MouseMove, QPointF(Device.m_iX, Device.m_iY), QPointF(), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(m_pDisplay, &Move);
        SaveGrab(Directory, QStringLiteral("live.png"), paths);
        QEvent Leave(QEvent::Leave);
        QCoreApplication::sendEvent(m_pDisplay, &Leave);
        return paths;
    }

private:
    // New samples on every channel; what is older than the history goes.
    void Tick()
    {
        const long iCount = static_cast<long>(c_dSampleRate * c_iTickMs / 1000.0);
        const long iKept = static_cast<long>(c_dHistorySeconds * c_dSampleRate);
        for (int c = 0; c < c_iChannels; ++c) {
            m_pDisplay->AppendLinePoints(m_aiLines[c], m_Source.Next(c, m_iNext, iCount));
            if (m_iNext + iCount > iKept)
                m_pDisplay->DropLinePoints(m_aiLines[c], iCount);
        }
        m_iNext += iCount;
        if (m_bFollowing)
            Follow();
        m_pDisplay->update();
    }

    // The newest ten seconds, at the height the grid has now.
    void Follow()
    {
        const double dNewest = m_dStart + static_cast<double>(m_iNext - 1) / c_dSampleRate;
        m_bSettingView = true;
        m_pDisplay->SetViewPort(CRDPoint(dNewest - c_dShownSeconds, m_Grid.GetViewPortLeftButton().m_dY),
                                CRDPoint(dNewest, m_Grid.GetViewPortRightTop().m_dY));
        m_bSettingView = false;
    }

    void SetFollowing(bool bFollowing)
    {
        m_bFollowing = bFollowing;
        m_pFollow->setEnabled(!bFollowing);
    }

    double m_dStart; // the first sample's time
    CRDAxisBoxGrid m_Grid;
    CResultDisplay* m_pDisplay = nullptr;
    QPushButton* m_pFollow = nullptr;
    Channels m_Source;
    long m_aiLines[c_iChannels] = {};
    long m_iNext = 0; // the index of the next sample of every channel
    bool m_bFollowing = true;
    bool m_bSettingView = false;
    QTimer m_Timer;
};

} // namespace

DemoPage* CreateLivePage(QWidget* pParent, QStatusBar* pStatusBar)
{
    return new LivePage(pParent, pStatusBar);
}
