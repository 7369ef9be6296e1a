#include "platform/chatclient/proxy/ProxySession.h"

#include <algorithm>

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/HtmlToIrc.h"
#include "platform/chatclient/irc/IrcCtcp.h"
#include "platform/chatclient/irc/IrcSplit.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {
namespace {

// The most lines of the client kept while the network is not there yet,
// and while they wait for the pace.
constexpr std::size_t kMostWaiting = 1000;

QString Text(QByteArrayView bytes) { return DecodeIrcText(bytes); }
QByteArray Last(const IrcMessage& m) { return m.params().empty() ? QByteArray() : m.params().back().toByteArray(); }

// Capabilities in as many lines behind `head` as keep each within 512 bytes
// with its line end, as a server sends a long CAP NEW; one that cannot fit a
// line on its own is left out.
std::vector<QByteArray> CapLines(const QByteArray& head, const QByteArrayList& caps) {
  const qsizetype room = kRelayedLineBytes - 2 - head.size();
  std::vector<QByteArray> lines;
  QByteArray list;
  for (const QByteArray& cap : caps) {
    if (cap.size() > room) continue;
    if (!list.isEmpty() && list.size() + 1 + cap.size() > room) lines.push_back(head + std::exchange(list, {}));
    list += (list.isEmpty() ? "" : " ") + cap;
  }
  if (!list.isEmpty()) lines.push_back(head + list);
  return lines;
}

}  // namespace

ProxySession::ProxySession(ProxySessionOptions options)
    : options_(std::move(options)), queue_(options_.burst, options_.interval) {}

ProxySession::Output ProxySession::Take() {
  if (clientDropped_ && !out_.dropClient) out_.toClient.clear();
  return std::exchange(out_, Output{});
}

bool ProxySession::ClientBacklog(qint64 bytes) {
  if (clientDropped_ || state_ != State::Relaying || bytes <= options_.mostUnwritten) return false;
  const QString why = QStringLiteral("your client stopped reading (%1 KB waiting); the network connection stays")
                          .arg(bytes / 1024);
  ToClient("ERROR :Closing link: " + why.toUtf8());
  out_.dropClient = true;
  clientDropped_ = true;
  Notice("Sent your IRC client away: " + why);
  return true;
}

void ProxySession::Emit(IrcEvent::Kind kind, QString room, QString nick, QString text, QStringList members) {
  out_.events.push_back(IrcEvent{kind, std::move(room), std::move(nick), std::move(text), std::move(members)});
}

void ProxySession::ClientConnected(Clock::time_point now) {
  const QString openRoom = openRoom_;
  std::deque<QString> held = std::move(heldNotices_);
  const ProxySessionOptions options = options_;
  Output pending = std::move(out_);
  *this = ProxySession(options);
  out_ = std::move(pending);
  openRoom_ = openRoom;
  heldNotices_ = std::move(held);
  state_ = State::BeforePassword;
  passwordDeadline_ = now + options_.passwordLimit;
  // With an account of Morva's own the network's CAP is Morva's to answer.
  localCap_ = !options_.saslAccount.isEmpty();
}

// Before the network names it, the nick is the client's own word: one no
// network would take is not repeated in Morva's replies.
QByteArray ProxySession::ClientNick() const {
  constexpr qsizetype kLongestNick = 64;
  return clientNick_.isEmpty() || clientNick_.size() > kLongestNick ? QByteArray("*") : clientNick_;
}

// --- The client's lines (before its password: ProxySessionPassword.cpp) ---

void ProxySession::FromClient(const QByteArray& line, Clock::time_point now) {
  if (state_ == State::Connecting || state_ == State::Relaying) {
    if (KeptFromNetwork(line)) return;
  }
  switch (state_) {
    case State::BeforePassword:
    case State::Connecting: {
      const std::optional<IrcMessage> message = IrcMessage::Parse(line);
      if (state_ == State::BeforePassword || (localCap_ && !registered_ && message && message->command() == "CAP"))
        return BeforePassword(line, message ? &*message : nullptr);
      // Past the password, and the network not there yet: kept in order, up to a bound.
      if (waiting_.size() >= kMostWaiting) return RefuseClient("too much before the network answered");
      waiting_.push_back(line);
      return;
    }
    case State::Relaying:
      if (registrationHeld_) {
        if (waiting_.size() >= kMostWaiting) return RefuseClient("too much before the network answered");
        waiting_.push_back(line);
        return;
      }
      return RelayFromClient(line, now);
    case State::Idle:
    case State::Closed:
      return;
  }
}


