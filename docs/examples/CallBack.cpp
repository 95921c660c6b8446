// A callback: x ticks labelled with clock times instead of numbers.
#include "CRDBoxGridLayout.h"
#include "CResultDisplay.h"
#include "IResultDisplayCallBack.h"

#include <QDateTime>
#include <QVBoxLayout>

using namespace KelmFramework;

// x values are seconds since the measurement started; the ticks show the time of day. A box grid
// draws a callback's texts slanted, so that long ones do not collide.
class ClockTicks : public IResultDisplayCallBack
{
public:
    explicit ClockTicks(const QDateTime& Start) : IResultDisplayCallBack(QStringLiteral("clock")), m_Start(Start) {}

    QString GetXAxisStepValue(double dValue) override
    {
        return m_Start.addMSecs(static_cast<qint64>(dValue * 1000.0)).toString(QStringLiteral("hh:mm:ss"));
    }

private:
    QDateTime m_Start;
};

// A page with a plot of its own. The callback outlives the grid and the grid the display:
// members are destroyed in reverse order, before QWidget deletes the page's other children.
class ClockPlot : public QWidget
{
public:
    explicit ClockPlot(QWidget* pParent)
        : QWidget(pParent),
          m_Ticks(QDateTime::currentDateTime()),
          // A minute in six ticks; y labels with two significant digits.
          m_Grid(m_Ticks, CRDPoint(0, -1), CRDPoint(60, 1), QStringLiteral("time"), QStringLiteral("voltage [V]"), 6, 4,
                 0, 2, c_ColorGray, c_ColorBlack),
          m_Display(this, &m_Grid, c_ColorWhite)
    {
        (new QVBoxLayout(this))->addWidget(&m_Display);
        m_Display.EnableFeature(eRDFeatureRubberBandZoom);
    }

private:
    ClockTicks m_Ticks;
    CRDBoxGridLayout m_Grid;
    CResultDisplay m_Display;
};
