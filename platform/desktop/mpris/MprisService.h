#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include "platform/desktop/mpris/MprisState.h"
#include "platform/mediaplayer/Mp3Tags.h"

class DesktopInput;
class Mp3Player;

// The program on the desktop's session bus as org.mpris.MediaPlayer2.morva:
// the media keys, the desktop's player widget and playerctl reach the
// player through it. Every call that a command matches runs that command as
// the owner (announcement included); a seek does what the panel's seek bar
// does. Whatever changes the player, from wherever, is sent out as
// PropertiesChanged as soon as the player reports it.
//
// The MP3 player only: while the CD plays, the desktop sees a stopped player.
class MprisService : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kBusName = "org.mpris.MediaPlayer2.morva";
  static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

  // Both must outlive the service.
  MprisService(Mp3Player& player, DesktopInput& input, QObject* parent = nullptr);
  ~MprisService() override;

  enum class Outcome { kPublished, kNoBus, kNameTaken };
  // Joins the bus at the address and takes the name; otherwise says why in
  // `problem`: there is no bus there, or the name is taken (another instance).
  Outcome Publish(const QString& busAddress, QString* problem);

  // The session bus of the desktop the program runs in; empty when none.
  static QString SessionBusAddress();

  // For the adaptors.
  QString ConnectionName() const { return connectionName_; }
  MprisPlayerState State() const;
  qlonglong PositionMicroseconds() const;
  void Raise();
  void Play();
  void Pause();
  void PlayPause();
  void Stop();
  void Next();
  void Previous();
  void SetShuffle(bool shuffle);
  void SetLoopStatus(const QString& loopStatus);
  void Seek(qlonglong offset);
  void SetPosition(const QString& trackId, qlonglong position);
  void SetVolume(double volume);

 signals:
  // The player interface's Seeked signal: the new position in microseconds.
  void seeked(qlonglong position);

 private:
  void Run(const QString& commandLine);
  void OnFileOpened(const QString& path);
  // Sends PropertiesChanged with what differs from what was sent last.
  void AnnounceChanges();

  Mp3Player& player_;
  DesktopInput& input_;
  QString connectionName_;
  bool published_ = false;
  int trackSerial_ = 0;
  Mp3Tags tags_;
  QVariantMap sent_;
};
