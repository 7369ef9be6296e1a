#include "src/app/Form1.h"
#include "src/app/HelpLines.h"
#include "src/library/Library.h"
#include "src/seams/ControlError.h"
#include "src/shared/Announcements.h"

void Form1::Start() {
  Form_Load();
  // The window was made at its design-time size, centred; the load does not change it.
  show();
}

void Form1::Form_Load() {
  aol_.KeepOnTop(hwnd_);
  aol_.SendRoomLine(ProductLine());
  aol_.WaitSeconds(1);
  aol_.SendRoomLine(LoadedLine(aol_.OwnScreenName()));
  Chat1.StartScanning();
  for (const QString& line : HelpLines()) List1->AddItem(line);
  // A missing, empty or unusable setting leaves the list where it started.
  SkipFailure([this] { library::RestoreMusicDirectory(session()); });
}
