// The IRC session without a socket: server lines and the owner's requests
// in, lines written and events out. Each row plays a script and looks for
// entries in order (`expect`) and for entries that must never be there.
// No row may ever write a line over 510 bytes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/irc/SessionScript.h"

namespace {

struct Row {
  std::string name;
  std::vector<std::string> steps;
  std::vector<std::string> expect;
  std::vector<std::string> never = {};
  bool sasl = false;
};

void Play(const std::vector<Row>& rows, bool inLobby) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    irc::IrcSessionOptions options;
    if (row.sasl) options.saslAccount = "joe", options.saslPassword = "secret";
    SessionScript script(options);
    if (inLobby) script.Run(SessionScript::InLobby());
    script.Forget();
    script.Run(row.steps);
    const std::vector<QString>& entries = script.entries();
    std::size_t at = 0;
    for (const std::string& wanted : row.expect) {
      while (at < entries.size() && !entries[at].contains(QString::fromStdString(wanted))) ++at;
      ASSERT_LT(at, entries.size()) << "no \"" << wanted << "\" (in order) in\n" << DumpIrcEntries(entries);
      ++at;
    }
    for (const std::string& unwanted : row.never)
      for (const QString& e : entries) EXPECT_FALSE(e.contains(QString::fromStdString(unwanted))) << DumpIrcEntries(entries);
    for (const QString& e : entries) {
      const qsizetype bytes = e.startsWith("> ") ? e.toUtf8().size() - 2 : 0;
      EXPECT_LE(bytes, 510) << e.left(60).toStdString();
    }
  }
}

const std::string kLong600(600, 'r');
const std::string kLong70(70, 'l');

TEST(IrcSession, RegistersWithCapabilitiesNickRetriesAndSasl) {
  Play({
      {"plain: CAP LS with NICK and USER, CAP END once the asked capabilities are answered",
       {"connect", "< :s CAP * LS :multi-prefix server-time batch", "< :s CAP * ACK :server-time",
        "< :s CAP * NAK :batch", "< :s 001 Joe :hi"},
       {"> CAP LS 302", "> NICK Joe", "> USER morva", "> CAP REQ :server-time", "> CAP REQ :batch", "> CAP END",
        "= signed on Joe"},
       {"CAP REQ :multi-prefix"}},
      {"a server without CAP registers us as before",
       {"connect", "< :s 421 * CAP :Unknown command", "< :s 001 Joe :hi"}, {"> NICK Joe", "= signed on Joe"},
       {"lost"}},
      {"taken and erroneous nicks are retried, cut to NICKLEN, and said for what they are",
       {"connect", "< :s 005 * NICKLEN=3 :are supported", "< :s 433 * Joe :in use", "< :s 432 * Jo_ :Erroneous",
        "< :s 001 J__ :hi"},
       {"> NICK Jo_", "= notice The screen name Joe is taken here; trying Jo_", "> NICK J__",
        "= notice The server takes the screen name Jo_ for an erroneous nick (Erroneous); trying J__",
        "= notice Signed on as J__", "= signed on J__"}},
      {"registration that never ends is a lost connection, tried again",
       {"connect", "+60000"}, {"= lost, retry: the server did not let us sign on in 60 s"}},
      {"SASL: NICK and USER only once CAP is known, then PLAIN, then CAP END",
       {"connect", "< :s CAP * LS * :server-time", "< :s CAP * LS :sasl=PLAIN,EXTERNAL", "< :s CAP * ACK :server-time",
        "< :s CAP * ACK :sasl", "< AUTHENTICATE +", "< :s 900 Joe Joe!u@h joe :logged in", "< :s 903 Joe :ok",
        "< :s 001 Joe :hi"},
       {"> CAP LS 302", "> NICK Joe", "> CAP REQ :sasl", "> AUTHENTICATE PLAIN", "> AUTHENTICATE am9lAGpvZQBzZWNyZXQ=",
        "= notice Signed in to the account joe", "> CAP END", "= signed on Joe"},
       {}, true},
      {"SASL on a server without CAP: never signed on without the account, not tried again",
       {"connect", "< :s 421 * CAP :Unknown command", "< :s 001 Joe :hi"},
       {"= lost, final: SASL sign-in failed: the server has no SASL"}, {"> NICK", "signed on"}, true},
      {"SASL refused: final, with a way to fix it",
       {"connect", "< :s CAP * LS :sasl", "< :s CAP * ACK :sasl", "< AUTHENTICATE +", "< :s 904 * :failed"},
       {"= lost, final: SASL sign-in failed: the server refused the account or password; check the account and "
        "password in MORVA_IRC_SASL"},
       {"retry"}, true},
      {"SASL not offered: final", {"connect", "< :s CAP * LS :server-time"},
       {"= lost, final: SASL sign-in failed: the server offers no SASL PLAIN"}, {"> NICK"}, true},
      {"SASL, and a server that never answers CAP LS: said within 15 s, final, never signed on without",
       {"connect", "+14999", "+1", "< :s 001 Joe :hi"},
       {"> CAP LS 302", "= lost, final: SASL sign-in failed: the server offers no SASL (no answer to CAP LS in 15 s)"},
       {"> NICK", "signed on", "did not let us sign on"}, true},
  }, false);
}

