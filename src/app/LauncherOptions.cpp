#include "src/app/LauncherOptions.h"

namespace {

enum class Takes { Nothing, Value };

struct Option {
  const char* name;
  Takes takes;
};

constexpr Option kOptions[] = {
    {"--help", Takes::Nothing},        {"--version", Takes::Nothing},     {"--audio", Takes::Value},
    {"--cd", Takes::Value},            {"--screen-name", Takes::Value},   {"--room", Takes::Value},
    {"--signed-off", Takes::Nothing},  {"--no-room", Takes::Nothing},
};

const Option* Find(const QString& name) {
  for (const Option& option : kOptions)
    if (name == QLatin1String(option.name)) return &option;
  return nullptr;
}

void Apply(LauncherOptions& options, const QString& name, const QString& value) {
  if (name == "--help") options.help = true;
  else if (name == "--version") options.version = true;
  else if (name == "--audio") options.audio = value;
  else if (name == "--cd") options.cd = value;
  else if (name == "--screen-name") options.screenName = value;
  else if (name == "--room") options.room = value;
  else if (name == "--signed-off") options.signedOff = true;
  else if (name == "--no-room") options.noRoom = true;
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
    if (option->takes == Takes::Value) {
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
    Apply(options, name, value);
  }
  return options;
}

QString LauncherUsage() {
  return QStringLiteral(
      "Usage: morva [options]\n"
      "Plays MP3 files and audio CDs on the owner's commands typed into a chat room.\n"
      "\n"
      "  --help               show this text and exit\n"
      "  --version            show the version and exit\n"
      "  --audio OUTPUT       sound output: auto (default), null, pulse or alsa\n"
      "  --cd PATH            CD drive or disc image (CUE/BIN, TOC) to play from\n"
      "  --screen-name NAME   the owner's screen name in the chat client\n"
      "  --room NAME          the chat room the owner sits in\n"
      "  --signed-off         start with the owner signed off\n"
      "  --no-room            start with no chat room open\n"
      "\n"
      "The music directory is kept in mp3.ini beside the program.\n");
}
