// The pages of the demo window, each able to save screenshots of itself.
#ifndef DEMOPAGE_H
#define DEMOPAGE_H

#include <QDir>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QStatusBar;

/// One tab of the demo window.
class DemoPage : public QWidget
{
public:
    using QWidget::QWidget;
    /// Renders this page's screenshots as PNG files into the directory; returns their absolute paths.
    virtual QStringList SaveScreenshots(const QDir& Directory) = 0;

protected:
    /// Saves the page as it shows now to strName in Directory, adding the file's path to Paths.
    void SaveGrab(const QDir& Directory, const QString& strName, QStringList& Paths)
    {
        const QString strPath = Directory.absoluteFilePath(strName);
        if (grab().save(strPath))
            Paths << strPath;
    }
};

/// A checkable "Pause" button, child of pParent, that stops the timer while it is down.
inline QPushButton* PauseButton(QTimer& Timer, QWidget* pParent)
{
    auto* pPause = new QPushButton(QStringLiteral("Pause"), pParent);
    pPause->setCheckable(true);
    QObject::connect(pPause, &QPushButton::toggled, pParent, [&Timer](bool bPaused) {
        if (bPaused)
            Timer.stop();
        else
            Timer.start();
    });
    return pPause;
}

DemoPage* CreatePlotPage(QWidget* pParent, QStatusBar* pStatusBar);
DemoPage* CreateLivePage(QWidget* pParent, QStatusBar* pStatusBar);
DemoPage* CreateMatrixPage(QWidget* pParent, QStatusBar* pStatusBar);
DemoPage* CreateLargePlotPage(QWidget* pParent, QStatusBar* pStatusBar);
DemoPage* CreateAxesPage(QWidget* pParent, QStatusBar* pStatusBar);

#endif // DEMOPAGE_H
