#pragma once

#include <cstdint>

#include <QString>

#include "src/seams/Runtime.h"
#include "src/seams/Win32Api.h"

// The procedures through which the system reaches the chat client's windows,
// its own window, the profile file and the clock. It keeps nothing between
// calls: every call finds the windows anew.
class AolClient {
 public:
  AolClient(Win32Api& win32, Runtime& runtime) : win32_(win32), runtime_(runtime) {}

  // The open chat room: the first "AOL Child" window, in child order, that has
  // a child of each marker class. kNullWindow when there is none.
  HWND FindRoomWindow() const;
  // Types the line into the room's input box and presses Enter; nothing when no
  // room (or no input box) is found.
  void SendRoomLine(const QString& text) const;

  // Types the keyword into the toolbar's keyword box, then a space and Enter.
  void OpenKeyword(const QString& text) const;
  // Goes to the private room of that name ("aol://2719:2-2-" + name).
  void EnterPrivateRoom(const QString& roomName) const;

  QString ReadWindowTitle(HWND window) const;
  // The signed-on user's screen name from the welcome window; empty when none.
  QString OwnScreenName() const;
  // Returns after about n seconds (n - 0.5 to n + 0.5), handling events meanwhile.
  void WaitSeconds(std::int32_t seconds) const;

  // Makes the window topmost without moving or resizing it.
  void KeepOnTop(HWND window) const;
  // Starts the window manager's interactive move of the window.
  void DragWindow(HWND window) const;
  // A pseudo-random whole number from 1 to n (1 for n = 0).
  double RollUpTo(double n) const;

  static QString DropSpaces(const QString& text);
  // Every occurrence of find, matched without regard to case, replaced from
  // left to right; find must not be empty.
  static QString ReplaceText(const QString& text, const QString& find, const QString& replacement);

  // The stored value, cut to its first 749 characters.
  QString ReadIniValue(const QString& section, const QString& key, const QString& file) const;
  // The same for a value that names a file or folder: it comes back whole up
  // to the longest path the system takes (PATH_MAX bytes in the 8-bit code
  // page, terminator included), so a folder that was stored is found again.
  QString ReadIniPath(const QString& section, const QString& key, const QString& file) const;
  void WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& file) const;

 private:
  HWND MdiClient() const;

  Win32Api& win32_;
  Runtime& runtime_;
};
