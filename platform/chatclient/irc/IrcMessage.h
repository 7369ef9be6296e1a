#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

namespace irc {

// One line received from an IRC server, split as RFC 1459/2812 frame it:
//   [@tags SP] [:prefix SP] command *(SP param) [SP :trailing]
// The parts stay bytes as they came; text is decoded later (see IrcText.h),
// since a line may be UTF-8 or Latin-1.
//
// The message keeps the line and its parts are views into it: reading a line
// of a busy room allocates nothing beyond the line. A view lives as long as
// the message (or a copy of it, which shares the line's bytes); keep bytes
// longer with toByteArray().
class IrcMessage {
 public:
  static constexpr std::size_t kMaxParams = 15;
  using Params = std::span<const QByteArrayView>;

  // "nick!user@host" or a server name; empty when the line had none.
  QByteArrayView prefix() const { return prefix_; }
  // The part of the prefix before '!' or '@' (the whole prefix for a server).
  QByteArrayView nick() const { return nick_; }
  QByteArrayView user() const { return user_; }
  QByteArrayView host() const { return host_; }
  // Letters in upper case ("PRIVMSG") or three digits ("001").
  QByteArrayView command() const { return command_; }
  // At most kMaxParams; the trailing one may hold blanks or be empty.
  Params params() const { return {params_.data(), paramCount_}; }

  // The index-th parameter, or an empty one when the line had fewer: callers
  // read numerics without checking how many parameters a server sent.
  QByteArray Param(std::size_t index) const;
  // The value of the tag (IRCv3: "time", "batch", ...), unescaped, or
  // nothing when the line had no such tag.
  std::optional<QByteArray> Tag(QByteArrayView key) const;

  // The message in one line without CR LF, or nothing for a line that is not
  // an IRC message (empty, only tags or a prefix, no or a bad command, NUL,
  // CR or LF inside). The line's bytes are shared, not copied.
  static std::optional<IrcMessage> Parse(const QByteArray& line);

 private:
  // False for a line that is not a message.
  bool Split();
  void SplitPrefix();

  QByteArray line_;
  QByteArray upperCommand_;  // only for a command not sent in upper case
  QByteArrayView prefix_, nick_, user_, host_, command_;
  std::array<QByteArrayView, kMaxParams> params_{};
  std::size_t paramCount_ = 0;
  std::vector<std::pair<QByteArray, QByteArray>> tags_;
};

}  // namespace irc
