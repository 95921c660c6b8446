// The pages of the demo window, each able to save screenshots of itself.
#ifndef DEMOPAGE_H
#define DEMOPAGE_H

#include <QDir>
#include <QStringList>
#include <QWidget>

class QStatusBar;

/// One tab of the demo window.
class DemoPage : public QWidget
{
public:
    using QWidget::QWidget;
    /// Renders this page's screenshots as PNG files into the directory; returns their absolute paths.
    virtual QStringList SaveScreenshots(const QDir& Directory) = 0;
};

DemoPage* CreatePlotPage(QWidget* pParent, QStatusBar* pStatusBar);
DemoPage* CreateMatrixPage(QWidget* pParent, QStatusBar* pStatusBar);
DemoPage* CreateLargePlotPage(QWidget* pParent, QStatusBar* pStatusBar);
DemoPage* CreateAxesPage(QWidget* pParent, QStatusBar* pStatusBar);

#endif // DEMOPAGE_H