TEST(IrcSession, IgnoresWhatWasNotAskedFor) {
  std::vector<std::string> welcomes(200, "< :s 001 Guest1 :Welcome again");
  welcomes.insert(welcomes.end(), {"< :s 904 Joe :no", "< :s 902 Joe :locked", "< AUTHENTICATE +",
                                   "< :s 900 Joe Joe!u@h acct :logged in", "< :s 403 Joe #other :No such channel",
                                   "< :s 433 Joe Ann :in use", "< :Ann!a@h PRIVMSG #elsewhere :not ours",
                                   "< :!@ PRIVMSG #Lobby :no nick", "< PRIVMSG #Lobby :no prefix", "< :s 353",
                                   "< :s 366", "< KICK", "< :s 005 Joe NICKLEN= :x", "+600"});
  Play({{"a second 001, SASL numerics and refusals nobody asked for change nothing", welcomes, {},
         {"signed on", "Guest1", "> JOIN", "lost", "Signed in", "refused", "> NICK", "= line", "= members"}}},
       true);
}

TEST(IrcSession, JoinsAnswersRefusalsAndLongNames) {
  Play({
      {"a JOIN without an answer is said and asked again after 30 s",
       {"join Music", "+29999", "+1"}, {"> JOIN #Music", "> JOIN #Music", "= notice No answer from the server to joining #Music in 30 s"}},
      {"a refused JOIN is reported and forgotten", {"join &music", "< :s 403 Joe &music :No such channel", "+30000"},
       {"> JOIN &music", "= refused &music: No such channel"}, {"No answer"}},
      {"a 600-byte name is refused before anything is sent", {"join " + kLong600},
       {"= refused " + kLong600 + ": the channel name #rrr"}, {"> JOIN"}},
      {"CHANTYPES and CHANNELLEN are the server's", {"< :s 005 Joe CHANTYPES=# CHANNELLEN=8 :ok", "join &music",
       "join abcdefghij"},
       {"= refused &music: channel names on this network start with one of #", "= refused abcdefghij: the channel name"},
       {"> JOIN"}},
      {"a kick is answered by one JOIN later", {"< :Op!o@h KICK #Lobby Joe :out", "+4999", "+1", "+6000"},
       {"= notice Op put you out of Lobby (out); back in 5 s", "> JOIN #Lobby"}, {"> JOIN #Lobby\n"}},
      {"a channel left while its JOIN is unanswered is left again when the answer comes late",
       {"join Music", "part Music", "< :Joe!u@h JOIN #Music", "join Jazz", "part Jazz", "join Jazz",
        "< :Joe!u@h JOIN #Jazz"},
       {"> JOIN #Music", "> PART #Music", "> JOIN #Jazz", "> JOIN #Jazz", "= joined Jazz"}, {"> PART #Jazz"}},
      {"after a lost connection the channels are joined again at the next welcome",
       {"say Lobby queued?", "lost", "connect", "< :s 001 Joe :hi"}, {"> PRIVMSG #Lobby :queued?", "> JOIN #Lobby"}},
  }, true);
}

TEST(IrcSession, MembersFollowJoinsNicksAndTheServersCaseMapping) {
  Play({
      {"members are reported at most twice a second",
       {"< :s 353 Joe = #Lobby :@Op +Ann Joe", "< :s 366 Joe #Lobby :End", "< :Bob!b@h JOIN #Lobby",
        "< :Ann!a@h NICK :Anna", "< :Op!o@h QUIT :bye", "+499", "+1"},
       {"= members Lobby: Ann Joe Op", "= members Lobby: Anna Bob Joe"}, {"= members Lobby: Ann Bob"}},
      {"PREFIX and CASEMAPPING come from 005",
       {"< :s 005 Joe PREFIX=(qov)~@+ CASEMAPPING=ascii :ok", "< :s 353 Joe = #Lobby :~Q [x] Joe",
        "< :s 366 Joe #lobby :End", "< :{x}!u@h PART #Lobby", "< :Q!u@h PART #LOBBY", "+600"},
       {"= members Lobby: [x] Joe Q", "= members Lobby: [x] Joe"}},
      {"under CASEMAPPING=rfc1459 [x] and {x} are one member",
       {"< :s 005 Joe CASEMAPPING=rfc1459 :ok", "< :s 353 Joe = #Lobby :[x] {x} Joe", "< :s 366 Joe #lobby :End",
        "< :{X}!u@h PART #Lobby", "+600"},
       {"= members Lobby: Joe {x}", "= parts Lobby: {X}", "= members Lobby: Joe"}},
  }, true);
}

