// The `morva` program: builds the platform, creates the main window, runs its
// load, shows it and runs the event loop.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QSslCertificate>
#include <QFileInfo>
#include <QScreen>
#include <QStringList>

#include "platform/audio/AudioOutput.h"
#include "platform/chatclient/ChatClient.h"
#include "platform/chatclient/Console.h"
#include "platform/chatclient/IrcTransport.h"
#include "platform/chatclient/RoomWindowWidget.h"
#include "platform/chatclient/proxy/IrcProxyTransport.h"
#include "platform/chatclient/proxy/ListenAddress.h"
#include "platform/chatclient/proxy/ProxyPassword.h"
#include "platform/cdplayer/CdPlayer.h"
#include "platform/chatscanner/ChatScanner.h"
#include "platform/collection/Mp3Collection.h"
#include "platform/desktop/EndOnSignal.h"
#include "platform/desktop/ImmediateExit.h"
#include "platform/desktop/QtMessageBoxes.h"
#include "platform/desktop/mpris/MprisService.h"
#include "platform/desktop/Placement.h"
#include "platform/desktop/Screen.h"
#include "platform/mediaplayer/MediaPlayerPanel.h"
#include "platform/mediaplayer/Mp3Player.h"
#include "platform/runtime/QtMessages.h"
#include "platform/runtime/QtRuntime.h"
#include "platform/stream/LocalIcecast.h"
#include "platform/stream/Stream.h"
#include "platform/stream/StreamAddress.h"
#include "platform/stream/StreamListeners.h"
#include "platform/win32/WindowSystem.h"
#include "src/app/Form1.h"
#include "src/app/Form1DesktopInput.h"
#include "src/aol/AolClient.h"
#include "src/app/LauncherOptions.h"
#include "src/library/SettingsLocation.h"
#include "src/seams/Diagnostic.h"

namespace {

constexpr const char* kVersion = "morva 1.0.0";

// The main window has no handler for being closed: when the window system
// closes it, the program ends, whatever other windows (the chat client's) are
// still open.
class EndWhenClosed : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Close) QCoreApplication::quit();
    return false;
  }
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

QStringList AudioOutputNames() {
  QStringList names;
  for (const AudioChoiceName& known : kAudioChoices) names.push_back(QLatin1String(known.name));
  return names;
}

