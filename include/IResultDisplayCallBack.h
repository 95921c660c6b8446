// IResultDisplayCallBack: the source of x tick label texts for CRDBoxGridLayout.
#ifndef IRESULTDISPLAYCALLBACK_H
#define IRESULTDISPLAYCALLBACK_H

#include "ResultDisplayExport.h"

#include <QString>

namespace KelmFramework
{

/// Derive from this to give the x ticks of a box grid texts of your own (times, names, ...).
/// A callback named "CRDBoxGridLayout" is taken for the built-in one and never asked.
class RESULTDISPLAY_EXPORT IResultDisplayCallBack
{
public:
    /// A callback with this name.
    explicit IResultDisplayCallBack(QString strName);
    virtual ~IResultDisplayCallBack();

    /// The label text for the x value of a tick; "--" unless overridden.
    virtual QString GetXAxisStepValue(double dValue);

    QString m_strName; ///< The name given at construction.
};

} // namespace KelmFramework

#endif // IRESULTDISPLAYCALLBACK_H
