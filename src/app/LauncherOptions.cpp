#include "src/app/LauncherOptions.h"

namespace {

// One row an option: its name, the name of its value (none for a switch),
// its line in the usage text and what it sets.
struct Option {
  const char* name;
  const char* value;
  const char* help;
  void (*apply)(LauncherOptions& options, const QString& value);
};

constexpr Option kOptions[] = {
    {"--help", nullptr, "show this text and exit", [](LauncherOptions& o, const QString&) { o.help = true; }},
    {"--version", nullptr, "show the version and exit",
     [](LauncherOptions& o, const QString&) { o.version = true; }},
    {"--audio", "OUTPUT", "sound output: %AUDIO%", [](LauncherOptions& o, const QString& v) { o.audio = v; }},
    {"--cd", "PATH", "CD drive or disc image (CUE/BIN, TOC) to play from",
     [](LauncherOptions& o, const QString& v) { o.cd = v; }},
    {"--screen-name", "NAME", "the owner's screen name in the chat client",
     [](LauncherOptions& o, const QString& v) { o.screenName = v; }},
    {"--room", "NAME", "the chat room the owner sits in", [](LauncherOptions& o, const QString& v) { o.room = v; }},
    {"--signed-off", nullptr, "start with the owner signed off",
     [](LauncherOptions& o, const QString&) { o.signedOff = true; }},
    {"--no-room", nullptr, "start with no chat room open",
     [](LauncherOptions& o, const QString&) { o.noRoom = true; }},
    {"--irc", "URL", "join an IRC network, irc:// or ircs://HOST[:PORT][/CHANNEL], instead of the local room",
     [](LauncherOptions& o, const QString& v) { o.irc = v; }},
    {"--irc-ca", "FILE", "also trust this certificate authority (PEM) for ircs://",
     [](LauncherOptions& o, const QString& v) { o.ircCa = v; }},
    {"--mpris", nullptr, "offer the player on the desktop's session bus, and say so if there is none",
     [](LauncherOptions& o, const QString&) { o.mpris = true; }},
    {"--no-mpris", nullptr, "keep the player off the desktop's session bus",
     [](LauncherOptions& o, const QString&) { o.noMpris = true; }},
    {"--irc-listen", "[HOST:]PORT", "let your own IRC client connect here (loopback) and go on to --irc",
     [](LauncherOptions& o, const QString& v) { o.ircListen = v; }},
    {"--no-replaygain", nullptr, "play every file at its own level, ignoring its ReplayGain tags",
     [](LauncherOptions& o, const QString&) { o.noReplayGain = true; }},
    {"--stream", "WHERE", "stream what plays to icecast://[USER@]HOST[:PORT]/MOUNT, or local[:[HOST:]PORT]",
     [](LauncherOptions& o, const QString& v) { o.stream = v; }},
    {"--stream-url", "URL", "the stream's address for listeners, where it is not the server's own",
     [](LauncherOptions& o, const QString& v) { o.streamUrl = v; }},
};

const Option* Find(const QString& name) {
  for (const Option& option : kOptions)
    if (name == QLatin1String(option.name)) return &option;
  return nullptr;
}

}  // namespace

LauncherOptions ParseLauncherOptions(const QStringList& arguments) {
  LauncherOptions options;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    const qsizetype equals = argument.indexOf('=');
    const QString name = argument.startsWith("--") && equals > 0 ? argument.left(equals) : argument;
    const Option* option = Find(name);
    if (!option) {
      options.error = argument.startsWith('-') ? "unknown option " + argument : "unexpected argument " + argument;
      return options;
    }
    QString value;
    if (option->value) {
      if (equals > 0) {
        value = argument.mid(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        options.error = name + " needs a value";
        return options;
      }
    } else if (equals > 0) {
      options.error = name + " takes no value";
      return options;
    }
    option->apply(options, value);
  }
  return options;
}

QString InWords(const QStringList& words) {
  if (words.size() < 2) return words.join(QString());
  return words.mid(0, words.size() - 1).join(", ") + " or " + words.last();
}

QString LauncherUsage(const QStringList& audioOutputs) {
  QStringList outputs = audioOutputs;
  if (!outputs.isEmpty()) outputs.first() += " (default)";
  QString usage = QStringLiteral(
      "Usage: morva [options]\n"
      "Plays MP3 files and audio CDs on the owner's commands typed into a chat room.\n"
      "\n");
  for (const Option& option : kOptions) {
    QString left = QLatin1String(option.name);
    if (option.value) left += ' ' + QLatin1String(option.value);
    QString help = QString::fromUtf8(option.help).replace("%AUDIO%", InWords(outputs));
    usage += "  " + left.leftJustified(19) + "  " + help + '\n';
  }
  usage +=
      "\nThe music directory is kept in mp3.ini beside the program when its folder\n"
      "can be written or already holds an mp3.ini; otherwise in\n"
      "$XDG_CONFIG_HOME/morva/mp3.ini, or ~/.config/morva/mp3.ini when\n"
      "XDG_CONFIG_HOME is unset or empty.\n"
      "\nThe stream's source password is read from MORVA_STREAM_PASSWORD; with\n"
      "--stream local a private icecast2 is started with a password of its own.\n";
  return usage;
}
