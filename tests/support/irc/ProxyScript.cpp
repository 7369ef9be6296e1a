#include "tests/support/irc/ProxyScript.h"

#include <gtest/gtest.h>

ProxyScript::ProxyScript(irc::ProxySessionOptions options) : session_(std::move(options)) {
  session_.ClientConnected(now_);
}

void ProxyScript::Run(const std::vector<std::string>& steps) {
  for (const std::string& step : steps) Step(step);
}

void ProxyScript::Step(const std::string& step) {
  const auto [word, rest] = ReadIrcScriptStep(step);
  // Raw bytes pass as they are written in the table.
  const QByteArray bytes = rest.toLatin1();
  if (word == "<<") session_.FromClient(bytes, now_);
  else if (word == "relay") {
    // The relay's road: a line the session lets go up at once is written
    // before the session reads it ("! " marks it), any other goes the way of "<<".
    if (session_.RelayAtOnce(bytes, now_)) {
      entries_.push_back("! " + rest);
      entries_.push_back("> " + rest);
      session_.ReadRelayed(bytes);
    } else {
      session_.FromClient(bytes, now_);
    }
  }
  else if (word == "<") session_.FromUpstream(bytes, now_);
  else if (word == "+") {
    now_ += std::chrono::milliseconds(rest.toInt());
    session_.Tick(now_);
  } else if (word == "connect") session_.UpstreamConnected(now_);
  else if (word == "lost") session_.UpstreamLost(rest);
  else if (word == "leave") session_.ClientLeft("bye");
  else if (word == "say") session_.Say(rest.section(' ', 0, 0), rest.section(' ', 1), now_);
  else if (word == "join") session_.Join(rest);
  else if (word == "act") session_.Act(rest.section(' ', 0, 0), rest.section(' ', 1), now_);
  else if (word == "msg") session_.SayTo(rest.section(' ', 0, 0), rest.section(' ', 1), now_);
  else if (word == "nick") session_.ChangeNick(rest, now_);
  else if (word == "client") session_.ClientConnected(now_);
  else if (word == "tell") session_.TellOwner(rest);
  else if (word == "toolong") session_.ClientLineTooLong();
  else if (word == "unread") session_.ClientBacklog(rest.toLongLong());
  else ADD_FAILURE() << "no such step: " << step;
  irc::ProxySession::Output out = session_.Take();
  auto add = [this](const char* kind, const std::vector<QByteArray>& lines) {
    for (const QByteArray& line : lines) {
      EXPECT_FALSE(line.contains('\r') || line.contains('\n')) << line.toStdString();
      entries_.push_back(kind + QString::fromLatin1(line));
    }
  };
  add("> ", out.toUpstream);
  add(">> ", out.toClient);
  for (const irc::IrcEvent& event : out.events) entries_.push_back(IrcEventEntry(event));
  opened_ = opened_ || out.openUpstream;
  closed_ = closed_ || out.closeClient || out.dropClient;
  EXPECT_FALSE(out.dropClient && out.closeUpstream);
}

std::vector<QString> ProxyScript::Only(const QString& kind) const {
  std::vector<QString> only;
  for (const QString& entry : entries_)
    if (entry.startsWith(kind) && !(kind == "> " && entry.startsWith(">> "))) only.push_back(entry.mid(kind.size()));
  return only;
}
