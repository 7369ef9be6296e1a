// What member events cost at any channel size: 10,000 JOINs, PARTs and NICKs
// in a channel of 50,000 members, then the owner's ".vol 50", through the
// IRC session on the real clock. The peer is the same in a channel of 1,000
// members, in the same run: a ratio near 1 means the cost does not grow with
// the channel.

#include <chrono>
#include <cstdio>

#include "platform/chatclient/irc/IrcMessage.h"
#include "platform/chatclient/irc/IrcSession.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kEvents = 10000;

void Feed(irc::IrcSession& session, const QByteArray& line) {
  session.Receive(*irc::IrcMessage::Parse(line), Clock::now());
  session.Take();
}

// Seconds from the first event to the owner's line being written.
double EventsThenCommand(int members) {
  irc::IrcSession session({});
  session.SetScreenName("Joe");
  session.Connected(Clock::now());
  Feed(session, ":s 001 Joe :hi");
  session.Join("Lobby", Clock::now());
  Feed(session, ":Joe!j@h JOIN #Lobby");
  for (int at = 0; at < members; at += 500) {
    QByteArray names = ":s 353 Joe = #Lobby :";
    for (int i = at; i < at + 500 && i < members; ++i) names += "m" + QByteArray::number(i) + ' ';
    Feed(session, names);
  }
  Feed(session, ":s 366 Joe #Lobby :End");
  const auto start = Clock::now();
  for (int i = 0; i < kEvents; ++i) {
    const QByteArray n = QByteArray::number(i);
    switch (i % 3) {
      case 0: Feed(session, ":new" + n + "!u@h JOIN #Lobby"); break;
      case 1: Feed(session, ":m" + n + "!u@h PART #Lobby"); break;
      default: Feed(session, ":m" + n + "!u@h NICK renamed" + n); break;
    }
  }
  session.Say("Lobby", ".vol 50", Clock::now());
  const irc::IrcOutput out = session.Take();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (out.lines.empty() || !out.lines.back().endsWith(".vol 50")) std::printf("the owner's line was not written!\n");
  return seconds;
}

}  // namespace

int main() {
  EventsThenCommand(1000);  // warm up
  const double small = EventsThenCommand(1000);
  const double large = EventsThenCommand(50000);
  std::printf("%d member events, then the owner's line written:\n", kEvents);
  std::printf("  in a channel of  1,000 members: %8.4f s\n", small);
  std::printf("  in a channel of 50,000 members: %8.4f s\n", large);
  std::printf("  ratio 50,000 / 1,000: %.2f (target: under 0.1 s at 50,000)\n", large / small);
  return 0;
}
