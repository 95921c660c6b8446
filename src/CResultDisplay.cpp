// CResultDisplay: the plot widget.
#include "CResultDisplay.h"

// TODO(plot widget): the whole widget; this placeholder only links.
namespace KelmFramework
{

long CResultDisplay::s_iLineIndex = 0;
long CResultDisplay::s_iPointIndex = 0;

} // namespace KelmFramework
