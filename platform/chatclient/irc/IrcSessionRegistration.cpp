// Registration: the sign-on's lines (IrcSignOn), the welcome and nick refusals.

#include <utility>
#include <vector>

#include "platform/chatclient/irc/IrcNick.h"
#include "platform/chatclient/irc/IrcSession.h"
#include "platform/chatclient/irc/IrcText.h"

namespace irc {

void IrcSession::OnSignOnLine(const IrcMessage& m, Time) {
  std::vector<QByteArray> lines;
  const IrcSignOn::Step step = signOn_.Read(m, lines);
  SignOnStep(step, lines);
}

// NICK and USER before the capability requests; false when the sign-on has
// failed and the connection ends.
bool IrcSession::SignOnStep(const IrcSignOn::Step& step, const std::vector<QByteArray>& lines) {
  if (!step.notice.isEmpty()) Notice(step.notice);
  if (step.registerNow) Register();
  for (const QByteArray& line : lines) Write(line);
  if (step.failed.isEmpty()) return true;
  Lose(step.failed, step.retry);
  return false;
}

void IrcSession::OnCapUnknown(const IrcMessage& m, Time now) {
  if (m.Param(1) != "CAP") return OnOtherError(m, now);
  OnSignOnLine(m, now);
}

void IrcSession::OnWelcome(const IrcMessage& m, Time now) {
  if (registered_) return;  // once per connection
  std::vector<QByteArray> lines;
  if (!SignOnStep(signOn_.Read(m, lines), lines)) return;
  registered_ = true;
  if (!m.Param(0).isEmpty() && m.Param(0) != "*") nick_ = m.Param(0);
  const QString nick = DecodeIrcText(nick_);
  if (nick != screenName_) Notice("Signed on as " + nick);
  Emit({IrcEvent::Kind::SignedOn, {}, {}, nick, {}, true});
  for (auto& [key, channel] : channels().all())
    if (channel.state == IrcChannel::State::Waiting) SendJoin(channel, now);
}

void IrcSession::ChangeNick(const QString& screenName) {
  const QByteArray nick = NickFromScreenName(screenName);
  if (nick.isEmpty()) return Notice("No nick can be made of " + screenName);
  if (!registered_) return Notice("Not connected: /nick not sent");
  if (server().nickLength() > 0 && nick.size() > server().nickLength())
    return Notice(QStringLiteral("The nick %1 is longer than this network allows (%2)")
                      .arg(DecodeIrcText(nick))
                      .arg(server().nickLength()));
  nickAsked_ = true;
  Write("NICK " + nick);
}

void IrcSession::OnNickRefused(const IrcMessage& m, Time now) {
  if (registered_) {
    // "437 me #channel :unavailable": a channel that cannot be joined now.
    if (m.command() == "437" && server().IsChannel(DecodeIrcText(m.Param(1)))) return OnJoinRefused(m, now);
    // The answer to the owner's /nick, if he asked; otherwise nothing was asked.
    if (std::exchange(nickAsked_, false)) Notice("The nick " + DecodeIrcText(m.Param(1)) + " is refused: " + LastText(m));
    return;
  }
  constexpr int kNickTries = 5;
  if (++nickTries_ > kNickTries) return Lose("every screen name tried is refused", true);
  const QByteArray next = NextNick(NickFromScreenName(screenName_), nickTries_, server().nickLength());
  if (m.command() == "432") {
    Notice("The server takes the screen name " + DecodeIrcText(nick_) + " for an erroneous nick (" + LastText(m) + "); trying " +
           DecodeIrcText(next));
  } else {
    Notice("The screen name " + DecodeIrcText(nick_) + " is taken here; trying " + DecodeIrcText(next));
  }
  nick_ = next;
  Write("NICK " + nick_);
}

}  // namespace irc
