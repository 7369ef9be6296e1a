#include "platform/chatclient/irc/IrcSession.h"

#include <algorithm>

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/IrcNick.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

namespace {

QString Plain(const QByteArray& wireText) { return StripIrcFormatting(DecodeIrcText(wireText)); }

void Earliest(std::optional<IrcSession::Time>& earliest, IrcSession::Time candidate) {
  if (!earliest || candidate < *earliest) earliest = candidate;
}

}  // namespace

IrcSession::IrcSession(IrcSessionOptions options)
    : options_(std::move(options)), queue_(options_.burst, options_.sendInterval) {}

void IrcSession::Write(const QByteArray& line) {
  const QByteArray safe = WireSafe(line);
  if (safe.size() > kLongestLine) {
    Notice("Not sent, longer than an IRC line may be: " + Plain(safe.left(80)) + "...");
    return;
  }
  out_.lines.push_back(safe);
}

void IrcSession::Lose(const QString& reason, bool retry) {
  if (lost_) return;
  lost_ = true;
  Emit({IrcEvent::Kind::Lost, {}, {}, reason, {}, retry});
}

void IrcSession::Connected(Time now) {
  connected_ = true;
  lost_ = false;
  registered_ = false;
  heardAt_ = now;
  pingSentAt_.reset();
  nickTries_ = 0;
  nick_ = NickFromScreenName(screenName_);
  history_.Clear();
  // Capabilities first: server-time and batch where the server has them,
  // and SASL when asked for.
  std::vector<QByteArray> lines;
  const bool registerNow = signOn_.Start(now, true, lines);
  for (const QByteArray& line : lines) Write(line);
  if (registerNow) Register();
}

void IrcSession::Register() {
  if (!options_.password.isEmpty()) Write("PASS :" + options_.password);
  Write("NICK " + nick_);
  Write("USER morva 0 * :Morva MP3");
}

void IrcSession::Receive(const IrcMessage& message, Time now) {
  if (!connected_ || lost_) return;
  heardAt_ = now;
  pingSentAt_.reset();
  if (const Handler* handler = Find(message.command())) {
    (this->**handler)(message, now);
  } else if (message.command().size() == 3 && (message.command()[0] == '4' || message.command()[0] == '5')) {
    OnOtherError(message, now);
  }
  tracker_.ReportMembers(now, out_.events);
  FlushQueue(now);
}

void IrcSession::Tick(Time now) {
  if (!connected_ || lost_) return;
  if (!SignOnStep(signOn_.Tick(now))) return;
  if (pingSentAt_ && now - *pingSentAt_ >= options_.pingAnswer) return Lose("the server stopped answering", true);
  if (!pingSentAt_ && now - heardAt_ >= options_.quietBeforePing) {
    Write("PING :morva");
    pingSentAt_ = now;
  }
  if (registered_) {
    for (auto& [key, channel] : channels().all()) {
      if (channel.state == IrcChannel::State::Asked && now - channel.askedAt >= options_.joinAnswer) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(options_.joinAnswer).count();
        Notice(QStringLiteral("No answer from the server to joining %1 in %2 s; asking again")
                   .arg(channel.name)
                   .arg(seconds));
        SendJoin(channel, now);
      }
      if (channel.rejoinAt && now >= *channel.rejoinAt) {
        channel.rejoinAt.reset();
        if (channel.state == IrcChannel::State::Waiting) SendJoin(channel, now);
      }
    }
  }
  tracker_.ReportMembers(now, out_.events);
  FlushQueue(now);
}

void IrcSession::Disconnected() {
  for (const QByteArray& line : queue_.Clear()) {
    const qsizetype text = line.indexOf(" :");
    Notice("Not sent, the connection was lost: " + Plain(line.mid(text + 2).trimmed()));
  }
  connected_ = registered_ = lost_ = false;
  pingSentAt_.reset();
  signOn_.Stop();
  history_.Clear();
  partWhenJoined_.clear();
  for (auto& [key, channel] : channels().all()) {
    channel.state = IrcChannel::State::Waiting;
    channel.rejoinAt.reset();
    channel.namesComing.clear();
    channel.joinedServerTime.reset();
  }
}

std::vector<QByteArray> IrcSession::Farewell() {
  std::vector<QByteArray> lines;
  if (!connected_ || !registered_) return lines;
  for (QByteArray& line : queue_.Clear()) lines.push_back(std::move(line));
  lines.push_back("QUIT :Morva MP3 closed");
  registered_ = false;
  return lines;
}

void IrcSession::Queue(QByteArray line) {
  if (queue_.Push(std::move(line))) Notice("Too many of Morva's lines wait for the network's pace: the oldest are not sent");
}

void IrcSession::FlushQueue(Time now) {
  if (!registered_ || lost_) return;
  for (const QByteArray& line : queue_.TakeDue(now)) Write(line);
}

std::optional<IrcSession::Time> IrcSession::NextDeadline() const {
  std::optional<Time> next;
  if (!connected_ || lost_) return next;
  if (const auto signOn = signOn_.NextDeadline()) Earliest(next, *signOn);
  Earliest(next, pingSentAt_ ? *pingSentAt_ + options_.pingAnswer : heardAt_ + options_.quietBeforePing);
  if (!registered_) return next;
  if (const auto due = queue_.NextDue()) Earliest(next, *due);
  for (const auto& [key, channel] : channels().all()) {
    if (channel.state == IrcChannel::State::Asked) Earliest(next, channel.askedAt + options_.joinAnswer);
    if (channel.rejoinAt) Earliest(next, *channel.rejoinAt);
  }
  if (const auto report = tracker_.NextReport()) Earliest(next, *report);
  return next;
}

bool IrcSession::IsOwn(QStringView nick) const {
  // Asked for every line in a busy room; the nick in use is nearly always
  // ASCII, and then compared without decoding it.
  const bool ascii = std::all_of(nick_.cbegin(), nick_.cend(), [](char c) { return (c & 0x80) == 0; });
  return ascii ? server().Same(nick, QLatin1StringView(nick_)) : server().Same(nick, DecodeIrcText(nick_));
}

QString IrcSession::NetworkName(const QString& room) const { return ChannelFromRoom(room); }

}  // namespace irc
