#include "platform/desktop/mpris/MprisState.h"

#include <algorithm>

QVariantMap MprisPlayerState::Properties() const {
  return {
      {QStringLiteral("PlaybackStatus"), playbackStatus},
      {QStringLiteral("Metadata"), metadata},
      {QStringLiteral("Volume"), volume},
      {QStringLiteral("CanPlay"), canPlay},
      {QStringLiteral("CanPause"), canPause},
      {QStringLiteral("CanSeek"), canSeek},
      {QStringLiteral("CanGoNext"), canGoNext},
      {QStringLiteral("CanGoPrevious"), canGoPrevious},
      {QStringLiteral("Shuffle"), shuffle},
      {QStringLiteral("LoopStatus"), loopStatus},
  };
}

QString TrackPath(int serial) { return QStringLiteral("/org/mpris/MediaPlayer2/morva/track/%1").arg(serial); }

QString NoTrackPath() { return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"); }

double VolumeFraction(int playerVolume) { return std::clamp((playerVolume + 2500) / 2500.0, 0.0, 1.0); }