// --- The network ------------------------------------------------------------

void ProxySession::UpstreamConnected(Clock::time_point now) {
  if (state_ != State::Connecting) return;
  queue_.Clear();
  state_ = State::Relaying;
  std::vector<QByteArray> lines;
  const bool registerNow = signOn_.Start(now, localCap_, lines);
  for (QByteArray& line : lines) ToUpstream(std::move(line));
  // With an account of Morva's own, NICK and USER wait for the capability list.
  registrationHeld_ = !registerNow;
  if (registrationHeld_) return;
  SendRegistration(now);
}

void ProxySession::SendRegistration(Clock::time_point now) {
  registrationHeld_ = false;
  if (!options_.serverPassword.isEmpty()) ToUpstream("PASS :" + WireSafe(options_.serverPassword));
  if (!nickLine_.isEmpty()) ToUpstream(nickLine_);
  if (!userLine_.isEmpty()) ToUpstream(userLine_);
  for (const QByteArray& line : std::exchange(waiting_, {})) RelayFromClient(line, now);
}

void ProxySession::FromUpstream(const QByteArray& line, Clock::time_point now) {
  if (state_ != State::Relaying) return;
  const std::optional<IrcMessage> message = IrcMessage::Parse(line);
  std::vector<QByteArray> after;
  const bool kept = message && ReadFromUpstream(*message, &after, now);
  tracker_.ReportMembers(now, out_.events);
  if (kept) return;
  out_.toClient.push_back(line);
  for (QByteArray& line : after) out_.toClient.push_back(std::move(line));
  if (message && message->command() == "001") TellHeldNotices();
  Flush(now);
}

bool ProxySession::ReadFromUpstream(const IrcMessage& m, std::vector<QByteArray>* after, Clock::time_point now) {
  const QByteArrayView command = m.command();
  if ((command == "001" || signOn_.negotiating()) && UpstreamSignOn(m, now)) return true;
  if (command == "001") {
    if (registered_) return false;
    registered_ = true;
    nick_ = m.Param(0);
    clientNick_ = nick_;
    Emit(IrcEvent::Kind::SignedOn, {}, {}, Text(nick_));
    // The client had Morva's capabilities; now it may have the network's.
    if (localCap_ && clientCapNotify_) {
      QByteArrayList offered;
      for (const QByteArray& cap : signOn_.offered().split(' '))
        if (!cap.isEmpty() && cap != "sasl" && !cap.startsWith("sasl=") && cap != "cap-notify") offered.push_back(cap);
      *after = CapLines((m.prefix().isEmpty() ? QByteArray() : ':' + m.prefix().toByteArray() + ' ') + "CAP " + nick_ + " NEW :",
                        offered);
    }
    return false;
  }
  if (command == "CAP") {
    // The client's own negotiation, read on the way: whether the network echoes its lines.
    const QByteArray what = m.Param(1);
    if (what == "ACK" || what == "DEL") {
      for (const QByteArray& cap : Last(m).split(' ')) {
        if (cap == "echo-message") clientEcho_ = what == "ACK";
        if (cap == "-echo-message") clientEcho_ = false;
      }
    }
    return false;
  }
  if (!registered_ && command != "005") return false;
  if (command == "PRIVMSG") {
    OnPrivmsg(m);
  } else if (command == "NOTICE") {
    OnChannelNotice(m);
  } else {
    OnChannelLine(m, now);
  }
  return false;
}

void ProxySession::UpstreamLost(const QString& reason) {
  if (state_ != State::Connecting && state_ != State::Relaying) return;
  EndSession(reason);
}

void ProxySession::ClientLeft(const QString& reason) {
  if (state_ == State::Idle) return;
  const bool upstream = state_ == State::Connecting || state_ == State::Relaying;
  if (upstream) {
    ToUpstream("QUIT :" + WireSafe(reason.toUtf8()));
    out_.closeUpstream = true;
  }
  out_.closeClient = true;
  state_ = State::Idle;
  DropOwnLines();
  if (registered_) Emit(IrcEvent::Kind::Lost, {}, {}, reason);
  registered_ = false;
}

void ProxySession::DropOwnLines() {
  relayed_.clear();
  for (const QByteArray& line : queue_.Clear()) {
    if (!line.startsWith("PRIVMSG ")) continue;
    const qsizetype text = line.indexOf(" :");
    Notice("Not sent, the connection was lost: " + Text(line.mid(text + 2).trimmed()));
  }
}

