#include "platform/chatclient/irc/IrcMessage.h"

#include <QList>

namespace irc {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A command is a word of letters or exactly three digits.
bool IsCommand(QByteArrayView word) {
  if (word.isEmpty()) return false;
  if (IsDigit(word[0])) {
    return word.size() == 3 && IsDigit(word[1]) && IsDigit(word[2]);
  }
  for (char c : word) {
    if (!IsLetter(c)) return false;
  }
  return true;
}

class Cursor {
 public:
  explicit Cursor(QByteArrayView line) : line_(line) {}
  bool AtEnd() const { return pos_ >= line_.size(); }
  char Peek() const { return line_[pos_]; }
  void SkipBlanks() {
    while (!AtEnd() && Peek() == ' ') ++pos_;
  }
  // Up to the next blank or the end.
  QByteArrayView Word() {
    const qsizetype start = pos_;
    const qsizetype blank = line_.indexOf(' ', pos_);
    pos_ = blank < 0 ? line_.size() : blank;
    return line_.sliced(start, pos_ - start);
  }
  QByteArrayView Rest() {
    QByteArrayView rest = line_.sliced(pos_);
    pos_ = line_.size();
    return rest;
  }
  void Skip() { ++pos_; }

 private:
  QByteArrayView line_;
  qsizetype pos_ = 0;
};

void SplitPrefix(IrcMessage& message) {
  const QByteArray& prefix = message.prefix;
  const qsizetype at = prefix.indexOf('@');
  const qsizetype bang = prefix.indexOf('!');
  const qsizetype nickEnd = bang >= 0 && (at < 0 || bang < at) ? bang : at;
  if (nickEnd < 0) {
    message.nick = prefix;
    return;
  }
  message.nick = prefix.left(nickEnd);
  if (at >= 0) message.host = prefix.mid(at + 1);
  if (bang >= 0 && (at < 0 || bang < at)) {
    message.user = at < 0 ? prefix.mid(bang + 1) : prefix.mid(bang + 1, at - bang - 1);
  }
}

// "a=b\\sc;d" -> {a, "b c"}, {d, ""}; escapes as IRCv3 defines them.
void ReadTags(QByteArrayView tags, IrcMessage& message) {
  for (const QByteArrayView tag : tags.toByteArray().split(';')) {
    if (tag.isEmpty()) continue;
    const qsizetype equals = tag.indexOf('=');
    QByteArray value;
    if (equals >= 0) {
      const QByteArrayView raw = tag.sliced(equals + 1);
      for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
          value += raw[i];
          continue;
        }
        if (++i >= raw.size()) break;
        switch (raw[i]) {
          case ':': value += ';'; break;
          case 's': value += ' '; break;
          case 'r': value += '\r'; break;
          case 'n': value += '\n'; break;
          default: value += raw[i];
        }
      }
    }
    message.tags.emplace_back((equals >= 0 ? tag.first(equals) : tag).toByteArray(), value);
  }
}

}  // namespace

std::optional<QByteArray> IrcMessage::Tag(QByteArrayView key) const {
  for (const auto& [name, value] : tags)
    if (name == key) return value;
  return std::nullopt;
}

QByteArray IrcMessage::Param(std::size_t index) const {
  return index < params.size() ? params[index] : QByteArray();
}

std::optional<IrcMessage> IrcMessage::Parse(QByteArrayView line) {
  if (line.contains('\0') || line.contains('\r') || line.contains('\n')) return std::nullopt;
  Cursor in(line);
  IrcMessage message;
  message.params.reserve(4);  // enough for most lines
  if (!in.AtEnd() && in.Peek() == '@') {
    in.Skip();
    ReadTags(in.Word(), message);
    in.SkipBlanks();
  }
  if (!in.AtEnd() && in.Peek() == ':') {
    in.Skip();
    const QByteArrayView prefix = in.Word();
    if (prefix.isEmpty()) return std::nullopt;
    message.prefix = prefix.toByteArray();
    SplitPrefix(message);
    in.SkipBlanks();
  }
  const QByteArrayView command = in.Word();
  if (!IsCommand(command)) return std::nullopt;
  message.command = command.toByteArray().toUpper();
  for (in.SkipBlanks(); !in.AtEnd(); in.SkipBlanks()) {
    // The trailing parameter, and the last of fifteen even without ':',
    // take the rest of the line.
    if (in.Peek() == ':') {
      in.Skip();
      message.params.push_back(in.Rest().toByteArray());
    } else if (message.params.size() + 1 == kMaxParams) {
      message.params.push_back(in.Rest().toByteArray());
    } else {
      message.params.push_back(in.Word().toByteArray());
    }
  }
  return message;
}

}  // namespace irc
