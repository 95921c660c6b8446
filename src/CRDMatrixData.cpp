// CRDMatrixData: the items shown by CRDMatrix.
#include "CRDMatrixData.h"

#include <utility>

namespace KelmFramework
{

namespace
{
// The number of characters a cell shows of a label.
constexpr int c_iLabelLength = 4;
} // namespace

CRDMatrixData::CRDMatrixData() : m_iBlinkIndex(-1)
{
}

CRDMatrixData::CRDMatrixData(const CRDMatrixData& other)
    : m_vecItems(other.m_vecItems), m_iBlinkIndex(other.m_iBlinkIndex)
{
}

CRDMatrixData& CRDMatrixData::operator=(const CRDMatrixData& other)
{
    if (this != &other) {
        m_vecItems = other.m_vecItems;
        m_iBlinkIndex = other.m_iBlinkIndex;
    }
    return *this;
}

CRDMatrixData::~CRDMatrixData()
{
}

void CRDMatrixData::Clear()
{
    m_vecItems.clear();
    m_iBlinkIndex = -1;
}

long CRDMatrixData::Size() const
{
    return static_cast<long>(m_vecItems.size());
}

short CRDMatrixData::State(long iIndex) const
{
    if (iIndex < 0 || iIndex >= Size())
        return -1;
    return m_vecItems[static_cast<std::size_t>(iIndex)].m_iState;
}

QString CRDMatrixData::ToolTip(long iIndex) const
{
    if (iIndex < 0 || iIndex >= Size())
        return QString();
    return m_vecItems[static_cast<std::size_t>(iIndex)].m_strToolTip;
}

QString CRDMatrixData::Label(long iIndex) const
{
    if (iIndex < 0 || iIndex >= Size())
        return QString();
    const QString& strLabel = m_vecItems[static_cast<std::size_t>(iIndex)].m_strLabel;
    return strLabel.size() > c_iLabelLength ? strLabel.left(c_iLabelLength) : strLabel;
}

void CRDMatrixData::AppendMatrixItem(short iState, QString strToolTip, QString strLabel)
{
    m_vecItems.push_back(stMatrixDataItem{iState, std::move(strToolTip), std::move(strLabel)});
}

} // namespace KelmFramework
