#include "platform/desktop/mpris/MprisService.h"

#include <algorithm>
#include <cmath>

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QUrl>

#include "platform/desktop/mpris/MprisAdaptors.h"
#include "platform/mediaplayer/Mp3Player.h"
#include "src/seams/DesktopInput.h"

namespace {

constexpr double kMicroseconds = 1e6;
const QString kConnectionName = QStringLiteral("morva-mpris");

// The title as the room sees it: the file's name with every ".mp3" taken out.
QString TitleOf(const QString& path) {
  return QFileInfo(path).fileName().remove(QStringLiteral(".mp3"), Qt::CaseInsensitive);
}

}  // namespace

MprisService::MprisService(Mp3Player& player, DesktopInput& input, QObject* parent)
    : QObject(parent), player_(player), input_(input) {
  // Owned by this object, as Qt's adaptors are.
  new MprisRootAdaptor(*this);
  new MprisPlayerAdaptor(*this);

  connect(&player_, &Mp3Player::fileOpened, this, [this](const QString& path) { OnFileOpened(path); });
  connect(&player_, &Mp3Player::playStateChanged, this, &MprisService::AnnounceChanges);
  connect(&player_, &Mp3Player::durationChanged, this, &MprisService::AnnounceChanges);
  connect(&player_, &Mp3Player::volumeChanged, this, &MprisService::AnnounceChanges);
  connect(&player_, &Mp3Player::playCountChanged, this, &MprisService::AnnounceChanges);
  input_.SetPlayOnChangedHandler([this] { AnnounceChanges(); });
  connect(&player_, &Mp3Player::seeked, this, [this] { emit seeked(PositionMicroseconds()); });
}

MprisService::~MprisService() {
  input_.SetPlayOnChangedHandler(nullptr);
  if (connectionName_.isEmpty()) return;
  QDBusConnection connection(connectionName_);
  if (published_) connection.unregisterService(QLatin1String(kBusName));
  connection.unregisterObject(QLatin1String(kObjectPath));
  QDBusConnection::disconnectFromBus(connectionName_);
}

QString MprisService::SessionBusAddress() { return QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")); }

MprisService::Outcome MprisService::Publish(const QString& busAddress, QString* problem) {
  if (busAddress.isEmpty()) {
    *problem = QStringLiteral("no session bus (DBUS_SESSION_BUS_ADDRESS is unset)");
    return Outcome::kNoBus;
  }
  QDBusConnection connection = QDBusConnection::connectToBus(busAddress, kConnectionName);
  if (!connection.isConnected()) {
    *problem = QStringLiteral("no session bus at ") + busAddress + QStringLiteral(": ") +
               connection.lastError().message();
    QDBusConnection::disconnectFromBus(kConnectionName);
    return Outcome::kNoBus;
  }
  connectionName_ = kConnectionName;
  if (!connection.registerObject(QLatin1String(kObjectPath), this)) {
    *problem = QStringLiteral("cannot offer ") + QLatin1String(kObjectPath) + QStringLiteral(" on the session bus");
    return Outcome::kNoBus;
  }
  if (!connection.registerService(QLatin1String(kBusName))) {
    *problem = QLatin1String(kBusName) + QStringLiteral(" is taken (another Morva MP3 has it): the desktop's "
                                                         "player controls reach that one");
    return Outcome::kNameTaken;
  }
  published_ = true;
  sent_ = State().Properties();
  return Outcome::kPublished;
}

MprisPlayerState MprisService::State() const {
  MprisPlayerState state;
  const int playState = player_.PlayState();
  const bool open = playState != Mp3Player::kClosed;
  state.playbackStatus = playState == Mp3Player::kPlaying  ? QStringLiteral("Playing")
                         : playState == Mp3Player::kPaused ? QStringLiteral("Paused")
                                                           : QStringLiteral("Stopped");
  if (open) {
    const QString path = player_.FileName();
    state.metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackPath(trackSerial_))));
    state.metadata.insert(QStringLiteral("mpris:length"),
                          static_cast<qlonglong>(std::llround(player_.Duration() * kMicroseconds)));
    state.metadata.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
    state.metadata.insert(QStringLiteral("xesam:title"), TitleOf(path));
    if (!tags_.artist.isEmpty()) state.metadata.insert(QStringLiteral("xesam:artist"), QStringList{tags_.artist});
    if (!tags_.album.isEmpty()) state.metadata.insert(QStringLiteral("xesam:album"), tags_.album);
  }
  state.volume = VolumeFraction(player_.Volume());
  const bool tracks = input_.TrackCount() > 0;
  state.canPlay = open || tracks;
  state.canPause = open;
  state.canSeek = open;
  state.canGoNext = tracks || input_.HasNext();
  state.canGoPrevious = input_.HasPrevious();
  state.shuffle = input_.Shuffling();
  state.loopStatus = player_.PlayCount() == 0 ? QStringLiteral("Track") : QStringLiteral("None");
  return state;
}

