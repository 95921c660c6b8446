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
    short m_iState;       ///< Index into the matrix's state colours.
    QString m_strToolTip; ///< Shown when the mouse rests on the cell.
    QString m_strLabel;   ///< Drawn in the cell, at most its first four characters.
};

/// An ordered list of matrix items and the index of the item that blinks (-1: none).
/// Reading an index that names no item answers -1 or an empty text.
class RESULTDISPLAY_EXPORT CRDMatrixData
{
public:
    /// No items, nothing blinking.
    CRDMatrixData();
    /// Copies the items and the blink index.
    CRDMatrixData(const CRDMatrixData& other);
    /// Copies the items and the blink index.
    CRDMatrixData& operator=(const CRDMatrixData& other);
    ~CRDMatrixData();

    /// Removes every item and clears the blink index.
    void Clear();
    /// The number of items.
    long Size() const;
    /// The item's state; -1 for an index that names no item.
    short State(long iIndex) const;
    /// The item's tool tip; empty for an index that names no item.
    QString ToolTip(long iIndex) const;
    /// The label as a cell shows it: at most its first four characters.
    QString Label(long iIndex) const;
    /// Adds an item at the end; any state is kept, and one without a colour is drawn green.
    void AppendMatrixItem(short iState, QString strToolTip, QString strLabel);

    std::vector<stMatrixDataItem> m_vecItems; ///< The items, indexed from 0.
    long m_iBlinkIndex;                       ///< The item that blinks; one that names no item blinks nothing.
};

} // namespace KelmFramework

#endif // CRDMATRIXDATA_H
