#include "platform/chatclient/IrcTransport.h"

#include <algorithm>

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrl>

#include "platform/chatclient/irc/ChannelName.h"
#include "platform/chatclient/irc/HtmlToIrc.h"
#include "platform/chatclient/irc/IrcCaseMapping.h"
#include "platform/chatclient/irc/IrcCtcp.h"
#include "platform/chatclient/irc/IrcSplit.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace {

constexpr int kNickTries = 5;
// What RFC 2812 promises every server takes, when the server says nothing.
constexpr int kShortestNickLength = 9;
constexpr const char* kVersion = "Morva MP3 1.0.0";

QString Text(QByteArrayView bytes) { return irc::DecodeIrcText(bytes); }

// Member names in NAMES replies carry their channel status in front.
QString WithoutModePrefix(QString nick) {
  while (!nick.isEmpty() && QStringLiteral("@+%~&!").contains(nick.front())) nick.remove(0, 1);
  return nick;
}

bool IsChannel(QByteArrayView target) { return target.startsWith('#') || target.startsWith('&'); }

}  // namespace

std::optional<IrcOptions> ParseIrcUrl(const QString& text, QString* error) {
  const QUrl url(text, QUrl::StrictMode);
  IrcOptions options;
  options.tls = url.scheme() == QLatin1String("ircs");
  if (!url.isValid() || (url.scheme() != QLatin1String("irc") && !options.tls) || url.host().isEmpty()) {
    if (error) *error = "--irc takes irc://HOST[:PORT] or ircs://HOST[:PORT], not " + text;
    return std::nullopt;
  }
  options.host = url.host();
  const int port = url.port(options.tls ? 6697 : 6667);
  if (port <= 0 || port > 65535) {
    if (error) *error = "--irc: no such port in " + text;
    return std::nullopt;
  }
  options.port = static_cast<quint16>(port);
  return options;
}

QByteArray NickFromScreenName(const QString& screenName) {
  QByteArray nick;
  for (QChar c : screenName.trimmed()) {
    const char16_t u = c.unicode();
    if (u == ' ' || u == '\t') {
      nick += '_';
    } else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || QStringView(u"[]\\`_^{|}").contains(c) ||
               (!nick.isEmpty() && ((u >= '0' && u <= '9') || u == '-'))) {
      nick += static_cast<char>(u);
    }
  }
  return nick.isEmpty() ? QByteArray("Morva") : nick;
}

IrcTransport::IrcTransport(IrcOptions options, QObject* parent)
    : ChatTransport(parent),
      options_(std::move(options)),
      queue_(options_.burst, options_.sendInterval),
      retry_(options_.firstRetry) {
  sendTimer_.setSingleShot(true);
  connect(&sendTimer_, &QTimer::timeout, this, &IrcTransport::Flush);
  reconnectTimer_.setSingleShot(true);
  connect(&reconnectTimer_, &QTimer::timeout, this, &IrcTransport::Connect);
  quietTimer_.setSingleShot(true);
  connect(&quietTimer_, &QTimer::timeout, this, [this] {
    Write("PING :morva");
    pingTimer_.start(options_.pingAnswer);
  });
  pingTimer_.setSingleShot(true);
  connect(&pingTimer_, &QTimer::timeout, this, [this] { LoseConnection("the server stopped answering"); });
  registrationTimer_.setSingleShot(true);
  connect(&registrationTimer_, &QTimer::timeout, this,
          [this] { LoseConnection("the server did not let us sign on in time"); });
}

IrcTransport::~IrcTransport() {
  SignOff();
  if (socket_) socket_->disconnect(this);
}

void IrcTransport::SignOff() {
  if (!socket_ || !registered_ || socket_->state() != QAbstractSocket::ConnectedState) return;
  // Nothing the socket reports now may reach us: the waits below handle its events.
  socket_->disconnect(this);
  registered_ = false;
  // What waits its turn goes now: the program is ending, and a line the
  // room never sees is worse than a burst.
  for (const QByteArray& line : queue_.Clear()) socket_->write(line);
  socket_->write("QUIT :Morva MP3 closed\r\n");
  socket_->flush();
  for (int i = 0; i < 20 && socket_->bytesToWrite() > 0; ++i) socket_->waitForBytesWritten(100);
  socket_->disconnectFromHost();
}

void IrcTransport::SignOn(const QString& screenName) {
  screenName_ = screenName;
  signingOn_ = true;
  Connect();
}

