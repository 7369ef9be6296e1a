#include "platform/desktop/mpris/MprisAdaptors.h"

#include <QDBusConnection>

#include "platform/desktop/mpris/MprisService.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService& service) : QDBusAbstractAdaptor(&service), service_(service) {}

void MprisRootAdaptor::Raise() { service_.Raise(); }

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {
  connect(&service, &MprisService::seeked, this, &MprisPlayerAdaptor::Seeked);
}

QString MprisPlayerAdaptor::PlaybackStatus() const { return service_.State().playbackStatus; }
QVariantMap MprisPlayerAdaptor::Metadata() const { return service_.State().metadata; }
double MprisPlayerAdaptor::Volume() const { return service_.State().volume; }
void MprisPlayerAdaptor::SetVolume(double volume) { service_.SetVolume(volume); }
qlonglong MprisPlayerAdaptor::Position() const { return service_.PositionMicroseconds(); }
bool MprisPlayerAdaptor::CanGoNext() const { return service_.State().canGoNext; }
bool MprisPlayerAdaptor::CanGoPrevious() const { return service_.State().canGoPrevious; }
bool MprisPlayerAdaptor::Shuffle() const { return service_.State().shuffle; }
void MprisPlayerAdaptor::SetShuffle(bool shuffle) { service_.SetShuffle(shuffle); }
QString MprisPlayerAdaptor::LoopStatus() const { return service_.State().loopStatus; }
void MprisPlayerAdaptor::SetLoopStatus(const QString& loopStatus) { service_.SetLoopStatus(loopStatus); }
bool MprisPlayerAdaptor::CanPlay() const { return service_.State().canPlay; }
bool MprisPlayerAdaptor::CanPause() const { return service_.State().canPause; }
bool MprisPlayerAdaptor::CanSeek() const { return service_.State().canSeek; }

void MprisPlayerAdaptor::Play() { service_.Play(); }
void MprisPlayerAdaptor::Pause() { service_.Pause(); }
void MprisPlayerAdaptor::PlayPause() { service_.PlayPause(); }
void MprisPlayerAdaptor::Stop() { service_.Stop(); }
void MprisPlayerAdaptor::Next() { service_.Next(); }
void MprisPlayerAdaptor::Previous() { service_.Previous(); }
void MprisPlayerAdaptor::Seek(qlonglong offset) { service_.Seek(offset); }

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
  service_.SetPosition(trackId.path(), position);
}

// No scheme is offered (SupportedUriSchemes is empty): nothing is opened,
// whatever the URI names, and the caller is told so.
void MprisPlayerAdaptor::OpenUri(const QString&, const QDBusMessage& message) {
  message.setDelayedReply(true);
  QDBusConnection(service_.ConnectionName())
      .send(message.createErrorReply(QDBusError::NotSupported, QStringLiteral("Morva MP3 opens no URIs")));
}
