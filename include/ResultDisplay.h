// ResultDisplay: includes the whole programming interface of the library.
#ifndef RESULTDISPLAY_H
#define RESULTDISPLAY_H

#include "CRDAxisBoxGrid.h"
#include "CRDBoxGridLayout.h"
#include "CRDColor.h"
#include "CRDDecimatingBoxGrid.h"
#include "CRDDecoratedLine.h"
#include "CRDDecoratedPoint.h"
#include "CRDDevicePoint.h"
#include "CRDGrid.h"
#include "CRDLinearGrid.h"
#include "CRDMatrix.h"
#include "CRDMatrixData.h"
#include "CRDPoint.h"
#include "CResultDisplay.h"
#include "IResultDisplayCallBack.h"
#include "ResultDisplayExport.h"
#include "ResultDisplayTypes.h"

#endif // RESULTDISPLAY_H