void IrcTransport::Connect() {
  if (socket_) {
    socket_->disconnect(this);
    socket_->abort();
    socket_.release()->deleteLater();  // it may be the sender of the signal being handled
  }
  reader_ = irc::IrcLineReader();
  registered_ = false;
  nickTries_ = 0;
  nick_ = NickFromScreenName(screenName_);
  sasl_ = Sasl::Off;
  capabilities_.clear();
  tlsProblems_.clear();
  if (options_.tls) {
    auto tls = std::make_unique<QSslSocket>();
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(options_.extraAuthorities);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    tls->setSslConfiguration(configuration);
    connect(tls.get(), &QSslSocket::encrypted, this, &IrcTransport::OnConnected);
    connect(tls.get(), &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
      QStringList reasons;
      for (const QSslError& error : errors) reasons.push_back(error.errorString());
      tlsProblems_ = reasons.join("; ");
    });
    socket_ = std::move(tls);
  } else {
    socket_ = std::make_unique<QTcpSocket>();
    connect(socket_.get(), &QTcpSocket::connected, this, &IrcTransport::OnConnected);
  }
  connect(socket_.get(), &QTcpSocket::readyRead, this, &IrcTransport::OnReadable);
  connect(socket_.get(), &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
    // A refused certificate says why: never a silent fall back to plain text.
    LoseConnection(tlsProblems_.isEmpty() ? socket_->errorString()
                                          : "the server's certificate is refused: " + tlsProblems_);
  });
  connect(socket_.get(), &QTcpSocket::disconnected, this,
          [this] { LoseConnection("the server closed the connection"); });
  emit notice("Connecting to " + options_.host + " port " + QString::number(options_.port));
  registrationTimer_.start(options_.registration);
  if (auto* tls = qobject_cast<QSslSocket*>(socket_.get())) {
    tls->connectToHostEncrypted(options_.host, options_.port);
  } else {
    socket_->connectToHost(options_.host, options_.port);
  }
}

void IrcTransport::OnConnected() {
  Heard();
  // With SASL the server holds registration until CAP END.
  if (!options_.saslAccount.isEmpty()) {
    sasl_ = Sasl::Listing;
    Write("CAP LS 302");
  }
  if (!options_.password.isEmpty()) Write("PASS :" + options_.password);
  Write("NICK " + nick_);
  Write("USER morva 0 * :Morva MP3");
}

void IrcTransport::LoseConnection(const QString& reason) {
  if (!socket_ || reconnectTimer_.isActive()) return;
  socket_->disconnect(this);
  socket_->abort();
  socket_.release()->deleteLater();
  const bool wasSignedOn = registered_;
  registered_ = false;
  quietTimer_.stop();
  pingTimer_.stop();
  registrationTimer_.stop();
  sendTimer_.stop();
  for (const QByteArray& line : queue_.Clear()) {
    const qsizetype text = line.indexOf(" :");
    emit notice("Not sent, the connection was lost: " + Text(line.mid(text + 2).trimmed()));
  }
  for (auto& [key, channel] : channels_) channel.joined = false;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(retry_).count();
  emit notice("Connection to " + options_.host + " lost: " + reason + "; trying again in " +
              QString::number(std::max<long long>(seconds, 1)) + " s");
  reconnectTimer_.start(retry_);
  retry_ = std::min(retry_ * 2, options_.longestRetry);
  if (wasSignedOn) emit signedOff(reason);
}

void IrcTransport::Write(const QByteArray& line) {
  if (!socket_ || socket_->state() != QAbstractSocket::ConnectedState) return;
  socket_->write(irc::WireSafe(line) + "\r\n");
}

void IrcTransport::Queue(const QByteArray& line) {
  queue_.Push(line);
  Flush();
}

void IrcTransport::Flush() {
  if (!socket_ || !registered_) return;
  for (const QByteArray& line : queue_.TakeDue(irc::SendQueue::Clock::now())) socket_->write(line);
  if (const auto due = queue_.NextDue()) {
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*due - irc::SendQueue::Clock::now());
    sendTimer_.start(std::max(wait, std::chrono::milliseconds(1)));
  }
}

void IrcTransport::Heard() {
  pingTimer_.stop();
  quietTimer_.start(options_.quietBeforePing);
}

void IrcTransport::OnReadable() {
  Heard();
  const QByteArray bytes = socket_->readAll();
  for (const QByteArray& line : reader_.Feed(bytes)) {
    if (auto message = irc::IrcMessage::Parse(line)) Handle(*message);
    if (!socket_) return;  // the line cost us the connection
  }
}

