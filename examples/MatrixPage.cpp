// The matrix page of the demo: a few hundred sensors whose states change while it runs.
#include "DemoPage.h"
#include "WidgetExport.h"

#include "CRDMatrix.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <array>
#include <vector>

using namespace KelmFramework;

namespace
{

enum ESensorState : short {
    eSensorOk,
    eSensorWarning,
    eSensorAlarm,
    eSensorOffline,
    eSensorService,
    eSensorStateCount
};

struct stStateLook
{
    const char* pName;
    CRDColor Color;
};

const std::array<stStateLook, eSensorStateCount> c_StateLooks{{
    {"OK", c_ColorLightGreen},
    {"Warning", c_ColorYellow},
    {"Alarm", c_ColorRed},
    {"Offline", c_ColorGray},
    {"Service", c_ColorLightBlue},
}};

constexpr int c_iZones = 12;
constexpr int c_iSensorsPerZone = 26;

QChar ZoneLetter(long iIndex)
{
    return QChar(static_cast<char16_t>(u'A' + iIndex / c_iSensorsPerZone));
}

class MatrixPage : public DemoPage
{
public:
    MatrixPage(QWidget* pParent, QStatusBar* pStatusBar);
    QStringList SaveScreenshots(const QDir& Directory) override;

private:
    void Step();
    CRDMatrixData Snapshot() const;
    QString SensorName(long iIndex) const;
    QString StateName(long iIndex) const;

    QStatusBar* m_pStatusBar;
    QRandomGenerator m_Random;
    std::vector<short> m_vecStates;
    std::vector<double> m_vecReadings;
    long m_iBlinkIndex;
    long m_iUpdates;
    CRDMatrix* m_pMatrix;
};

MatrixPage::MatrixPage(QWidget* pParent, QStatusBar* pStatusBar)
    : DemoPage(pParent),
      m_pStatusBar(pStatusBar),
      m_Random(20240611), // the same plant on every run, so that screenshots compare
      m_vecStates(c_iZones * c_iSensorsPerZone, eSensorOk),
      m_vecReadings(m_vecStates.size()),
      m_iBlinkIndex(-1),
      m_iUpdates(0),
      m_pMatrix(nullptr)
{
    setWindowTitle(QStringLiteral("Matrix"));
    for (std::size_t i = 0; i < m_vecStates.size(); ++i) {
        m_vecReadings[i] = 40.0 + m_Random.bounded(300) / 10.0;
        const int iRoll = m_Random.bounded(100);
        m_vecStates[i] = iRoll < 80   ? eSensorOk
                         : iRoll < 90 ? eSensorWarning
                         : iRoll < 93 ? eSensorAlarm
                         : iRoll < 97 ? eSensorOffline
                                      : eSensorService;
    }
    m_iBlinkIndex = 4 * c_iSensorsPerZone + 16;
    m_vecStates[static_cast<std::size_t>(m_iBlinkIndex)] = eSensorAlarm;

    auto* pLegend = new QHBoxLayout;
    pLegend->addWidget(new QLabel(QStringLiteral("States:"), this));
    for (const stStateLook& Look : c_StateLooks) {
        auto* pChip = new QLabel(QString::fromLatin1(Look.pName), this);
        pChip->setStyleSheet(QStringLiteral("background: %1; color: black; border: 1px solid black; padding: 2px 8px;")
                                 .arg(Look.Color.name()));
        pLegend->addWidget(pChip);
    }
    pLegend->addStretch();
    auto* pSave = new QPushButton(QStringLiteral("Save as…"), this);
    pLegend->addWidget(pSave);
    auto* pHint = new QLabel(QStringLiteral("The newest alarm blinks. Rest the mouse on a sensor for its reading; "
                                            "double-click or right-click it to report it below."),
                             this);
    pHint->setWordWrap(true);

    std::vector<CRDColor> vecColors;
    for (const stStateLook& Look : c_StateLooks)
        vecColors.push_back(Look.Color);
    m_pMatrix = new CRDMatrix(this, Snapshot(), c_ColorDarkGray, c_ColorBlack, vecColors);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pLegend);
    pLayout->addWidget(pHint);
    pLayout->addWidget(m_pMatrix, 1);
    connect(pSave, &QPushButton::clicked, this,
            [this] { SaveWidgetAs(*m_pMatrix, QStringLiteral("matrix.svg"), m_pStatusBar); });

