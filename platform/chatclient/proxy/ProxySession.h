#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include "platform/chatclient/irc/IrcChannelTracker.h"
#include "platform/chatclient/irc/IrcEvent.h"
#include "platform/chatclient/irc/IrcMessage.h"
#include "platform/chatclient/irc/IrcSignOn.h"
#include "platform/chatclient/irc/SendQueue.h"

namespace irc {

struct ProxySessionOptions {
  // What the owner's client must give, as PASS or as SASL PLAIN.
  QByteArray password;
  // For the network: PASS, and a SASL PLAIN account, when not empty.
  QByteArray serverPassword;
  QByteArray saslAccount;
  QByteArray saslPassword;
  // The channel (or room) whose join loads the window; empty: the first one joined.
  QString loadRoom;
  // One budget for the owner's lines and Morva's.
  int burst = 5;
  std::chrono::steady_clock::duration interval = std::chrono::seconds(1);
  // A client that has not given the password by then, or has sent more
  // lines than this before it (of any kind), or one line longer, is sent away.
  // What a client needs before its password (CAP, SASL in pieces of 400,
  // NICK, USER) fits well within the line; a stranger waiting costs little.
  std::chrono::steady_clock::duration passwordLimit = std::chrono::seconds(30);
  int linesBeforePassword = 20;
  qsizetype longestLineBeforePassword = 1024;
  // With an account of Morva's own, a network that has not answered CAP LS
  // by then offers no SASL.
  std::chrono::steady_clock::duration capAnswer = std::chrono::seconds(15);
  // A network that has not signed the owner on by then, once connected, is given up.
  std::chrono::steady_clock::duration registration = std::chrono::seconds(60);
  // A room's member list is reported at most this often: building it costs
  // as much as the room is large.
  std::chrono::steady_clock::duration membersEvery = std::chrono::milliseconds(500);
  // What may wait to be written to a signed-on client that stopped reading;
  // past it the client is sent away and the network stays.
  qint64 mostUnwritten = 1 << 20;
};

// The owner's own IRC client, Morva and the network, without a socket: the
// lines each side sent and the time go in; the bytes to write to each side,
// the connections to open or close and the chat client's events come out.
//
// The client first gives the proxy's password (PASS, or SASL PLAIN to Morva
// itself). A client that opens with CAP LS is answered by Morva until then,
// as a bouncer does, and Morva negotiates with the network for it, offering
// the network's capabilities afterwards with CAP NEW where the client takes
// cap-notify. A client that sends PASS first negotiates with the network
// itself. Past the password every line passes unchanged, in order, both
// ways; Morva reads the owner's lines and the network's replies on the way,
// and adds its own lines, paced, as the owner's: up to the network, and down
// to the client as the network would echo them, unless the client has
// echo-message.
class ProxySession {
 public:
  using Clock = std::chrono::steady_clock;

  struct Output {
    std::vector<QByteArray> toClient;    // lines without their line end
    std::vector<QByteArray> toUpstream;  // the same
    bool openUpstream = false;
    bool closeClient = false;    // once toClient is written
    bool closeUpstream = false;  // once toUpstream is written
    // The client is sent away once toClient is written, the network stays.
    bool dropClient = false;
    // What the chat client is told; a lost connection is Lost.
    std::vector<IrcEvent> events;
  };

  explicit ProxySession(ProxySessionOptions options);

  // A new client; whatever the one before left is forgotten, but the open room.
  void ClientConnected(Clock::time_point now);
  // One line from the client or the network, without its line end.
  void FromClient(const QByteArray& line, Clock::time_point now);
  void FromUpstream(const QByteArray& line, Clock::time_point now);
  // The signed-on client's line may go up as it is, now: nothing of
  // Morva's or of the owner's waits before it, the pace has room, and it is
  // not one the network never sees. True when it is counted against the
  // pace and the caller writes it at once, then hands it to ReadRelayed;
  // false when it goes through FromClient instead.
  bool RelayAtOnce(QByteArrayView line, Clock::time_point now);
  // What Morva reads of a line of the owner's that went up: his commands.
  void ReadRelayed(const QByteArray& line);
  void UpstreamConnected(Clock::time_point now);
  void UpstreamLost(const QString& reason);
  void ClientLeft(const QString& reason);
  // This many bytes wait to be written to the client: true when that is too
  // much and the client is sent away (dropClient), the network kept.
  bool ClientBacklog(qint64 bytes);
  // The client has sent this many bytes of a line not yet ended.
  void ClientPending(qsizetype bytes);
  // The client sent a line longer than any IRC line may be (the reader
  // drops it): a client before its password is sent away at once, the
  // owner's is told that the line was not sent.
  void ClientLineTooLong();
  // For the end of the program: Morva's waiting lines leave at once, then
  // QUIT; the client is told and closed.
  void Shutdown(const QString& reason, Clock::time_point now);
  // The limits and the pace: to be called at NextDeadline.
  void Tick(Clock::time_point now);
  std::optional<Clock::time_point> NextDeadline() const;