// Prints the help or the version when asked to and returns 0; -1 otherwise.
int AnswerHelpOrVersion(const LauncherOptions& options) {
  if (options.help) {
    std::fputs(LauncherUsage(AudioOutputNames()).toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (options.version) {
    std::puts(kVersion);
    return 0;
  }
  return -1;
}

// Standard input, output and error that were closed are opened on
// /dev/null, so that no descriptor the program opens later (the event loop's
// own, a sound device's) is mistaken for them.
void KeepStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

// Qt wants a private runtime directory and complains at every start when the
// session has none (a plain terminal, a container): give it the one it would
// fall back to, made private to this user.
void ProvideRuntimeDirectory() {
  const char* given = std::getenv("XDG_RUNTIME_DIR");
  if (given && *given) return;
  const std::string directory = "/tmp/runtime-" + std::to_string(::getuid());
  ::mkdir(directory.c_str(), 0700);
  struct stat info {};
  if (::stat(directory.c_str(), &info) == 0 && info.st_uid == ::getuid() && (info.st_mode & 0077) == 0)
    ::setenv("XDG_RUNTIME_DIR", directory.c_str(), 1);
}

// Stops a player on the way out; one that cannot stop does not keep the
// program from ending.
template <typename Player>
void StopQuietly(Player& player) {
  try {
    player.Stop();
  } catch (const std::exception&) {
  }
}

int Fail(const QString& message) {
  Diagnose(message);
  std::fprintf(stderr, "Try 'morva --help'.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  KeepStandardDescriptors();
  // --help and --version answer before anything starts, Qt included.
  if (const int answered = AnswerHelpOrVersion(ParseLauncherOptions(ArgumentsOf(argc, argv))); answered >= 0)
    return answered;

  // With no display the window lives on Qt's offscreen platform.
  if (!HasDisplay()) qputenv("QT_QPA_PLATFORM", "offscreen");
  ProvideRuntimeDirectory();
  KeepQtChatterOffStandardError();
  QApplication app(argc, argv);
  // Closing a message box while the main window is hidden must not end the
  // program; the main window's own close does, through EndWhenClosed.
  app.setQuitOnLastWindowClosed(false);

  // Qt has taken its own options (-platform, -style, ...) out by now.
  const LauncherOptions options = ParseLauncherOptions(app.arguments().mid(1));
  if (!options.error.isEmpty()) return Fail(options.error);
  // Asked for after one of Qt's own options.
  if (const int answered = AnswerHelpOrVersion(options); answered >= 0) return answered;
  const std::optional<AudioChoice> audio = ParseAudioChoice(options.audio.toStdString());
  if (!audio) return Fail("--audio takes " + InWords(AudioOutputNames()) + ", not " + options.audio);
  std::optional<IrcOptions> irc;
  if (options.irc) {
    QString problem;
    irc = ParseIrcUrl(*options.irc, &problem);
    if (!irc) return Fail(problem);
    // Secrets come from the environment, never from the command line.
    irc->session.password = qgetenv("MORVA_IRC_PASSWORD");
    if (const QByteArray sasl = qgetenv("MORVA_IRC_SASL"); !sasl.isEmpty()) {
      const qsizetype colon = sasl.indexOf(':');
      if (colon <= 0) return Fail("MORVA_IRC_SASL must hold account:password");
      irc->session.saslAccount = sasl.left(colon);
      irc->session.saslPassword = sasl.mid(colon + 1);
    }
  }
  if (options.ircCa) {
    if (!irc || !irc->tls) return Fail("--irc-ca goes with --irc ircs://...");
    irc->extraAuthorities = QSslCertificate::fromPath(*options.ircCa, QSsl::Pem);
    if (irc->extraAuthorities.isEmpty()) return Fail("--irc-ca: no PEM certificate can be read from " + *options.ircCa);
  }

  std::optional<ListenAddress> listen;
  if (options.ircListen) {
    if (!irc) return Fail("--irc-listen goes with --irc URL");
    QString problem;
    listen = ParseListenAddress(*options.ircListen, &problem);
    if (!listen) return Fail(problem);
  }
  // The stream of what plays: its server (a private one with --stream local)
  // is settled before anything else starts, so a fault ends the start.
  std::optional<stream::StreamAddress> streamAddress;
  QString listenersUrl;
  if (options.stream) {
    QString problem;
    streamAddress = stream::ParseStreamAddress(*options.stream, &problem);
    if (!streamAddress) return Fail(problem);
    listenersUrl = options.streamUrl ? *options.streamUrl : stream::ListenersUrl(*streamAddress);
  } else if (options.streamUrl) {
    return Fail("--stream-url goes with --stream");
  }
  // Secret: read once, and kept from every child process.
  QByteArray streamPassword = qgetenv("MORVA_STREAM_PASSWORD");
  qunsetenv("MORVA_STREAM_PASSWORD");
  std::unique_ptr<stream::LocalIcecast> localIcecast;
  if (streamAddress && streamAddress->local) {
    QString problem;
    localIcecast = stream::LocalIcecast::Start(streamAddress->host, streamAddress->port, &problem);
    if (!localIcecast) return Fail(problem);
    streamPassword = localIcecast->SourcePassword().toUtf8();
  } else if (streamAddress && streamPassword.isEmpty()) {
    return Fail("--stream needs the source password in MORVA_STREAM_PASSWORD");
  }
  std::optional<stream::Stream> streamOut;
  std::optional<stream::StreamListeners> streamListeners;
  if (streamAddress) {
    stream::Stream::Options streamOptions;
    streamOptions.target.host = streamAddress->host.toStdString();
    streamOptions.target.port = streamAddress->port;
    streamOptions.target.user = streamAddress->user.toStdString();
    streamOptions.target.mount = streamAddress->mount.toStdString();
    streamOptions.target.password = streamPassword.toStdString();
    streamOut.emplace(std::move(streamOptions));
    streamListeners.emplace(listenersUrl);
    Diagnose("listeners connect to " + listenersUrl);
  }

  // Decided once: the whole run reads and writes the same settings file.
  const QString settingsFile = SettingsFileOfThisRun(QCoreApplication::applicationDirPath());
  const QString settingsFolder = QFileInfo(settingsFile).path();

  WindowSystem windows;
  QtRuntime runtime;
  QtMessageBoxes messageBoxes;
  ImmediateExit process;
  // Ctrl-C, a logout or a service stop ends the program as "/quit" does:
  // the network's connection is signed off with a QUIT and the status is 0.
  EndOnSignal endOnSignal([&process] { process.EndProcess(); });
  const AudioSinkFactory sinks = MakeAudioSinkFactory(*audio);

  // The chat client: its windows in `windows`, the scanner reading its open
  // room, the console on standard input and output, and the room window when
  // there is a screen to show it on.
  ChatClientOptions chatOptions;
  if (options.screenName) chatOptions.screenName = *options.screenName;
  // A channel in the --irc address is the first room, unless --room names one.
  if (irc && !irc->room.isEmpty()) chatOptions.room = irc->room;
  if (options.room) chatOptions.room = *options.room;
  chatOptions.signedOn = !options.signedOff;
  chatOptions.openRoom = !options.noRoom;
  std::unique_ptr<ChatTransport> transport;
  IrcTransport* network = nullptr;
  IrcProxyTransport* proxy = nullptr;
  if (listen) {
    if (!MakeSettingsFolder(settingsFile)) return Fail("cannot make the folder " + settingsFolder);
    const ProxyPassword password =
        ObtainProxyPassword(qgetenv("MORVA_PROXY_PASSWORD"), settingsFolder + "/irc-proxy-password");
    if (!password.error.isEmpty()) return Fail(password.error);
    if (!password.file.isEmpty()) Diagnose("the password for your IRC client is in " + password.file);
    irc::ProxySessionOptions proxyOptions;
    proxyOptions.password = password.password;
    proxyOptions.serverPassword = irc->session.password;
    proxyOptions.saslAccount = irc->session.saslAccount;
    proxyOptions.saslPassword = irc->session.saslPassword;
    proxyOptions.burst = irc->session.burst;
    proxyOptions.interval = irc->session.sendInterval;
    proxyOptions.loadRoom = options.room ? *options.room : irc->room;
    irc::IrcEndpoint endpoint{irc->host, irc->port, irc->tls, irc->extraAuthorities, irc->handshakeSilence};
    auto proxyTransport = std::make_unique<IrcProxyTransport>(endpoint, proxyOptions);
    QString problem;
    if (!proxyTransport->Listen(listen->host, listen->port, &problem))
      return Fail("--irc-listen: cannot listen on " + *options.ircListen + ": " + problem);
    proxy = proxyTransport.get();
    transport = std::move(proxyTransport);
    process.SetLastWords([proxy] { proxy->SignOff(); });
    // The rooms are the channels the owner's client is in: none is entered
    // at sign-on, and the window loads in the first one he joins.
    chatOptions.room.clear();
    chatOptions.openRoom = true;
  } else if (irc) {
    auto ircTransport = std::make_unique<IrcTransport>(*irc);
    network = ircTransport.get();
    transport = std::move(ircTransport);
    // Whatever the program says last still reaches the channel.
    process.SetLastWords([network] { network->SignOff(); });
  }
  ChatClient chatClient(windows, chatOptions, std::move(transport));
  ChatScanner chatScanner(chatClient);
  // What the program tells its owner alone reaches him where he reads: the
  // console, the room window and, behind the proxy, his own IRC client. Any
  // thread may say it; the chat client hears it on its own.
  DiagnosticListener toOwner([&chatClient](const QString& text) {
    QMetaObject::invokeMethod(&chatClient, [&chatClient, text] { chatClient.TellOwner(text); }, Qt::QueuedConnection);
  });
  // A reader that goes away must not kill the program through SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  // Behind the owner's own IRC client, --no-room does without the console and the room window.
  const bool ownWindows = !(proxy && options.noRoom);
  std::optional<Console> console;
  if (ownWindows) {
    console.emplace(chatClient, stdin, stdout);
    // "/quit" ends the program as closing it from outside does: status 0, no exit announcement.
    console->SetQuitHandler([&process] { process.EndProcess(); });
    console->Start();
  }
  std::unique_ptr<RoomWindowWidget> roomWindow;
  if (ownWindows && HasScreen()) {
    roomWindow = std::make_unique<RoomWindowWidget>(chatClient);
    // Clear of the Morva window's corner, whatever view it grows to; the
    // window manager's frame is guessed at.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      roomWindow->move(PlaceBesideColumn(screen->availableGeometry(), roomWindow->size() + QSize(8, 32),
                                         Form1::kOuterWidth / Form1::kTwipsPerPixel,
                                         Form1::kDirectoryView / Form1::kTwipsPerPixel));
    }
    roomWindow->show();
  }

  // On a network the load's announcements must reach the channel: the window
  // loads once the client is signed on and in its first room.
  if ((network || proxy) && chatOptions.signedOn && chatOptions.openRoom && chatClient.openRoomName().isEmpty()) {
    QEventLoop signingOn;
    QObject::connect(&chatClient, &ChatClient::roomChanged, &signingOn, &QEventLoop::quit);
    signingOn.exec();
  }

  Mp3Player mediaPlayer(sinks);
  mediaPlayer.SetReplayGain(!options.noReplayGain);
  // The panel belongs to the window, which goes before the player does.
  auto makePanel = [&mediaPlayer](QWidget* parent) -> QWidget* { return new MediaPlayerPanel(mediaPlayer, parent); };

  std::optional<std::string> cdPath;
  if (options.cd) cdPath = options.cd->toLocal8Bit().toStdString();
  CdPlayer cdPlayer(sinks, cdPath);
  endOnSignal.SetEnd([&mediaPlayer, &cdPlayer, &process] {
    StopQuietly(mediaPlayer);
    StopQuietly(cdPlayer);
    process.EndProcess();
  });
  if (streamOut) {
    SoundTap& tap = streamOut->Tap();
    mediaPlayer.SetTap(&tap);
    cdPlayer.SetTap(&tap);
    // The stream's title is the room's: the file's name without ".mp3".
    QObject::connect(&mediaPlayer, &Mp3Player::fileOpened, [&tap](const QString& path) {
      tap.Title(AolClient::ReplaceText(QFileInfo(path).fileName(), ".mp3", "").toStdString());
    });
  }
  if (localIcecast) process.AddLastWords([&localIcecast] { localIcecast->Stop(); });
  // Closing the room window ends the program; it asks first when that stops a track.
  if (roomWindow) {
    roomWindow->SetWhatClosingStops([&mediaPlayer, &cdPlayer] {
      if (mediaPlayer.PlayState() == MediaPlayerControl::kPlaying)
        return "the track " + QFileInfo(mediaPlayer.FileName()).completeBaseName();
      return cdPlayer.IsPlaying() ? QStringLiteral("the CD") : QString();
    });
  }

  // Before the window, whose file list watches through it.
  Mp3Collection collection(Mp3Collection::DefaultCacheFolder());
  Form1 form(Form1::Platform{windows, runtime, mediaPlayer, chatScanner, cdPlayer, messageBoxes, process,
                             settingsFolder, makePanel, streamListeners ? &*streamListeners : nullptr, &collection});
  EndWhenClosed endWhenClosed;
  form.installEventFilter(&endWhenClosed);
  try {
    form.Start();
  } catch (const std::exception& error) {
    messageBoxes.Show(QString("Morva MP3 could not start: ") + error.what(), "Morva MP3",
                      MessageBoxes::Icon::Exclamation);
    return 1;
  }

  // The player on the desktop's session bus; without a bus the program runs
  // as it would without it.
  Form1DesktopInput desktopInput(form);
  std::unique_ptr<MprisService> mpris;
  if (!options.noMpris) {
    mpris = std::make_unique<MprisService>(mediaPlayer, desktopInput);
    QString problem;
    const MprisService::Outcome outcome = mpris->Publish(MprisService::SessionBusAddress(), &problem);
    if (outcome != MprisService::Outcome::kPublished) {
      mpris.reset();
      if (outcome == MprisService::Outcome::kNameTaken || options.mpris) Diagnose("MPRIS: " + problem);
    }
  }
  return app.exec();
}
