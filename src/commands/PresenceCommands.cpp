#include "src/commands/PresenceCommands.h"

#include <QStringList>

#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace commands {

namespace {

const QString kDownloadPage = QStringLiteral("https://morva-mp3.example/download");

const QStringList& GreetedHandles() {
  static const QStringList handles = {
      "MorvaDev",   "MorvaQA",     "MorvaBuild",   "MorvaDocs",      "MorvaAudio",    "MorvaCD",
      "MorvaChat",  "MorvaWidget", "MorvaTester",  "MorvaPackager",  "MorvaReleases", "MorvaSupport",
  };
  return handles;
}

}  // namespace

void Adv(Session& s, const CommandLine&) {
  const AolClient& aol = s.aol;
  aol.SendRoomLine(ProductLine());
  aol.WaitSeconds(1);
  aol.SendRoomLine(Red(kBullet + " < a href=" + kDownloadPage + ">Download it here!</a><font color=#ff0000>"));
}

void Pr(Session& s, const CommandLine& line) {
  // ".pr" alone names no room at all: there is nowhere to go and nothing to
  // announce. ".pr " and more name one, the empty name included.
  if (line.text.size() < 4) return;
  const QString room = line.From(5);
  const AolClient& aol = s.aol;
  aol.EnterPrivateRoom(room);
  aol.WaitSeconds(1);
  aol.SendRoomLine(Red(kBullet + " " + aol.OwnScreenName() + " entered the room"));
}

void Greets(Session& s, const CommandLine&) {
  s.messageBoxes.Show("Morva greets (In random order) : " + GreetedHandles().join(", "), "Tarlo MP3",
                      MessageBoxes::Icon::None);
}

void Exit(Session& s, const CommandLine&) { ExitCheck(s, "Stop the current MP3"); }

void ExitCheck(Session& s, const QString& refusalText) {
  if (s.MediaPlayer1.PlayState() == MediaPlayerControl::kPlaying) {
    s.messageBoxes.Show(refusalText, "Morva MP3", MessageBoxes::Icon::Exclamation);
    return;
  }
  s.aol.SendRoomLine(ProductLine());
  s.aol.WaitSeconds(1);
  s.aol.SendRoomLine(UnloadedLine(s.aol.OwnScreenName()));
  s.process.EndProcess();
}

}  // namespace commands
