#include "src/app/Form1.h"
#include "src/library/Library.h"
#include "src/library/TitleMatch.h"
#include "src/library/Track.h"
#include "src/shared/Announcements.h"

namespace library {

void PlayIt(Form1& form, const QString& searchText) {
  const AolClient& aol = form.Aol();
  const FileNames& names = form.File1->Names();
  for (const int entry : TitleMatch(searchText).MatchingEntries(names)) form.List2->AddItem(names.Name(entry));

  const int matches = form.List2->ListCount();
  if (matches == 1) {
    const QString name = form.List2->List(0);
    // Emptied before the open: a file that fails to open must not stay in
    // the list for the next search to append to.
    form.List2->Clear();
    form.MediaPlayer1.OpenFile(TrackPath(form.File1->Path(), name));
    aol.SendRoomLine(MorvaLine("Playing [" + TrackTitle(name) + "]"));
    return;
  }
  if (matches == 0) {
    aol.SendRoomLine(Red(kBullet + " Morva MP3  [No Strings Found]"));
    return;
  }

  aol.SendRoomLine(Red(kBullet + " Morva MP3  [Multiple Strings Found]"));
  for (int k = 0; k < matches; ++k) {
    aol.SendRoomLine(Red(kBullet + "  [" + QString::number(k) + ") " + form.List2->List(k) + "]"));
    aol.WaitSeconds(1);
  }
  // Read again: a search run during the waits has added its matches.
  const int listed = form.List2->ListCount();
  aol.SendRoomLine(Red(kBullet + " Morva MP3  [Type ''.play'' And 0 - " + QString::number(listed - 1) +
                       " Or ''.cancel'']"));
  form.SelectionPending = -1;
}

}  // namespace library
