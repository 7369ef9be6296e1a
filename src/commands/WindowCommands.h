#pragma once

#include "src/commands/CommandLine.h"

struct Session;

// The chat commands that show, hide and size the main window.
namespace commands {

void Hide(Session& session, const CommandLine& line);       // .hide
void XHide(Session& session, const CommandLine& line);      // .xhide
void ViewMp3s(Session& session, const CommandLine& line);   // .viewmp3s
void XViewMp3s(Session& session, const CommandLine& line);  // .xviewmp3s
void Coms(Session& session, const CommandLine& line);       // .coms
void XComs(Session& session, const CommandLine& line);      // .xcoms

}  // namespace commands