TEST(IrcSession, TalkActionsNoticesAndCtcp) {
  Play({
      {"lines, actions and channel notices",
       {"< :Ann!a@h PRIVMSG #Lobby :\x02.stop\x02 please", "< :Ann!a@h PRIVMSG #lobby :\x01" "ACTION dances\x01",
        "< :Ann!a@h NOTICE #Lobby :hi all", "< :Ann!a@h PRIVMSG Joe :psst", "< :irc.test NOTICE Joe :server says"},
       {"= line Lobby Ann: \x02.stop\x02 please", "= room Lobby: * Ann dances", "= room Lobby: -Ann- hi all",
        "= notice Ann (to you only): psst", "= notice server says"}},
      {"a line finds its channel by a UTF-8 name, and by one longer than a nick",
       {"< :s 005 Joe CHANNELLEN=100 :ok", "join caf\xc3\xa9", "< :Joe!u@h JOIN #caf\xc3\xa9", "join " + kLong70,
        "< :Joe!u@h JOIN #" + kLong70, "< :Ann!a@h PRIVMSG #CAF\xc3\xa9 :one", "< :Ann!a@h PRIVMSG #" + kLong70 + " :two"},
       {"= line caf\xc3\xa9 Ann: one", "= line " + kLong70 + " Ann: two"}},
      {"the owner's nick in any case is his, a nick one letter longer is not",
       {"< :Ann!a@h PRIVMSG jOE :one", "< :Ann!a@h PRIVMSG Joey :two"}, {"= notice Ann (to you only): one"},
       {"two"}},
      {"CTCP: answered to a nick only, once a second",
       {"< :#Lobby!x@h PRIVMSG Joe :\x01VERSION\x01", "< :a,b!x@h PRIVMSG Joe :\x01VERSION\x01",
        "< :Ann!a@h PRIVMSG #Lobby :\x01VERSION\x01", "< :Ann!a@h PRIVMSG Joe :\x01VERSION\x01",
        "< :Ann!a@h PRIVMSG Joe :\x01PING 1\x01", "+1000", "< :Ann!a@h PRIVMSG Joe :\x01PING 2\x01", "+1000",
        "< :Ann!a@h PRIVMSG Joe :\x01" "CLIENTINFO\x01", "+1000", "< :Ann!a@h PRIVMSG Joe :\x01TIME\x01"},
       {"> NOTICE Ann :\x01VERSION Morva MP3", "> NOTICE Ann :\x01PING 2\x01", "> NOTICE Ann :\x01" "CLIENTINFO ACTION",
        "> NOTICE Ann :\x01TIME "},
       {"NOTICE #Lobby", "NOTICE a,b", "PING 1"}},
      {"the keepalive", {"+90000", "+59999", "+1"}, {"> PING :morva", "= lost, retry: the server stopped answering"}},
      {"no line over 512 bytes, however long the room's line",
       {"say Lobby " + std::string(3000, 'x')}, {"> PRIVMSG #Lobby :xxx", "> PRIVMSG #Lobby :xxx"}},
  }, true);
}

