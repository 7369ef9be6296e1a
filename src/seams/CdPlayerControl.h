#pragma once

#include <QString>

// The CD player hosted as CDPlayer1. Every role is accepted in every state
// (no disc, tray open, already stopped) without failing.
class CdPlayerControl {
 public:
  virtual ~CdPlayerControl() = default;

  virtual void Play() = 0;
  virtual void Stop() = 0;
  virtual void NextTrack() = 0;
  virtual void PreviousTrack() = 0;
  // The current track as text: its number in decimal digits, or, when there
  // is none, a short reason that reads well after "Track " (no drive, no
  // disc, the tray open).
  virtual QString CurrentTrack() const = 0;
  virtual void CloseTray() = 0;
  virtual void OpenTray() = 0;
};
