// Ticks and their label texts for one axis: pure functions of the range, the scale, the pixels and the font.
#ifndef RDAXISTICKS_P_H
#define RDAXISTICKS_P_H

#include "RDNumeric_p.h"
#include "ResultDisplayTypes.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

// How the ticks are chosen: every round step of the scale (1, 2 and 5 times a power of ten; decades; clock
// and calendar steps) gives a candidate set of ticks inside the range. A set is legible when every label
// fits the room the axis has and keeps a gap to its neighbour, measured with the font. Of the legible sets
// with no more ticks than the division count, the one scoring best on density, coverage of the range's ends
// and simplicity is taken, in the spirit of Talbot, Lin and Hanrahan (InfoVis 2010). Every loop is bounded
// by the division count or by a fixed ladder, whatever the range.

namespace KelmFramework
{
namespace AxisTicks
{

/// How wide and how high a text is, in pixels: the painter's font metrics in the grid.
struct TextMetrics
{
    std::function<int(const QString&)> Width;
    int iHeight = 0;
};

/// What one axis asks of its ticks.
struct Axis
{
    double dLow = 0.0; ///< the viewport's range along the axis, low below high
    double dHigh = 1.0;
    ERDScale eScale = eRDScaleLinear;
    long iLength = 0;                     ///< pixels from the low end to the high end
    bool bVertical = false;               ///< labels stacked beside the axis (y) rather than in a row under it (x)
    long iMaxTicks = 10;                  ///< the division count: the most labelled ticks
    int iPrecision = 0;                   ///< the least digits a linear label shows
    bool bSignificant = false;            ///< iPrecision counts significant digits (y), not decimals (x)
    long iRoomBefore = 0;                 ///< how far labels may reach beyond the low end, in pixels
    long iRoomAfter = 0;                  ///< ... and beyond the high end
    long iRoomAcross = 0;                 ///< the most a label may take across the axis (its height on x, width on y)
    QTimeZone Zone = QTimeZone::utc();    ///< clock and calendar of time axes
    std::function<QString(double)> Texts; ///< the application's label texts, if any
};

/// A labelled tick.
struct Tick
{
    double dValue = 0.0;
    double dPosition = 0.0; ///< pixels from the low end
    QString strText;        ///< the label
    QString strContext;     ///< a second line under it with the larger fields of a time, where they change
    bool bShown = true;     ///< the label is drawn
};

/// The ticks of an axis.
struct Ticks
{
    std::vector<Tick> vecTicks;   ///< labelled, in increasing order
    std::vector<double> vecMinor; ///< positions of unlabelled minor ticks, in pixels from the low end
    bool bLegible = true;         ///< every label is shown
    QString strMultiplier;        ///< shown once where the labels are values divided by a power of ten
};

/// Where a label lies: along the axis from the low end, and its extent across.
struct LabelBox
{
    double dFrom = 0.0, dTo = 0.0;
    int iAcross = 0;
    double dContextFrom = 0.0; ///< where the second line of an x label starts
};

/// Pixels between neighbouring labels: a line height in a row, half of one in a column.
inline double LabelGap(const Axis& A, const TextMetrics& Metrics)
{
    return A.bVertical ? Metrics.iHeight / 2.0 : Metrics.iHeight;
}

/// The box of a tick's label. Under an x tick the label is centred, its context below it centred too but
/// moved within the axis's room where it would reach beyond (the date under a tick at the left end). Beside
/// a y tick the label is centred on the tick and its context lies below it.
inline LabelBox BoxOf(const Axis& A, const TextMetrics& Metrics, const Tick& T)
{
    const int iH = Metrics.iHeight;
    const bool bContext = !T.strContext.isEmpty();
    const int iText = Metrics.Width(T.strText), iContext = bContext ? Metrics.Width(T.strContext) : 0;
    LabelBox Box;
    if (A.bVertical) {
        Box.dFrom = T.dPosition - iH / 2.0 - (bContext ? iH : 0);
        Box.dTo = T.dPosition + iH / 2.0;
        Box.iAcross = std::max(iText, iContext);
        return Box;
    }
    Box.dFrom = T.dPosition - iText / 2.0;
    Box.dTo = T.dPosition + iText / 2.0;
    Box.iAcross = iH;
    if (bContext) {
        const double dLow = -static_cast<double>(std::max(0L, A.iRoomBefore));
        const double dHigh = static_cast<double>(A.iLength) + static_cast<double>(std::max(0L, A.iRoomAfter));
        Box.dContextFrom = std::max(std::min(T.dPosition - iContext / 2.0, dHigh - iContext), dLow);
        Box.dFrom = std::min(Box.dFrom, Box.dContextFrom);
        Box.dTo = std::max(Box.dTo, Box.dContextFrom + iContext);
        Box.iAcross = 2 * iH;
    }
    return Box;
}

/// Where the multiplier of the labels goes: under the high end of an x axis, in the second line of its
/// labels; beyond the high end of a y axis, over the box's corner rather than the labels' column (no room
/// across is taken from the labels).
inline LabelBox MultiplierBoxOf(const Axis& A, const TextMetrics& Metrics, const QString& strMultiplier)
{
    const int iH = Metrics.iHeight, iWidth = Metrics.Width(strMultiplier);
    const double dEnd = static_cast<double>(A.iLength);
    if (A.bVertical)
        return {dEnd + std::max(2, iH / 4), dEnd + std::max(2, iH / 4) + iH, 0, 0.0};
    return {dEnd - iWidth, dEnd, 2 * iH, 0.0};
}

// ---------------------------------------------------------------------------------------------------------
// Numbers

/// 10^iE, exact as far as a double allows.
inline double Pow10(int iE)
{
    return std::pow(10.0, static_cast<double>(iE));
}

/// floor(log10(dValue)) for a positive finite value, exact at powers of ten.
inline int DecadeOf(double dValue)
{
    if (!(dValue > 0.0) || !std::isfinite(dValue))
        return 0;
    int iE = static_cast<int>(std::floor(std::log10(dValue)));
    if (Pow10(iE) > dValue)
        --iE;
    else if (iE < 308 && Pow10(iE + 1) <= dValue)
        ++iE;
    return iE;
}

/// k * q * 10^e with the decimals right where 10^-e is exact: 3 steps of 0.1 give 0.3, not 0.30000000000000004.
inline double Multiple(double dK, int iQ, int iE)
{
    const double dUnits = dK * iQ;
    if (iE < 0 && iE >= -22)
        return dUnits / Pow10(-iE);
    return dUnits * Pow10(iE);
}

/// "10³", "10⁻⁶": a power of ten as it is printed.
inline QString PowerOfTen(int iE)
{
    static const char16_t s_aDigits[] = u"\u2070\u00b9\u00b2\u00b3\u2074\u2075\u2076\u2077\u2078\u2079";
    QString strExponent;
    for (int iRest = std::abs(iE); strExponent.isEmpty() || iRest > 0; iRest /= 10)
        strExponent.prepend(QChar(s_aDigits[iRest % 10]));
    if (iE < 0)
        strExponent.prepend(QChar(0x207B));
    return QStringLiteral("10") + strExponent;
}

/// How the labels of a linear axis are written: in fixed notation with iDecimals after the point, of the
/// values divided by 10^iPower; the axis then shows "×10^iPower" once.
struct NumberFormat
{
    int iDecimals = 0;
    int iPower = 0;
};

/// A number in fixed notation; zero, and what rounds to it, without a sign: never "-0".
inline QString FormatNumber(double dValue, int iDecimals)
{
    QString strText = QString::number(dValue == 0.0 ? 0.0 : dValue, 'f', iDecimals);
    if (strText.startsWith(QLatin1Char('-')) && std::all_of(strText.begin() + 1, strText.end(), [](QChar c) {
            return c == QLatin1Char('0') || c == QLatin1Char('.');
        }))
        strText.remove(0, 1);
    return strText;
}

/// The format of labels k * q * 10^e whose largest magnitude is dLargest: as many decimals as the step needs
/// and at least the precision asked. Where fixed notation would take more than 7 characters, and more than
/// the values divided by a power of ten, they are divided by one, a multiple of 3 (as SI prefixes go).
inline NumberFormat LinearFormat(int iE, double dLargest, int iPrecision, bool bSignificant)
{
    const int iPrecise = std::clamp(iPrecision, 0, 17); // a double carries no more digits
    const int iDecade = dLargest > 0.0 ? DecadeOf(dLargest) : 0;
    const auto decimals = [&](int iPower) {
        const int iLeast = bSignificant ? (dLargest > 0.0 ? iPrecise - 1 - (iDecade - iPower) : 0) : iPrecise;
        return std::clamp(std::max(iPower - iE, iLeast), 0, Numeric::c_iMaxLabelDigits);
    };
    const auto length = [&](const NumberFormat& Format) {
        return std::max(iDecade - Format.iPower + 1, 1) + (Format.iDecimals > 0 ? Format.iDecimals + 1 : 0);
    };
    const NumberFormat Fixed{decimals(0), 0};
    const int iPower = 3 * static_cast<int>(std::floor(iDecade / 3.0));
    if (dLargest == 0.0 || iPower == 0)
        return Fixed;
    const NumberFormat Scaled{decimals(iPower), iPower};
    return length(Fixed) <= 7 || length(Fixed) <= length(Scaled) ? Fixed : Scaled;
}

/// "×10⁻⁹" for labels divided by 10^iPower, nothing for plain ones.
inline QString MultiplierText(int iPower)
{
    return iPower == 0 ? QString() : QChar(0x00D7) + PowerOfTen(iPower);
}

// ---------------------------------------------------------------------------------------------------------
// Positions

/// The map of an axis's values to pixels from its low end, as the grid maps them.
struct Placement
{
    ERDScale eScale = eRDScaleLinear;
    double dFrom = 0.0, dSpan = 1.0, dLength = 0.0; // in the scale's own space

