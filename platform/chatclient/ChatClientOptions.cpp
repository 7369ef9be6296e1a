#include "platform/chatclient/ChatClientOptions.h"

#include <unistd.h>

#include <QByteArray>

namespace {

// Reads "--name VALUE" or "--name=VALUE" at position i; advances i past it.
bool TakeValue(const QStringList& arguments, qsizetype& i, const QString& name, QString& value) {
  const QString& argument = arguments[i];
  if (argument == name) {
    if (i + 1 >= arguments.size()) return false;
    value = arguments[++i];
    return true;
  }
  if (argument.startsWith(name + '=')) {
    value = argument.mid(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

QString DefaultScreenName() {
  if (const char* login = getlogin(); login && *login) return QString::fromLocal8Bit(login);
  const QByteArray user = qgetenv("USER");
  if (!user.isEmpty()) return QString::fromLocal8Bit(user);
  return QStringLiteral("Owner");
}

ParsedChatClientOptions ParseChatClientOptions(const QStringList& arguments) {
  ParsedChatClientOptions parsed;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    QString value;
    if (TakeValue(arguments, i, QStringLiteral("--screen-name"), value)) {
      parsed.options.screenName = value;
    } else if (TakeValue(arguments, i, QStringLiteral("--room"), value)) {
      parsed.options.room = value;
    } else if (arguments[i] == QLatin1String("--signed-off")) {
      parsed.options.signedOn = false;
    } else if (arguments[i] == QLatin1String("--no-room")) {
      parsed.options.openRoom = false;
    } else {
      parsed.rest.append(arguments[i]);
    }
  }
  return parsed;
}
