// The desktop portal's calls answer later, on a Request object whose path the caller
// can know before the call: listening there first leaves no gap for a quick answer
// to fall into.
#pragma once

#include <QDBusConnection>
#include <QString>

namespace snaprill {

inline const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kPortalRequest = QStringLiteral("org.freedesktop.portal.Request");

// The path of the Request of a call made on `bus` with this handle token.
QString portalRequestPath(const QDBusConnection& bus, const QString& token);

}  // namespace snaprill
