// The plot page of the demo (placeholder until the widget lands).
#include "DemoPage.h"

namespace
{

class PlotPage : public DemoPage
{
public:
    explicit PlotPage(QWidget* pParent) : DemoPage(pParent) { setWindowTitle(QStringLiteral("Plot")); }
    QStringList SaveScreenshots(const QDir&) override { return {}; }
};

} // namespace

DemoPage* CreatePlotPage(QWidget* pParent, QStatusBar*)
{
    return new PlotPage(pParent);
}
