// Live workloads: contenders that take the same ticks of streaming data and repaint after each.
#ifndef LIVEPEERS_H
#define LIVEPEERS_H

#include "CRDPoint.h"

#include <functional>
#include <string>
#include <vector>

namespace Bench
{

/// The display a live workload stands for: channels of a fixed window of samples, the view
/// following the newest ones.
struct LiveSetup
{
    int iChannels = 4;
    long iWindow = 200000;     ///< samples per channel kept and shown
    long iPerTick = 1000;      ///< new samples per channel and tick
    double dSampleStep = 5e-5; ///< seconds between samples: 20 kHz
    double dBottom = -2.0, dTop = 2.0;
};

/// One tick: the new samples of every channel, how many of the oldest go, and the view after it.
struct LiveTick
{
    const std::vector<std::vector<KelmFramework::CRDPoint>>* pNew = nullptr;
    long iDrop = 0;
    double dLeft = 0.0, dRight = 0.0, dBottom = 0.0, dTop = 0.0;
};

/// A widget that shows the channels: filled with the first window, then fed tick by tick.
struct LiveContender
{
    std::string strKey;                          ///< counters' stem: "decimating_grid", "qcustomplot", ...
    std::function<void(const LiveTick&)> Update; ///< takes the tick's data and the new view
    std::function<void()> Render;                ///< the first repaint after an update (QWidget::grab)
    std::function<void()> Repaint;               ///< the same picture again (QWidget::grab)
};

/// The channels' first window, as every contender starts.
using LiveWindow = std::vector<std::vector<KelmFramework::CRDPoint>>;

/// The peers, each defined only where the bench was built with it.
LiveContender LiveQCustomPlot(const LiveSetup& Setup, const LiveWindow& First);
LiveContender LiveQwt(const LiveSetup& Setup, const LiveWindow& First);

} // namespace Bench

#endif // LIVEPEERS_H
