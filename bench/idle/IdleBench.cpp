// How often the real program wakes while nothing plays: the `morva` binary
// runs idle (loaded, a room open, the player on a private session bus, no
// track) for a minute while its threads' context switches are counted, beside
// a peer started in the same run: `sleep`, a process that never wakes, or
// another morva binary (an older build) given on the command line.
//
//   bench_idle [SECONDS [PEER-MORVA]]
//
// A voluntary context switch is the thread going to sleep; each one after
// the first is a wake-up. The main thread is the one that runs the system.

#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "tests/support/DBusSession.h"

namespace {

// Voluntary switches of each thread of a process, by thread id.
using Switches = std::map<long long, long long>;

long long Field(const QByteArray& status, const QByteArray& name) {
  for (const QByteArray& line : status.split('\n'))
    if (line.startsWith(name + ':')) return line.mid(name.size() + 1).trimmed().toLongLong();
  return 0;
}

Switches Count(qint64 pid) {
  Switches counted;
  const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
  for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile file(tasks + '/' + tid + "/status");
    if (file.open(QIODevice::ReadOnly)) counted[tid.toLongLong()] = Field(file.readAll(), "voluntary_ctxt_switches");
  }
  return counted;
}

// Wake-ups between the two counts: of the main thread, and of every thread
// alive at the end (one that started meanwhile counts from zero).
struct WakeUps {
  long long mainThread = 0;
  long long allThreads = 0;
  int threads = 0;
};

WakeUps Between(const Switches& start, const Switches& end, qint64 pid) {
  WakeUps wakeUps;
  for (const auto& [tid, count] : end) {
    const auto before = start.find(tid);
    const long long delta = count - (before == start.end() ? 0 : before->second);
    wakeUps.allThreads += delta;
    ++wakeUps.threads;
    if (tid == pid) wakeUps.mainThread = delta;
  }
  return wakeUps;
}

// One process under measurement.
struct Subject {
  QString name;
  std::unique_ptr<QProcess> process;
  Switches start;
  Switches end;
};

bool StartMorva(Subject& subject, const QString& binary, const QString& folder, const QProcessEnvironment& env) {
  subject.process = std::make_unique<QProcess>();
  subject.process->setProcessEnvironment(env);
  subject.process->setWorkingDirectory(folder);
  subject.process->setStandardErrorFile(QProcess::nullDevice());
  subject.process->start(binary, {"--audio", "null", "--screen-name", "Joe"});
  if (!subject.process->waitForStarted(10000)) return false;
  // Loaded once the second announcement is in the room.
  QByteArray output;
  QDeadlineTimer deadline(20000);
  while (!output.contains("Loaded By:Joe") && !deadline.hasExpired()) {
    subject.process->waitForReadyRead(100);
    output += subject.process->readAllStandardOutput();
  }
  return output.contains("Loaded By:Joe");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const QString peerMorva = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

  DBusSession bus;
  if (!bus.problem().isEmpty()) {
    std::fprintf(stderr, "bench_idle: %s\n", qPrintable(bus.problem()));
    return 1;
  }
  QTemporaryDir folder;
  QProcessEnvironment env = bus.Environment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_CONFIG_HOME", folder.path());

  Subject morva{QStringLiteral("morva of this build: ") + MORVA_BINARY, nullptr, {}, {}};
  Subject peer{"peer: " + (peerMorva.isEmpty() ? QString("sleep") : peerMorva), nullptr, {}, {}};
  if (!StartMorva(morva, MORVA_BINARY, folder.path(), env)) {
    std::fprintf(stderr, "bench_idle: morva did not load\n");
    return 1;
  }
  if (peerMorva.isEmpty()) {
    peer.process = std::make_unique<QProcess>();
    peer.process->start("sleep", {QString::number(seconds + 30)});
    peer.process->waitForStarted(10000);
  } else {
    // The peer must not take the bus name from the measured one.
    QProcessEnvironment peerEnv = env;
    peerEnv.remove("DBUS_SESSION_BUS_ADDRESS");
    if (!StartMorva(peer, peerMorva, folder.path(), peerEnv)) {
      std::fprintf(stderr, "bench_idle: %s did not load\n", qPrintable(peerMorva));
      return 1;
    }
  }
  // Let start-up settle (the load's wait, the first paint), then measure.
  QThread::sleep(2);
  morva.start = Count(morva.process->processId());
  peer.start = Count(peer.process->processId());
  QThread::sleep(seconds);
  morva.end = Count(morva.process->processId());
  peer.end = Count(peer.process->processId());

  std::printf("idle for %d s, nothing playing\n", seconds);
  double mainRate[2] = {0, 0};
  int i = 0;
  for (Subject* subject : {&morva, &peer}) {
    const WakeUps wakeUps = Between(subject->start, subject->end, subject->process->processId());
    mainRate[i++] = static_cast<double>(wakeUps.mainThread) / seconds;
    std::printf("%s\n  main thread %6lld wake-ups (%.2f/s), all %2d threads %6lld (%.2f/s)\n", qPrintable(subject->name),
                wakeUps.mainThread, static_cast<double>(wakeUps.mainThread) / seconds, wakeUps.threads,
                wakeUps.allThreads, static_cast<double>(wakeUps.allThreads) / seconds);
  }
  std::printf("main thread wake-ups per second, morva/peer: %.2f / %.2f\n", mainRate[0], mainRate[1]);
  if (mainRate[1] > 0) {
    std::printf("ratio morva/peer: %.3f (lower is better)\n", mainRate[0] / mainRate[1]);
  } else {
    std::printf("ratio morva/peer: none (the peer never woke)\n");
  }
  std::printf("budget: at most 1 wake-up a second: %s\n", mainRate[0] <= 1.0 ? "met" : "NOT met");

  for (Subject* subject : {&morva, &peer}) {
    subject->process->kill();
    subject->process->waitForFinished(5000);
  }
  return 0;
}
