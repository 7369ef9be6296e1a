#pragma once

#include <optional>

#include <QHostAddress>
#include <QString>

// Where the proxy listens for the owner's own IRC client.
struct ListenAddress {
  QHostAddress host;
  quint16 port = 0;
};

// "[HOST:]PORT", with HOST 127.0.0.1 by default, "localhost", or an address
// in brackets for IPv6 ("[::1]:6667"). Only loopback addresses are taken:
// the proxy lets its client speak as the owner. Nothing, with the reason in
// `error`, for anything else.
std::optional<ListenAddress> ParseListenAddress(const QString& text, QString* error);
