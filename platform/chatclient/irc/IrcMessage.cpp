#include "platform/chatclient/irc/IrcMessage.h"

#include <algorithm>

#include <QList>

namespace irc {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }

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

// NUL, CR or LF: none may be inside a line. One pass over the line.
bool HasLineBreakOrNul(QByteArrayView line) {
  unsigned char any = 0;
  for (char c : line) any |= static_cast<unsigned char>(c == '\0' || c == '\r' || c == '\n');
  return any != 0;
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
    while (pos_ < line_.size() && line_[pos_] != ' ') ++pos_;
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

// "a=b\\sc;d" -> {a, "b c"}, {d, ""}; escapes as IRCv3 defines them.
std::vector<std::pair<QByteArray, QByteArray>> ReadTags(QByteArrayView tags) {
  std::vector<std::pair<QByteArray, QByteArray>> read;
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
    read.emplace_back((equals >= 0 ? tag.first(equals) : tag).toByteArray(), value);
  }
  return read;
}

}  // namespace

std::optional<QByteArray> IrcMessage::Tag(QByteArrayView key) const {
  for (const auto& [name, value] : tags_)
    if (name == key) return value;
  return std::nullopt;
}

QByteArray IrcMessage::Param(std::size_t index) const {
  return index < paramCount_ ? params_[index].toByteArray() : QByteArray();
}

std::optional<IrcMessage> IrcMessage::Parse(const QByteArray& line) {
  if (HasLineBreakOrNul(line)) return std::nullopt;
  IrcMessage message;
  // An array that only points at bytes it does not own (raw data, a
  // literal) is copied: they may not outlive the call.
  message.line_ = line.capacity() > 0 ? line : QByteArray(line.constData(), line.size());
  if (!message.Split()) return std::nullopt;
  return message;
}

bool IrcMessage::Split() {
  Cursor in(line_);
  if (!in.AtEnd() && in.Peek() == '@') {
    in.Skip();
    tags_ = ReadTags(in.Word());
    in.SkipBlanks();
  }
  if (!in.AtEnd() && in.Peek() == ':') {
    in.Skip();
    prefix_ = in.Word();
    if (prefix_.isEmpty()) return false;
    SplitPrefix();
    in.SkipBlanks();
  }
  command_ = in.Word();
  if (!IsCommand(command_)) return false;
  if (std::any_of(command_.begin(), command_.end(), IsLower)) {
    // Rare: servers send commands in upper case.
    upperCommand_ = command_.toByteArray().toUpper();
    command_ = upperCommand_;
  }
  for (in.SkipBlanks(); !in.AtEnd(); in.SkipBlanks()) {
    // The trailing parameter, and the last of fifteen even without ':',
    // take the rest of the line.
    QByteArrayView& param = params_[paramCount_++];
    if (in.Peek() == ':') {
      in.Skip();
      param = in.Rest();
    } else if (paramCount_ == kMaxParams) {
      param = in.Rest();
    } else {
      param = in.Word();
    }
  }
  return true;
}

void IrcMessage::SplitPrefix() {
  // The first '!' and the first '@', in one look at a short word.
  qsizetype at = -1, bang = -1;
  for (qsizetype i = 0; i < prefix_.size(); ++i) {
    if (prefix_[i] == '!' && bang < 0) bang = i;
    if (prefix_[i] == '@' && at < 0) at = i;
  }
  const bool hasUser = bang >= 0 && (at < 0 || bang < at);
  const qsizetype nickEnd = hasUser ? bang : at;
  if (nickEnd < 0) {
    nick_ = prefix_;
    return;
  }
  nick_ = prefix_.first(nickEnd);
  if (at >= 0) host_ = prefix_.sliced(at + 1);
  if (hasUser) user_ = at < 0 ? prefix_.sliced(bang + 1) : prefix_.sliced(bang + 1, at - bang - 1);
}

}  // namespace irc
