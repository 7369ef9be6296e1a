#pragma once

#include <optional>

#include <QString>
#include <QStringList>

// The command line of the `morva` program.
struct LauncherOptions {
  bool help = false;
  bool version = false;
  // The name of the sound output; checked by the launcher.
  QString audio = QStringLiteral("auto");
  // A CD drive or disc image; without it the first drive found is used.
  std::optional<QString> cd;
  // Handed to the chat client.
  std::optional<QString> screenName;
  std::optional<QString> room;
  bool signedOff = false;
  bool noRoom = false;
  // An IRC network to join instead of the local room.
  std::optional<QString> irc;
  // One more trusted authority (PEM) for the network's certificate.
  std::optional<QString> ircCa;
  // The player on the desktop's session bus (MPRIS): on by default, quietly
  // left out when there is no bus; --mpris asks for it explicitly (a missing
  // bus is then reported), --no-mpris turns it off.
  bool mpris = false;
  bool noMpris = false;
  // [HOST:]PORT on loopback where the owner's own IRC client connects; Morva
  // goes on to the --irc network for it.
  std::optional<QString> ircListen;
  // Files play at their own level, their ReplayGain track gain ignored.
  bool noReplayGain = false;
  // Where the stream of what plays goes (an Icecast mount, or "local" for a
  // private icecast2), and the address listeners use when it differs.
  std::optional<QString> stream;
  std::optional<QString> streamUrl;
  // Set when the command line cannot be used; names the fault.
  QString error;
};

// Reads the arguments that follow the program's name. Values come as
// "--name value" or "--name=value".
LauncherOptions ParseLauncherOptions(const QStringList& arguments);

// The text that --help prints; the sound outputs are named in order, the
// first being the default.
QString LauncherUsage(const QStringList& audioOutputs);

// "a, b or c".
QString InWords(const QStringList& words);
