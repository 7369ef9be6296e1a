// The main window's events that a subsystem answers: each forwards to it.

#include "src/app/Form1.h"
#include "src/commands/LineReceived.h"
#include "src/library/Library.h"

void Form1::Chat1_LineReceived(const QString& screenName, const QString& text) {
  commands::LineReceived(*this, screenName, text);
}

void Form1::PlayIt(const QString& searchText) { library::PlayIt(*this, searchText); }

void Form1::File1_Click() { library::StartSelectedTrack(*this); }

void Form1::Command1_Click() { library::DirButton(*this); }
