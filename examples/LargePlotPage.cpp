// The large plot page of the demo: two lines of a million points each, drawn through the
// decimating grid or, for comparison, segment by segment through the box grid.
#include "DemoPage.h"

#include "CRDDecimatingBoxGrid.h"
#include "CResultDisplay.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>
#include <random>
#include <vector>

using namespace KelmFramework;

namespace
{

constexpr long c_iPoints = 1000000;
constexpr double c_dSeconds = 10.0;
constexpr double c_dTwoPi = 6.283185307179586;

// The decimating grid, able to draw its lines as the box grid does; it times the lines of a paint.
class SwitchableGrid : public CRDDecimatingBoxGrid
{
public:
    SwitchableGrid()
        : CRDDecimatingBoxGrid(CRDPoint(0, -2), CRDPoint(c_dSeconds, 2), QStringLiteral("time [s]"),
                               QStringLiteral("signal [V]"), 10, 8, 1, 2, CRDColor(205, 210, 218), CRDColor(55, 60, 70))
    {
    }

    void DrawGrid(QPainter& Painter, CRDDevicePoint& LeftTop, CRDDevicePoint& RightBottom, long iMargin) override
    {
        m_dLinesMs = 0.0;
        CRDDecimatingBoxGrid::DrawGrid(Painter, LeftTop, RightBottom, iMargin);
    }

    void DrawLine(QPainter& Painter, CRDDecoratedLine& Line) override
    {
        QElapsedTimer Timer;
        Timer.start();
        if (m_bEverySegment)
            CRDBoxGridLayout::DrawLine(Painter, Line);
        else
            CRDDecimatingBoxGrid::DrawLine(Painter, Line);
        m_dLinesMs += static_cast<double>(Timer.nsecsElapsed()) / 1e6;
    }

    bool m_bEverySegment = false;
    double m_dLinesMs = 0.0; // spent in DrawLine since the grid was last drawn
};

// A display that reports how long its lines took once a paint is done.
class TimedDisplay : public CResultDisplay
{
public:
    TimedDisplay(QWidget* pParent, SwitchableGrid& Grid, QLabel& Report)
        : CResultDisplay(pParent, &Grid, CRDColor(255, 255, 255)), m_Grid(Grid), m_pReport(&Report)
    {
    }

    double m_adLastMs[2] = {-1.0, -1.0}; // decimating, every segment

protected:
    void paintEvent(QPaintEvent* pEvent) override
    {
        CResultDisplay::paintEvent(pEvent);
        m_adLastMs[m_Grid.m_bEverySegment ? 1 : 0] = m_Grid.m_dLinesMs;
        const auto text = [](double dMs) {
            return dMs < 0.0 ? QStringLiteral("not drawn yet") : QStringLiteral("%1 ms").arg(dMs, 0, 'f', 1);
        };
        if (m_pReport)
            m_pReport->setText(QStringLiteral("Both lines, last paint: "
                                              "CRDDecimatingBoxGrid %1, CRDBoxGridLayout %2")
                                   .arg(text(m_adLastMs[0]), text(m_adLastMs[1])));
    }

private:
    SwitchableGrid& m_Grid;
    QPointer<QLabel> m_pReport;
};

class LargePlotPage : public DemoPage
{
public:
    explicit LargePlotPage(QWidget* pParent) : DemoPage(pParent)
    {
        setWindowTitle(QStringLiteral("1,000,000 points"));

        auto* pReport = new QLabel(this);
        m_pDisplay = new TimedDisplay(this, m_Grid, *pReport);
        m_pDisplay->setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
        m_pDisplay->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        m_pDisplay->EnableFeature(eRDFeatureRubberBandZoom);
        m_pDisplay->EnableFeature(eRDFeatureWheelZoom);

        m_pEverySegment = new QCheckBox(QStringLiteral("Draw every segment (CRDBoxGridLayout)"), this);
        connect(m_pEverySegment, &QCheckBox::toggled, this, [this](bool bEverySegment) {
            m_Grid.m_bEverySegment = bEverySegment;
            m_pDisplay->update();
        });
        auto* pReset = new QPushButton(QStringLiteral("Reset zoom"), this);
        connect(pReset, &QPushButton::clicked, this, [this] {
            m_pDisplay->ResetViewPort();
            m_pDisplay->update();
        });

        auto* pHint = new QLabel(QStringLiteral("Drag a rectangle or turn the wheel to zoom."), this);
        auto* pControls = new QHBoxLayout;
        pControls->addWidget(pReset);
        pControls->addWidget(m_pEverySegment);
        pControls->addSpacing(12);
        pControls->addWidget(pHint, 1);
        auto* pLayout = new QVBoxLayout(this);
        pLayout->addWidget(m_pDisplay, 1);
        pLayout->addWidget(pReport);
        pLayout->addLayout(pControls);

        Fill();
    }

    // The display refers to the grid: it goes first.
    ~LargePlotPage() override { delete m_pDisplay; }

    QStringList SaveScreenshots(const QDir& Directory) override
    {
        // One paint each way, so that the report below the plot shows both times.
        m_pEverySegment->setChecked(true);
        grab();
        m_pEverySegment->setChecked(false);
        grab();
        const QString strPath = Directory.absoluteFilePath(QStringLiteral("large.png"));
        if (!grab().save(strPath))
            return {};
        return {strPath};
    }

private:
    void Fill()
    {
        std::mt19937 Random(2024);
        std::normal_distribution<double> Noise(0.0, 0.12);
        std::vector<CRDPoint> vecMeasured, vecModel;
        vecMeasured.reserve(c_iPoints);
        vecModel.reserve(c_iPoints);
        for (long i = 0; i < c_iPoints; ++i) {
            const double dT = c_dSeconds * static_cast<double>(i) / (c_iPoints - 1);
            const double dModel = 1.1 * std::sin(c_dTwoPi * dT / 4.0) * std::exp(-dT / 12.0);
            // A burst of interference in the fourth second.
            const double dBurst = dT > 3.0 && dT < 4.0 ? 0.35 * std::sin(c_dTwoPi * 50.0 * dT) : 0.0;
            vecMeasured.emplace_back(dT, dModel + Noise(Random) + dBurst - 0.3, false);
            vecModel.emplace_back(dT, dModel + 0.9, false);
        }
        m_pDisplay->AddLine(vecMeasured, CRDColor(31, 119, 180), eRDLineSolid, eRDPointNone,
                            QStringLiteral("measured"));
        m_pDisplay->AddLine(vecModel, CRDColor(214, 39, 40), eRDLineDotted, eRDPointNone,
                            QStringLiteral("model + 0.9 V"));
    }

    SwitchableGrid m_Grid;
    TimedDisplay* m_pDisplay = nullptr;
    QCheckBox* m_pEverySegment = nullptr;
};

} // namespace

DemoPage* CreateLargePlotPage(QWidget* pParent, QStatusBar*)
{
    return new LargePlotPage(pParent);
}
