// What the stream costs, each figure beside a peer measured in the same run:
//
//   bench_stream [SECONDS]      (60 unless given)
//
//  1. CPU of the real program playing a 128 kbit/s 44.1 kHz MP3 for SECONDS
//     into the silent sink while its frames go out as they are, against the
//     same program playing it alone (both run side by side);
//  2. CPU of StreamEncoder encoding SECONDS of CD audio, against the lame
//     program encoding the same PCM at the same settings;
//  3. from the room's "Playing [...]" line to the new track's first sound at
//     a listener reading through Icecast (ffmpeg), median of several changes;
//  4. the program's CPU while it streams with 100 listeners on Icecast,
//     against 1 listener, in turns.
//
// The CPU figures are of the program's own process alone (every thread, those
// that ended too; not Icecast's). The first is the median of rounds of fresh
// processes, beside a twin that gauges the noise, and also gives each
// process's wake-ups a second: on a busy or virtual machine a wake-up costs
// more than the work it does, and their count does not depend on the load.
// The fourth is also given as the median of the ratios of windows of a few
// seconds, which a busy machine moves less than the totals.
//
//   bench_stream SECONDS 1     (the first figure alone)

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include "platform/stream/StreamEncoder.h"
#include "tests/e2e/IcecastServer.h"

namespace {

// CPU time of a process, every thread that ran in it counted, to the
// nanosecond.
double CpuSeconds(qint64 pid) {
  clockid_t clock{};
  timespec used{};
  if (clock_getcpuclockid(static_cast<pid_t>(pid), &clock) != 0 || clock_gettime(clock, &used) != 0) return 0.0;
  return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

// The times the threads of a process now running were put on a processor.
double WakeUps(qint64 pid) {
  const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
  double total = 0.0;
  for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile file(tasks + '/' + tid + "/schedstat");
    if (file.open(QIODevice::ReadOnly)) total += file.readAll().split(' ').value(2).toDouble();
  }
  return total;
}

double ChildrenCpu() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ThreadCpu() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

bool Run(const QString& program, const QStringList& arguments) {
  return QProcess::execute(program, arguments) == 0;
}

// The real program, typed to through its console.
class Morva {
 public:
  Morva(const QString& folder, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    environment.insert("MORVA_STREAM_PASSWORD", IcecastServer::kSourcePassword);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process_.setProcessEnvironment(environment);
    process_.setWorkingDirectory(folder);
    process_.setStandardErrorFile(QProcess::nullDevice());
    process_.start(MORVA_BINARY,
                   QStringList{"--audio", "null", "--no-mpris", "--screen-name", "Joe"} + arguments);
    WaitFor("Loaded By:Joe");
  }
  ~Morva() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  void Type(const QByteArray& line) { process_.write(line + "\n"); }
  // Waits for an output line that holds the text; the time it was seen.
  bool WaitFor(const QByteArray& text, int limitMs = 15000) {
    QDeadlineTimer deadline(limitMs);
    while (!deadline.hasExpired()) {
      while (process_.canReadLine()) {
        if (process_.readLine().contains(text)) return true;
      }
      process_.waitForReadyRead(20);
    }
    return false;
  }
  qint64 Pid() const { return process_.processId(); }

