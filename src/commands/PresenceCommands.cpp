#include "src/commands/PresenceCommands.h"

#include <QStringList>

#include "src/app/Form1.h"
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

void Adv(Form1& form) {
  const AolClient& aol = form.Aol();
  aol.SendRoomLine(ProductLine());
  aol.WaitSeconds(1);
  aol.SendRoomLine(Red(kBullet + " < a href=" + kDownloadPage + ">Download it here!</a><font color=#ff0000>"));
}

void Pr(Form1& form, const CommandLine& line) {
  // ".pr" alone names no room at all: there is nowhere to go and nothing to
  // announce. ".pr " and more name one, the empty name included.
  if (line.text.size() < 4) return;
  const QString room = line.From(5);
  const AolClient& aol = form.Aol();
  aol.EnterPrivateRoom(room);
  aol.WaitSeconds(1);
  aol.SendRoomLine(Red(kBullet + " " + aol.OwnScreenName() + " entered the room"));
}

void Greets(Form1& form) {
  form.messageBoxes().Show("Morva greets (In random order) : " + GreetedHandles().join(", "), "Tarlo MP3",
                           MessageBoxes::Icon::None);
}

void Exit(Form1& form) { form.ExitCheck("Stop the current MP3"); }

}  // namespace commands
