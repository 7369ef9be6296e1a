#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <memory>

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTime>

// One line of a room's transcript. Its text is chat HTML.
struct ChatLine {
  enum class Kind {
    Said,     // screenName said the text
    Action,   // screenName did the text ("/me waves")
    Private,  // the owner said the text to screenName alone
    Event,    // the room's news: someone came or went, a topic; no speaker
  };
  QString screenName;
  QString text;
  Kind kind = Kind::Said;
  QTime time;  // when it was shown; null when not known
};

// One chat room: the lines said in it and its members (whoever is in it and
// whoever has spoken). It keeps the latest kKeptLines lines, as a chat
// window's scrollback does, and of them no more than kKeptBytes of
// characters: the oldest lines go first. A line that is longer than that on
// its own is kept cut to it; the line as said is still what Say gives back,
// whole, for whoever shows or reads it. A room that talks for days thus
// costs what its last lines take, and no more.
class ChatRoom {
 public:
  // What the room window shows of a room it opens: of plain IRC lines (512
  // bytes at most), about 2 MiB a room.
  static constexpr std::size_t kKeptLines = 2000;
  // 16 MiB of the kept lines' speakers and texts, at two bytes a character
  // (UTF-16), as they lie in memory.
  static constexpr std::size_t kKeptBytes = 16 * 1024 * 1024;

  // A line as it was said, and whether the room keeps it cut.
  struct Said {
    ChatLine line;
    bool keptCut = false;
  };

  explicit ChatRoom(QString name) : name_(std::move(name)) {}

  const QString& name() const { return name_; }
  const std::deque<ChatLine>& lines() const { return lines_; }
  // In order of arrival.
  const QStringList& members() const { return members_; }

  void Join(const QString& member);
  void Leave(const QString& member);
  // Everyone in the room now, as a network told it.
  void SetMembers(const QStringList& members) { members_ = members; }
  // The ranks held, as "@Ann" (operator) or "+Bob" (voice); the others hold none.
  void SetMarks(const QStringList& marked);
  // '@', '+' or nothing.
  QString MarkOf(const QString& member) const { return marks_.value(member); }
  // The member says the text; the speaker becomes a member. A line never
  // spans several lines: control characters become spaces.
  Said Say(const QString& screenName, const QString& text);
  // Keeps a line of any kind, as Say keeps it; nobody joins.
  Said Add(ChatLine line);
  // What the kept lines take, counted as kKeptBytes is.
  std::size_t keptBytes() const { return keptBytes_; }

  // Control characters (line breaks, escapes, NUL) replaced by spaces.
  static QString SingleLine(const QString& text);

 private:
  QString name_;
  std::deque<ChatLine> lines_;
  std::size_t keptBytes_ = 0;
  QStringList members_;
  QHash<QString, QString> marks_;
};

// The rooms of this process, by name; a room is made when first entered and
// lives as long as the hub.
class RoomHub {
 public:
  ChatRoom& Room(const QString& name);
  const ChatRoom* Find(const QString& name) const;

 private:
  std::map<QString, std::unique_ptr<ChatRoom>> rooms_;
};
