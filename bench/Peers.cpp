// The peers this bench was built with: each is compiled only where its library was found.
#include "Peers.h"

namespace Bench
{

#ifdef RD_BENCH_QCUSTOMPLOT
Rival QCustomPlotRival(std::shared_ptr<const PeerScene> pScene);
const char* QCustomPlotVersion();
#endif
#ifdef RD_BENCH_QWT
Rival QwtRival(std::shared_ptr<const PeerScene> pScene);
const char* QwtVersion();
#endif

std::vector<Rival> PeerRivals([[maybe_unused]] std::shared_ptr<const PeerScene> pScene)
{
    std::vector<Rival> vecRivals;
#ifdef RD_BENCH_QCUSTOMPLOT
    vecRivals.push_back(QCustomPlotRival(pScene));
#endif
#ifdef RD_BENCH_QWT
    vecRivals.push_back(QwtRival(pScene));
#endif
    return vecRivals;
}

const char* PeerNames()
{
    static const std::string strNames = [] {
        std::string strResult;
#ifdef RD_BENCH_QCUSTOMPLOT
        strResult += std::string("QCustomPlot ") + QCustomPlotVersion();
#endif
#ifdef RD_BENCH_QWT
        strResult += std::string(strResult.empty() ? "" : ", ") + "Qwt " + QwtVersion();
#endif
        return strResult.empty() ? std::string("none") : strResult;
    }();
    return strNames.c_str();
}

} // namespace Bench
