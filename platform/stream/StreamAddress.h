#pragma once

#include <optional>

#include <QString>

namespace stream {

// The value of --stream, read: an Icecast server and mount, or a private
// server that Morva starts itself.
struct StreamAddress {
  bool local = false;  // "local[:[HOST:]PORT]"
  QString host;
  int port = 8000;
  QString user = QStringLiteral("source");
  QString mount = QStringLiteral("/morva.mp3");
};

// Reads "icecast://[USER@]HOST[:PORT][/MOUNT]" or "local[:[HOST:]PORT]"; the
// port is 8000 and the mount /morva.mp3 unless given, and a local server is
// on 127.0.0.1. Nothing, with the fault in `problem`, for anything else
// (a password in the address included: it comes from the environment).
std::optional<StreamAddress> ParseStreamAddress(const QString& text, QString* problem);

// Where listeners connect by default: http://HOST:PORT/MOUNT.
QString ListenersUrl(const StreamAddress& address);

}  // namespace stream
