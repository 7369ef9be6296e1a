// The main window's events that the commands and the library answer: each
// hands its session down to them.

#include "src/app/Form1.h"
#include "src/commands/LineReceived.h"
#include "src/commands/PresenceCommands.h"
#include "src/library/Library.h"
#include "src/library/PlayOnTracks.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"

void Form1::Chat1_LineReceived(const QString& screenName, const QString& text) {
  commands::LineReceived(session(), screenName, text);
}

void Form1::MediaPlayer1_EndOfStream() {
  try {
    library::TrackEnded(session());
  } catch (const ControlError& error) {
    Diagnose(error.what());
  }
}

void Form1::PlayIt(const QString& searchText) { library::PlayIt(session(), searchText); }

void Form1::File1_Click() { library::StartSelectedTrack(session()); }

void Form1::Command1_Click() { library::DirButton(session()); }

void Form1::DeepSwitch_Click() { library::SetSubfolders(session(), !File1->Subfolders()); }

void Form1::Label7_Click() { commands::ExitCheck(session(), "Stop the current mp3"); }
