#pragma once

#include <vector>

#include <QByteArray>
#include <QByteArrayView>

namespace irc {

// A line as a server relays it to the others in the channel may hold 512
// bytes: ":nick!user@host PRIVMSG <channel> :<text>\r\n".
inline constexpr int kRelayedLineBytes = 512;
// What is assumed while the server has not told us our user and host: the
// longest that servers commonly allow.
inline constexpr int kUnknownUserBytes = 10;
inline constexpr int kUnknownHostBytes = 63;

// Bytes of ":nick!user@host"; an empty user or host counts as the longest.
int RelayedPrefixBytes(QByteArrayView nick, QByteArrayView user = {}, QByteArrayView host = {});

// Bytes left for the text of a PRIVMSG to the channel, once relayed behind a
// prefix of prefixBytes.
int PrivmsgTextBytes(int prefixBytes, QByteArrayView channel);

// The text (UTF-8, with IRC formatting codes) in pieces of at most maxBytes
// each. A piece ends before a blank where it can (the blank starts the
// next piece: servers strip blanks from the end of a line), else after as
// many whole characters as fit; it never cuts
// a UTF-8 character or a formatting code. Each piece after the first starts
// with the codes of the formatting in effect where the one before ended, so
// that a client shows every character as in the whole line; nothing else is
// added or lost. No pieces for an empty text.
//
// Below some 30 bytes the formatting is no longer carried, and below the
// longest code (14 bytes) a piece may hold one unit more than maxBytes, so
// that splitting always ends.
std::vector<QByteArray> SplitIrcText(QByteArrayView text, int maxBytes);

}  // namespace irc
