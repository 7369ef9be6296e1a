#pragma once

#include <functional>

#include <QString>

// What the system offers an input from the desktop (the media keys, the
// desktop's player controls): the same commands the owner types, and the
// window. The player's state is read through the player's own control.
class DesktopInput {
 public:
  virtual ~DesktopInput() = default;

  // Runs a command line (".pause", ".vol 50") as if the owner had typed it in
  // the room, announcement included. A line that is no command does nothing.
  virtual void RunAsOwner(const QString& commandLine) = 0;
  // Shows the main window and brings it to the front.
  virtual void Raise() = 0;
  // How many tracks the music directory offers to ".r".
  virtual int TrackCount() const = 0;
  // Whether ".skip" has a track to go to (the queue or the shuffle), whether
  // ".back" has one to go back to, and whether the shuffle is on.
  virtual bool HasNext() const = 0;
  virtual bool HasPrevious() const = 0;
  virtual bool Shuffling() const = 0;
  // Called whenever one of those may have changed; one handler, nullptr to
  // stop.
  virtual void SetPlayOnChangedHandler(std::function<void()> handler) = 0;
};
