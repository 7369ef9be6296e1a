#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Where the chat client's rooms are: in this process, or on a chat network.
// The client keeps the windows and the transcript; a transport carries the
// owner's lines out and brings the rooms' news in. Rooms are named as the
// owner named them; a transport maps the name to whatever its network calls
// the room. Every signal arrives on the user-interface thread.
class ChatTransport : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  ~ChatTransport() override = default;

  // Signs on as the screen name: signedOn once that is done (at once, or when
  // a network has accepted us), or notices while it cannot.
  virtual void SignOn(const QString& screenName) = 0;
  // Whether the owner's lines can be carried now.
  virtual bool IsSignedOn() const = 0;

  // Goes to the room: joined once the owner is in it, or joinRefused.
  virtual void Join(const QString& room) = 0;
  // Leaves the room; nothing is reported.
  virtual void Part(const QString& room) = 0;
  // Carries one of the owner's lines, exactly as typed (chat HTML included),
  // to the others in the room. The client has shown it already.
  virtual void Say(const QString& room, const QString& text) = 0;
  // What the network calls the room (its channel); the name itself by default.
  virtual QString NetworkName(const QString& room) const { return room; }
  // Makes another member say a line in the room, where the transport can
  // (local rooms); false where it cannot.
  virtual bool SayAs(const QString& room, const QString& member, const QString& text) = 0;
  // The owner's action in the room ("/me waves"); false where the network
  // has none. The client has shown it already.
  virtual bool Act(const QString& /*room*/, const QString& /*text*/) { return false; }
  // A line for one member alone, exactly as typed (chat HTML included);
  // false where it cannot be carried.
  virtual bool SayPrivately(const QString& /*member*/, const QString& /*text*/) { return false; }
  // Asks the network for another name for the owner: ownNameChanged once it
  // is taken, a notice when refused. False where names cannot change.
  virtual bool ChangeName(const QString& /*name*/) { return false; }
  // Whether the lines of others arrive as IRC text (with its formatting
  // codes) rather than chat HTML.
  virtual bool LinesAreIrcText() const { return false; }
  // Something for the owner alone (a notice, a diagnostic), for where he
  // reads besides the console and the room window: his own IRC client
  // behind the proxy. Nothing by default; never a room's line.
  virtual void TellOwner(const QString& /*text*/) {}

 signals:
  // The owner is signed on, under this name (which the network may have chosen).
  void signedOn(const QString& screenName);
  // The connection went away; the transport tries again by itself.
  void signedOff(const QString& reason);
  void ownNameChanged(const QString& screenName);
  void joined(const QString& room);
  void joinRefused(const QString& room, const QString& reason);
  // Another member's line in a room the owner is in.
  void lineArrived(const QString& room, const QString& screenName, const QString& text);
  // Something that happened in a room and is no one's line: an action
  // ("* Ann dances"), a notice to the channel, a line replayed from earlier.
  // Never a command.
  void roomNotice(const QString& room, const QString& text);
  // Everyone in the room, the owner included.
  void membersChanged(const QString& room, const QStringList& members);
  // Something the owner should read: shown as "*** " + text.
  void notice(const QString& text);

  // What happens to the others in a room the owner is in, one room at a
  // time (a member who quits or changes name is reported in each room he
  // was in). Names as the network spells them.
  void memberJoined(const QString& room, const QString& member);
  void memberParted(const QString& room, const QString& member, const QString& reason);
  void memberQuit(const QString& room, const QString& member, const QString& reason);
  void memberRenamed(const QString& room, const QString& from, const QString& to);
  void memberKicked(const QString& room, const QString& member, const QString& by, const QString& reason);
  // The room's topic: as found on entering it (by empty), or as changed.
  void topicChanged(const QString& room, const QString& topic, const QString& by);
  // The members of a room who hold a rank, with its mark: '@' for an
  // operator, '+' for a voice ("@Ann", "+Bob"); everyone else holds none.
  void memberMarksChanged(const QString& room, const QStringList& marked);
};
