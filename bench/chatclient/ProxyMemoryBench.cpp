// What the proxy (--irc-listen) costs in memory when its clients misbehave,
// measured on the real program behind a private ngircd:
//   strangers:  8 connections that never read send an 800-byte NICK and then
//               CAP LS lines before any password, 48 KB in all; the growth
//               of Morva's resident memory (aim: under 1 MB)
//   frozen:     the owner's client signs on and stops reading while a member
//               says 40,000 lines of 300 bytes; Morva's resident memory after
//               every 10,000 (aim: bounded, and the client dropped)
// Run it as `bench_proxy_memory [LINES]`.

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "bench/chatclient/ProxyBenchTools.h"
#include "bench/foundation/BenchTools.h"
#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/support/irc/IrcPeer.h"
#include "tests/support/irc/IrcServer.h"

namespace {

const QByteArray kPassword = "bench-secret";

// Strangers that never read: each sends a long NICK, then CAP LS lines
// until its share is sent or Morva closes it. Returns the bytes sent.
long SendBeforePassword(quint16 port, int connections, long share) {
  std::vector<RawSocket> strangers;
  for (int i = 0; i < connections; ++i) strangers.emplace_back(port, 4096);
  long sent = 0;
  for (RawSocket& stranger : strangers) {
    std::string lines = "NICK " + std::string(800, 'n') + "\r\n";
    while (static_cast<long>(lines.size()) < share) lines += "CAP LS 302\r\n";
    sent += stranger.WriteSome(lines);
  }
  WaitUntilIdle(port, Ends::Listener);
  return sent;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  QCoreApplication app(argc, argv);
  const long lines = argc > 1 ? std::atol(argv[1]) : 40000;

  IrcServer server;
  server.Set("Limits", "MaxPenaltyTime", "0");
  if (!server.Start()) return std::fprintf(stderr, "%s\n", qPrintable(server.error())), 1;
  IrcPeer ann;
  if (!ann.Connect(server.host(), server.port(), "Ann") || !ann.Join("#music")) return 1;

  const ProgramFolder folder = MakeProgramFolder("bench-proxy-memory");
  const quint16 listen = IrcServer::FreePort();
  MorvaProcess morva;
  const QString url = "irc://" + server.host() + ":" + QString::number(server.port());
  if (!morva.StartProxy(folder.program, url, listen, QString::fromLatin1(kPassword), folder.music) ||
      !WaitUntilAccepting(listen))
    return std::fprintf(stderr, "Morva did not start\n"), 1;
  const qint64 pid = morva.pid();

  // Strangers before the password.
  WaitUntilIdle(listen, Ends::Listener);
  const long before = ResidentKb(pid);
  const long sent = SendBeforePassword(listen, 8, 6 * 1024);
  const long after = ResidentKb(pid);
  std::printf("before the password: %ld bytes sent by 8 strangers\n", sent);
  std::printf("  resident %ld kB -> %ld kB: %+ld kB (aim: under 1024 kB)\n", before, after, after - before);

  // The owner's client, signed on and in #music, then frozen.
  RawSocket owner(listen, 4096);
  owner.WriteSome("PASS :" + kPassword.toStdString() + "\r\nNICK Joe\r\nUSER joe 0 * :Joe\r\nJOIN #music\r\n");
  if (!owner.ReadUntil(" 366 ")) return std::fprintf(stderr, "the owner's client did not join\n"), 1;
  if (!ann.WaitForLine("Loaded By:Joe", 20000)) return std::fprintf(stderr, "Morva did not load\n"), 1;
  WaitUntilIdle(server.port(), Ends::Both);
  const long start = ResidentKb(pid);
  std::printf("a client that stopped reading, %ld lines of 300 bytes from a member\n", lines);
  std::printf("  %7d lines  resident %6ld kB\n", 0, start);
  const QByteArray filler(280, 'x');
  for (long said = 0; said < lines;) {
    for (long i = 0; i < 1000 && said < lines; ++i, ++said)
      ann.SendRaw("PRIVMSG #music :" + QByteArray::number(static_cast<qlonglong>(said)).rightJustified(8, '0') + " " +
                  filler.left(291));
    ann.SendRaw("PING :batch");
    ann.WaitForLine("batch", 60000);
    WaitUntilIdle(server.port(), Ends::Both);
    if (said % 10000 == 0 || said == lines)
      std::printf("  %7ld lines  resident %6ld kB  %+6ld kB\n", said, ResidentKb(pid), ResidentKb(pid) - start);
    std::fflush(stdout);
  }
  // A client that reads again finds what was written to it before the drop,
  // then the end of the connection.
  const std::string toldOwner = owner.ReadAll();
  std::printf("  the client %s after %zu kB had reached it\n", owner.closed() ? "was dropped" : "was NOT dropped",
              toldOwner.size() / 1024);
  morva.Signal(SIGTERM);
  morva.WaitForExit();
  return 0;
}
