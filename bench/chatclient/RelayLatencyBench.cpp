// What the owner's channel line costs on its way through a bouncer: a raw
// sender's PRIVMSG to a member of the same channel on a private ngircd, sent
// three ways in one run, one after another:
//   direct:  the sender is a client of the server itself
//   ZNC:     through Debian's znc, with its flood pacing off (FloodRate = -1)
//   Morva:   through the real program's proxy (--irc-listen)
// Each road sends one line every 1.2 s: Morva paces the owner's client at
// five lines at once and then one a second, and at this rate the pace never
// holds a line back, so what is measured is the relay alone. (Faster, Morva's
// road would measure its pace; the other roads would give the same figure.)
// Printed: each road's median and 90th percentile, what the two bouncers add
// to the direct median, and Morva's added median against ZNC's (aim: 0.5 or
// less). Run it as `bench_relay_latency [LINES_A_ROAD]` (default 60).

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "bench/chatclient/ProxyBenchTools.h"
#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/support/irc/IrcServer.h"

namespace {

using Clock = std::chrono::steady_clock;
const QByteArray kPassword = "bench-secret";

// Debian's znc with a configuration of its own in a temporary folder: one
// user "zed" (password as above) on one network, the private server, with
// #bench, flood pacing off, in the foreground. From a root process it runs
// as "nobody" (as root it would wait 30 s before starting).
class Znc {
 public:
  Znc(quint16 listen, quint16 server) : listen_(listen) {
    QDir(dir_.path()).mkpath("configs");
    QFile config(dir_.filePath("configs/znc.conf"));
    if (!config.open(QIODevice::WriteOnly)) return;
    config.write(QStringLiteral("Version = 1.8.2\n"
                                "<Listener bench>\n  Host = 127.0.0.1\n  Port = %1\n  IPv4 = true\n  IPv6 = false\n"
                                "  SSL = false\n  AllowWeb = false\n</Listener>\n"
                                "<User zed>\n  <Pass password>\n    Method = plain\n    Hash = %3\n  </Pass>\n"
                                "  Nick = Zed\n  AltNick = Zed_\n  Ident = zed\n  RealName = Zed\n"
                                "  <Network bench>\n    Server = 127.0.0.1 %2\n    FloodRate = -1\n"
                                "    <Chan #bench>\n    </Chan>\n  </Network>\n</User>\n")
                     .arg(listen)
                     .arg(server)
                     .arg(QString::fromLatin1(kPassword))
                     .toUtf8());
    config.close();
    uid_t uid = ::getuid();
    gid_t gid = ::getgid();
    const bool drop = uid == 0;
    if (drop) {
      if (const passwd* nobody = ::getpwnam("nobody")) {
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
      }
      for (const QString& path : {dir_.path(), dir_.filePath("configs"), config.fileName()})
        if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0) std::perror("chown");
    }
    const pid_t parent = ::getpid();
    process_.setChildProcessModifier([drop, uid, gid, parent] {
      if (drop && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)) _exit(127);
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) _exit(0);
      ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    });
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start("/usr/bin/znc", {"--datadir", dir_.path(), "--foreground"});
  }
  ~Znc() {
    process_.terminate();
    if (!process_.waitForFinished(5000)) process_.kill();
    process_.waitForFinished(5000);
  }
  bool Started() { return process_.waitForStarted(5000) && WaitUntilAccepting(listen_); }
  QString log() { return QString::fromUtf8(process_.readAll()); }

 private:
  QTemporaryDir dir_;
  quint16 listen_;
  QProcess process_;
};

struct Road {
  const char* name;
  const char* nick;
  RawSocket* sender;
  std::vector<double> ms;
};

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

