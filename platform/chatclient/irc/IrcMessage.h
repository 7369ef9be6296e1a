#pragma once

#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

namespace irc {

// One line received from an IRC server, split as RFC 1459/2812 frame it:
//   [@tags SP] [:prefix SP] command *(SP param) [SP :trailing]
// The fields stay bytes as they came; text is decoded later (see IrcText.h),
// since a line may be UTF-8 or Latin-1.
struct IrcMessage {
  // IRCv3 tags ("time", "batch", ...) by key, their values unescaped.
  std::vector<std::pair<QByteArray, QByteArray>> tags;
  // "nick!user@host" or a server name; empty when the line had none.
  QByteArray prefix;
  // The part of the prefix before '!' or '@' (the whole prefix for a server).
  QByteArray nick;
  QByteArray user;
  QByteArray host;
  // Letters in upper case ("PRIVMSG") or three digits ("001").
  QByteArray command;
  // At most kMaxParams; the trailing one may hold blanks or be empty.
  std::vector<QByteArray> params;

  static constexpr std::size_t kMaxParams = 15;

  // The index-th parameter, or an empty one when the line had fewer: callers
  // read numerics without checking how many parameters a server sent.
  QByteArray Param(std::size_t index) const;
  // The value of the tag, or nothing when the line had no such tag.
  std::optional<QByteArray> Tag(QByteArrayView key) const;

  // The message in one line without CR LF, or nothing for a line that is not
  // an IRC message (empty, only tags or a prefix, no or a bad command, NUL,
  // CR or LF inside).
  static std::optional<IrcMessage> Parse(QByteArrayView line);
};

}  // namespace irc