    static bool Of(const Axis& A, Placement& P)
    {
        P.eScale = A.eScale == eRDScaleLog10 ? eRDScaleLog10 : eRDScaleLinear;
        P.dLength = static_cast<double>(A.iLength);
        double dLow = A.dLow, dHigh = A.dHigh;
        if (P.eScale == eRDScaleLog10) {
            if (!(dLow > 0.0) || !(dHigh > 0.0))
                return false;
            dLow = std::log10(dLow);
            dHigh = std::log10(dHigh);
        }
        if (!Numeric::IsUsableSpan(dLow, dHigh) || !(P.dLength > 0.0))
            return false;
        P.dFrom = dLow;
        P.dSpan = dHigh - dLow;
        return true;
    }
    double operator()(double dValue) const
    {
        const double dScaled = eScale == eRDScaleLog10 ? std::log10(dValue) : dValue;
        return (dScaled - dFrom) / dSpan * dLength;
    }
};

// ---------------------------------------------------------------------------------------------------------
// Candidates and their choice

/// A candidate set of ticks: how many, and the i-th of them. Make fills the value, the text and the full
/// context (shown only where it changes).
struct Candidate
{
    long iCount = 0;
    double dSimplicity = 0.0;
    std::function<void(long, Tick&)> Make;
    std::function<void(const Placement&, std::vector<double>&)> Minor; ///< its minor ticks, if any
    QString strMultiplier; ///< what every label is to be multiplied by ("×10⁻⁹"), shown once
};

/// Builds a candidate's ticks, noting whether they are legible. With bStop it gives up at the first label
/// that does not fit; otherwise it shows the labels that fit, in order, and leaves the others out.
inline bool Build(const Axis& A, const TextMetrics& Metrics, const Placement& Place, const Candidate& C, bool bStop,
                  Ticks& Out)
{
    Out = Ticks();
    const double dGap = LabelGap(A, Metrics);
    const double dLow = -static_cast<double>(std::max(0L, A.iRoomBefore));
    const double dHigh = Place.dLength + static_cast<double>(std::max(0L, A.iRoomAfter));
    double dLastTo = -std::numeric_limits<double>::infinity();
    QString strLastContext;
    bool bFirst = true;
    // Under an x axis without room for a second line, labels go without their context.
    const bool bContexts = A.bVertical || A.iRoomAcross >= 2 * Metrics.iHeight;
    Out.vecTicks.reserve(static_cast<std::size_t>(std::max(0L, C.iCount)));
    for (long i = 0; i < C.iCount; ++i) {
        Tick T;
        C.Make(i, T);
        T.dPosition = Place(T.dValue);
        // Rounding may put a tick a hair outside the range or onto the one before.
        if (!std::isfinite(T.dPosition) || T.dPosition < -0.5 || T.dPosition > Place.dLength + 0.5
            || (!Out.vecTicks.empty() && !(T.dValue > Out.vecTicks.back().dValue)))
            continue;
        if (!bContexts)
            T.strContext.clear();
        const QString strContext = T.strContext;
        if (!bFirst && strContext == strLastContext)
            T.strContext.clear();
        const LabelBox Box = BoxOf(A, Metrics, T);
        T.bShown = Box.dFrom >= dLow && Box.dTo <= dHigh && Box.iAcross <= A.iRoomAcross && Box.dFrom >= dLastTo + dGap;
        if (!T.bShown) {
            Out.bLegible = false;
            if (bStop)
                return false;
            T.strContext = strContext; // to be shown by the next label shown, if it changes there
        } else {
            dLastTo = Box.dTo;
            strLastContext = strContext;
            bFirst = false;
        }
        Out.vecTicks.push_back(T);
    }
    // Labels that are values divided by a power of ten are shown only with the multiplier.
    if (!C.strMultiplier.isEmpty()) {
        const LabelBox Box = MultiplierBoxOf(A, Metrics, C.strMultiplier);
        if (Box.dFrom < dLow || Box.dTo > dHigh || Box.iAcross > A.iRoomAcross) {
            if (bStop)
                return false;
            for (Tick& T : Out.vecTicks)
                T.bShown = false;
            Out.bLegible = false;
        } else {
            Out.strMultiplier = C.strMultiplier;
        }
    }
    if (C.Minor)
        C.Minor(Place, Out.vecMinor);
    return Out.bLegible;
}

/// How well a legible set covers the range's ends: 1 with ticks at both ends, falling with the square of
/// the gaps (Talbot et al.'s coverage, in pixels).
inline double Coverage(const Ticks& Set, double dLength)
{
    if (Set.vecTicks.empty())
        return -1.0;
    const double dLow = Set.vecTicks.front().dPosition / dLength;
    const double dHigh = 1.0 - Set.vecTicks.back().dPosition / dLength;
    return 1.0 - 50.0 * (dLow * dLow + dHigh * dHigh);
}

/// The best legible candidate with no more ticks than allowed; where none is legible, the sparsest with
/// at least two ticks (or one), its labels shown where they fit.
inline Ticks ChooseAmong(const Axis& A, const TextMetrics& Metrics, const Placement& Place,
                         const std::vector<Candidate>& vecCandidates)
{
    const long iMax = Numeric::ClampDivisions(A.iMaxTicks);
    // A row of labels needs a digit's width and the gap per label at the least; denser sets need no building.
    const double dLeast = (A.bVertical ? Metrics.iHeight : std::max(1, Metrics.Width(QStringLiteral("0"))))
                          + LabelGap(A, Metrics);
    const double dMostLabels = (Place.dLength + A.iRoomBefore + A.iRoomAfter) / std::max(1.0, dLeast) + 1.0;
    std::vector<Ticks> vecLegible;
    std::vector<double> vecSimplicity;
    for (const Candidate& C : vecCandidates) {
        if (C.iCount < 1 || C.iCount > iMax || static_cast<double>(C.iCount) > dMostLabels + 2.0)
            continue;
        Ticks Set;
        if (Build(A, Metrics, Place, C, true, Set) && !Set.vecTicks.empty()) {
            vecLegible.push_back(std::move(Set));
            vecSimplicity.push_back(C.dSimplicity);
        }
    }
    if (!vecLegible.empty()) {
        std::size_t iMost = 0;
        for (const Ticks& Set : vecLegible)
            iMost = std::max(iMost, Set.vecTicks.size());
        std::size_t iBest = 0;
        double dBest = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < vecLegible.size(); ++i) {
            const double dDensity = static_cast<double>(vecLegible[i].vecTicks.size()) / static_cast<double>(iMost);
            const double dScore = 0.25 * vecSimplicity[i] + 0.2 * Coverage(vecLegible[i], Place.dLength)
                                  + 0.5 * dDensity;
            if (dScore > dBest) {
                dBest = dScore;
                iBest = i;
            }
        }
        return std::move(vecLegible[iBest]);
    }
    const Candidate* pSparsest = nullptr;
    for (const Candidate& C : vecCandidates) {
        if (C.iCount < 1 || C.iCount > iMax)
            continue;
        if (!pSparsest
            || (pSparsest->iCount < 2 ? C.iCount > pSparsest->iCount : C.iCount >= 2 && C.iCount < pSparsest->iCount))
            pSparsest = &C;
    }
    Ticks Set;
    if (pSparsest)
        Build(A, Metrics, Place, *pSparsest, false, Set);
    return Set;
}

// ---------------------------------------------------------------------------------------------------------
// Linear

/// Multiples of 1, 5 and 2 times 10^e inside [dLow, dHigh], one candidate per step from a few ticks to many;
/// texts in one format per candidate. A step whose multiples a double cannot tell apart is no candidate.
inline void LinearCandidates(const Axis& A, double dLow, double dHigh, std::vector<Candidate>& vecOut,
                             double dSimplicityScale = 1.0)
{
    const double dSpan = dHigh - dLow;
    if (!(dSpan > 0.0) || !std::isfinite(dSpan))
        return;
    const long iMax = Numeric::ClampDivisions(A.iMaxTicks);
    const int iTop = DecadeOf(dSpan) + 1;
    const int iBottom = DecadeOf(dSpan / static_cast<double>(iMax + 1)) - 1;
    static const int s_aQ[] = {1, 5, 2}; // in order of simplicity
    for (int iE = iTop; iE >= iBottom; --iE) {
        for (int iQIndex = 0; iQIndex < 3; ++iQIndex) {
            const int iQ = s_aQ[iQIndex];
            const double dStep = iQ * Pow10(iE);
            if (!(dStep > 0.0) || !std::isfinite(dStep))
                continue;
            double dFirst = std::ceil(dLow / dStep), dLast = std::floor(dHigh / dStep);
            constexpr double c_dExact = 4503599627370496.0; // 2^52: multiples of the step stay distinct below
            if (!std::isfinite(dFirst) || !std::isfinite(dLast) || std::fabs(dFirst) > c_dExact
                || std::fabs(dLast) > c_dExact)
                continue;
            // The rounding of the division may miss the range's ends by one step either way.
            if (Multiple(dFirst, iQ, iE) < dLow)
                dFirst += 1.0;
            else if (Multiple(dFirst - 1.0, iQ, iE) >= dLow)
                dFirst -= 1.0;
            if (Multiple(dLast, iQ, iE) > dHigh)
                dLast -= 1.0;
            else if (Multiple(dLast + 1.0, iQ, iE) <= dHigh)
                dLast += 1.0;
            const double dCount = dLast - dFirst + 1.0;
            if (dCount < 1.0 || dCount > static_cast<double>(iMax))
                continue;
            const double dLargest = std::max(std::fabs(Multiple(dFirst, iQ, iE)), std::fabs(Multiple(dLast, iQ, iE)));
            // A lone tick needs only its own digits: "0", not the "0.00000000" of its step.
            int iDigitsFrom = iE;
            if (dCount == 1.0) {
                double dUnits = dFirst * iQ;
                for (int i = 0; i < 20 && std::fmod(dUnits, 10.0) == 0.0 && dUnits != 0.0; ++i, ++iDigitsFrom)
                    dUnits /= 10.0;
                if (dUnits == 0.0)
                    iDigitsFrom = std::max(iE, 0);
            }
            const NumberFormat Format = LinearFormat(iDigitsFrom, dLargest, A.iPrecision, A.bSignificant);
            const bool bZero = dFirst <= 0.0 && dLast >= 0.0;
            Candidate C;
            C.iCount = static_cast<long>(dCount);
            C.dSimplicity = dSimplicityScale * (0.75 * (1.0 - iQIndex / 2.0) + (bZero ? 0.25 : 0.0));
            const std::function<QString(double)> Texts = A.Texts;
            if (!Texts)
                C.strMultiplier = MultiplierText(Format.iPower);
            C.Make = [=](long i, Tick& T) {
                const double dK = dFirst + static_cast<double>(i);
                T.dValue = Multiple(dK, iQ, iE);
                T.strText = Texts ? Texts(T.dValue)
                                  : FormatNumber(Multiple(dK, iQ, iE - Format.iPower), Format.iDecimals);
            };
            vecOut.push_back(std::move(C));
        }
    }
}

// ---------------------------------------------------------------------------------------------------------
// Log10

/// m * 10^e on a log axis: plain decimals from 0.0001 to 99999, otherwise "10⁵" and "2·10⁵".
inline QString LogText(int iM, int iE, bool bPlain)
{
    if (bPlain)
        return QString::number(Multiple(1.0, iM, iE), 'f', std::max(0, -iE));
    if (iM == 1)
        return PowerOfTen(iE);
    return QString::number(iM) + QChar(0x00B7) + PowerOfTen(iE);
}

/// Log candidates: every n-th decade, then 1, 2 and 5 in each decade, then 1 to 9; below a decade's span,
/// round linear values too. Minor ticks fill what a set leaves out, where they lie 3 pixels apart.
inline std::vector<Candidate> LogCandidates(const Axis& A, const Placement& Place)
{
    std::vector<Candidate> vecOut;
    const double dLow = A.dLow, dHigh = A.dHigh;
    const int iFirstDecade = DecadeOf(dLow), iLastDecade = DecadeOf(dHigh); // 10^e <= value
    const double dDecadePixels = Place.dLength / Place.dSpan;
    const std::function<QString(double)> Texts = A.Texts;
    // Multipliers within decades iFirstDecade..iLastDecade that lie in the range, at most 9 per decade.
    const auto values = [=](const std::vector<int>& vecM, int iEvery) {
        std::vector<std::pair<int, int>> vecValues;
        for (int iE = iFirstDecade; iE <= iLastDecade; ++iE) {
            if (iEvery > 1 && ((iE % iEvery) + iEvery) % iEvery != 0)
                continue;
            for (int iM : vecM) {
                const double dValue = Multiple(1.0, iM, iE);
                if (dValue >= dLow && dValue <= dHigh && std::isfinite(dValue))
                    vecValues.emplace_back(iM, iE);
            }
        }
        return vecValues;
    };
    const auto candidate = [&](std::vector<std::pair<int, int>> vecValues, double dSimplicity,
                               std::vector<int> vecMinorM, int iMinorEvery) {
        Candidate C;
        C.iCount = static_cast<long>(vecValues.size());
        C.dSimplicity = dSimplicity;
        bool bPlain = true;
        for (const auto& Value : vecValues)
            bPlain = bPlain && Value.second >= -4 && Value.second <= 4;
        C.Make = [=](long i, Tick& T) {
            const auto& Value = vecValues[static_cast<std::size_t>(i)];
            T.dValue = Multiple(1.0, Value.first, Value.second);
            T.strText = Texts ? Texts(T.dValue) : LogText(Value.first, Value.second, bPlain);
        };
        // The closest minor ticks, 9 and 10 times a power of ten, lie log10(10/9) of a decade apart.
        const double dClosest = vecMinorM.empty() || vecMinorM.back() != 9 ? std::log10(2.0) : std::log10(10.0 / 9.0);
        if ((!vecMinorM.empty() || iMinorEvery > 1) && dDecadePixels * (iMinorEvery > 1 ? 1.0 : dClosest) >= 3.0)
            C.Minor = [=](const Placement& P, std::vector<double>& vecMinor) {
                for (int iE = iFirstDecade; iE <= iLastDecade; ++iE) {
                    const bool bSkipped = iMinorEvery > 1 && ((iE % iMinorEvery) + iMinorEvery) % iMinorEvery != 0;
                    std::vector<int> vecM = vecMinorM;
                    if (bSkipped)
                        vecM.assign(1, 1);
                    for (int iM : vecM) {
                        const double dValue = Multiple(1.0, iM, iE);
                        if (dValue >= dLow && dValue <= dHigh)
                            vecMinor.push_back(P(dValue));
                    }
                }
            };
        vecOut.push_back(std::move(C));
    };

    // Every n-th decade, n from a ladder: a span of 600 decades on a short axis needs n = 100.
    static const int s_aEvery[] = {1, 2, 3, 5, 10, 20, 30, 50, 100, 200, 300};
    for (int iEvery : s_aEvery)
        candidate(values({1}, iEvery), 1.0, iEvery == 1 ? std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9} : std::vector<int>{},
                  iEvery);
    candidate(values({1, 2, 5}, 1), 0.6, {3, 4, 6, 7, 8, 9}, 1);
    candidate(values({1, 2, 3, 4, 5, 6, 7, 8, 9}, 1), 0.3, {}, 1);
    return vecOut;
}

