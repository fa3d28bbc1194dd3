#include "backends/portal/portal_request.h"

namespace snaprill {

QString portalRequestPath(const QDBusConnection& bus, const QString& token) {
  QString sender = bus.baseService().mid(1);  // without the leading ':'
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  return kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

}  // namespace snaprill
