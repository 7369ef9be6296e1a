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
  const auto [word, rest] = ReadIrcScriptStep(step);
  if (word == "<") {
    if (auto message = irc::IrcMessage::Parse(rest.toUtf8())) session_.Receive(*message, now_);
  } else if (word == "+") {
    now_ += std::chrono::milliseconds(rest.toLongLong());
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
  for (const irc::IrcEvent& e : out.events) entries_.push_back(IrcEventEntry(e));
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
