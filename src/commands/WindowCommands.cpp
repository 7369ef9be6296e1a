#include "src/commands/WindowCommands.h"

#include "src/app/Form1.h"
#include "src/shared/Announcements.h"

namespace commands {

void Hide(Form1& form) { form.HideWindow(); }

void XHide(Form1& form) { form.ShowWindow(); }

void ViewMp3s(Form1& form) {
  form.SetOuterHeight(Form1::kPlayerView);
  form.ShowWindow();
  form.Aol().SendRoomLine(MorvaLine("Viewing MP3's"));
}

void XViewMp3s(Form1& form) {
  form.HideWindow();
  form.Aol().SendRoomLine(MorvaLine("Hiding MP3's"));
}

void Coms(Form1& form) {
  // A shown window, minimised or not, keeps the view it has.
  if (!form.IsShown()) {
    form.ShowWindow();
    form.SetOuterHeight(Form1::kCommandView);
  }
  form.Aol().SendRoomLine(MorvaLine("Viewing Commands"));
}

void XComs(Form1& form) {
  form.HideWindow();
  form.Aol().SendRoomLine(MorvaLine("Hiding Commands"));
}

}  // namespace commands
