#include "src/commands/WindowCommands.h"

#include "src/app/Form1.h"

namespace commands {

void Hide(Form1&) {}
void XHide(Form1&) {}
void ViewMp3s(Form1&) {}
void XViewMp3s(Form1&) {}
void Coms(Form1&) {}
void XComs(Form1&) {}

}  // namespace commands