bool SignOn(RawSocket& socket, const std::string& pass, const std::string& nick) {
  socket.Write((pass.empty() ? "" : "PASS :" + pass + "\r\n") + "NICK " + nick + "\r\nUSER " + nick +
               " 0 * :bench\r\n");
  if (!socket.ReadUntil(" 001 ")) return false;
  socket.Write("JOIN #bench\r\n");
  return socket.ReadUntil(" 366 ");
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  QCoreApplication app(argc, argv);
  const int lines = argc > 1 ? std::atoi(argv[1]) : 60;

  IrcServer server;
  server.Set("Limits", "MaxPenaltyTime", "0");
  if (!server.Start()) return std::fprintf(stderr, "%s\n", qPrintable(server.error())), 1;
  RawSocket ann(server.port(), 0), direct(server.port(), 0);
  if (!SignOn(ann, "", "Ann") || !SignOn(direct, "", "Dan")) return std::fprintf(stderr, "no member\n"), 1;

  const quint16 zncPort = IrcServer::FreePort();
  Znc znc(zncPort, server.port());
  if (!znc.Started()) return std::fprintf(stderr, "znc did not start: %s\n", qPrintable(znc.log())), 1;
  RawSocket throughZnc(zncPort, 0);
  if (!SignOn(throughZnc, "zed/bench:" + kPassword.toStdString(), "Zed"))
    return std::fprintf(stderr, "znc did not sign on: %s\n", qPrintable(znc.log())), 1;

  const ProgramFolder folder = MakeProgramFolder("bench-relay-latency");
  const quint16 listen = IrcServer::FreePort();
  MorvaProcess morva;
  const QString url = "irc://" + server.host() + ":" + QString::number(server.port());
  if (!morva.StartProxy(folder.program, url, listen, QString::fromLatin1(kPassword), folder.music) ||
      !WaitUntilAccepting(listen))
    return std::fprintf(stderr, "Morva did not start\n"), 1;
  RawSocket throughMorva(listen, 0);
  if (!SignOn(throughMorva, kPassword.toStdString(), "Joe")) return std::fprintf(stderr, "Morva did not sign on\n"), 1;
  if (!ann.ReadUntil("Loaded By:Joe")) return std::fprintf(stderr, "Morva did not load\n"), 1;

  std::vector<Road> roads{{"direct", "Dan", &direct, {}}, {"ZNC", "Zed", &throughZnc, {}},
                          {"Morva", "Joe", &throughMorva, {}}};
  constexpr auto kInterval = std::chrono::milliseconds(1200);
  constexpr int kWarmUp = 3;
  // Each road once per interval, a third of it apart; the first rounds let
  // Morva's pace refill after its start lines and are not counted.
  Clock::time_point next = Clock::now() + kInterval;
  for (int round = 0; round < lines + kWarmUp; ++round) {
    for (Road& road : roads) {
      std::this_thread::sleep_until(next);
      next += kInterval / 3;
      for (Road& other : roads) other.sender->Drain();
      const std::string token = std::string(road.name) + " " + std::to_string(round);
      const Clock::time_point sent = Clock::now();
      road.sender->Write("PRIVMSG #bench :" + token + "\r\n");
      if (!ann.ReadUntil(":" + token + "\r", 10000)) {
        std::fprintf(stderr, "%s: line %d did not arrive\n", road.name, round);
        return 1;
      }
      if (round >= kWarmUp) road.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    }
  }

  std::printf("a channel line from a raw client to a member, %d a road, one a road every 1.2 s\n", lines);
  std::printf("  road      median      p90      added median\n");
  const double directMedian = Percentile(roads[0].ms, 0.5);
  std::vector<double> added;
  for (const Road& road : roads) {
    const double median = Percentile(road.ms, 0.5);
    added.push_back(median - directMedian);
    std::printf("  %-7s %7.3f ms %7.3f ms  %+7.3f ms\n", road.name, median, Percentile(road.ms, 0.9),
                median - directMedian);
  }
  std::printf("Morva's added median against ZNC's: %.2f (aim: 0.5 or less)\n", added[2] / added[1]);
  morva.Signal(SIGTERM);
  morva.WaitForExit();
  return 0;
}