// ---------------------------------------------------------------------------------------------------------
// Time

namespace Civil
{

/// Days since 1970-01-01 of a date of the proleptic Gregorian calendar (H. Hinnant's algorithm).
inline std::int64_t DaysFromCivil(std::int64_t iYear, int iMonth, int iDay)
{
    iYear -= iMonth <= 2;
    const std::int64_t iEra = (iYear >= 0 ? iYear : iYear - 399) / 400;
    const std::int64_t iYearOfEra = iYear - iEra * 400;
    const std::int64_t iDayOfYear = (153 * (iMonth + (iMonth > 2 ? -3 : 9)) + 2) / 5 + iDay - 1;
    const std::int64_t iDayOfEra = iYearOfEra * 365 + iYearOfEra / 4 - iYearOfEra / 100 + iDayOfYear;
    return iEra * 146097 + iDayOfEra - 719468;
}

struct Date
{
    std::int64_t iYear;
    int iMonth, iDay;
};

/// The date of a day since 1970-01-01.
inline Date CivilFromDays(std::int64_t iDays)
{
    iDays += 719468;
    const std::int64_t iEra = (iDays >= 0 ? iDays : iDays - 146096) / 146097;
    const std::int64_t iDayOfEra = iDays - iEra * 146097;
    const std::int64_t iYearOfEra = (iDayOfEra - iDayOfEra / 1460 + iDayOfEra / 36524 - iDayOfEra / 146096) / 365;
    const std::int64_t iDayOfYear = iDayOfEra - (365 * iYearOfEra + iYearOfEra / 4 - iYearOfEra / 100);
    const std::int64_t iMp = (5 * iDayOfYear + 2) / 153;
    const int iDay = static_cast<int>(iDayOfYear - (153 * iMp + 2) / 5 + 1);
    const int iMonth = static_cast<int>(iMp < 10 ? iMp + 3 : iMp - 9);
    return {iYearOfEra + iEra * 400 + (iMonth <= 2), iMonth, iDay};
}

inline std::int64_t FloorDiv(std::int64_t iA, std::int64_t iB)
{
    const std::int64_t iQ = iA / iB;
    return iQ - ((iA % iB != 0) && ((iA < 0) != (iB < 0)));
}

} // namespace Civil

