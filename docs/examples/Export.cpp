// Export: a plot or matrix as the screen shows it, to PNG (at twice the pixels), SVG and PDF.
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QWidget>

bool ExportWidget(QWidget& Widget, const QString& strBaseName)
{
    // Vector devices take the widget's own resolution, so fonts and pens keep their screen size.
    const int iDpi = Widget.logicalDpiX();
    QSvgGenerator Svg;
    Svg.setFileName(strBaseName + QStringLiteral(".svg"));
    Svg.setSize(Widget.size());
    Svg.setViewBox(QRect(QPoint(), Widget.size()));
    Svg.setResolution(iDpi);
    Widget.render(&Svg);

    QPdfWriter Pdf(strBaseName + QStringLiteral(".pdf"));
    Pdf.setResolution(iDpi);
    Pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(Widget.size()) * 72.0 / iDpi, QPageSize::Point),
                                  QPageLayout::Portrait, QMarginsF()));
    Widget.render(&Pdf);

    // A pixel ratio of 2 draws every line and text at twice the resolution, in the same layout.
    QImage Image(Widget.size() * 2, QImage::Format_ARGB32_Premultiplied);
    Image.setDevicePixelRatio(2.0);
    Image.fill(Qt::white);
    Widget.render(&Image);
    return Image.save(strBaseName + QStringLiteral(".png"));
}
