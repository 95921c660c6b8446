// Where Qt 5 and Qt 6 name the same thing differently, the library asks here.
#ifndef RDQTCOMPAT_P_H
#define RDQTCOMPAT_P_H

#include <QMouseEvent>
#include <QPointF>
#include <QtGlobal>

namespace KelmFramework
{
namespace Compat
{

/// The exact position of a mouse event in widget coordinates. Qt 6 deprecates localPos() for position().
inline QPointF EventPosition(const QMouseEvent& Event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return Event.position();
#else
    return Event.localPos();
#endif
}

} // namespace Compat
} // namespace KelmFramework

#endif // RDQTCOMPAT_P_H