/// Seconds since the epoch that time axes label as dates: the years 1 to 9999, a day clear of either end.
constexpr double c_dFirstTime = -62135596800.0 + 86400.0;
constexpr double c_dLastTime = 253402300799.0 - 86400.0;

/// The offset of a zone from UTC, asked once where it never changes.
class ZoneOffsets
{
public:
    explicit ZoneOffsets(const QTimeZone& Zone, std::int64_t iAt)
        : m_Zone(Zone.isValid() ? Zone : QTimeZone::utc()), m_bFixed(!m_Zone.hasTransitions())
    {
        m_iFixed = Ask(iAt);
    }
    int At(std::int64_t iUtc) const { return m_bFixed ? m_iFixed : Ask(iUtc); }
    /// The UTC second whose local time in the zone is iLocal (near it across a change of offset).
    std::int64_t ToUtc(std::int64_t iLocal) const
    {
        if (m_bFixed)
            return iLocal - m_iFixed;
        const std::int64_t iGuess = iLocal - Ask(iLocal - m_iFixed);
        return iLocal - Ask(iGuess);
    }
    bool IsFixed() const { return m_bFixed; }
    int First() const { return m_iFixed; }

private:
    int Ask(std::int64_t iUtc) const
    {
        return m_Zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(iUtc, QTimeZone::utc()));
    }

    QTimeZone m_Zone;
    bool m_bFixed;
    int m_iFixed = 0;
};

