// What others say: lines, actions, notices, CTCP requests; and the server's
// PING, ERROR, BATCH and errors.

#include <QDateTime>

#include "platform/chatclient/irc/IrcCtcp.h"
#include "platform/chatclient/irc/IrcSession.h"
#include "platform/chatclient/irc/IrcText.h"

namespace irc {

namespace {

// A sender that is a person: "nick!user@host", the nick (as decoded) one name.
bool FromPerson(const IrcMessage& m, QStringView nick, const IrcServerInfo& server) {
  return !nick.isEmpty() && m.prefix().contains('!') && !nick.contains(u',') && !server.IsChannel(nick);
}
bool FromPerson(const IrcMessage& m, const IrcServerInfo& server) { return FromPerson(m, DecodeIrcText(m.nick()), server); }

constexpr std::chrono::seconds kCtcpEvery{1};

}  // namespace

void IrcSession::OnPing(const IrcMessage& m, Time) { Write("PONG :" + m.Param(0).left(400)); }

void IrcSession::OnError(const IrcMessage& m, Time) { Notice("The server says: " + DecodeIrcText(m.Param(0))); }

// Read even where "batch" was not granted: it can only hold lines back.
void IrcSession::OnBatch(const IrcMessage& m, Time) { history_.Batch(m); }

void IrcSession::OnOtherError(const IrcMessage& m, Time) {
  if (registered_ && m.params().size() >= 2) Notice(LastText(m));
}

void IrcSession::OnPrivmsg(const IrcMessage& m, Time now) {
  if (m.params().size() < 2) return;
  // Every line of a busy room comes here: each piece is decoded once, and
  // nothing is made that the line does not need.
  QString nick = DecodeIrcText(m.nick());
  if (!FromPerson(m, nick, server())) return;
  const DecodedName decodedTarget(m.params()[0]);
  const QStringView target = decodedTarget.view();
  PrivmsgText said = ClassifyPrivmsg(DecodeIrcText(m.params()[1]));
  if (IsOwn(target)) {
    if (said.kind == PrivmsgText::Kind::Ctcp) return AnswerCtcp(m, said.command, said.text, now);
    const QString text = StripIrcFormatting(said.text);
    if (said.kind == PrivmsgText::Kind::Action) return Notice("* " + nick + " (to you only) " + text);
    return Notice(nick + " (to you only): " + text);
  }
  IrcChannel* channel = channels().Find(target);
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  // Requests to a whole channel are not answered: a flood of them would
  // make us flood in turn.
  if (said.kind == PrivmsgText::Kind::Ctcp) return;
  const IrcHistory::Kind when = history_.Classify(m, *channel, now, signOn_.Acked("server-time"), signOn_.Acked("batch"));
  // A replay is shown as one, never as a line said now: the owner's own
  // earlier lines would be taken as commands again. In the first second
  // after a join without the server's markers, only the owner's own lines
  // are held back, since only they can be commands.
  const bool replay = when == IrcHistory::Kind::Replay || (when == IrcHistory::Kind::Unsure && IsOwn(nick));
  // What others say in a room keeps its formatting: the client shows it.
  QString& formatted = said.text;
  if (said.kind == PrivmsgText::Kind::Action) {
    QString shown = (replay ? "(earlier) * " : "* ") + nick + " " + formatted;
    return Emit({IrcEvent::Kind::RoomNotice, channel->room, std::move(nick), std::move(shown), {}, true});
  }
  if (replay) {
    QString shown = "(earlier) " + nick + ": " + formatted;
    return Emit({IrcEvent::Kind::RoomNotice, channel->room, std::move(nick), std::move(shown), {}, true});
  }
  Emit({IrcEvent::Kind::Line, channel->room, std::move(nick), std::move(formatted), {}, true});
}

void IrcSession::OnNotice(const IrcMessage& m, Time) {
  const QString target = DecodeIrcText(m.Param(0));
  QString text = StripIrcFormatting(DecodeIrcText(m.Param(1)));
  text.remove(QChar(u'\x01'));
  if (FromPerson(m, server()) && server().IsChannel(target)) {
    IrcChannel* channel = channels().Find(target);
    if (channel && channel->state == IrcChannel::State::Joined)
      Emit({IrcEvent::Kind::RoomNotice, channel->room, DecodeIrcText(m.nick()), "-" + DecodeIrcText(m.nick()) + "- " + text, {}, true});
    return;
  }
  if (!FromPerson(m, server()) || IsOwn(target) || target == u"*" || target == u"AUTH")
    Notice(FromPerson(m, server()) ? "-" + DecodeIrcText(m.nick()) + "- " + text : text);
}

void IrcSession::AnswerCtcp(const IrcMessage& m, const QString& command, const QString& argument, Time now) {
  // At most one answer a second, whoever asks: a flood of requests never
  // becomes a flood of answers.
  if (ctcpAnsweredAt_ && now - *ctcpAnsweredAt_ < kCtcpEvery) return;
  QByteArray answer;
  if (command == u"VERSION") {
    answer = QByteArray("VERSION ") + kVersion;
  } else if (command == u"PING") {
    answer = "PING " + argument.toUtf8().left(64);
  } else if (command == u"TIME") {
    answer = "TIME " + QDateTime::currentDateTime().toString(Qt::RFC2822Date).toUtf8();
  } else if (command == u"CLIENTINFO") {
    answer = "CLIENTINFO ACTION CLIENTINFO PING TIME VERSION";
  } else {
    return;
  }
  ctcpAnsweredAt_ = now;
  Write("NOTICE " + m.nick().toByteArray() + " :\x01" + answer + "\x01");
}

}  // namespace irc
