// ResultDisplay: includes the whole programming interface of the library.
#ifndef RESULTDISPLAY_H
#define RESULTDISPLAY_H

#include "ResultDisplayExport.h"
#include "ResultDisplayTypes.h"
#include "CRDPoint.h"
#include "CRDDevicePoint.h"
#include "CRDColor.h"
#include "CRDDecoratedPoint.h"
#include "CRDDecoratedLine.h"
#include "CRDGrid.h"
#include "CRDLinearGrid.h"
#include "IResultDisplayCallBack.h"
#include "CRDBoxGridLayout.h"
#include "CRDDecimatingBoxGrid.h"
#include "CResultDisplay.h"
#include "CRDMatrixData.h"
#include "CRDMatrix.h"

#endif // RESULTDISPLAY_H
