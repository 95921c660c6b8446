// CRDMatrixData and stMatrixDataItem: the items shown by CRDMatrix.
#ifndef CRDMATRIXDATA_H
#define CRDMATRIXDATA_H

#include "ResultDisplayExport.h"

#include <QString>

#include <vector>

namespace KelmFramework
{

/// One item of a matrix: its state, tool tip and label.
struct stMatrixDataItem
{
    short m_iState;
    QString m_strToolTip;
    QString m_strLabel;
};

/// An ordered list of matrix items and the index of the item that blinks (-1: none).
/// Reading an index that names no item answers -1 or an empty text.
class RESULTDISPLAY_EXPORT CRDMatrixData
{
public:
    CRDMatrixData();
    CRDMatrixData(const CRDMatrixData& other);
    CRDMatrixData& operator=(const CRDMatrixData& other);
    ~CRDMatrixData();

    /// Removes every item and clears the blink index.
    void Clear();
    long Size() const;
    short State(long iIndex) const;
    QString ToolTip(long iIndex) const;
    /// The label as a cell shows it: at most its first four characters.
    QString Label(long iIndex) const;
    void AppendMatrixItem(short iState, QString strToolTip, QString strLabel);

    std::vector<stMatrixDataItem> m_vecItems;
    long m_iBlinkIndex;
};

} // namespace KelmFramework

#endif // CRDMATRIXDATA_H
