#include "tests/support/irc/SessionScript.h"

#include <sstream>

#include "platform/chatclient/irc/IrcMessage.h"

SessionScript::SessionScript(irc::IrcSessionOptions options, QString screenName) : session_(std::move(options)) {
  session_.SetScreenName(screenName);
}

void SessionScript::Run(const std::vector<std::string>& steps) {
  for (const std::string& step : steps) Step(step);
}

void SessionScript::Step(const std::string& step) {
  const QString text = QString::fromStdString(step);
  const QString word = text.section(' ', 0, 0);
  const QString rest = text.section(' ', 1);
  if (text.startsWith("< ")) {
    if (auto message = irc::IrcMessage::Parse(rest.toUtf8())) session_.Receive(*message, now_);
  } else if (text.startsWith('+')) {
    now_ += std::chrono::milliseconds(text.mid(1).toLongLong());
    session_.Tick(now_);
  } else if (word == "connect") {
    session_.Connected(now_);
  } else if (word == "lost") {
    session_.Disconnected();
  } else if (word == "join") {
    session_.Join(rest, now_);
  } else if (word == "part") {
    session_.Part(rest);
  } else if (word == "say") {
    session_.Say(rest.section(' ', 0, 0), rest.section(' ', 1), now_);
  } else if (word == "act") {
    session_.Act(rest.section(' ', 0, 0), rest.section(' ', 1), now_);
  } else if (word == "msg") {
    session_.SayTo(rest.section(' ', 0, 0), rest.section(' ', 1), now_);
  } else if (word == "nick") {
    session_.ChangeNick(rest);
  }
  Collect();
}

void SessionScript::Collect() {
  irc::IrcOutput out = session_.Take();
  for (const QByteArray& line : out.lines) entries_.push_back("> " + QString::fromUtf8(line));
  // By kind, in the order of IrcEvent::Kind.
  static const char* const kHeads[] = {"signed on ", "now ",    "joined ", "refused ", "line ",   "room ",
                                       "members ",   "notice ", "lost, ",  "joins ",   "parts ",  "quits ",
                                       "renames ",   "kicked ", "topic ",  "marks "};
  for (const irc::IrcEvent& e : out.events) {
    QString entry = QString("= ") + kHeads[static_cast<int>(e.kind)] + e.room;
    // The room's news: "= kicked Lobby: Bob by Op: flood".
    if (e.kind >= irc::IrcEvent::Kind::MemberJoined && e.kind != irc::IrcEvent::Kind::Marks) {
      QString news = e.nick;
      if (e.kind == irc::IrcEvent::Kind::MemberKicked) news += " by " + e.members.value(0);
      if (!e.text.isEmpty()) news += (news.isEmpty() ? "" : ": ") + e.text;
      entries_.push_back(entry + ": " + news);
      continue;
    }
    if (e.kind == irc::IrcEvent::Kind::Line) entry += " " + e.nick;
    if (!e.room.isEmpty()) entry += ": ";
    if (e.kind == irc::IrcEvent::Kind::Lost) entry += e.retry ? "retry: " : "final: ";
    const bool list = e.kind == irc::IrcEvent::Kind::Members || e.kind == irc::IrcEvent::Kind::Marks;
    entries_.push_back(entry + (list ? e.members.join(' ') : e.text));
  }
}

std::vector<std::string> SessionScript::InLobby(const std::string& caps) {
  std::vector<std::string> steps = {"connect"};
  if (!caps.empty()) {
    steps.push_back("< :irc.test CAP * LS :" + caps);
    std::istringstream names(caps);
    for (std::string name; names >> name;) steps.push_back("< :irc.test CAP * ACK :" + name);
  }
  for (const char* step : {"< :irc.test 001 Joe :Welcome", "join Lobby", "< :Joe!u@h JOIN #Lobby", "+3000"})
    steps.push_back(step);
  return steps;
}
