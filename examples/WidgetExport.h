// Saving a widget as the screen shows it: PNG, SVG or PDF.
#ifndef WIDGETEXPORT_H
#define WIDGETEXPORT_H

#include <QString>

class QPushButton;
class QStatusBar;
class QWidget;

/// Writes the widget to strPath as PNG, SVG or PDF, chosen by the suffix; false when it could not.
bool SaveWidget(QWidget& Widget, const QString& strPath);

/// Asks for a file (PNG, SVG or PDF) and saves the widget there, reporting in the status bar.
void SaveWidgetAs(QWidget& Widget, const QString& strSuggestedName, QStatusBar* pStatusBar);

/// A "Save as…" button, child of pParent, that calls SaveWidgetAs for the widget.
QPushButton* SaveAsButton(QWidget& Widget, const QString& strSuggestedName, QStatusBar* pStatusBar, QWidget* pParent);

#endif // WIDGETEXPORT_H
