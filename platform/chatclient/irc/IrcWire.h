#pragma once

#include <vector>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace irc {

// Whether a server's reply is one of the numerics that refuse a JOIN: no
// such channel, too many channels, full, invite only, banned, bad key, bad
// mask, needs an account, cannot join.
bool IsJoinRefusal(QByteArrayView command);

// SASL PLAIN's answer for the account and password: "AUTHENTICATE" lines
// of at most 400 bytes of base64 each, and "AUTHENTICATE +" after a last
// piece of exactly 400.
std::vector<QByteArray> SaslPlainLines(const QByteArray& account, const QByteArray& password);

// The bytes with each CR, LF and NUL turned into a blank, so that they can
// never end the line early and smuggle in a second command.
QByteArray WireSafe(QByteArray bytes);

// "PRIVMSG <channel> :<text>\r\n", the way every own line leaves. Both the
// channel and the text are made wire-safe first. The text is already
// encoded (UTF-8) and split to fit (see IrcSplit.h).
QByteArray FramePrivmsg(QByteArrayView channel, QByteArray text);

// The owner's text (IRC text) to a channel or a member as the PRIVMSG lines
// he sends, without line ends: wire-safe, and split so that each fits once
// the server relays it behind his prefix of prefixBytes (RelayedPrefixBytes).
std::vector<QByteArray> OwnPrivmsgLines(QByteArrayView target, const QString& text, int prefixBytes);
// His action as the one CTCP ACTION line it must be, without its line end:
// the text cut to fit rather than split (*cut says whether it was), a CTCP
// mark inside it made a blank.
QByteArray OwnActionLine(QByteArrayView target, const QString& text, int prefixBytes, bool* cut);

}  // namespace irc
