#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace irc {

// The bytes with each CR, LF and NUL turned into a blank, so that they can
// never end the line early and smuggle in a second command.
QByteArray WireSafe(QByteArray bytes);

// "PRIVMSG <channel> :<text>\r\n", the way every own line leaves. Both the
// channel and the text are made wire-safe first. The text is already
// encoded (UTF-8) and split to fit (see IrcSplit.h).
QByteArray FramePrivmsg(QByteArrayView channel, QByteArray text);

}  // namespace irc
