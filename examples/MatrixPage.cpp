// The matrix page of the demo (placeholder until the widget lands).
#include "DemoPage.h"

namespace
{

class MatrixPage : public DemoPage
{
public:
    explicit MatrixPage(QWidget* pParent) : DemoPage(pParent) { setWindowTitle(QStringLiteral("Matrix")); }
    QStringList SaveScreenshots(const QDir&) override { return {}; }
};

} // namespace

DemoPage* CreateMatrixPage(QWidget* pParent, QStatusBar*)
{
    return new MatrixPage(pParent);
}
