// IResultDisplayCallBack: the source of x tick label texts.
#include "IResultDisplayCallBack.h"

namespace KelmFramework
{

IResultDisplayCallBack::IResultDisplayCallBack(QString strName) : m_strName(strName)
{
}

IResultDisplayCallBack::~IResultDisplayCallBack()
{
}

QString IResultDisplayCallBack::GetXAxisStepValue(double)
{
    return QStringLiteral("--");
}

} // namespace KelmFramework
