#include "platform/chatclient/ChatClientOptions.h"

#include <unistd.h>

#include <QByteArray>

QString DefaultScreenName() {
  if (const char* login = getlogin(); login && *login) return QString::fromLocal8Bit(login);
  const QByteArray user = qgetenv("USER");
  if (!user.isEmpty()) return QString::fromLocal8Bit(user);
  return QStringLiteral("Owner");
}