  // From the chat client: a line of Morva's (chat HTML) for a room, and a room to go to.
  void Say(const QString& room, const QString& html, Clock::time_point now);
  void Join(const QString& room);
  // The owner's slash commands from it: an action in a room, a line to one
  // member, another nick. A notice where they cannot be sent.
  void Act(const QString& room, const QString& html, Clock::time_point now);
  void SayTo(const QString& nick, const QString& html, Clock::time_point now);
  void ChangeNick(const QString& name, Clock::time_point now);
  // For the owner alone: a NOTICE to his client from the pseudo-user
  // "*morva", never sent upstream. Kept (the last few) while no client is
  // signed on, and told once one is.
  void TellOwner(const QString& text);

  bool clientAttached() const { return state_ != State::Idle && state_ != State::Closed; }
  bool signedOn() const { return registered_; }
  QByteArray ownNick() const { return nick_; }

  Output Take();

 private:
  enum class State { Idle, BeforePassword, Connecting, Relaying, Closed };

  void BeforePassword(const QByteArray& line, const IrcMessage* message);
  void LocalCap(const IrcMessage& message);
  void LocalAuthenticate(const IrcMessage& message);
  void CheckPassword(const QByteArray& given);
  void OpenWhenReady();
  void RefuseClient(const QString& reason);
  void RelayFromClient(const QByteArray& line, Clock::time_point now);
  bool KeptFromNetwork(QByteArrayView line) const;
  // Whether Morva keeps the network's line to itself.
  // Anything for the client after the line goes into `after`.
  bool ReadFromUpstream(const IrcMessage& message, std::vector<QByteArray>* after, Clock::time_point now);
  // The network's CAP and SASL lines while Morva signs on for the client,
  // and its 001: true when the line is the sign-on's alone.
  bool UpstreamSignOn(const IrcMessage& message, Clock::time_point now);
  void SignOnFailed(const IrcSignOn::Step& step);
  // PASS, NICK and USER, then the client's lines that waited.
  void SendRegistration(Clock::time_point now);
  void OnOwnLine(const IrcMessage& message);
  // JOIN, PART, KICK, QUIT, NICK, NAMES, TOPIC, MODE, 005, join refusals:
  // the tracker's, but for what the owner's own lines mean here.
  void OnChannelLine(const IrcMessage& message, Clock::time_point now);
  void OnOwnJoin(const IrcMessage& message, IrcChannel* known, const QString& name);
  void OnPrivmsg(const IrcMessage& message);
  void OnChannelNotice(const IrcMessage& message);
  void OpenRoom(const QString& room);
  // One of Morva's lines, to wait for the pace; the owner is told when the
  // queue is so long that the oldest are dropped.
  void Queue(QByteArray line);
  void Flush(Clock::time_point now);
  void EndSession(const QString& reason);
  // Morva's lines that will never leave, each said in a notice.
  void DropOwnLines();
  void ToClient(QByteArray line) { out_.toClient.push_back(std::move(line)); }
  void ToUpstream(QByteArray line) { out_.toUpstream.push_back(std::move(line)); }
  void Emit(IrcEvent::Kind kind, QString room = {}, QString nick = {}, QString text = {}, QStringList members = {});
  void Notice(const QString& text) { Emit(IrcEvent::Kind::Notice, {}, {}, text); }
  void NoticeToClient(const QString& text);
  void TellHeldNotices();
  IrcChannel* Find(const QString& channel) { return channels().Find(channel); }
  IrcChannels& channels() { return tracker_.channels(); }
  const IrcServerInfo& server() const { return tracker_.server(); }
  bool IsOwn(QByteArrayView nick) const;
  QByteArray ClientNick() const;

  ProxySessionOptions options_;
  Output out_;
  // One pace for the connection. Once signed on, the client's lines wait
  // here for room in it (bounded), behind Morva's own, so that a paste
  // from the client neither floods the network nor holds Morva's answers.
  SendQueue queue_;
  std::deque<QByteArray> relayed_;
  bool relayedOverflowTold_ = false;
  State state_ = State::Idle;
  Clock::time_point passwordDeadline_{};
  int linesBeforePassword_ = 0;
  bool passwordGiven_ = false;
  // Morva answers the client's CAP itself until the network has welcomed it.
  bool localCap_ = false;
  bool capEnded_ = true;
  bool clientCapNotify_ = false;
  bool clientEcho_ = false;
  QByteArray saslBuffer_;
  QByteArray nickLine_;
  QByteArray userLine_;
  QByteArray clientNick_;
  std::vector<QByteArray> waiting_;  // the client's lines while the network is not there yet
  // Morva's own CAP (and SASL) with the network, for a client it answered itself.
  IrcSignOn signOn_{{options_.saslAccount, options_.saslPassword, {},
                     std::chrono::duration_cast<std::chrono::milliseconds>(options_.capAnswer),
                     std::chrono::duration_cast<std::chrono::milliseconds>(options_.registration)}};
  bool registered_ = false;
  QByteArray nick_;
  QByteArray user_;
  QByteArray host_;
  // What the network says of itself (005), and the owner's channels by
  // its case mapping.
  IrcChannelTracker tracker_{std::chrono::duration_cast<std::chrono::milliseconds>(options_.membersEvery)};
  bool paced_ = true;
  // The client was sent away for not reading: nothing more is written to it.
  bool clientDropped_ = false;
  // With an account of Morva's own, NICK and USER wait for the network's
  // capability list, so that it never signs the owner on without; the
  // client's lines wait with them.
  bool registrationHeld_ = false;
  QString openRoom_;  // kept from one client to the next
  std::deque<QString> heldNotices_;  // the same
};

}  // namespace irc
