// A random scene drawn through both box grids, pixel by pixel compared: for the test and the fuzzer.
#ifndef DECIMATIONSCENE_H
#define DECIMATIONSCENE_H

#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDDecoratedPoint.h"

#include <QDebug>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace DecimationScene
{

using namespace KelmFramework;

/// The largest difference in any channel of two pixels.
inline int ChannelDistance(QRgb uA, QRgb uB)
{
    int iLargest = 0;
    for (int iShift = 0; iShift < 32; iShift += 8)
        iLargest = std::max(iLargest, std::abs(int((uA >> iShift) & 0xff) - int((uB >> iShift) & 0xff)));
    return iLargest;
}

/// What two renderings differ by.
struct Difference
{
    int iLargest = 0;    ///< in any channel of any pixel
    long iDiffering = 0; ///< pixels not identical
    long iLit = 0;       ///< pixels the first rendering changed on the background

    /// As a failing check reports it.
    QByteArray Text() const
    {
        return QString::asprintf("%ld of %ld lit pixels differ, the largest by %d", iDiffering, iLit, iLargest)
            .toLatin1();
    }
};

/// Two renderings of one size, pixel by pixel. Channels are compared as blending stores them,
/// premultiplied: unpremultiplying a translucent pixel would magnify a step of its blends.
inline Difference Compare(const QImage& Exact, const QImage& Other, const QImage& Background)
{
    const QImage E = Exact.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage D = Other.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage B = Background.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Difference Result;
    for (int iY = 0; iY < E.height(); ++iY) {
        const QRgb* const puE = reinterpret_cast<const QRgb*>(E.constScanLine(iY));
        const QRgb* const puD = reinterpret_cast<const QRgb*>(D.constScanLine(iY));
        const QRgb* const puB = reinterpret_cast<const QRgb*>(B.constScanLine(iY));
        for (int iX = 0; iX < E.width(); ++iX) {
            Result.iLit += puE[iX] != puB[iX];
            Result.iDiffering += puE[iX] != puD[iX];
            Result.iLargest = std::max(Result.iLargest, ChannelDistance(puE[iX], puD[iX]));
        }
    }
    return Result;
}

/// The image, the painter and the grids' rectangles a scene is drawn with.
struct Setup
{
    QRectF ViewPort{0, 0, 10, 10};
    QRect Device{QPoint(10, 10), QPoint(190, 190)}; ///< left, top, right, bottom as a QRect's corners
    QSize Size{200, 200};
    QImage::Format eFormat = QImage::Format_ARGB32_Premultiplied;
    double dRatio = 1.0;
    QColor Background = Qt::white;
    bool bAntialiased = true;
    QPointF Translation;
    double dOpacity = 1.0;
    QPainter::CompositionMode eMode = QPainter::CompositionMode_SourceOver;
    QRegion Clip;   ///< the painter's; none when empty
    QRegion System; ///< the paint engine's, as a widget's repaint of an exposed region sets it; none when empty
    bool bBrush = false;

    QImage Blank() const
    {
        QImage Image(static_cast<int>(Size.width() * dRatio), static_cast<int>(Size.height() * dRatio), eFormat);
        Image.setDevicePixelRatio(dRatio);
        Image.fill(Background);
        return Image;
    }
    /// The points, then the lines, as a display draws them.
    QImage Render(CRDGrid& Grid, std::vector<CRDDecoratedLine>& vecLines,
                  std::vector<CRDDecoratedPoint> vecPoints = {}) const
    {
        QImage Image = Blank();
        Image.paintEngine()->setSystemClip(System);
        QPainter Painter(&Image);
        Painter.setRenderHint(QPainter::Antialiasing, bAntialiased);
        Painter.translate(Translation);
        Painter.setOpacity(dOpacity);
        Painter.setCompositionMode(eMode);
        if (!Clip.isEmpty())
            Painter.setClipRegion(Clip);
        if (bBrush)
            Painter.setBrush(QBrush(Qt::darkCyan, Qt::Dense4Pattern));
        for (CRDDecoratedPoint& Point : vecPoints)
            Grid.DrawPoint(Painter, Point);
        for (CRDDecoratedLine& Line : vecLines)
            Grid.DrawLine(Painter, Line);
        Painter.end();
        Image.paintEngine()->setSystemClip(QRegion());
        return Image;
    }
};

/// A box grid and a decimating one over a setup's viewport and device rectangle.
struct GridPair
{
    explicit GridPair(const Setup& With) : m_With(With)
    {
        CRDPoint LeftBottom(With.ViewPort.left(), With.ViewPort.top());
        CRDPoint RightTop(With.ViewPort.right(), With.ViewPort.bottom());
        Exact.SetViewPort(LeftBottom, RightTop);
        Decimating.SetViewPort(LeftBottom, RightTop);
        SetDevice(With.Device.left(), With.Device.top(), With.Device.right(), With.Device.bottom());
    }
    void SetDevice(long iLeft, long iTop, long iRight, long iBottom)
    {
        CRDDevicePoint LeftTop(iLeft, iTop), RightBottom(iRight, iBottom);
        Exact.SetDeviceViewPort(LeftTop, RightBottom);
        Decimating.SetDeviceViewPort(LeftTop, RightBottom);
    }
    /// The points and lines drawn through both grids.
    Difference Compare(std::vector<CRDDecoratedLine>& vecLines, std::vector<CRDDecoratedPoint> vecPoints = {})
    {
        const QImage E = m_With.Render(Exact, vecLines, vecPoints);
        return DecimationScene::Compare(E, m_With.Render(Decimating, vecLines, vecPoints), m_With.Blank());
    }

    CRDBoxGridLayout Exact{CRDPoint(0, 0), CRDPoint(1, 1), QString(), QString(), 4, 4, 1, 3, c_ColorGray, c_ColorBlack};
    CRDDecimatingBoxGrid Decimating{CRDPoint(0, 0), CRDPoint(1, 1), QString(), QString(), 4, 4, 1, 3,
                                    c_ColorGray,    c_ColorBlack};
    const Setup m_With;
};

/// A random scene, its choices taken from Source: Source.Pick(lo, hi) an int in [lo, hi],
/// Source.Real(lo, hi) a double. Noisy, stepped, walking, jittered, backward, piled-up or scattered
/// lines with gaps and far excursions, in every style and in opaque and translucent colours, and single
/// points in colours of their own, on images of odd sizes, formats and pixel ratios, through painters in
/// several states.
template <class Source>
class Scene
{
public:
    explicit Scene(Source& Random) : m_Random(Random) { Build(); }

    Difference Compare() { return m_pGrids->Compare(m_vecLines, m_vecPoints); }
    /// What was drawn, to reproduce a finding.
    QString Description() const { return m_strDescription; }

private:
    double Pick(const std::vector<double>& vecValues)
    {
        return vecValues[static_cast<std::size_t>(m_Random.Pick(0, static_cast<int>(vecValues.size()) - 1))];
    }
    bool Chance(int iPercent) { return m_Random.Pick(0, 99) < iPercent; }

    void Build()
    {
        static const QImage::Format s_aFormats[] = {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32,
                                                    QImage::Format_ARGB32, QImage::Format_RGB16, QImage::Format_RGB888};
        const int iWidth = m_Random.Pick(1, 240), iHeight = m_Random.Pick(1, 200);
        m_Setup.Size = QSize(iWidth, iHeight);
        m_Setup.eFormat = s_aFormats[Chance(60) ? 0 : m_Random.Pick(0, 4)];
        m_Setup.dRatio = Pick({1.0, 1.0, 1.0, 1.25, 1.5, 1.75, 2.0, 2.0, 2.5, 3.0});
        m_Setup.Background = QColor(m_Random.Pick(0, 255), m_Random.Pick(0, 255), m_Random.Pick(0, 255),
                                    Chance(80) ? 255 : m_Random.Pick(0, 255));
        m_Setup.bAntialiased = Chance(90);
        m_Setup.Translation = Chance(15)
                                  ? QPointF(m_Random.Pick(-20, 20) + (Chance(30) ? 0.5 : 0.0), m_Random.Pick(-20, 20))
                                  : QPointF();
        m_Setup.dOpacity = Chance(5) ? 0.5 : 1.0;
        static const QPainter::CompositionMode s_aModes[] = {
            QPainter::CompositionMode_Plus, QPainter::CompositionMode_Multiply, QPainter::CompositionMode_Difference,
            QPainter::CompositionMode_Xor};
        m_Setup.eMode = Chance(5) ? s_aModes[m_Random.Pick(0, 3)] : QPainter::CompositionMode_SourceOver;
        // Clips of one rectangle or several, the painter's or the system's.
        const auto region = [&] {
            QRegion Result;
            for (int i = Chance(50) ? 1 : m_Random.Pick(2, 4); i > 0; --i)
                Result += QRect(m_Random.Pick(-10, iWidth), m_Random.Pick(-10, iHeight), m_Random.Pick(1, iWidth),
                                m_Random.Pick(1, iHeight));
            return Result;
        };
        if (Chance(15))
            m_Setup.Clip = region();
        if (Chance(15))
            m_Setup.System = region()
                             & QRect(0, 0, static_cast<int>(iWidth * m_Setup.dRatio),
                                     static_cast<int>(iHeight * m_Setup.dRatio)); // as a window's repaint is
        m_Setup.bBrush = Chance(10);

        // The device rectangle mostly inside the image, sometimes beyond it or upside down.
        int iL = m_Random.Pick(-5, iWidth / 2), iT = m_Random.Pick(-5, iHeight / 2);
        int iR = m_Random.Pick(iL, iWidth + 5), iB = m_Random.Pick(iT, iHeight + 5);
        if (Chance(3))
            std::swap(iL, iR);
        const double dLeft = m_Random.Real(-5, 5), dBottom = m_Random.Real(-5, 5);
        const double dWidth = Chance(3) ? 0.0 : m_Random.Real(0.5, 20),
                     dHeight = Chance(3) ? 0.0 : m_Random.Real(0.5, 20);
        m_Setup.ViewPort = QRectF(dLeft, dBottom, dWidth, dHeight);
        m_Setup.Device = QRect(QPoint(iL, iT), QPoint(iR, iB));
        m_pGrids = std::make_unique<GridPair>(m_Setup);
        if (Chance(3)) // a right edge beyond the painter range
            m_pGrids->SetDevice(iL, iT, 1L << 33, iB);

        const int iLines = m_Random.Pick(1, 3);
        QDebug(&m_strDescription) << m_Setup.Size << m_Setup.eFormat << "ratio" << m_Setup.dRatio << "background"
                                  << m_Setup.Background << "antialiased" << m_Setup.bAntialiased << m_Setup.Translation
                                  << "opacity" << m_Setup.dOpacity << "mode" << m_Setup.eMode << "clip" << m_Setup.Clip
                                  << "system clip" << m_Setup.System << "brush" << m_Setup.bBrush << "device" << iL
                                  << iT << iR << iB;
        for (int i = 0; i < iLines; ++i) {
            m_vecLines.push_back(RandomLine(dLeft, dBottom, dWidth, dHeight));
            const CRDDecoratedLine& Line = m_vecLines.back();
            QDebug(&m_strDescription) << "; line of" << Line.m_vecPoints.size() << "points, styles" << Line.m_eLineStyle
                                      << Line.m_ePointStyle << QColor(Line.m_Color);
        }
        // Single points, each in a colour of its own, inside the view and around it.
        const int iPoints = Chance(30) ? m_Random.Pick(1, 300) : 0;
        for (int i = 0; i < iPoints; ++i) {
            CRDColor Color(m_Random.Pick(0, 255), m_Random.Pick(0, 255), m_Random.Pick(0, 255));
            if (Chance(10))
                Color.setAlpha(m_Random.Pick(1, 254));
            m_vecPoints.emplace_back(dLeft + m_Random.Real(-0.1, 1.1) * dWidth,
                                     dBottom + m_Random.Real(-0.1, 1.1) * dHeight, Color,
                                     ERDPointStyle(Chance(5) ? 9 : m_Random.Pick(0, 3)));
        }
        if (iPoints > 0)
            QDebug(&m_strDescription) << ";" << iPoints << "single points";
    }

    CRDDecoratedLine RandomLine(double dLeft, double dBottom, double dWidth, double dHeight)
    {
        const double dNaN = std::numeric_limits<double>::quiet_NaN(), dInf = std::numeric_limits<double>::infinity();
        const int iCount = static_cast<int>(std::pow(10.0, m_Random.Real(0.0, 3.6)));
        const int iShape = m_Random.Pick(0, 5);
        const double dNoise = Pick({0.0, 0.002, 0.02, 0.2}) * dHeight;
        const double dJitter = Pick({0.0, 0.0, 0.001, 0.01}) * dWidth;
        const int iGapPercent = static_cast<int>(Pick({0, 0, 1, 5, 20}));
        const int iFarPercent = static_cast<int>(Pick({0, 0, 1, 5}));
        const int iRepeat = Chance(20) ? m_Random.Pick(2, 30) : 1;
        std::vector<CRDPoint> vecPoints;
        double dWalk = dBottom + dHeight / 2;
        for (int i = 0; i < iCount; ++i) {
            const double t = iCount > 1 ? double(i) / (iCount - 1) : 0.5;
            double dX = dLeft + t * dWidth, dY = dBottom + dHeight / 2;
            if (iShape == 0)
                dY += 0.4 * dHeight * std::sin(6 * M_PI * t);
            else if (iShape == 1)
                dY = dBottom + std::floor(t * 8) / 8 * dHeight;
            else if (iShape == 2)
                dY = dWalk += m_Random.Real(-0.02, 0.02) * dHeight;
            else if (iShape == 3) { // backward
                dX = dLeft + (1.0 - t) * dWidth;
                dY += 0.3 * dHeight * std::cos(4 * M_PI * t);
            } else if (iShape == 4) { // one column
                dX = dLeft + 0.5 * dWidth;
                dY += 0.45 * dHeight * std::sin(37.0 * i);
            } else { // scattered
                dX = dLeft + m_Random.Real(0, 1) * dWidth;
                dY = dBottom + m_Random.Real(0, 1) * dHeight;
            }
            dX += dJitter * m_Random.Real(-1, 1);
            dY += dNoise * m_Random.Real(-1, 1);
            if (Chance(iGapPercent))
                (Chance(50) ? dX : dY) = Pick({dNaN, dInf, -dInf, 1e308, -1e308});
            if (Chance(iFarPercent))
                (Chance(50) ? dX : dY) = Pick({1e4, -1e4, 1e12, -1e12});
            for (int k = 0; k < iRepeat; ++k)
                vecPoints.emplace_back(dX, dY);
        }
        CRDColor Color(m_Random.Pick(0, 255), m_Random.Pick(0, 255), m_Random.Pick(0, 255));
        if (Chance(25))
            Color.setAlpha(m_Random.Pick(1, 254));
        const int iLineStyle = Chance(5) ? 7 : m_Random.Pick(0, 2);
        const int iPointStyle = Chance(5) ? 9 : Chance(50) ? 0 : m_Random.Pick(1, 3);
        return CRDDecoratedLine(vecPoints, Color, ERDLineStyle(iLineStyle), ERDPointStyle(iPointStyle),
                                Chance(20) ? QStringLiteral("line") : QString());
    }

    Source& m_Random;
    Setup m_Setup;
    std::unique_ptr<GridPair> m_pGrids;
    std::vector<CRDDecoratedLine> m_vecLines;
    std::vector<CRDDecoratedPoint> m_vecPoints;
    QString m_strDescription;
};

} // namespace DecimationScene

#endif // DECIMATIONSCENE_H