qlonglong MprisService::PositionMicroseconds() const {
  return static_cast<qlonglong>(std::llround(player_.Position() * kMicroseconds));
}

void MprisService::Raise() { input_.Raise(); }

void MprisService::Run(const QString& commandLine) {
  input_.RunAsOwner(commandLine);
  AnnounceChanges();
}

// Each call does what the owner's command does. A call that has no effect
// in the player's state (Pause while paused, Play while playing) runs none.
void MprisService::Play() {
  const int state = player_.PlayState();
  if (state == Mp3Player::kPlaying) return;
  if (state != Mp3Player::kClosed) {
    Run(QStringLiteral(".xpause"));
  } else if (input_.TrackCount() > 0) {
    Run(QStringLiteral(".r"));
  }
}

void MprisService::Pause() {
  if (player_.PlayState() == Mp3Player::kPlaying) Run(QStringLiteral(".pause"));
}

void MprisService::PlayPause() {
  if (player_.PlayState() == Mp3Player::kPlaying) {
    Run(QStringLiteral(".pause"));
  } else {
    Play();
  }
}

void MprisService::Stop() {
  const int state = player_.PlayState();
  if (state == Mp3Player::kPlaying || state == Mp3Player::kPaused) Run(QStringLiteral(".stop"));
}

// The queue's or the shuffle's next track; without either, another track
// as ".r" picks it.
void MprisService::Next() {
  if (input_.HasNext()) {
    Run(QStringLiteral(".skip"));
  } else if (input_.TrackCount() > 0) {
    Run(QStringLiteral(".r"));
  }
}

void MprisService::Previous() {
  if (input_.HasPrevious()) Run(QStringLiteral(".back"));
}

void MprisService::SetShuffle(bool shuffle) {
  if (shuffle != input_.Shuffling()) Run(shuffle ? QStringLiteral(".shuffle") : QStringLiteral(".xshuffle"));
}

// "Track" is ".repeat", "None" is ".xrepeat". There is no loop over a list
// to switch on: "Playlist" changes nothing.
void MprisService::SetLoopStatus(const QString& loopStatus) {
  const bool repeating = player_.PlayCount() == 0;
  if (loopStatus == QLatin1String("Track") && !repeating) Run(QStringLiteral(".repeat"));
  if (loopStatus == QLatin1String("None") && repeating) Run(QStringLiteral(".xrepeat"));
}

// Relative: before the start goes to the start; past the end goes on to the
// next track.
void MprisService::Seek(qlonglong offset) {
  if (player_.PlayState() == Mp3Player::kClosed) return;
  const double target = std::max(0.0, player_.Position() + static_cast<double>(offset) / kMicroseconds);
  if (target > player_.Duration()) {
    Next();
    return;
  }
  player_.Seek(target);
}

// Ignored for a track that is no longer the open one, and for a position
// outside the track.
void MprisService::SetPosition(const QString& trackId, qlonglong position) {
  if (player_.PlayState() == Mp3Player::kClosed || trackId != TrackPath(trackSerial_)) return;
  if (position < 0 || static_cast<double>(position) > player_.Duration() * kMicroseconds) return;
  player_.Seek(static_cast<double>(position) / kMicroseconds);
}

// As ".vol" with the owner's level 0 to 100. Below 0 is 0; the player has
// nothing louder than full volume, so above 1 is 1; NaN changes nothing.
void MprisService::SetVolume(double volume) {
  if (std::isnan(volume)) return;
  const long level = std::lround(std::clamp(volume, 0.0, 1.0) * 100.0);
  Run(QStringLiteral(".vol %1").arg(level));
}

void MprisService::OnFileOpened(const QString& path) {
  ++trackSerial_;
  tags_ = ReadMp3Tags(path);
  AnnounceChanges();
}

void MprisService::AnnounceChanges() {
  if (!published_) return;
  const QVariantMap now = State().Properties();
  QVariantMap changed;
  for (auto it = now.cbegin(); it != now.cend(); ++it) {
    if (sent_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
  }
  if (changed.isEmpty()) return;
  sent_ = now;
  QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath),
                                                   QStringLiteral("org.freedesktop.DBus.Properties"),
                                                   QStringLiteral("PropertiesChanged"));
  signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
  QDBusConnection(connectionName_).send(signal);
}