void IrcTransport::Handle(const irc::IrcMessage& m) {
  const QByteArray& command = m.command;
  if (command == "PING") return Write("PONG :" + m.Param(0));
  if (command == "CAP") return OnCapability(m);
  if (command == "AUTHENTICATE") {
    if (sasl_ == Sasl::Authenticating && m.Param(0) == "+") return SendSaslPlain();
    return FailSignIn("the server's AUTHENTICATE reply makes no sense");
  }
  if (command == "900") return emit notice("Signed in to the account " + Text(m.Param(2)));
  if (command == "903") {
    sasl_ = Sasl::Done;
    return Write("CAP END");
  }
  static const QByteArrayList kSignInFailures = {"902", "904", "905", "906", "907"};
  if (kSignInFailures.contains(command)) return FailSignIn(Text(m.params.empty() ? QByteArray() : m.params.back()));
  if (command == "421" && m.Param(1) == "CAP" && sasl_ != Sasl::Off) return FailSignIn("the server has no SASL");
  if (command == "001" && sasl_ != Sasl::Off && sasl_ != Sasl::Done)
    return FailSignIn("the server signed us on without SASL");
  if (command == "001") return OnWelcome(m);
  if (command == "005") {
    for (const QByteArray& token : m.params)
      if (token.startsWith("NICKLEN=")) nickLength_ = std::max(0, token.mid(8).toInt());
    return;
  }
  if (command == "432" || command == "433" || command == "436" || command == "437") {
    if (!registered_) return OnNickTaken();
    if (command == "437" && IsChannel(m.Param(1))) return OnJoinRefused(m);
    return emit notice(Text(m.params.empty() ? QByteArray() : m.params.back()));
  }
  if (command == "JOIN") return OnJoin(m);
  if (command == "PART") {
    if (Channel* channel = Find(Text(m.Param(0))); channel && channel->joined && !IsOwn(Text(m.nick)))
      emit memberParted(channel->room, Text(m.nick), Text(m.Param(1)));
    return OnLeft(m.Param(0), Text(m.nick));
  }
  if (command == "MODE") return OnMode(m);
  if (command == "TOPIC" || command == "332") {
    const bool changed = command == "TOPIC";
    Channel* channel = Find(Text(m.Param(changed ? 0 : 1)));
    if (channel && channel->joined)
      emit topicChanged(channel->room, Text(m.Param(changed ? 1 : 2)), changed ? Text(m.nick) : QString());
    return;
  }
  if (command == "KICK") return OnKick(m);
  if (command == "QUIT") {
    const QString nick = Text(m.nick);
    for (auto& [key, channel] : channels_) {
      if (channel.joined && channel.members.contains(nick)) emit memberQuit(channel.room, nick, Text(m.Param(0)));
      OnLeft(channel.name.toUtf8(), nick);
    }
    return;
  }
  if (command == "NICK") return Rename(Text(m.nick), Text(m.Param(0)));
  if (command == "353") return OnNames(m, false);
  if (command == "366") return OnNames(m, true);
  if (command == "PRIVMSG") return OnPrivmsg(m);
  if (command == "NOTICE") {
    if (m.nick.isEmpty() || m.prefix.indexOf('!') < 0 || IsOwn(Text(m.Param(0))) || m.Param(0) == "*" ||
        m.Param(0) == "AUTH")
      emit notice(irc::StripIrcFormatting(Text(m.Param(1))));
    return;
  }
  if (command == "ERROR") return emit notice("The server says: " + Text(m.Param(0)));
  static const QByteArrayList kJoinRefusals = {"403", "405", "471", "473", "474", "475", "476", "477", "479"};
  if (kJoinRefusals.contains(command)) return OnJoinRefused(m);
  // Other errors are worth reading; the welcome's other numerics and the
  // message of the day are not.
  if (command.size() == 3 && (command[0] == '4' || command[0] == '5') && !m.params.empty())
    emit notice(Text(m.params.back()));
}

void IrcTransport::OnWelcome(const irc::IrcMessage& m) {
  registrationTimer_.stop();
  registered_ = true;
  retry_ = options_.firstRetry;
  nick_ = m.Param(0).isEmpty() ? nick_ : m.Param(0);
  const QString nick = Text(nick_);
  if (nick != screenName_) emit notice("Signed on as " + nick);
  emit signedOn(nick);
  Flush();
}

