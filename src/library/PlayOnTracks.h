#pragma once

#include <QString>

#include "src/session/PlayOn.h"

struct Session;

// The queue, the shuffle and the history: what starts when a track ends,
// on ".skip" and on ".back". Every start goes through the track start of a
// file-list choice: a track that plays is stopped (the red prefix alone, a
// second's wait), the next one is chosen only then, opened, and announced
// "Playing [title]" once it has started.
namespace library {

// The track of a file-list entry, by its full path.
HeldTrack EntryTrack(const Session& session, const QString& entry);

// Opens the track on the player (which starts it) and makes it the current
// one of the history. Throws ControlError as the player's open does.
void OpenTrack(Session& session, const HeldTrack& track);

// Whether the queue or the shuffle has a track to go on to.
bool HasNext(const Session& session);

// Starts the next track: the queue's first, else the shuffle's next. A track
// that cannot be opened (its file is gone) is dropped with one line to the
// owner, and the one after it is tried. False when none started.
bool PlayNext(Session& session);

// Starts the track before the current one in the history; false when there
// is none or it cannot be opened.
bool PlayPrevious(Session& session);

// The player's end of a track: the next one starts when the queue or the
// shuffle has one; otherwise playback stays stopped, as it always did.
void TrackEnded(Session& session);

}  // namespace library
