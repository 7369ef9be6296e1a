#include "tests/support/TestDesktop.h"

TestDesktop::TestDesktop(WindowSystem& windows, bool withToolbar) : windows_(windows) {
  frame_ = windows_.CreateWindowA("AOL Frame25", "America  Online", kNullWindow, Recorder());
  if (withToolbar) {
    HWND toolbar = windows_.CreateWindowA("AOL Toolbar", "", frame_, Recorder());
    HWND inner = windows_.CreateWindowA("_AOL_Toolbar", "", toolbar, Recorder());
    HWND combo = windows_.CreateWindowA("_AOL_Combobox", "", inner, Recorder());
    keywordBox_ = windows_.CreateWindowA("Edit", "", combo, [this](HWND w, UINT m, WPARAM wp, LPARAM lp) {
      Recorder()(w, m, wp, lp);
      if (m == WM_CHAR && wp == 13) keywords_.push_back(windows_.Title(w));
      return LRESULT{0};
    });
  }
  mdi_ = windows_.CreateWindowA("MDIClient", "", frame_, Recorder());
}

WindowProc TestDesktop::Recorder() {
  return [this](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_SETTEXT)
      received_.push_back({window, message, reinterpret_cast<const char*>(lParam), 0});
    else if (message == WM_CHAR)
      received_.push_back({window, message, {}, wParam});
    return 0;
  };
}

WindowProc TestDesktop::RoomInput(HWND room) {
  return [this, room](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    Recorder()(window, message, wParam, lParam);
    if (message == WM_CHAR && wParam == 13) {
      sent_.push_back(windows_.Title(window));
      sentFrom_.emplace_back(room, windows_.Title(window));
      windows_.SetTitle(window, "");
    }
    return 0;
  };
}

HWND TestDesktop::AddChild(const std::string& title) {
  return windows_.CreateWindowA("AOL Child", title.c_str(), mdi_, Recorder());
}

TestDesktop::Room TestDesktop::AddRoom(const std::string& title, Markers markers) {
  Room room;
  room.child = AddChild(title);
  // Created bottom first, so the child order reads: transcript, input box, ...
  if (markers.label) windows_.CreateWindowA("_AOL_Static", "", room.child, Recorder());
  if (markers.icon) windows_.CreateWindowA("_AOL_Icon", "", room.child, Recorder());
  if (markers.listbox) windows_.CreateWindowA("_AOL_Listbox", "", room.child, Recorder());
  if (markers.richControls >= 2) room.input = windows_.CreateWindowA("RICHCNTL", "", room.child, RoomInput(room.child));
  if (markers.richControls >= 1) room.transcript = windows_.CreateWindowA("RICHCNTL", "", room.child, Recorder());
  return room;
}

std::vector<std::string> TestDesktop::SentIn(const Room& room) const {
  std::vector<std::string> lines;
  for (const auto& [from, line] : sentFrom_)
    if (from == room.child) lines.push_back(line);
  return lines;
}

std::vector<TestDesktop::Received> TestDesktop::ReceivedBy(HWND window) const {
  std::vector<Received> result;
  for (const auto& r : received_)
    if (r.window == window) result.push_back(r);
  return result;
}
