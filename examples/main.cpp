// The ResultDisplay demo: opens a window, or renders screenshots when there is no display.
#include "DemoPage.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMainWindow>
#include <QStatusBar>
#include <QTabWidget>

#include <cstdio>

namespace
{

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The value of --screenshot, read before QApplication exists: without a display the platform
// plugin must be chosen before the application object is built.
QString ScreenshotArgument(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QString strArgument = QString::fromLocal8Bit(argv[i]);
        if (strArgument == QLatin1String("--screenshot") && i + 1 < argc)
            return QString::fromLocal8Bit(argv[i + 1]);
        if (strArgument.startsWith(QLatin1String("--screenshot=")))
            return strArgument.mid(int(sizeof("--screenshot=")) - 1);
    }
    return QString();
}

} // namespace

int main(int argc, char** argv)
{
    QString strScreenshotDir = ScreenshotArgument(argc, argv);
    if (strScreenshotDir.isEmpty() && !HasDisplay()) {
        strScreenshotDir = QStringLiteral("screenshots");
        std::printf("no display found, writing screenshots to %s/\n",
                    qPrintable(QDir(strScreenshotDir).absolutePath()));
        std::fflush(stdout);
    }
    if (!strScreenshotDir.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("resultdisplay-demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the ResultDisplay widgets with live data."));
    parser.addHelpOption();
    parser.addOption(QCommandLineOption(QStringLiteral("screenshot"),
                                        QStringLiteral("Render PNG screenshots into <dir> and exit."),
                                        QStringLiteral("dir")));
    parser.process(app);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("ResultDisplay demo"));
    auto* pTabs = new QTabWidget(&window);
    QList<DemoPage*> pages;
    pages << CreatePlotPage(pTabs, window.statusBar()) << CreateLivePage(pTabs, window.statusBar())
          << CreateMatrixPage(pTabs, window.statusBar()) << CreateLargePlotPage(pTabs, window.statusBar())
          << CreateAxesPage(pTabs, window.statusBar());
    for (DemoPage* pPage : pages)
        pTabs->addTab(pPage, pPage->windowTitle());
    window.setCentralWidget(pTabs);
    window.resize(1000, 700);

    if (strScreenshotDir.isEmpty()) {
        window.show();
        return QApplication::exec();
    }

    QDir directory;
    if (!directory.mkpath(strScreenshotDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(strScreenshotDir));
        return 1;
    }
    directory.setPath(strScreenshotDir);
    window.show();
    QApplication::processEvents();
    for (DemoPage* pPage : pages) {
        pTabs->setCurrentWidget(pPage);
        QApplication::processEvents();
        for (const QString& strPath : pPage->SaveScreenshots(directory))
            std::printf("%s\n", qPrintable(QDir::cleanPath(strPath)));
    }
    return 0;
}