inline QString Padded(std::int64_t iValue, int iWidth)
{
    return QStringLiteral("%1").arg(static_cast<qlonglong>(iValue), iWidth, 10, QLatin1Char('0'));
}

inline QString MonthName(int iMonth)
{
    static const char* const s_aNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QLatin1String(s_aNames[std::clamp(iMonth, 1, 12) - 1]);
}

/// What a time step labels: the finest field first.
enum class TimeLevel { Fraction, Second, Minute, Day, Month, Year };

/// The label and the context (larger fields) of a local time, at a step's level. iLocal is in whole
/// seconds; iFraction counts 10^-iDigits seconds within it.
inline void TimeTexts(TimeLevel eLevel, std::int64_t iLocal, std::int64_t iFraction, int iDigits, Tick& T)
{
    const std::int64_t iDays = Civil::FloorDiv(iLocal, 86400);
    const std::int64_t iSecondOfDay = iLocal - iDays * 86400;
    const Civil::Date D = Civil::CivilFromDays(iDays);
    const QString strDate = QStringLiteral("%1-%2-%3").arg(Padded(D.iYear, 4), Padded(D.iMonth, 2), Padded(D.iDay, 2));
    const QString strHours = Padded(iSecondOfDay / 3600, 2), strMinutes = Padded(iSecondOfDay / 60 % 60, 2);
    const QString strSeconds = Padded(iSecondOfDay % 60, 2);
    switch (eLevel) {
    case TimeLevel::Fraction:
        T.strText = strSeconds + QLatin1Char('.') + Padded(iFraction, iDigits);
        T.strContext = strDate + QLatin1Char(' ') + strHours + QLatin1Char(':') + strMinutes;
        break;
    case TimeLevel::Second:
        T.strText = strHours + QLatin1Char(':') + strMinutes + QLatin1Char(':') + strSeconds;
        T.strContext = strDate;
        break;
    case TimeLevel::Minute:
        T.strText = strHours + QLatin1Char(':') + strMinutes;
        T.strContext = strDate;
        break;
    case TimeLevel::Day:
        T.strText = MonthName(D.iMonth) + QLatin1Char(' ') + QString::number(D.iDay);
        T.strContext = QString::number(D.iYear);
        break;
    case TimeLevel::Month:
        T.strText = MonthName(D.iMonth);
        T.strContext = QString::number(D.iYear);
        break;
    case TimeLevel::Year:
        T.strText = QString::number(D.iYear);
        T.strContext.clear();
        break;
    }
}