    connect(m_pMatrix, qOverload<QMouseEvent*, TKelmLong>(&CRDMatrix::mouseDoubleClickEvent), this,
            [this](QMouseEvent*, TKelmLong iIndex) {
                m_pStatusBar->showMessage(
                    QStringLiteral("Double click on sensor %1: %2").arg(SensorName(iIndex), StateName(iIndex)));
            });
    connect(m_pMatrix, qOverload<const QPoint&, TKelmLong>(&CRDMatrix::customContextMenuRequested), this,
            [this](const QPoint& Position, TKelmLong iIndex) {
                m_pStatusBar->showMessage(QStringLiteral("Right click on sensor %1 at (%2, %3): %4")
                                              .arg(SensorName(iIndex))
                                              .arg(Position.x())
                                              .arg(Position.y())
                                              .arg(StateName(iIndex)));
            });

    auto* pTimer = new QTimer(this);
    connect(pTimer, &QTimer::timeout, this, [this]() { Step(); });
    pTimer->start(500);
}

// A few sensors change state in every step; mostly they recover, now and then one raises an alarm.
void MatrixPage::Step()
{
    for (int iChange = 0; iChange < 4; ++iChange) {
        const auto i = static_cast<std::size_t>(m_Random.bounded(static_cast<int>(m_vecStates.size())));
        if (static_cast<long>(i) == m_iBlinkIndex)
            continue;
        m_vecReadings[i] += (m_Random.bounded(61) - 30) / 10.0;
        const int iRoll = m_Random.bounded(100);
        short iState = iRoll < 60   ? eSensorOk
                       : iRoll < 85 ? eSensorWarning
                       : iRoll < 92 ? eSensorOffline
                       : iRoll < 97 ? eSensorService
                                    : eSensorAlarm;
        if (iState == eSensorAlarm) {
            m_vecStates[static_cast<std::size_t>(m_iBlinkIndex)] = eSensorWarning;
            m_iBlinkIndex = static_cast<long>(i);
        }
        m_vecStates[i] = iState;
    }
    ++m_iUpdates;
    m_pMatrix->UpdateMatrixData(Snapshot());
}

CRDMatrixData MatrixPage::Snapshot() const
{
    CRDMatrixData Data;
    for (long i = 0; i < static_cast<long>(m_vecStates.size()); ++i) {
        const double dReading = m_vecReadings[static_cast<std::size_t>(i)];
        Data.AppendMatrixItem(m_vecStates[static_cast<std::size_t>(i)],
                              QStringLiteral("Sensor %1\nZone %2, position %3\nState: %4\nReading: %5 °C")
                                  .arg(SensorName(i))
                                  .arg(ZoneLetter(i))
                                  .arg(i % c_iSensorsPerZone + 1)
                                  .arg(StateName(i))
                                  .arg(dReading, 0, 'f', 1),
                              SensorName(i));
    }
    Data.m_iBlinkIndex = m_iBlinkIndex;
    return Data;
}

QString MatrixPage::SensorName(long iIndex) const
{
    return QStringLiteral("%1%2").arg(ZoneLetter(iIndex)).arg(iIndex % c_iSensorsPerZone + 1, 2, 10, QLatin1Char('0'));
}

QString MatrixPage::StateName(long iIndex) const
{
    return QString::fromLatin1(
        c_StateLooks[static_cast<std::size_t>(m_vecStates[static_cast<std::size_t>(iIndex)])].pName);
}

QStringList MatrixPage::SaveScreenshots(const QDir& Directory)
{
    // Show the blinking cell in its inverted phase, which follows every odd update.
    if (m_iUpdates % 2 == 0)
        Step();
    const QString strPath = Directory.absoluteFilePath(QStringLiteral("matrix.png"));
    if (!grab().save(strPath))
        return {};
    return {strPath};
}

} // namespace

DemoPage* CreateMatrixPage(QWidget* pParent, QStatusBar* pStatusBar)
{
    return new MatrixPage(pParent, pStatusBar);
}
