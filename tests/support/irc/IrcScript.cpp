#include "tests/support/irc/IrcScript.h"

IrcScriptStep ReadIrcScriptStep(const std::string& step) {
  const QString text = QString::fromStdString(step);
  if (text.startsWith("<< ")) return {"<<", text.mid(3)};
  if (text.startsWith("< ")) return {"<", text.mid(2)};
  if (text.startsWith('+')) return {"+", text.mid(1)};
  return {text.section(' ', 0, 0), text.section(' ', 1)};
}

QString IrcEventEntry(const irc::IrcEvent& e) {
  using Kind = irc::IrcEvent::Kind;
  // By kind, in the order of IrcEvent::Kind.
  static const char* const kHeads[] = {"signed on ", "now ",    "joined ", "refused ", "line ",   "room ",
                                       "members ",   "notice ", "lost, ",  "joins ",   "parts ",  "quits ",
                                       "renames ",   "kicked ", "topic ",  "marks "};
  QString entry = QString("= ") + kHeads[static_cast<int>(e.kind)] + e.room;
  // The room's news: "= kicked Lobby: Bob by Op: flood".
  if (e.kind >= Kind::MemberJoined && e.kind != Kind::Marks) {
    QString news = e.nick;
    if (e.kind == Kind::MemberKicked) news += " by " + e.members.value(0);
    if (!e.text.isEmpty()) news += (news.isEmpty() ? "" : ": ") + e.text;
    return entry + ": " + news;
  }
  const bool list = e.kind == Kind::Members || e.kind == Kind::Marks;
  QString tail = list ? e.members.join(' ') : e.text;
  if (e.kind == Kind::Line) entry += " " + e.nick;
  if (e.kind == Kind::Lost) tail = (e.retry ? "retry: " : "final: ") + tail;
  // "= joined Lobby" alone; "= members Lobby: " even when empty.
  if (!e.room.isEmpty() && (!tail.isEmpty() || list || e.kind == Kind::Line)) entry += ": ";
  return entry + tail;
}

std::string DumpIrcEntries(const std::vector<QString>& entries) {
  std::string all;
  for (const QString& e : entries) all += "  " + e.toStdString() + "\n";
  return all;
}
