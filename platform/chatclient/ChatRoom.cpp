#include "platform/chatclient/ChatRoom.h"

#include <algorithm>

void ChatRoom::Join(const QString& member) {
  if (!members_.contains(member)) members_.append(member);
}

void ChatRoom::Leave(const QString& member) { members_.removeAll(member); }

namespace {

bool BreaksLine(QChar c) {
  const char16_t u = c.unicode();
  return (u < 0x20 && u != '\t') || u == 0x7F || u == 0x2028 || u == 0x2029;
}

}  // namespace

QString ChatRoom::SingleLine(const QString& text) {
  // Most lines have nothing to replace: they keep sharing their characters.
  if (std::none_of(text.cbegin(), text.cend(), BreaksLine)) return text;
  QString line = text;
  for (QChar& c : line)
    if (BreaksLine(c)) c = QChar(' ');
  return line;
}

namespace {

std::size_t Bytes(const ChatLine& line) {
  return static_cast<std::size_t>(line.screenName.size() + line.text.size()) * sizeof(QChar);
}

// The first characters of the text, at most count of them, without half of a
// surrogate pair at the end.
QString Cut(const QString& text, qsizetype count) {
  if (count >= text.size()) return text;
  if (count > 0 && text[count - 1].isHighSurrogate()) --count;
  return text.left(count);  // a copy of its own, of the size kept
}

}  // namespace

void ChatRoom::SetMarks(const QStringList& marked) {
  marks_.clear();
  for (const QString& entry : marked) {
    if (entry.size() > 1) marks_.insert(entry.mid(1), entry.left(1));
  }
}

ChatRoom::Said ChatRoom::Say(const QString& screenName, const QString& text) {
  Join(SingleLine(screenName));
  return Add({screenName, text, ChatLine::Kind::Said, {}});
}

ChatRoom::Said ChatRoom::Add(ChatLine line) {
  line.screenName = SingleLine(line.screenName);
  line.text = SingleLine(line.text);
  Said said{std::move(line)};
  // The kept copy shares the characters of the line as said, unless cut.
  ChatLine kept = said.line;
  if (Bytes(kept) > kKeptBytes) {
    const auto characters = static_cast<qsizetype>(kKeptBytes / sizeof(QChar));
    kept.screenName = Cut(kept.screenName, characters);
    kept.text = Cut(kept.text, characters - kept.screenName.size());
    said.keptCut = true;
  }
  const std::size_t bytes = Bytes(kept);
  while (!lines_.empty() && (lines_.size() >= kKeptLines || keptBytes_ + bytes > kKeptBytes)) {
    keptBytes_ -= Bytes(lines_.front());
    lines_.pop_front();
  }
  lines_.push_back(std::move(kept));
  keptBytes_ += bytes;
  return said;
}

ChatRoom& RoomHub::Room(const QString& name) {
  auto& room = rooms_[name];
  if (!room) room = std::make_unique<ChatRoom>(name);
  return *room;
}

const ChatRoom* RoomHub::Find(const QString& name) const {
  auto it = rooms_.find(name);
  return it == rooms_.end() ? nullptr : it->second.get();
}
