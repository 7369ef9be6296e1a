#include "src/library/Library.h"
#include "src/library/PlayOnTracks.h"
#include "src/library/TitleMatch.h"
#include "src/library/Track.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace library {

void PlayIt(Session& s, const QString& searchText) {
  const AolClient& aol = s.aol;
  const FileNames& names = s.File1.Names();
  for (const int entry : TitleMatch(searchText).MatchingEntries(names)) s.List2.AddItem(names.Name(entry));

  const int matches = s.List2.ListCount();
  if (matches == 1) {
    const QString name = s.List2.List(0);
    // Emptied before the open: a file that fails to open must not stay in
    // the list for the next search to append to.
    s.List2.Clear();
    OpenTrack(s, EntryTrack(s, name));
    aol.SendRoomLine(MorvaLine("Playing [" + TrackTitle(name) + "]"));
    return;
  }
  if (matches == 0) {
    aol.SendRoomLine(Red(kBullet + " Morva MP3  [No Strings Found]"));
    return;
  }

  aol.SendRoomLine(Red(kBullet + " Morva MP3  [Multiple Strings Found]"));
  for (int k = 0; k < matches; ++k) {
    aol.SendRoomLine(Red(kBullet + "  [" + QString::number(k) + ") " + s.List2.List(k) + "]"));
    aol.WaitSeconds(1);
  }
  // Read again: a search run during the waits has added its matches.
  const int listed = s.List2.ListCount();
  aol.SendRoomLine(Red(kBullet + " Morva MP3  [Type ''.play'' And 0 - " + QString::number(listed - 1) +
                       " Or ''.cancel'']"));
  s.SelectionPending = -1;
}

}  // namespace library
