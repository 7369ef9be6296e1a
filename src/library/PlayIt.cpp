#include "src/app/Form1.h"
#include "src/library/TitleMatch.h"
#include "src/library/Track.h"
#include "src/shared/Announcements.h"

// The title search. Matches are appended to the match list, which is not
// emptied first; one match plays at once, several are listed a second apart
// and wait for a numbered ".play".
void Form1::PlayIt(const QString& searchText) {
  TitleMatch match(searchText);
  for (const QString& entry : File1->Entries())
    if (match.Matches(entry)) List2->AddItem(entry);

  const int matches = List2->ListCount();
  if (matches == 1) {
    const QString name = List2->List(0);
    MediaPlayer1.OpenFile(TrackPath(File1->Path(), name));
    aol_.SendRoomLine(MorvaLine("Playing [" + TrackTitle(name) + "]"));
    List2->Clear();
    return;
  }
  if (matches == 0) {
    aol_.SendRoomLine(Red(kBullet + " Morva MP3  [No Strings Found]"));
    return;
  }

  aol_.SendRoomLine(Red(kBullet + " Morva MP3  [Multiple Strings Found]"));
  for (int k = 0; k < matches; ++k) {
    aol_.SendRoomLine(Red(kBullet + "  [" + QString::number(k) + ") " + List2->List(k) + "]"));
    aol_.WaitSeconds(1);
  }
  // Read again: a search run during the waits has added its matches.
  const int listed = List2->ListCount();
  aol_.SendRoomLine(Red(kBullet + " Morva MP3  [Type ''.play'' And 0 - " + QString::number(listed - 1) +
                        " Or ''.cancel'']"));
  SelectionPending = -1;
}
