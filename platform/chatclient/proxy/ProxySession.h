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

#include "platform/chatclient/irc/IrcMessage.h"
#include "platform/chatclient/proxy/FloodBudget.h"

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
  // A client that has not given the password by then, or has sent this many
  // lines that mean nothing before it, or one line longer, is sent away.
  std::chrono::steady_clock::duration passwordLimit = std::chrono::seconds(30);
  int linesBeforePassword = 20;
  qsizetype longestLineBeforePassword = 8192;
  // With an account of Morva's own, a network that has not answered CAP LS
  // by then offers no SASL.
  std::chrono::steady_clock::duration capAnswer = std::chrono::seconds(15);
  // A room's member list is reported at most this often: building it costs
  // as much as the room is large.
  std::chrono::steady_clock::duration membersEvery = std::chrono::milliseconds(500);
};

// What the chat client is told.
struct ProxyEvent {
  enum class Kind {
    SignedOn, SignedOff, OwnNameChanged, Joined, JoinRefused, LineArrived, MembersChanged, Notice,
    // What happens to the others in a room the owner is in: `nick` joined,
    // parted (text: why), quit (text: why), was renamed (text: to), was
    // kicked (text: why; members: {by}); the topic (text; nick: by, or
    // empty on entering); the marks ("@Ann", "+Bob" in members); an action
    // or the like (text: "* Ann dances").
    MemberJoined, MemberParted, MemberQuit, MemberRenamed, MemberKicked, Topic, Marks, RoomNotice
  };
  Kind kind;
  QString room;
  QString nick;
  QString text;
  QStringList members;
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
    QByteArray toClient;    // whole lines with CR LF
    QByteArray toUpstream;  // the same
    bool openUpstream = false;
    bool closeClient = false;    // once toClient is written
    bool closeUpstream = false;  // once toUpstream is written
    std::vector<ProxyEvent> events;
  };

  explicit ProxySession(ProxySessionOptions options);

  // A new client; whatever the one before left is forgotten, but the open room.
  void ClientConnected(Clock::time_point now);
  // One line from the client or the network, without its line end.
  void FromClient(const QByteArray& line, Clock::time_point now);
  void FromUpstream(const QByteArray& line, Clock::time_point now);
  void UpstreamConnected(Clock::time_point now);
  void UpstreamLost(const QString& reason);
  void ClientLeft(const QString& reason);
  // The client has sent this many bytes of a line not yet ended.
  void ClientPending(qsizetype bytes);
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
  enum class UpCap { Off, Listing, Requested, Authenticating, Done };
  // The most names one NAMES reply may bring; the rest are not kept.
  static constexpr qsizetype kMostNames = 100000;
  struct Channel {
    QString room;
    QString name;
    bool joined = false;
    // By the case-mapped nick, as the network spells it: each change costs
    // the same at any size.
    QHash<QString, QString> members;
    QHash<QString, QString> namesComing;  // NAMES replies not yet ended
    bool namesCut = false;                // more names came than are kept
    bool membersChanged = false;          // not reported yet
    // The ranks held, by the case-mapped nick: '@' for an operator (or
    // more), '+' for a voice (or a half-operator).
    QHash<QString, QChar> marks;
    QHash<QString, QChar> marksComing;  // from NAMES replies not yet ended
    // Morva asked for it (.pr): its join makes it the open room.
    bool asked = false;
    // The owner was kicked out: Morva says nothing there until he is back.
    bool putOut = false;
  };

  void BeforePassword(const QByteArray& line, const IrcMessage* message);
  void LocalCap(const IrcMessage& message);
  void LocalAuthenticate(const IrcMessage& message);
  void CheckPassword(const QByteArray& given);
  void OpenWhenReady();
  void RefuseClient(const QString& reason);
  void RelayFromClient(const QByteArray& line, Clock::time_point now);
  bool KeptFromNetwork(const QByteArray& line) const;
  // Whether Morva keeps the network's line to itself.
  // Anything for the client after the line goes into `after`.
  bool ReadFromUpstream(const IrcMessage& message, QByteArray* after, Clock::time_point now);
  bool UpstreamCap(const IrcMessage& message, Clock::time_point now);
  void UpstreamSaslFailed(const QString& reason);
  // PASS, NICK and USER, then the client's lines that waited.
  void SendRegistration(Clock::time_point now);
  void OnOwnLine(const IrcMessage& message);
  void OnJoin(const IrcMessage& message);
  // PART, KICK and QUIT.
  void OnLeft(const IrcMessage& message);
  bool RemoveMember(Channel& channel, const QString& nick);
  void OnMode(const IrcMessage& message);
  // Gives or takes a rank ('@' or '+'); false when nothing changed. Taking
  // the operator's rank takes a voice under it too.
  bool Mark(Channel& channel, const QString& nick, QChar mark, bool give);
  void ReportMarks(const Channel& channel);
  void OnTopic(const IrcMessage& message);
  void OnNames(const IrcMessage& message, bool end);
  void OnNick(const QString& from, const QString& to);
  // Every joined room whose members changed, unless the last report was too recent.
  void ReportMembers(Clock::time_point now);
  void OnPrivmsg(const IrcMessage& message);
  void OnChannelNotice(const IrcMessage& message);
  void OpenRoom(const QString& room);
  void Flush(Clock::time_point now);
  void EndSession(const QString& reason);
  // Morva's lines that will never leave, each said in a notice.
  void DropOwnLines();
  void ToClient(const QByteArray& line) { out_.toClient += line + "\r\n"; }
  void ToUpstream(const QByteArray& line) { out_.toUpstream += line + "\r\n"; }
  void Emit(ProxyEvent::Kind kind, QString room = {}, QString nick = {}, QString text = {}, QStringList members = {});
  void NoticeToClient(const QString& text);
  void TellHeldNotices();
  Channel* Find(const QString& channel);
  bool IsOwn(QByteArrayView nick) const;
  QByteArray ClientNick() const;

  ProxySessionOptions options_;
  Output out_;
  FloodBudget budget_;
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
  UpCap upCap_ = UpCap::Off;
  QByteArray upCaps_;  // what the network offers
  bool registered_ = false;
  QByteArray nick_;
  QByteArray user_;
  QByteArray host_;
  std::deque<QByteArray> ownLines_;  // Morva's, waiting for the budget
  std::map<QString, Channel> channels_;  // by the channel's name in lower case
  bool paced_ = true;
  // With an account of Morva's own, NICK and USER wait for the network's
  // capability list, so that it never signs the owner on without; the
  // client's lines wait with them.
  bool registrationHeld_ = false;
  Clock::time_point capDeadline_{};
  std::optional<Clock::time_point> membersReportedAt_;
  QString openRoom_;  // kept from one client to the next
  std::deque<QString> heldNotices_;  // the same
};

}  // namespace irc
