#include "src/app/Form1DesktopInput.h"

#include "src/app/Form1.h"
#include "src/commands/LineReceived.h"

void Form1DesktopInput::RunAsOwner(const QString& commandLine) {
  // The sender is whoever the intake finds signed on, so the line counts as
  // the owner's exactly as his own typing would.
  commands::LineReceived(form_, form_.Aol().OwnScreenName(), commandLine);
}

void Form1DesktopInput::Raise() {
  if (form_.IsMinimised()) form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
  form_.ShowWindow();
  form_.raise();
  form_.activateWindow();
}

int Form1DesktopInput::TrackCount() const { return form_.File1->ListCount(); }
