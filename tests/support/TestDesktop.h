#pragma once

#include <string>
#include <vector>

#include "platform/win32/WindowSystem.h"

// A simulated chat-client desktop in the window system: main frame, MDI area,
// child windows among which a welcome window and room windows, and the toolbar
// path to the keyword box. Every text and character its windows receive is
// recorded in order; a room's input box sends its text as a line on Enter.
class TestDesktop {
 public:
  struct Received {
    HWND window;
    UINT message;  // WM_SETTEXT or WM_CHAR
    std::string text;
    WPARAM character;
  };

  struct Room {
    HWND child = kNullWindow;
    HWND transcript = kNullWindow;
    HWND input = kNullWindow;
  };

  // Which marker controls a room window gets; a test leaves some out.
  struct Markers {
    int richControls = 2;
    bool listbox = true;
    bool icon = true;
    bool label = true;
  };

  explicit TestDesktop(WindowSystem& windows, bool withToolbar = true);

  // A child window of the MDI area, on top of the others.
  HWND AddChild(const std::string& title);
  HWND AddWelcome(const std::string& screenName) { return AddChild("Welcome, " + screenName + "!"); }
  Room AddRoom(const std::string& title, Markers markers);
  Room AddRoom(const std::string& title) { return AddRoom(title, Markers{}); }

  // Lines sent (Enter pressed) in any room's input box, in order.
  const std::vector<std::string>& sent() const { return sent_; }
  // The lines sent from the input box of that room.
  std::vector<std::string> SentIn(const Room& room) const;
  // Keyword box texts confirmed with Enter.
  const std::vector<std::string>& keywords() const { return keywords_; }
  const std::vector<Received>& received() const { return received_; }
  std::vector<Received> ReceivedBy(HWND window) const;

  WindowSystem& windows() { return windows_; }
  HWND frame() const { return frame_; }
  HWND mdi() const { return mdi_; }
  HWND keywordBox() const { return keywordBox_; }

 private:
  WindowProc Recorder();
  WindowProc RoomInput(HWND room);

  WindowSystem& windows_;
  HWND frame_ = kNullWindow;
  HWND mdi_ = kNullWindow;
  HWND keywordBox_ = kNullWindow;
  std::vector<Received> received_;
  std::vector<std::string> sent_;
  std::vector<std::pair<HWND, std::string>> sentFrom_;
  std::vector<std::string> keywords_;
};