/// Clock and calendar steps: the decimal ladder below a second (as far as the doubles of the range
/// carry), then 1, 2, 5, 10, 15, 30 s and min; 1, 3, 6, 12 h; a day, a week (from Monday); 1, 3, 6 months;
/// 1, 2, 5 × 10^k years. Ticks are whole multiples of the step in the zone's local time.
inline std::vector<Candidate> TimeCandidates(const Axis& A)
{
    std::vector<Candidate> vecOut;
    const double dLow = A.dLow, dHigh = A.dHigh, dSpan = dHigh - dLow;
    const long iMax = Numeric::ClampDivisions(A.iMaxTicks);
    const auto iLowSecond = static_cast<std::int64_t>(std::floor(dLow));
    const auto iHighSecond = static_cast<std::int64_t>(std::floor(dHigh));
    const ZoneOffsets Offsets(A.Zone, iLowSecond);
    const std::function<QString(double)> Texts = A.Texts;
    const auto estimate = [&](double dStep) { return dSpan / dStep; };
    const auto worth = [&](double dEstimate) {
        return dEstimate <= static_cast<double>(iMax) + 2.0 && dEstimate >= 0.5;
    };
    // A candidate of whole seconds since the epoch, labelled at a level.
    const auto instants = [&](std::vector<std::int64_t> vecUtc, TimeLevel eLevel) {
        if (vecUtc.empty() || static_cast<long>(vecUtc.size()) > iMax)
            return;
        Candidate C;
        C.iCount = static_cast<long>(vecUtc.size());
        C.dSimplicity = 0.5;
        C.Make = [=](long i, Tick& T) {
            const std::int64_t iUtc = vecUtc[static_cast<std::size_t>(i)];
            T.dValue = static_cast<double>(iUtc);
            TimeTexts(eLevel, iUtc + Offsets.At(iUtc), 0, 0, T);
            if (Texts) {
                T.strText = Texts(T.dValue);
                T.strContext.clear();
            }
        };
        vecOut.push_back(std::move(C));
    };

    // Below a second: 10^-iDigits units. The ticks' local units come from integers, so their texts are exact.
    const double dLargest = std::max(std::fabs(dLow), std::fabs(dHigh)) + 86400.0;
    const double dResolution = 4.0 * (std::nextafter(dLargest, DBL_MAX) - dLargest);
    for (int iDigits = 9; iDigits >= 1; --iDigits) {
        const double dUnit = Pow10(-iDigits);
        if (dLargest / dUnit > 4e18)
            continue;
        const std::int64_t iPerSecond = static_cast<std::int64_t>(std::llround(Pow10(iDigits)));
        for (int iQ : {1, 2, 5}) {
            const double dStep = iQ * dUnit;
            if (dStep < dResolution || !worth(estimate(dStep)))
                continue;
            // Sub-second steps divide every offset, so local multiples are UTC multiples shifted by it.
            const std::int64_t iOffset = Offsets.First();
            const std::int64_t iFirst = static_cast<std::int64_t>(std::ceil((dLow + iOffset) / dStep));
            const std::int64_t iLast = static_cast<std::int64_t>(std::floor((dHigh + iOffset) / dStep));
            if (iLast < iFirst || iLast - iFirst + 1 > iMax)
                continue;
            Candidate C;
            C.iCount = static_cast<long>(iLast - iFirst + 1);
            C.dSimplicity = 0.5;
            C.Make = [=](long i, Tick& T) {
                const std::int64_t iLocalUnits = (iFirst + i) * iQ;
                const std::int64_t iLocal = Civil::FloorDiv(iLocalUnits, iPerSecond);
                T.dValue = static_cast<double>(iLocalUnits - iOffset * iPerSecond) / static_cast<double>(iPerSecond);
                TimeTexts(TimeLevel::Fraction, iLocal, iLocalUnits - iLocal * iPerSecond, iDigits, T);
                if (Texts) {
                    T.strText = Texts(T.dValue);
                    T.strContext.clear();
                }
            };
            vecOut.push_back(std::move(C));
        }
    }

    // Whole seconds to weeks: local multiples of the step (weeks from a Monday, 1970-01-05).
    struct Fixed
    {
        std::int64_t iStep;
        TimeLevel eLevel;
    };
    static const Fixed s_aFixed[] = {{1, TimeLevel::Second},     {2, TimeLevel::Second},     {5, TimeLevel::Second},
                                     {10, TimeLevel::Second},    {15, TimeLevel::Second},    {30, TimeLevel::Second},
                                     {60, TimeLevel::Minute},    {120, TimeLevel::Minute},   {300, TimeLevel::Minute},
                                     {600, TimeLevel::Minute},   {900, TimeLevel::Minute},   {1800, TimeLevel::Minute},
                                     {3600, TimeLevel::Minute},  {10800, TimeLevel::Minute}, {21600, TimeLevel::Minute},
                                     {43200, TimeLevel::Minute}, {86400, TimeLevel::Day},    {604800, TimeLevel::Day}};
    for (const Fixed& Step : s_aFixed) {
        if (!worth(estimate(static_cast<double>(Step.iStep))))
            continue;
        // Steps within an hour divide every change of offset a zone makes, so they stay on round local
        // times as UTC multiples shifted by the first offset. Longer ones are found in local time, looking
        // two hours either side for the changes of offset within the range.
        const bool bLocal = Step.iStep >= 3600 && !Offsets.IsFixed();
        const std::int64_t iReach = bLocal ? 7200 : 0;
        const std::int64_t iAnchor = Step.iStep == 604800 ? 4 * 86400 : 0;
        const std::int64_t iFirst = -Civil::FloorDiv(-(iLowSecond + Offsets.First() - iReach - iAnchor), Step.iStep);
        const std::int64_t iLast = Civil::FloorDiv(iHighSecond + Offsets.First() + iReach - iAnchor, Step.iStep);
        std::vector<std::int64_t> vecUtc;
        for (std::int64_t j = iFirst; j <= iLast && static_cast<long>(vecUtc.size()) <= iMax; ++j) {
            const std::int64_t iLocal = iAnchor + j * Step.iStep;
            const std::int64_t iUtc = bLocal ? Offsets.ToUtc(iLocal) : iLocal - Offsets.First();
            if (iUtc >= dLow && iUtc <= dHigh && (vecUtc.empty() || iUtc > vecUtc.back()))
                vecUtc.push_back(iUtc);
        }
        instants(std::move(vecUtc), Step.eLevel);
    }

    // Months and years: the first of a month whose number is a multiple of the step, at local midnight.
    const Civil::Date First = Civil::CivilFromDays(Civil::FloorDiv(iLowSecond + Offsets.At(iLowSecond), 86400));
    const Civil::Date Last = Civil::CivilFromDays(Civil::FloorDiv(iHighSecond + Offsets.At(iHighSecond), 86400));
    const std::int64_t iFirstMonth = First.iYear * 12 + First.iMonth - 1,
                       iLastMonth = Last.iYear * 12 + Last.iMonth - 1;
    static const int s_aMonths[] = {1, 3, 6, 12, 24, 60, 120, 240, 600, 1200, 2400, 6000, 12000, 24000, 60000};
    for (int iMonths : s_aMonths) {
        if (!worth(static_cast<double>(iLastMonth - iFirstMonth + 1) / iMonths))
            continue;
        std::vector<std::int64_t> vecUtc;
        for (std::int64_t iMonth = Civil::FloorDiv(iFirstMonth, iMonths) * iMonths;
             iMonth <= iLastMonth && static_cast<long>(vecUtc.size()) <= iMax; iMonth += iMonths) {
            const std::int64_t iYear = Civil::FloorDiv(iMonth, 12);
            const int iMonthOfYear = static_cast<int>(iMonth - iYear * 12) + 1;
            const std::int64_t iUtc = Offsets.ToUtc(Civil::DaysFromCivil(iYear, iMonthOfYear, 1) * 86400);
            if (iUtc >= dLow && iUtc <= dHigh && (vecUtc.empty() || iUtc > vecUtc.back()))
                vecUtc.push_back(iUtc);
        }
        instants(std::move(vecUtc), iMonths < 12 ? TimeLevel::Month : TimeLevel::Year);
    }
    return vecOut;
}

