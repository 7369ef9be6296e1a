#include "platform/stream/StreamAddress.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

namespace stream {

namespace {

std::optional<int> PortOf(const QString& text) {
  bool ok = false;
  const int port = text.toInt(&ok);
  if (!ok || port < 1 || port > 65535 || text.startsWith('+')) return std::nullopt;
  return port;
}

std::optional<StreamAddress> Local(const QString& rest, QString* problem) {
  StreamAddress address;
  address.local = true;
  address.host = QStringLiteral("127.0.0.1");
  if (rest.isEmpty()) return address;
  // HOST:PORT or PORT; an IPv6 host goes in brackets.
  const qsizetype colon = rest.lastIndexOf(':');
  const QString portText = colon >= 0 ? rest.mid(colon + 1) : rest;
  const std::optional<int> port = PortOf(portText);
  if (!port) {
    *problem = "--stream local: " + portText + " is not a port (1 to 65535)";
    return std::nullopt;
  }
  address.port = *port;
  if (colon >= 0) {
    QString host = rest.left(colon);
    if (host.startsWith('[') && host.endsWith(']')) host = host.mid(1, host.size() - 2);
    if (host.isEmpty() || QHostAddress(host).isNull()) {
      *problem = "--stream local: " + rest.left(colon) + " is not an address of this machine";
      return std::nullopt;
    }
    address.host = host;
  }
  return address;
}

}  // namespace

std::optional<StreamAddress> ParseStreamAddress(const QString& text, QString* problem) {
  if (text == QLatin1String("local")) return Local(QString(), problem);
  if (text.startsWith(QLatin1String("local:"))) {
    if (text.size() == 6) {
      *problem = "--stream local: a port goes after the colon";
      return std::nullopt;
    }
    return Local(text.mid(6), problem);
  }

  const QString form = QStringLiteral("icecast://[USER@]HOST[:PORT]/MOUNT or local[:[HOST:]PORT]");
  const QUrl url(text, QUrl::StrictMode);
  if (!url.isValid() || url.scheme() != QLatin1String("icecast") || url.host().isEmpty()) {
    *problem = "--stream takes " + form + ", not " + text;
    return std::nullopt;
  }
  if (!url.password().isEmpty()) {
    *problem = "--stream: the source password comes from MORVA_STREAM_PASSWORD, never from the command line";
    return std::nullopt;
  }
  if (url.hasQuery() || url.hasFragment()) {
    *problem = "--stream takes " + form + ", not " + text;
    return std::nullopt;
  }
  StreamAddress address;
  address.host = url.host();
  if (url.port() == 0) {
    *problem = "--stream: 0 is not a port (1 to 65535)";
    return std::nullopt;
  }
  if (url.port() > 0) address.port = url.port();
  if (!url.userName().isEmpty()) address.user = url.userName();
  const QString path = url.path();
  if (!path.isEmpty() && path != QLatin1String("/")) {
    if (path.endsWith('/') || path.contains(QRegularExpression(QStringLiteral("[\\s\"<>]")))) {
      *problem = "--stream: " + path + " is not a mount";
      return std::nullopt;
    }
    address.mount = path;
  }
  return address;
}

QString ListenersUrl(const StreamAddress& address) {
  const QString host = address.host.contains(':') ? '[' + address.host + ']' : address.host;
  return "http://" + host + ':' + QString::number(address.port) + address.mount;
}

}  // namespace stream