void IrcTransport::OnNickTaken() {
  if (++nickTries_ > kNickTries) {
    LoseConnection("every screen name tried is taken");
    return;
  }
  const QByteArray base = NickFromScreenName(screenName_);
  const QByteArray tail(nickTries_, '_');
  const int longest = nickLength_ > 0 ? nickLength_ : kShortestNickLength;
  QByteArray next = base + tail;
  if (next.size() > longest) next = base.left(std::max<qsizetype>(1, longest - tail.size())) + tail;
  emit notice("The screen name " + Text(nick_) + " is taken here; trying " + Text(next));
  nick_ = next;
  Write("NICK " + nick_);
}

void IrcTransport::OnCapability(const irc::IrcMessage& m) {
  const QByteArray what = m.Param(1);
  if (what == "LS" && sasl_ == Sasl::Listing) {
    // "CAP * LS * :part" goes on in another line; "CAP * LS :last" ends the list.
    const bool more = m.Param(2) == "*" && m.params.size() > 3;
    capabilities_ += ' ' + (more ? m.Param(3) : m.Param(2));
    if (more) return;
    for (const QByteArray& capability : capabilities_.split(' ')) {
      const bool sasl = capability == "sasl" || capability.startsWith("sasl=");
      if (sasl && (capability == "sasl" || capability.mid(5).split(',').contains("PLAIN"))) {
        sasl_ = Sasl::Requested;
        return Write("CAP REQ :sasl");
      }
    }
    return FailSignIn("the server offers no SASL PLAIN sign-in");
  }
  if (what == "ACK" && sasl_ == Sasl::Requested && m.Param(2).split(' ').contains("sasl")) {
    sasl_ = Sasl::Authenticating;
    return Write("AUTHENTICATE PLAIN");
  }
  if (what == "NAK" && sasl_ == Sasl::Requested) FailSignIn("the server refused SASL");
}

void IrcTransport::SendSaslPlain() {
  const QByteArray& account = options_.saslAccount;
  const QByteArray payload = (account + '\0' + account + '\0' + options_.saslPassword).toBase64();
  // In pieces of 400; a last piece of exactly 400 (or none) is followed by "+".
  constexpr qsizetype kPiece = 400;
  for (qsizetype at = 0; at < payload.size(); at += kPiece) Write("AUTHENTICATE " + payload.mid(at, kPiece));
  if (payload.size() % kPiece == 0) Write("AUTHENTICATE +");
}

void IrcTransport::FailSignIn(const QString& reason) {
  LoseConnection("SASL sign-in failed: " + reason);
}

QString IrcTransport::NetworkName(const QString& room) const { return irc::ChannelFromRoom(room); }

IrcTransport::Channel* IrcTransport::Find(QStringView channel) {
  auto it = channels_.find(irc::IrcLower(channel));
  return it == channels_.end() ? nullptr : &it->second;
}

bool IrcTransport::IsOwn(QStringView nick) const { return irc::IrcEqualNoCase(nick, Text(nick_)); }

void IrcTransport::Join(const QString& room) {
  const QString name = irc::ChannelFromRoom(room);
  if (name.isEmpty()) {
    emit joinRefused(room, "no channel can be named so");
    return;
  }
  Channel& channel = channels_[irc::IrcLower(name)];
  channel.room = room;
  channel.name = name;
  if (registered_) Write("JOIN " + name.toUtf8());
}

void IrcTransport::Part(const QString& room) {
  const QString name = irc::ChannelFromRoom(room);
  auto it = channels_.find(irc::IrcLower(name));
  if (it == channels_.end()) return;
  if (it->second.joined) Write("PART " + it->second.name.toUtf8());
  channels_.erase(it);
}

void IrcTransport::Say(const QString& room, const QString& text) {
  Channel* channel = Find(irc::ChannelFromRoom(room));
  if (!registered_ || !channel || !channel->joined) {
    emit notice("Not in " + room + " now: not sent: " + text);
    return;
  }
  SendPrivmsg(channel->name.toUtf8(), irc::WireSafe(irc::HtmlToIrc(text).toUtf8()));
}

void IrcTransport::SendPrivmsg(const QByteArray& target, const QByteArray& text) {
  const int room_for_text = irc::PrivmsgTextBytes(irc::RelayedPrefixBytes(nick_, user_, host_), target);
  for (const QByteArray& piece : irc::SplitIrcText(text, room_for_text)) Queue(irc::FramePrivmsg(target, piece));
}

