#include "platform/chatclient/proxy/ListenAddress.h"

std::optional<ListenAddress> ParseListenAddress(const QString& text, QString* error) {
  auto fail = [&](const QString& why) -> std::optional<ListenAddress> {
    if (error) *error = "--irc-listen: " + why;
    return std::nullopt;
  };
  QString host = QStringLiteral("127.0.0.1");
  QString port = text;
  const qsizetype colon = text.lastIndexOf(':');
  if (colon >= 0) {
    host = text.left(colon);
    port = text.mid(colon + 1);
    if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
  }
  bool ok = false;
  const uint number = port.toUInt(&ok);
  if (!ok || number == 0 || number > 65535) return fail("takes [HOST:]PORT, not " + text);
  ListenAddress address;
  address.port = static_cast<quint16>(number);
  address.host = host == QLatin1String("localhost") ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(host);
  if (address.host.isNull()) return fail("not an address: " + host);
  if (!address.host.isLoopback()) return fail("only a loopback address (127.0.0.1, ::1) can be used, not " + host);
  return address;
}
