#pragma once

#include <cstdint>

#include <QString>

#include "src/aol/AolClient.h"
#include "src/seams/CdPlayerControl.h"
#include "src/seams/MediaPlayerControl.h"
#include "src/seams/MessageBoxes.h"
#include "src/seams/ProcessControl.h"
#include "src/seams/Runtime.h"
#include "src/session/PlayOn.h"
#include "src/seams/StreamInfo.h"
#include "src/session/WindowView.h"
#include "src/widgets/FileListBox.h"
#include "src/widgets/ListBox.h"
#include "src/widgets/TextBox.h"

// What the commands and the library work on: the chat client, the players,
// the controls they read and fill, the services, the settings file and the
// window's view. It owns no window and no control; the main window owns them
// and one session, and hangs above it.
struct Session {
  const AolClient& aol;
  MediaPlayerControl& MediaPlayer1;
  CdPlayerControl& CDPlayer1;
  // The match list of the last title search.
  ListBox& List2;
  // The file list of the music directory, and the "dir:" row's text.
  FileListBox& File1;
  TextBox& Text2;
  Runtime& runtime;
  MessageBoxes& messageBoxes;
  ProcessControl& process;
  // The settings file of this run (mp3.ini).
  QString settingsFile;
  WindowView& view;

  // True (-1) while the match list waits for a numbered ".play".
  std::int16_t SelectionPending = 0;

  // The queue, the shuffle and the history of what played.
  PlayOn playOn;
  // The stream of what plays, for its listeners' address; null: none.
  const StreamInfo* stream = nullptr;
};