bool IrcTransport::Act(const QString& room, const QString& text) {
  Channel* channel = Find(irc::ChannelFromRoom(room));
  if (!registered_ || !channel || !channel->joined) {
    emit notice("Not in " + room + " now: not sent: " + text);
    return true;
  }
  // An action is one CTCP message: cut to fit rather than split.
  const QByteArray name = channel->name.toUtf8();
  const int room_for_text = irc::PrivmsgTextBytes(irc::RelayedPrefixBytes(nick_, user_, host_), name) - 9;
  const QByteArray action = irc::WireSafe(irc::HtmlToIrc(text).toUtf8()).replace('\x01', ' ');
  const std::vector<QByteArray> pieces = irc::SplitIrcText(action, room_for_text);
  Queue(irc::FramePrivmsg(name, "\x01" "ACTION " + (pieces.empty() ? QByteArray() : pieces.front()) + "\x01"));
  return true;
}

bool IrcTransport::SayPrivately(const QString& member, const QString& text) {
  const QByteArray nick = member.toUtf8();
  // A nick, never a channel or a list of targets.
  if (nick.isEmpty() || IsChannel(nick) || nick.contains(',') || nick.contains(' ')) {
    emit notice("/msg goes to one member's name, not to " + member);
    return false;
  }
  SendPrivmsg(irc::WireSafe(nick), irc::WireSafe(irc::HtmlToIrc(text).toUtf8()));
  return true;
}

bool IrcTransport::ChangeName(const QString& name) {
  const QByteArray nick = NickFromScreenName(name);
  if (nick.isEmpty()) {
    emit notice("No nick can be made of " + name);
  } else if (registered_) {
    Write("NICK " + nick);
  } else {
    emit notice("Not connected: /nick not sent");
  }
  return true;
}

void IrcTransport::OnMode(const irc::IrcMessage& m) {
  // MODE #channel +ov-v nick nick nick
  Channel* channel = Find(Text(m.Param(0)));
  if (!channel || !channel->joined) return;
  const QByteArray modes = m.Param(1);
  qsizetype argument = 2;
  bool adding = true;
  bool changed = false;
  for (const char mode : modes) {
    if (mode == '+' || mode == '-') {
      adding = mode == '+';
      continue;
    }
    // Modes that take a nick or a value here; others take none.
    static const QByteArray kWithArgument = "ovhqakbeIlfj";
    if (!kWithArgument.contains(mode) || (mode == 'l' && !adding)) continue;
    const QString nick = Text(m.Param(argument++));
    if (mode != 'o' && mode != 'v') continue;
    const QChar mark = mode == 'o' ? u'@' : u'+';
    const QChar held = channel->marks.value(nick);
    if (adding && (held.isNull() || (held == u'+' && mark == u'@'))) {
      channel->marks.insert(nick, mark);
    } else if (!adding && held == mark) {
      // A voice under the operator's rank is forgotten with it.
      channel->marks.remove(nick);
    } else {
      continue;
    }
    changed = true;
  }
  if (changed) ReportMarks(*channel);
}

void IrcTransport::ReportMarks(const Channel& channel) {
  if (!channel.joined) return;
  QStringList marked;
  for (auto it = channel.marks.cbegin(); it != channel.marks.cend(); ++it) marked.push_back(it.value() + it.key());
  emit memberMarksChanged(channel.room, marked);
}

void IrcTransport::OnJoin(const irc::IrcMessage& m) {
  const QString name = Text(m.Param(0));
  const QString nick = Text(m.nick);
  Channel* channel = Find(name);
  if (!channel) return;  // a channel we never asked for
  if (!IsOwn(nick)) {
    if (!channel->members.contains(nick)) channel->members.append(nick);
    if (channel->joined) emit memberJoined(channel->room, nick);
    return ReportMembers(*channel);
  }
  user_ = m.user;
  host_ = m.host;
  channel->name = name;
  channel->joined = true;
  channel->members = {nick};
  emit joined(channel->room);
}

