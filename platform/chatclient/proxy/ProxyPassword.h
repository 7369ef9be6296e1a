#pragma once

#include <QByteArray>
#include <QString>

// The password the owner's own IRC client gives the proxy.
struct ProxyPassword {
  QByteArray password;
  // Where it is kept, when it came from a file; empty when it came from the environment.
  QString file;
  // Set when no password can be had; says why.
  QString error;
};

// The given one (MORVA_PROXY_PASSWORD) when it is not empty; else the one
// kept in `file`, made at random (and the file with mode 0600) the first
// time. A kept file that is not a plain file of the user's own (a symbolic
// link is not followed), or that others may read, is refused.
ProxyPassword ObtainProxyPassword(const QByteArray& given, const QString& file);