TEST(IrcSession, TheRoomsNewsAndTheOwnersCommands) {
  Play({
      {"comings and goings, once for each room and never for the owner",
       {"< :s 005 Joe PREFIX=(qaohv)~&@%+ :ok", "< :s 353 Joe = #Lobby :Joe @Op +Bob %Hal Cy", "< :s 366 Joe #Lobby :End", "< :s 332 Joe #Lobby :Kino <3",
        "< :Ann!a@h JOIN #Lobby", "< :Bob!b@h NICK :Bobby", "< :Ann!a@h PART #Lobby :bye", "< :Op!o@h KICK #Lobby Cy :flood",
        "< :Hal!h@h QUIT :gone", "< :Nobody!n@h QUIT :gone", "< :Op!o@h TOPIC #Lobby :\x02Kino\x02 tonight",
        "< :Joe!u@h NICK :Joey"},
       {"= marks Lobby: +Bob +Hal @Op", "= topic Lobby: Kino <3", "= joins Lobby: Ann", "= renames Lobby: Bob: Bobby",
        "= parts Lobby: Ann: bye", "= kicked Lobby: Cy by Op: flood", "= quits Lobby: Hal: gone",
        "= topic Lobby: Op: \x02Kino\x02 tonight", "= now Joey"},
       {"Nobody", "renames Lobby: Joe"}},
      {"ranks given and taken by MODE; a voice under an operator's rank goes with it",
       {"< :s 353 Joe = #Lobby :Joe Ann Bob", "< :s 366 Joe #Lobby :End", "< :Op!o@h MODE #Lobby +ov-k Ann Bob key",
        "< :Op!o@h MODE #Lobby +l-o+b 10 Ann *!*@x", "< :Op!o@h MODE #Lobby +v Zed"},
       {"= marks Lobby: +Bob @Ann", "= marks Lobby: +Bob"},
       {"Zed"}},
      {"the owner's action, private line and new nick",
       {"act Lobby waves <b>hello</b>", "msg Ann psst <3", "msg #Other no", "msg a,b no", "nick Joe Two",
        "< :s 433 Joe Joe_Two :Nickname already in use", "< :s 433 Joe Other :in use"},
       {"> PRIVMSG #Lobby :\x01" "ACTION waves \x02hello\x01", "> PRIVMSG Ann :psst <3",
        "= notice /msg goes to one member's name, not to #Other", "= notice /msg goes to one member's name, not to a,b",
        "> NICK Joe_Two", "= notice The nick Joe_Two is refused: Nickname already in use"},
       {"PRIVMSG #Other", "PRIVMSG a,b", "refused: in use"}},
  }, true);
}

// A line the server replays from earlier is shown as such, never as a line
// said now: the owner's replayed ".exit" must not end the program.
TEST(IrcSession, ReplayedHistoryIsNeverANewLine) {
  const std::string exitLine = " :Joe!u@h PRIVMSG #Lobby :.exit";
  Play({
      {"in a chathistory batch",
       {"< :s BATCH +h1 chathistory #Lobby", "< @batch=h1" + exitLine, "< :s BATCH -h1", "< :Joe!u@h PRIVMSG #Lobby :.vol 50"},
       {"= room Lobby: (earlier) Joe: .exit", "= line Lobby Joe: .vol 50"}, {"= line Lobby Joe: .exit"}},
      {"in the first second after joining, where the server marks nothing",
       {"part Lobby", "join Lobby", "< :Joe!u@h JOIN #Lobby", "< :Joe!u@h PRIVMSG #Lobby :.exit",
        "< :Ann!a@h PRIVMSG #Lobby :hi", "+1000", "< :Joe!u@h PRIVMSG #Lobby :.vol 50"},
       {"= room Lobby: (earlier) Joe: .exit", "= line Lobby Ann: hi", "= line Lobby Joe: .vol 50"},
       {"= line Lobby Joe: .exit"}},
  }, true);
  // Stamped before our JOIN: a replay, batch or not; with batch granted, the
  // batch marks it.
  std::vector<std::string> stamped = SessionScript::InLobby("server-time batch");
  stamped.erase(stamped.end() - 3, stamped.end());
  stamped.insert(stamped.end(), {"join Music", "< @time=2026-01-01T10:00:00.000Z :Joe!u@h JOIN #Music",
                                 "< @time=2026-01-01T09:59:00.000Z" + std::string(" :Joe!u@h PRIVMSG #Music :.exit"),
                                 "< @time=2026-01-01T10:00:00.500Z :Joe!u@h PRIVMSG #Music :.vol 50",
                                 "< :s BATCH +p znc.in/playback #Music", "< @batch=p :Joe!u@h PRIVMSG #Music :.stop"});
  Play({{"by the server's time", stamped,
         {"> CAP REQ :server-time", "> CAP REQ :batch", "= room Music: (earlier) Joe: .exit",
          "= line Music Joe: .vol 50", "= room Music: (earlier) Joe: .stop"},
         {"= line Music Joe: .exit", "= line Music Joe: .stop"}}},
       false);
}

TEST(IrcSession, ANamesReplyWithoutEndIsBounded) {
  SessionScript script;
  script.Run(SessionScript::InLobby());
  for (int line = 0; line < 1500; ++line) {
    QByteArray names;
    for (int i = 0; i < 100; ++i) names += " n" + QByteArray::number(line * 100 + i);
    script.Step("< :s 353 Joe = #Lobby :" + names.toStdString());
  }
  script.Forget();
  script.Step("< :s 366 Joe #Lobby :End");
  ASSERT_EQ(script.entries().size(), 2u) << DumpIrcEntries(script.entries());
  EXPECT_EQ(script.entries()[0], "= notice #Lobby has more than 100000 members; the list shows 100000");
  EXPECT_EQ(script.entries()[1].count(' '), 100000 + 2);
}

}  // namespace