// ---------------------------------------------------------------------------------------------------------

/// The ticks of an axis. None where the range has no position on the scale (not finite, empty, or not
/// positive on a log axis). A time axis beyond the years 1 to 9999 is labelled as plain seconds.
inline Ticks Choose(const Axis& A, const TextMetrics& Metrics)
{
    Placement Place;
    if (!Placement::Of(A, Place))
        return Ticks();
    std::vector<Candidate> vecCandidates;
    if (A.eScale == eRDScaleLog10) {
        vecCandidates = LogCandidates(A, Place);
        // Decades alone, where three or more of them are legible.
        const long iMax = Numeric::ClampDivisions(A.iMaxTicks);
        for (std::size_t i = 0; i + 2 < vecCandidates.size(); ++i) {
            const Candidate& C = vecCandidates[i];
            Ticks Set;
            if (C.iCount >= std::min(3L, iMax) && C.iCount <= iMax && Build(A, Metrics, Place, C, true, Set))
                return Set;
        }
        // Under half a decade, round linear values serve better than the few multiples of powers of ten.
        if (Place.dSpan < 0.5) {
            AxisTicks::Axis Plain = A;
            Plain.iPrecision = 0; // precisions are for linear axes
            LinearCandidates(Plain, A.dLow, A.dHigh, vecCandidates, 0.5);
        }
    } else if (A.eScale == eRDScaleTime && A.dLow >= c_dFirstTime && A.dHigh <= c_dLastTime) {
        vecCandidates = TimeCandidates(A);
    } else {
        LinearCandidates(A, A.dLow, A.dHigh, vecCandidates);
    }
    return ChooseAmong(A, Metrics, Place, vecCandidates);
}

} // namespace AxisTicks
} // namespace KelmFramework

#endif // RDAXISTICKS_P_H
