// The `morva` program: builds the platform, creates the main window, runs its
// load, shows it and runs the event loop.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QStringList>

#include "platform/audio/AudioOutput.h"
#include "platform/cdplayer/CdPlayer.h"
#include "platform/runtime/QtRuntime.h"
#include "platform/widgets/ExitProcess.h"
#include "platform/widgets/QtMessageBoxes.h"
#include "platform/win32/WindowSystem.h"
#include "src/app/Form1.h"
#include "src/app/LauncherOptions.h"

namespace {

constexpr const char* kVersion = "morva 1.0.0";

// Stands in for the media player until its control is part of the build:
// every call is accepted and nothing is ever open.
class IdleMediaPlayer : public MediaPlayerControl {
 public:
  void OpenFile(const QString&) override {}
  void Play() override {}
  void Pause() override {}
  void Stop() override {}
  int PlayState() const override { return kClosed; }
  void SetPlayCount(std::int32_t) override {}
  void SetMute(bool) override {}
  void SetVolume(std::int32_t) override {}
  double Duration() const override { return 0; }
};

// Stands in for the chat scanner while no chat client runs: the owner is
// signed off, so there is never a line to report.
class SilentChatScanner : public ChatScannerControl {
 public:
  void StartScanning() override {}
  void SetLineReceivedHandler(LineReceivedHandler) override {}
};

QStringList ArgumentsOf(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]));
  return arguments;
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

int Fail(const QString& message) {
  std::fprintf(stderr, "morva: %s\n", message.toLocal8Bit().constData());
  std::fprintf(stderr, "Try 'morva --help'.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer before anything starts, Qt included.
  const LauncherOptions early = ParseLauncherOptions(ArgumentsOf(argc, argv));
  if (early.help) {
    std::fputs(LauncherUsage().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (early.version) {
    std::puts(kVersion);
    return 0;
  }

  // With no display the window lives on Qt's offscreen platform.
  if (!HasDisplay()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  // Qt has taken its own options (-platform, -style, ...) out by now.
  const LauncherOptions options = ParseLauncherOptions(app.arguments().mid(1));
  if (!options.error.isEmpty()) return Fail(options.error);
  const std::optional<AudioChoice> audio = ParseAudioChoice(options.audio.toStdString());
  if (!audio) return Fail("--audio takes auto, null, pulse or alsa, not " + options.audio);

  WindowSystem windows;
  QtRuntime runtime;
  QtMessageBoxes messageBoxes;
  ExitProcess process;
  const AudioSinkFactory sinks = MakeAudioSinkFactory(*audio);

  // The chat client goes here: it creates its windows in `windows` and its
  // scanner reads the open room. Its options are options.screenName,
  // options.room, options.signedOff and options.noRoom. Until then the owner
  // is signed off: no chat client windows, and a scanner that never reports.
  SilentChatScanner chatScanner;

  IdleMediaPlayer mediaPlayer;
  std::function<QWidget*(QWidget*)> makePanel;

  std::optional<std::string> cdPath;
  if (options.cd) cdPath = options.cd->toLocal8Bit().toStdString();
  CdPlayer cdPlayer(sinks, cdPath);

  Form1 form(Form1::Platform{windows, runtime, mediaPlayer, chatScanner, cdPlayer, messageBoxes, process,
                             QCoreApplication::applicationDirPath(), makePanel});
  try {
    form.Start();
  } catch (const std::exception& error) {
    messageBoxes.Show(QString("Morva MP3 could not start: ") + error.what(), "Morva MP3",
                      MessageBoxes::Icon::Exclamation);
    return 1;
  }
  return app.exec();
}
