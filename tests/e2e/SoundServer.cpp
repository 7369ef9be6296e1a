#include "tests/e2e/SoundServer.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

namespace {

constexpr const char* kSink = "morva_test";

bool WriteText(const QString& path, const QByteArray& text) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// Ends a process that was asked to end, or kills it when it does not.
void EndProcess(QProcess& process) {
  if (process.state() == QProcess::NotRunning) return;
  process.terminate();
  if (!process.waitForFinished(5000)) {
    process.kill();
    process.waitForFinished(5000);
  }
}

}  // namespace

SoundServer::SoundServer(const QString& folder) : folder_(folder) {
  QDir().mkpath(RunFolder());
  QFile::setPermissions(RunFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QDir().mkpath(folder_ + "/home");
  WriteText(folder_ + "/home/.asoundrc", "pcm.!default { type pulse }\nctl.!default { type pulse }\n");
  // Only the null sink and the socket: no default script, no hardware, no
  // network, nothing that outlives the server.
  WriteText(folder_ + "/server.pa",
            QByteArray("load-module module-null-sink sink_name=") + kSink + " rate=44100 channels=2\n" +
                "load-module module-native-protocol-unix auth-anonymous=1 socket=" + Socket().toLocal8Bit() +
                "\nset-default-sink " + kSink + "\n");
}

SoundServer::~SoundServer() { Stop(); }

QProcessEnvironment SoundServer::Environment() const {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"PULSE_SINK", "PULSE_SOURCE", "PULSE_CLIENTCONFIG", "ALSA_CONFIG_PATH"})
    environment.remove(name);
  environment.insert("PULSE_SERVER", "unix:" + Socket());
  environment.insert("PULSE_RUNTIME_PATH", RunFolder());
  environment.insert("XDG_RUNTIME_DIR", RunFolder());
  environment.insert("HOME", folder_ + "/home");
  environment.insert("XDG_CONFIG_HOME", folder_ + "/home/.config");
  return environment;
}

bool SoundServer::Answers() const {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray path = Socket().toLocal8Bit();
  std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

QString SoundServer::Problem(const QString& what) const {
  QFile log(folder_ + "/server.log");
  QByteArray text;
  if (log.open(QIODevice::ReadOnly)) text = log.readAll().right(2000);
  return what + "; the server's log ends: " + QString::fromLocal8Bit(text);
}

QString SoundServer::Start() {
  if (static_cast<std::size_t>(Socket().toLocal8Bit().size()) >= sizeof(sockaddr_un::sun_path))
    return "the socket's path is too long: " + Socket();
  ++starts_;
  recordingPath_ = folder_ + "/recording-" + QString::number(starts_) + ".raw";

  // As root PulseAudio warns that it is not meant for that, and runs.
  server_.setProcessEnvironment(Environment());
  server_.setStandardOutputFile(folder_ + "/server.log", QIODevice::Append);
  server_.setStandardErrorFile(folder_ + "/server.log", QIODevice::Append);
  server_.start("pulseaudio", {"--daemonize=no", "--exit-idle-time=-1", "--system=false", "-n", "--use-pid-file=no",
                               "--log-target=stderr", "--log-level=warn", "-F", folder_ + "/server.pa"});
  if (!server_.waitForStarted(10000)) return "cannot run pulseaudio: " + server_.errorString();
  const QDeadlineTimer ready(10000);
  while (!Answers()) {
    if (server_.state() == QProcess::NotRunning) return Problem("pulseaudio ended at start");
    if (ready.hasExpired()) return Problem("pulseaudio does not answer on " + Socket());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  recorder_.setProcessEnvironment(Environment());
  recorder_.setStandardOutputFile(recordingPath_, QIODevice::Truncate);
  recorder_.setStandardErrorFile(folder_ + "/recorder.log", QIODevice::Append);
  recorder_.start("parec", {"--raw", "--format=s16le", "--rate=44100", "--channels=2",
                            QString("--device=") + kSink + ".monitor", "--latency-msec=10"});
  if (!recorder_.waitForStarted(10000)) return "cannot run parec: " + recorder_.errorString();
  if (!WakeSink()) return Problem("the recording of the sink does not start");
  return {};
}

// An idle null sink sleeps up to two seconds before it sees that a recorder
// wants 10 ms; suspending it and letting it run again wakes it at once.
bool SoundServer::WakeSink() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    for (const char* suspended : {"1", "0"}) {
      QProcess pactl;
      pactl.setProcessEnvironment(Environment());
      pactl.start("pactl", {"suspend-sink", kSink, suspended});
      if (!pactl.waitForFinished(5000)) return false;
    }
    if (WaitForFrames(1, std::chrono::milliseconds(250))) return true;
    if (recorder_.state() == QProcess::NotRunning) return false;
  }
  return false;
}

void SoundServer::Kill() {
  if (server_.state() != QProcess::NotRunning) {
    server_.kill();
    server_.waitForFinished(5000);
  }
  // The recorder loses its server and ends by itself.
  if (!recorder_.waitForFinished(5000)) EndProcess(recorder_);
}

void SoundServer::Stop() {
  EndProcess(recorder_);
  EndProcess(server_);
}

std::size_t SoundServer::Frames() const {
  std::error_code error;
  const auto bytes = std::filesystem::file_size(recordingPath_.toStdString(), error);
  return error ? 0 : static_cast<std::size_t>(bytes / 4);
}

bool SoundServer::WaitForFrames(std::size_t frames, std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Frames() < frames) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::vector<std::int16_t> SoundServer::Left() const {
  QFile file(recordingPath_);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  std::vector<std::int16_t> left(static_cast<std::size_t>(bytes.size()) / 4);
  for (std::size_t i = 0; i < left.size(); ++i) {
    const auto low = static_cast<unsigned char>(bytes[static_cast<qsizetype>(4 * i)]);
    const auto high = static_cast<unsigned char>(bytes[static_cast<qsizetype>(4 * i + 1)]);
    left[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
  }
  return left;
}