 private:
  QProcess process_;
};

bool WriteTone(const QString& path, int rate, int channels, double hz, int seconds) {
  const QString wav = path + ".wav";
  const bool made = Run("sox", {"-n", "-r", QString::number(rate), "-c", QString::number(channels), "-b", "16", wav,
                                "synth", QString::number(seconds), "sine", QString::number(hz), "vol", "0.5"}) &&
                    Run("lame", {"--quiet", "-b", "128", wav, path});
  QFile::remove(wav);
  return made;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The time is cut into windows of a few seconds, each with its own ratio:
// their median is what a busy machine moves least.
constexpr int kWindowSeconds = 5;

// Two processes that do the same work differ by as much as a fifth on a busy
// machine, and keep their difference while they live. So the figure comes
// from fresh processes each round, started in turn in either order, as the
// median of the rounds' ratios; a twin that plays alone beside them gauges
// the noise in the same run.
constexpr int kRoundSeconds = 5;

void PassThrough(const QString& music, IcecastServer& icecast, int seconds) {
  const int rounds = std::max(1, seconds / kRoundSeconds);
  double streamingCpu = 0.0;
  double aloneCpu = 0.0;
  double streamingWakeUps = 0.0;
  double aloneWakeUps = 0.0;
  std::vector<double> ratios;
  std::vector<double> twinRatios;
  for (int round = 0; round < rounds; ++round) {
    std::optional<Morva> streaming;
    std::optional<Morva> alone;
    std::optional<Morva> twin;
    for (int which = 0; which < 3; ++which) {
      switch ((which + round) % 3) {
        case 0: streaming.emplace(music, QStringList{"--stream", icecast.SourceAddress()}); break;
        case 1: alone.emplace(music, QStringList{}); break;
        default: twin.emplace(music, QStringList{}); break;
      }
    }
    for (Morva* morva : {&*streaming, &*alone, &*twin}) morva->Type(".play long");
    for (Morva* morva : {&*streaming, &*alone, &*twin})
      if (!morva->WaitFor("Playing [long]")) std::printf("1. the track does not play\n");
    QThread::sleep(1);  // past the start of all three
    const double streamingStart = CpuSeconds(streaming->Pid());
    const double aloneStart = CpuSeconds(alone->Pid());
    const double twinStart = CpuSeconds(twin->Pid());
    const double streamingWoken = WakeUps(streaming->Pid());
    const double aloneWoken = WakeUps(alone->Pid());
    QThread::sleep(static_cast<unsigned long>(seconds / rounds));
    const double streamingRound = CpuSeconds(streaming->Pid()) - streamingStart;
    const double aloneRound = CpuSeconds(alone->Pid()) - aloneStart;
    const double twinRound = CpuSeconds(twin->Pid()) - twinStart;
    streamingWakeUps += WakeUps(streaming->Pid()) - streamingWoken;
    aloneWakeUps += WakeUps(alone->Pid()) - aloneWoken;
    streamingCpu += streamingRound;
    aloneCpu += aloneRound;
    ratios.push_back(streamingRound / aloneRound);
    twinRatios.push_back(twinRound / aloneRound);
  }
  const double measured = seconds / rounds * rounds;
  std::printf("1. %d s of a 128 kbit/s MP3, frames passed through: CPU %.3f s streaming, %.3f s alone: %.2f times; "
              "median of %d rounds: %.2f (the same program twice: %.2f); wake-ups a second %.1f streaming, "
              "%.1f alone\n",
              seconds, streamingCpu, aloneCpu, streamingCpu / aloneCpu, rounds, Median(ratios), Median(twinRatios),
              streamingWakeUps / measured, aloneWakeUps / measured);
  std::fflush(stdout);
}

void Encoding(const QString& folder, int seconds) {
  // CD audio: 44.1 kHz stereo, two tones.
  const std::size_t frames = static_cast<std::size_t>(seconds) * 44100;
  std::vector<std::int16_t> pcm(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    pcm[2 * i] = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / 44100));
    pcm[2 * i + 1] = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 1200 * static_cast<double>(i) / 44100));
  }
  const QString raw = folder + "/cd.raw";
  QFile file(raw);
  file.open(QIODevice::WriteOnly);
  file.write(reinterpret_cast<const char*>(pcm.data()), static_cast<qint64>(pcm.size() * 2));
  file.close();

  stream::StreamEncoder encoder;
  std::vector<unsigned char> out;
  const double start = ThreadCpu();
  const std::size_t chunk = 588 * 4;  // as the CD player hands it over
  for (std::size_t at = 0; at < frames; at += chunk) {
    out.clear();
    encoder.Encode(pcm.data() + at * 2, std::min(chunk, frames - at), 44100, 2, out);
  }
  const double ours = ThreadCpu() - start;
  const double before = ChildrenCpu();
  Run("lame", {"--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed", "--little-endian", "-m", "j", "-b",
               "128", "--cbr", "-q", "3", "--nores", "-t", raw, "/dev/null"});
  const double lame = ChildrenCpu() - before;
  std::printf("2. %d s of CD audio encoded: CPU %.3f s StreamEncoder, %.3f s lame: %.2f times\n", seconds, ours,
              lame, ours / lame);
}

// The zero crossings of a stretch tell its tone.
double ToneOf(const std::int16_t* samples, std::size_t count) {
  int rising = 0;
  for (std::size_t i = 1; i < count; ++i) rising += samples[i - 1] < 0 && samples[i] >= 0;
  return rising * 44100.0 / static_cast<double>(count);
}

