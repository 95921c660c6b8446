// CRDDevicePoint is defined inline in its header; this unit checks that the header stands alone.
#include "CRDDevicePoint.h"
