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
};
