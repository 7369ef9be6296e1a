#pragma once

// The CD player hosted as CDPlayer1. Every role is accepted in every state
// (no disc, tray open, already stopped) without failing.
class CdPlayerControl {
 public:
  virtual ~CdPlayerControl() = default;

  virtual void Play() = 0;
  virtual void Stop() = 0;
  virtual void NextTrack() = 0;
  virtual void PreviousTrack() = 0;
  // Number of the current track; 0 when there is no disc.
  virtual int CurrentTrack() const = 0;
  virtual void CloseTray() = 0;
  virtual void OpenTray() = 0;
};
