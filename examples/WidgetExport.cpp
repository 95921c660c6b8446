// Saving a widget as the screen shows it: PNG, SVG or PDF.
#include "WidgetExport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPixmap>
#include <QPushButton>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QWidget>

bool SaveWidget(QWidget& Widget, const QString& strPath)
{
    const QString strSuffix = QFileInfo(strPath).suffix().toLower();
    // Vector devices take the widget's own resolution, so fonts and pens come out at screen size.
    const int iDpi = Widget.logicalDpiX();
    if (strSuffix == QLatin1String("svg")) {
        QSvgGenerator Generator;
        Generator.setFileName(strPath);
        Generator.setSize(Widget.size());
        Generator.setViewBox(QRect(QPoint(), Widget.size()));
        Generator.setResolution(iDpi);
        Generator.setTitle(Widget.windowTitle());
        Widget.render(&Generator);
        return QFileInfo(strPath).size() > 0;
    }
    if (strSuffix == QLatin1String("pdf")) {
        QPdfWriter Writer(strPath);
        Writer.setResolution(iDpi);
        const QSizeF Points = QSizeF(Widget.size()) * 72.0 / iDpi;
        Writer.setPageLayout(QPageLayout(QPageSize(Points, QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
        Widget.render(&Writer);
        return true;
    }
    return Widget.grab().save(strPath);
}

void SaveWidgetAs(QWidget& Widget, const QString& strSuggestedName, QStatusBar* pStatusBar)
{
    const QString strPath = QFileDialog::getSaveFileName(
        &Widget, QStringLiteral("Save as"), strSuggestedName,
        QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)"));
    if (strPath.isEmpty())
        return;
    if (SaveWidget(Widget, strPath))
        pStatusBar->showMessage(QStringLiteral("Saved %1").arg(strPath));
    else
        pStatusBar->showMessage(QStringLiteral("Could not save %1").arg(strPath));
}

QPushButton* SaveAsButton(QWidget& Widget, const QString& strSuggestedName, QStatusBar* pStatusBar, QWidget* pParent)
{
    auto* pSave = new QPushButton(QStringLiteral("Save as…"), pParent);
    QObject::connect(pSave, &QPushButton::clicked, pParent,
                     [&Widget, strSuggestedName, pStatusBar] { SaveWidgetAs(Widget, strSuggestedName, pStatusBar); });
    return pSave;
}
