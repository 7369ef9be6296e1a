#include "src/commands/WindowCommands.h"

#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace commands {

void Hide(Session& s, const CommandLine&) { s.view.HideWindow(); }

void XHide(Session& s, const CommandLine&) { s.view.ShowWindow(); }

void ViewMp3s(Session& s, const CommandLine&) {
  s.view.SetOuterHeight(WindowView::kPlayerView);
  s.view.ShowWindow();
  s.aol.SendRoomLine(MorvaLine("Viewing MP3's"));
}

void XViewMp3s(Session& s, const CommandLine&) {
  s.view.HideWindow();
  s.aol.SendRoomLine(MorvaLine("Hiding MP3's"));
}

void Coms(Session& s, const CommandLine&) {
  // A shown window, minimised or not, keeps the view it has.
  if (!s.view.IsShown()) {
    s.view.ShowWindow();
    s.view.SetOuterHeight(WindowView::kCommandView);
  }
  s.aol.SendRoomLine(MorvaLine("Viewing Commands"));
}

void XComs(Session& s, const CommandLine&) {
  s.view.HideWindow();
  s.aol.SendRoomLine(MorvaLine("Hiding Commands"));
}

}  // namespace commands
