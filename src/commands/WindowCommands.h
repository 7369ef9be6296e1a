#pragma once

class Form1;

// The chat commands that show, hide and size the main window.
namespace commands {

void Hide(Form1& form);       // .hide
void XHide(Form1& form);      // .xhide
void ViewMp3s(Form1& form);   // .viewmp3s
void XViewMp3s(Form1& form);  // .xviewmp3s
void Coms(Form1& form);       // .coms
void XComs(Form1& form);      // .xcoms

}  // namespace commands