void Latency(const QString& music, IcecastServer& icecast) {
  Morva morva(music, {"--stream", icecast.SourceAddress()});
  QProcess listener;
  listener.setStandardErrorFile(QProcess::nullDevice());
  listener.start("ffmpeg", {"-nostdin", "-loglevel", "error", "-fflags", "nobuffer", "-flush_packets", "1", "-i",
                            icecast.Url(), "-f", "s16le", "-ac", "1", "-ar", "44100", "pipe:1"});
  listener.waitForStarted();
  QByteArray heard;
  const auto listen = [&](int ms) {
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
      listener.waitForReadyRead(5);
      heard += listener.readAllStandardOutput();
    }
  };
  listen(3000);
  std::vector<double> delays;
  const char* tracks[] = {"low", "high"};
  const double tones[] = {440, 880};
  for (int change = 0; change < 8; ++change) {
    const int which = change % 2;
    heard.clear();
    morva.Type(QByteArray(".play ") + tracks[which]);
    morva.WaitFor("Playing [");
    QElapsedTimer since;
    since.start();
    double delay = -1;
    while (since.elapsed() < 10000 && delay < 0) {
      listener.waitForReadyRead(5);
      heard += listener.readAllStandardOutput();
      const auto* samples = reinterpret_cast<const std::int16_t*>(heard.constData());
      const std::size_t count = static_cast<std::size_t>(heard.size()) / 2;
      if (count >= 2048 && std::abs(ToneOf(samples + count - 2048, 2048) - tones[which]) < 30)
        delay = static_cast<double>(since.elapsed()) / 1000.0;
    }
    if (delay >= 0) delays.push_back(delay);
    listen(1500);
  }
  listener.kill();
  listener.waitForFinished();
  std::sort(delays.begin(), delays.end());
  if (delays.empty()) {
    std::printf("3. no track change reached the listener\n");
    return;
  }
  std::printf("3. \"Playing [...]\" to the new track at an Icecast listener: median %.2f s (of %zu, %.2f to %.2f s)\n",
              delays[delays.size() / 2], delays.size(), delays.front(), delays.back());
}

void Listeners(const QString& music, IcecastServer& icecast, int seconds) {
  Morva morva(music, {"--stream", icecast.SourceAddress()});
  morva.Type(".play long");
  if (!morva.WaitFor("Playing [long]")) std::printf("4. the track does not play\n");
  QThread::sleep(2);  // past the start of the track and of the stream
  std::vector<std::unique_ptr<QTcpSocket>> sockets;
  const auto measure = [&](int wanted) {
    sockets.resize(std::min<std::size_t>(sockets.size(), static_cast<std::size_t>(wanted)));
    while (static_cast<int>(sockets.size()) < wanted) {
      auto socket = std::make_unique<QTcpSocket>();
      socket->connectToHost("127.0.0.1", static_cast<quint16>(icecast.Port()));
      socket->waitForConnected(2000);
      socket->write("GET /morva.mp3 HTTP/1.0\r\n\r\n");
      sockets.push_back(std::move(socket));
    }
    const double start = CpuSeconds(morva.Pid());
    QDeadlineTimer until(kWindowSeconds * 1000);
    while (!until.hasExpired()) {
      for (auto& socket : sockets) socket->readAll();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      QThread::msleep(20);
    }
    return CpuSeconds(morva.Pid()) - start;
  };
  // One listener and a hundred in turn, window after window.
  double one = 0.0;
  double hundred = 0.0;
  std::vector<double> ratios;
  for (int at = 0; at < seconds; at += 2 * kWindowSeconds) {
    // Which comes first changes each time, so that a drift counts for neither.
    const bool oneFirst = (at / (2 * kWindowSeconds)) % 2 == 0;
    const double firstWindow = measure(oneFirst ? 1 : 100);
    const double secondWindow = measure(oneFirst ? 100 : 1);
    const double oneWindow = oneFirst ? firstWindow : secondWindow;
    const double hundredWindow = oneFirst ? secondWindow : firstWindow;
    one += oneWindow;
    hundred += hundredWindow;
    ratios.push_back(hundredWindow / oneWindow);
  }
  std::printf("4. %d s streaming: CPU %.3f s with 100 listeners, %.3f s with 1: %.2f times "
              "(median of %zu pairs of %d s windows: %.2f)\n",
              seconds, hundred, one, hundred / one, ratios.size(), kWindowSeconds, Median(ratios));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
  const bool firstAlone = argc > 2 && std::atoi(argv[2]) == 1;
  QTemporaryDir folder;
  QFile::setPermissions(folder.path(), QFileDevice::Permissions(0x7755));
  const QString music = folder.path() + "/music";
  QDir().mkpath(music);
  if (!WriteTone(music + "/long.mp3", 44100, 2, 440, seconds + 10) ||
      !WriteTone(music + "/low.mp3", 44100, 2, 440, 5) || !WriteTone(music + "/high.mp3", 44100, 2, 880, 5)) {
    std::fprintf(stderr, "cannot make MP3 files (sox and lame)\n");
    return 1;
  }
  IcecastServer icecast(folder.path() + "/icecast");
  if (const QString problem = icecast.Start(); !problem.isEmpty()) {
    std::fprintf(stderr, "icecast2: %s\n", qPrintable(problem));
    return 1;
  }
  PassThrough(music, icecast, seconds);
  if (firstAlone) return 0;
  Encoding(folder.path(), seconds);
  Latency(music, icecast);
  Listeners(music, icecast, std::max(2 * kWindowSeconds, seconds * 2 / 3));
  return 0;
}