void ProxySession::Shutdown(const QString& reason, Clock::time_point now) {
  if (state_ == State::Relaying) {
    // A line the room never sees is worse than a burst at the end.
    paced_ = false;
    Flush(now);
    ToUpstream("QUIT :" + WireSafe(reason.toUtf8()));
  }
  EndSession(reason);
}

void ProxySession::EndSession(const QString& reason) {
  // The client goes too, told why, and comes back the way it always does.
  ToClient("ERROR :Closing link: " + WireSafe(reason.toUtf8()));
  out_.closeClient = true;
  out_.closeUpstream = true;
  state_ = State::Closed;
  DropOwnLines();
  if (registered_) Emit(IrcEvent::Kind::Lost, {}, {}, reason);
  registered_ = false;
}

// --- What Morva reads on the way -------------------------------------------

void ProxySession::RelayFromClient(const QByteArray& line, Clock::time_point now) {
  if (!registered_) {
    // Registration is not held up; what it costs is counted all the same.
    queue_.Spend(now);
    out_.toUpstream.push_back(line);
    return;
  }
  // The owner's command is read as it comes, so that Morva's answer need
  // not wait for the lines he sent before it.
  ReadRelayed(line);
  if (relayed_.size() >= kMostWaiting) {
    if (!std::exchange(relayedOverflowTold_, true))
      NoticeToClient(QStringLiteral("Too many of your lines wait for the network's pace (%1): not sent from here on")
                         .arg(kMostWaiting));
    return;
  }
  relayed_.push_back(line);
  Flush(now);
}

bool ProxySession::RelayAtOnce(QByteArrayView line, Clock::time_point now) {
  if (state_ != State::Relaying || !registered_ || registrationHeld_) return false;
  if (!relayed_.empty() || queue_.size() > 0 || !queue_.HasRoom(now) || KeptFromNetwork(line)) return false;
  queue_.Spend(now);
  return true;
}

void ProxySession::ReadRelayed(const QByteArray& line) {
  if (!line.contains("PRIVMSG")) return;
  if (const std::optional<IrcMessage> message = IrcMessage::Parse(line); message && message->command() == "PRIVMSG")
    OnOwnLine(*message);
}

void ProxySession::OnOwnLine(const IrcMessage& m) {
  const QByteArray target = m.Param(0);
  if (!server().IsChannel(Text(target)) || m.params().size() < 2) return;
  IrcChannel* channel = Find(Text(target));
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  const PrivmsgText said = ClassifyPrivmsg(Text(m.Param(1)));
  if (said.kind != PrivmsgText::Kind::Plain) return;
  // The owner speaks in that room: it is where Morva answers now.
  OpenRoom(channel->room);
  Emit(IrcEvent::Kind::Line, channel->room, Text(nick_), said.text);
}

void ProxySession::OpenRoom(const QString& room) {
  if (openRoom_ == room) return;
  openRoom_ = room;
  Emit(IrcEvent::Kind::Joined, room);
}

void ProxySession::OnPrivmsg(const IrcMessage& m) {
  // The owner's own lines were read on the way up; the network's echo of them is not news.
  if (m.nick().isEmpty() || m.params().size() < 2 || IsOwn(m.nick()) || m.prefix().indexOf('!') < 0) return;
  IrcChannel* channel = Find(Text(m.Param(0)));
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  const PrivmsgText said = ClassifyPrivmsg(Text(m.Param(1)));
  if (said.kind == PrivmsgText::Kind::Action)
    return Emit(IrcEvent::Kind::RoomNotice, channel->room, Text(m.nick()), "* " + Text(m.nick()) + " " + said.text);
  if (said.kind != PrivmsgText::Kind::Plain) return;
  Emit(IrcEvent::Kind::Line, channel->room, Text(m.nick()), said.text);
}

void ProxySession::OnChannelNotice(const IrcMessage& m) {
  if (m.nick().isEmpty() || m.params().size() < 2 || IsOwn(m.nick()) || m.prefix().indexOf('!') < 0) return;
  IrcChannel* channel = Find(Text(m.Param(0)));
  if (!channel || channel->state != IrcChannel::State::Joined) return;
  QString text = StripIrcFormatting(Text(m.Param(1)));
  text.remove(QChar(u'\x01'));
  Emit(IrcEvent::Kind::RoomNotice, channel->room, Text(m.nick()), "-" + Text(m.nick()) + "- " + text);
}

