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
  }
  Collect();
}

void SessionScript::Collect() {
  irc::IrcOutput out = session_.Take();
  for (const QByteArray& line : out.lines) entries_.push_back("> " + QString::fromUtf8(line));
  using Kind = irc::IrcEvent::Kind;
  for (const irc::IrcEvent& e : out.events) {
    switch (e.kind) {
      case Kind::SignedOn: entries_.push_back("= signed on " + e.text); break;
      case Kind::OwnNameChanged: entries_.push_back("= now " + e.text); break;
      case Kind::Joined: entries_.push_back("= joined " + e.room); break;
      case Kind::JoinRefused: entries_.push_back("= refused " + e.room + ": " + e.text); break;
      case Kind::Line: entries_.push_back("= line " + e.room + " " + e.nick + ": " + e.text); break;
      case Kind::RoomNotice: entries_.push_back("= room " + e.room + ": " + e.text); break;
      case Kind::Members: entries_.push_back("= members " + e.room + ": " + e.members.join(' ')); break;
      case Kind::Notice: entries_.push_back("= notice " + e.text); break;
      case Kind::Lost: entries_.push_back(QString(e.retry ? "= lost, retry: " : "= lost, final: ") + e.text); break;
    }
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
