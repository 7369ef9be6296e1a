#pragma once

#include <QString>
#include <QVariantMap>

class Mp3Player;
class DesktopInput;

// The player as the desktop sees it: every property of the player
// interface, read anew from the media player and the music directory.
struct MprisPlayerState {
  QString playbackStatus;  // "Playing", "Paused" or "Stopped"
  QVariantMap metadata;    // empty while nothing is open
  double volume = 0.0;     // 0 to 1
  bool canPlay = false;
  bool canPause = false;
  bool canSeek = false;
  bool canGoNext = false;
  bool canGoPrevious = false;
  bool shuffle = false;
  QString loopStatus;  // "Track" while ".repeat" holds, else "None"

  // The properties by their names on the bus (Position apart: it moves on
  // its own and is read when asked for).
  QVariantMap Properties() const;
};

// The track id of the open file: a new one for each file opened.
QString TrackPath(int serial);
// The id of "no track".
QString NoTrackPath();

// The volume the player holds (hundredths of a decibel, 0 full, -2500 the
// quietest of the owner's levels), as 0 to 1, and back as the owner's level.
double VolumeFraction(int playerVolume);