void IrcTransport::OnNames(const irc::IrcMessage& m, bool end) {
  // 353: me = channel :names;  366: me channel :End of NAMES
  Channel* channel = Find(Text(end ? m.Param(1) : m.Param(2)));
  if (!channel) return;
  if (!end) {
    for (const QString& nick : Text(m.Param(3)).split(' ', Qt::SkipEmptyParts)) {
      const QString bare = WithoutModePrefix(nick);
      channel->namesComing.append(bare);
      if (nick.startsWith('@') || nick.startsWith('+')) channel->marksComing.append(nick.left(1) + bare);
    }
    return;
  }
  if (channel->namesComing.isEmpty()) return;
  channel->members = std::exchange(channel->namesComing, {});
  channel->members.removeDuplicates();
  channel->marks.clear();
  for (const QString& marked : std::exchange(channel->marksComing, {})) channel->marks.insert(marked.mid(1), marked[0]);
  ReportMembers(*channel);
  ReportMarks(*channel);
}

void IrcTransport::OnLeft(const QByteArray& name, const QString& nick) {
  Channel* channel = Find(Text(name));
  if (!channel || !channel->members.contains(nick)) return;
  channel->members.removeAll(nick);
  ReportMembers(*channel);
}

void IrcTransport::OnKick(const irc::IrcMessage& m) {
  Channel* channel = Find(Text(m.Param(0)));
  const QString kicked = Text(m.Param(1));
  if (!channel) return;
  if (!IsOwn(kicked)) {
    if (channel->joined) emit memberKicked(channel->room, kicked, Text(m.nick), Text(m.Param(2)));
    return OnLeft(m.Param(0), kicked);
  }
  channel->joined = false;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(options_.rejoinAfterKick).count();
  emit notice(Text(m.nick) + " put you out of " + channel->room + " (" + Text(m.Param(2)) + "); back in " +
              QString::number(seconds) + " s");
  const QString lower = irc::IrcLower(channel->name);
  QTimer::singleShot(options_.rejoinAfterKick, this, [this, lower] {
    auto it = channels_.find(lower);
    if (registered_ && it != channels_.end() && !it->second.joined) Write("JOIN " + it->second.name.toUtf8());
  });
}

void IrcTransport::OnJoinRefused(const irc::IrcMessage& m) {
  const QString name = Text(m.Param(1));
  auto it = channels_.find(irc::IrcLower(name));
  const QString reason = Text(m.params.empty() ? QByteArray() : m.params.back());
  if (it == channels_.end()) return emit notice(name + ": " + reason);
  const QString room = it->second.room;
  // Refused a way back in (after a kick or a lost connection): the room stays open, with nobody.
  if (!it->second.joined) channels_.erase(it);
  emit joinRefused(room, reason);
}

void IrcTransport::OnPrivmsg(const irc::IrcMessage& m) {
  if (m.nick.isEmpty() || m.params.size() < 2) return;
  const QString target = Text(m.Param(0));
  const QString nick = Text(m.nick);
  const irc::PrivmsgText said = irc::ClassifyPrivmsg(Text(m.Param(1)));
  if (said.kind == irc::PrivmsgText::Kind::Action && !IsOwn(target)) {
    if (Channel* channel = Find(target); channel && channel->joined) emit actionArrived(channel->room, nick, said.text);
    return;
  }
  if (said.kind == irc::PrivmsgText::Kind::Ctcp) {
    // Answered only when nothing of the owner's waits, so a flood of
    // requests cannot hold the owner's lines up.
    if (said.command == QLatin1String("VERSION") && queue_.size() == 0)
      Queue("NOTICE " + m.nick + " :\x01VERSION " + kVersion + "\x01\r\n");
    return;
  }
  if (IsOwn(target)) return emit notice(nick + " (to you only): " + irc::StripIrcFormatting(said.text));
  Channel* channel = Find(target);
  if (!channel || !channel->joined) return;
  // With its formatting: the client shows it.
  emit lineArrived(channel->room, nick, said.text);
}

void IrcTransport::Rename(const QString& from, const QString& to) {
  if (to.isEmpty()) return;
  if (IsOwn(from)) {
    nick_ = to.toUtf8();
    emit ownNameChanged(to);
  }
  for (auto& [key, channel] : channels_) {
    const qsizetype at = channel.members.indexOf(from);
    if (at < 0) continue;
    channel.members[at] = to;
    if (channel.joined && !IsOwn(to)) emit memberRenamed(channel.room, from, to);
    if (const auto mark = channel.marks.take(from); !mark.isNull()) channel.marks.insert(to, mark);
    ReportMembers(channel);
    ReportMarks(channel);
  }
}

void IrcTransport::ReportMembers(const Channel& channel) {
  if (channel.joined) emit membersChanged(channel.room, channel.members);
}
