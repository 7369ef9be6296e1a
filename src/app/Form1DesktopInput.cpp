#include "src/app/Form1DesktopInput.h"

#include "src/app/Form1.h"
#include "src/commands/LineReceived.h"
#include "src/library/PlayOnTracks.h"

void Form1DesktopInput::RunAsOwner(const QString& commandLine) {
  commands::RunCommand(form_.session(), commandLine);
}

void Form1DesktopInput::Raise() {
  if (form_.IsMinimised()) form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
  form_.ShowWindow();
  form_.raise();
  form_.activateWindow();
}

int Form1DesktopInput::TrackCount() const { return form_.File1->ListCount(); }

bool Form1DesktopInput::HasNext() const { return library::HasNext(form_.session()); }

bool Form1DesktopInput::HasPrevious() const { return form_.session().playOn.CanGoBack(); }

bool Form1DesktopInput::Shuffling() const { return form_.session().playOn.shuffle; }

void Form1DesktopInput::SetPlayOnChangedHandler(std::function<void()> handler) {
  form_.session().playOn.changed = std::move(handler);
}
