#include "src/app/Form1DesktopInput.h"

#include "src/app/Form1.h"
#include "src/commands/LineReceived.h"

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