// --- What Morva adds --------------------------------------------------------

void ProxySession::Join(const QString& room) {
  const QString name = ChannelFromRoom(room);
  if (name.isEmpty()) return Emit(IrcEvent::Kind::JoinRefused, room, {}, "no channel can be named so");
  if (IrcChannel* known = Find(name); known && known->state == IrcChannel::State::Joined) {
    if (known->room == openRoom_) return Emit(IrcEvent::Kind::Joined, known->room);
    return OpenRoom(known->room);
  }
  IrcChannel& channel = channels().Add(room, name);
  // The open room again, after the network came back: the owner's client
  // joins its channels itself, and one JOIN is enough.
  if (room == openRoom_) return;
  if (state_ != State::Relaying) return;
  const QByteArray line = "JOIN " + WireSafe(name.toUtf8());
  if (line.size() > 510) {
    channels().Remove(name);
    return Emit(IrcEvent::Kind::JoinRefused, room, {}, "the name is too long for the network");
  }
  channel.state = IrcChannel::State::Asked;
  Queue(line);
}

void ProxySession::Say(const QString& room, const QString& html, Clock::time_point now) {
  IrcChannel* channel = Find(ChannelFromRoom(room));
  // Put out of the room: that was said once, at the kick.
  if (channel && channel->putOut) return;
  if (!registered_ || state_ != State::Relaying || !channel || channel->state != IrcChannel::State::Joined)
    return Notice("Not in " + room + " now: not sent: " + StripIrcFormatting(HtmlToIrc(html)));
  for (QByteArray& line : OwnPrivmsgLines(channel->name.toUtf8(), HtmlToIrc(html), RelayedPrefixBytes(nick_, user_, host_)))
    Queue(std::move(line));
  Flush(now);
}

void ProxySession::Queue(QByteArray line) {
  if (queue_.Push(std::move(line))) Notice("Too many of Morva's lines wait for the network's pace: the oldest are not sent");
}

void ProxySession::Flush(Clock::time_point now) {
  if (state_ != State::Relaying || !registered_) return;
  for (QByteArray& line : paced_ ? queue_.TakeDue(now) : queue_.Clear()) {
    // The client sees the line once: as the network's echo, or as Morva's copy.
    if (!clientEcho_ && line.startsWith("PRIVMSG ")) {
      QByteArray copy = ':' + nick_;
      if (!user_.isEmpty() && !host_.isEmpty()) copy += '!' + user_ + '@' + host_;
      ToClient(copy + ' ' + line);
    }
    ToUpstream(std::move(line));
  }
  // The client's lines take what room is left.
  while (!relayed_.empty() && (!paced_ || queue_.HasRoom(now))) {
    queue_.Spend(now);
    ToUpstream(std::move(relayed_.front()));
    relayed_.pop_front();
  }
  if (relayed_.empty()) relayedOverflowTold_ = false;
}

void ProxySession::Tick(Clock::time_point now) {
  if (state_ == State::BeforePassword && now >= passwordDeadline_) return RefuseClient("no password in time");
  if (state_ == State::Relaying && !registered_) {
    if (const IrcSignOn::Step step = signOn_.Tick(now); !step.failed.isEmpty()) return SignOnFailed(step);
  }
  if (state_ == State::Relaying) tracker_.ReportMembers(now, out_.events);
  Flush(now);
}

std::optional<ProxySession::Clock::time_point> ProxySession::NextDeadline() const {
  std::optional<Clock::time_point> next;
  if (state_ == State::BeforePassword) next = passwordDeadline_;
  if (state_ == State::Relaying && !registered_) {
    if (const std::optional<Clock::time_point> due = signOn_.NextDeadline()) next = next ? std::min(*next, *due) : *due;
  }
  if (state_ == State::Relaying && registered_) {
    if (const std::optional<Clock::time_point> due = queue_.NextDue()) next = next ? std::min(*next, *due) : *due;
    if (!relayed_.empty()) next = next ? std::min(*next, queue_.RoomAt()) : queue_.RoomAt();
  }
  if (state_ == State::Relaying) {
    if (const std::optional<Clock::time_point> due = tracker_.NextReport()) next = next ? std::min(*next, *due) : *due;
  }
  return next;
}

bool ProxySession::IsOwn(QByteArrayView nick) const { return server().Fold(Text(nick)) == server().Fold(Text(nick_)); }

}  // namespace irc
