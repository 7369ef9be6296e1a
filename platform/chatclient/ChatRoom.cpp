#include "platform/chatclient/ChatRoom.h"

void ChatRoom::Join(const QString& member) {
  if (!members_.contains(member)) members_.append(member);
}

void ChatRoom::Leave(const QString& member) { members_.removeAll(member); }

QString ChatRoom::SingleLine(const QString& text) {
  QString line = text;
  for (QChar& c : line) {
    const char16_t u = c.unicode();
    if ((u < 0x20 && u != '\t') || u == 0x7F || u == 0x2028 || u == 0x2029) c = QChar(' ');
  }
  return line;
}

const ChatLine& ChatRoom::Say(const QString& screenName, const QString& text) {
  const QString speaker = SingleLine(screenName);
  Join(speaker);
  if (lines_.size() >= kKeptLines) lines_.pop_front();
  lines_.push_back({speaker, SingleLine(text)});
  return lines_.back();
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
