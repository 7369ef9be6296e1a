#pragma once

#include <QByteArray>
#include <QString>

namespace irc {

// The longest nick asked for before the server has said what it takes.
inline constexpr int kLongestFirstNick = 30;

// A nick the network will take for a screen name: blanks become '_',
// characters no nick may hold go, and it is cut to kLongestFirstNick.
QByteArray NickFromScreenName(const QString& screenName);

// The nick to try after `tries` refusals: underscores added, cut to fit
// the server's NICKLEN (or 9, what every server takes, while it is unknown).
QByteArray NextNick(const QByteArray& base, int tries, int nickLength);

}  // namespace irc
