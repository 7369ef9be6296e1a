// The proxy between the owner's own IRC client and the network, scripted on
// both sides: one table of what each side sends and what comes out.

#include <gtest/gtest.h>

#include <QStringList>

#include "platform/chatclient/proxy/ProxySession.h"
#include "tests/platform/chatclient/irc/QtPrinters.h"

namespace {

using irc::IrcEvent;
using irc::ProxySession;
using Clock = ProxySession::Clock;

// Script lines: "C line" from the client, "S line" from the network,
// "connect" (the network answered), "lost REASON", "leave" (the client went),
// "say ROOM HTML" and "join ROOM" (Morva's), "act ROOM HTML", "msg NICK HTML"
// and "nick NAME" (the owner's slash commands in Morva's window), "wait MS",
// "client" (a client connects again), "tell TEXT" (for the owner alone),
// "toolong" (the client's reader dropped a line over the limit), "unread
// BYTES" (what waits to be written to the client).
const QStringList kPassFirst = {"C PASS :secret", "C NICK Joe", "C USER joe 0 * :Joe", "connect"};
const QStringList kSignedOn = kPassFirst + QStringList{"S :irc.test 001 Joe :Welcome", "S :Joe!joe@host JOIN #music"};
const QStringList kWithEcho = kSignedOn + QStringList{"C CAP REQ :echo-message", "S :irc.test CAP Joe ACK :echo-message"};
const QByteArray kLong = "PRIVMSG #music :" + QByteArray(700, 'x') + " end";
const QByteArray kOdd = ":Ann!a@h PRIVMSG #music :\xff\xfe caf\xe9 \x01\x7f\x1b[31m";
const QByteArray kSaslOk = QByteArray("\0anyone\0secret", 14).toBase64();
const QByteArray kSaslBad = QByteArray("\0anyone\0guess", 13).toBase64();
// 30 capabilities of 40 bytes: 1.2 KB that one CAP NEW line cannot hold.
QByteArrayList ManyCaps() {
  QByteArrayList caps;
  for (int i = 10; i < 40; ++i) caps.push_back("draft/cap-" + QByteArray::number(i) + '-' + QByteArray(27, 'a'));
  return caps;
}
const QByteArrayList kManyCaps = ManyCaps();

struct Case {
  const char* name;
  QStringList before;  // run first; what it gives is not checked
  QStringList script;
  QByteArrayList toClient;
  QByteArrayList toUpstream;
  QStringList events;  // "signedOn Joe", "joined #music", "line #music Ann: hi", ...
  bool upstreamOpened = false;
  bool clientClosed = false;
  QString loadRoom = {};  // --room
  QByteArray saslAccount = {};  // MORVA_IRC_SASL's, with the password "pw"
};

QString Describe(const IrcEvent& e) {
  using Kind = IrcEvent::Kind;
  switch (e.kind) {
    case Kind::SignedOn: return "signedOn " + e.text;
    case Kind::Lost: return "signedOff " + e.text;
    case Kind::OwnNameChanged: return "nick " + e.text;
    case Kind::Joined: return "joined " + e.room;
    case Kind::JoinRefused: return "refused " + e.room + ": " + e.text;
    case Kind::Line: return "line " + e.room + " " + e.nick + ": " + e.text;
    case Kind::Members: return "members " + e.room + ": " + e.members.join(',');
    case Kind::Notice: return "notice " + e.text;
    case Kind::MemberJoined: return "+ " + e.room + " " + e.nick;
    case Kind::MemberParted: return "- " + e.room + " " + e.nick + " (" + e.text + ")";
    case Kind::MemberQuit: return "quit " + e.room + " " + e.nick + " (" + e.text + ")";
    case Kind::MemberRenamed: return "renamed " + e.room + " " + e.nick + " " + e.text;
    case Kind::MemberKicked: return "kicked " + e.room + " " + e.nick + " by " + e.members.join(',') + " (" + e.text + ")";
    case Kind::Topic: return "topic " + e.room + " " + e.nick + ": " + e.text;
    case Kind::Marks: return "marks " + e.room + ": " + e.members.join(',');
    case Kind::RoomNotice: return "room " + e.room + ": " + e.text;
  }
  return {};
}

// Every line leaves whole, without its line end, never joined with another.
QByteArrayList Lines(const std::vector<QByteArray>& lines) {
  QByteArrayList list;
  for (const QByteArray& line : lines) {
    EXPECT_FALSE(line.contains('\r') || line.contains('\n')) << line.toStdString();
    list.push_back(line);
  }
  return list;
}

struct Outcome {
  QByteArrayList toClient, toUpstream;
  QStringList events;
  bool opened = false, closed = false;
};

Outcome Play(ProxySession& session, Clock::time_point& now, const QStringList& script) {
  Outcome run;
  for (const QString& step : script) {
    const QString verb = step.section(' ', 0, 0);
    const QString rest = step.section(' ', 1);
    const QByteArray bytes = rest.toLatin1();
    if (verb == "C") session.FromClient(bytes, now);
    else if (verb == "S") session.FromUpstream(bytes, now);
    else if (verb == "connect") session.UpstreamConnected(now);
    else if (verb == "lost") session.UpstreamLost(rest);
    else if (verb == "leave") session.ClientLeft("bye");
    else if (verb == "say") session.Say(rest.section(' ', 0, 0), rest.section(' ', 1), now);
    else if (verb == "join") session.Join(rest);
    else if (verb == "act") session.Act(rest.section(' ', 0, 0), rest.section(' ', 1), now);
    else if (verb == "msg") session.SayTo(rest.section(' ', 0, 0), rest.section(' ', 1), now);
    else if (verb == "nick") session.ChangeNick(rest, now);
    else if (verb == "client") session.ClientConnected(now);
    else if (verb == "tell") session.TellOwner(rest);
    else if (verb == "toolong") session.ClientLineTooLong();
    else if (verb == "unread") session.ClientBacklog(rest.toLongLong());
    else if (verb == "wait") {
      now += std::chrono::milliseconds(rest.toInt());
      session.Tick(now);
    } else ADD_FAILURE() << "no such step: " << step.toStdString();
    ProxySession::Output out = session.Take();
    run.toClient += Lines(out.toClient);
    run.toUpstream += Lines(out.toUpstream);
    for (const IrcEvent& event : out.events) run.events.push_back(Describe(event));
    run.opened = run.opened || out.openUpstream;
    run.closed = run.closed || out.closeClient || out.dropClient;
    EXPECT_FALSE(out.dropClient && out.closeUpstream);
  }
  return run;
}

// Lines the script has with raw bytes: the table keeps them readable.
QStringList With(QStringList script, const QByteArray& raw) {
  script.push_back(QString::fromLatin1(raw));
  return script;
}

TEST(ProxySessionTest, RelaysUnchangedGatesOnThePasswordAndAddsMorvasLinesOnce) {
  const QByteArray ann = ":Ann!a@h PRIVMSG #music :.stop";
  const Case cases[] = {
      // Past the password, every line passes as it came, both ways.
      {"tags and the owner's command", kSignedOn, {"C @+draft/reply=ab;+typing=active PRIVMSG #music :.play alpha"},
       {}, {"@+draft/reply=ab;+typing=active PRIVMSG #music :.play alpha"}, {"line #music Joe: .play alpha"}},
      {"another member's line, with server tags", kSignedOn,
       {"S @time=2026-12-08T10:00:00.000Z;msgid=x1 :Ann!a@h PRIVMSG #music :.stop"},
       {"@time=2026-12-08T10:00:00.000Z;msgid=x1 :Ann!a@h PRIVMSG #music :.stop"}, {}, {"line #music Ann: .stop"}},
      {"CTCP both ways, and an action is no command", kSignedOn,
       {"S :Ann!a@h PRIVMSG Joe :\x01VERSION\x01", "C NOTICE Ann :\x01VERSION irssi\x01",
        "C PRIVMSG #music :\x01" "ACTION .stop\x01"},
       {":Ann!a@h PRIVMSG Joe :\x01VERSION\x01"},
       {"NOTICE Ann :\x01VERSION irssi\x01", "PRIVMSG #music :\x01" "ACTION .stop\x01"}, {}},
      {"a long line is never cut", kSignedOn, {"C " + QString::fromLatin1(kLong)}, {}, {kLong},
       {"line #music Joe: " + QString(700, 'x') + " end"}},
      {"odd bytes", kSignedOn, With({}, "S " + kOdd), {kOdd}, {}, {"line #music Ann: \u00ff\u00fe caf\u00e9 \x01\x7f\x1b[31m"}},
      {"batches and the client's CAP go through", kSignedOn,
       {"C CAP REQ :batch server-time", "S :irc.test CAP Joe ACK :batch server-time",
        "S :irc.test BATCH +b1 chathistory #music", "S @batch=b1 :Ann!a@h PRIVMSG #music :old", "S :irc.test BATCH -b1"},
       {":irc.test CAP Joe ACK :batch server-time", ":irc.test BATCH +b1 chathistory #music",
        "@batch=b1 :Ann!a@h PRIVMSG #music :old", ":irc.test BATCH -b1"},
       {"CAP REQ :batch server-time"}, {"line #music Ann: old"}},

      // Only the owner gets in, and nothing reaches the network before.
      {"PASS first: the client registers with the network itself", {},
       {"C PASS :secret", "C CAP LS 302", "C NICK Joe", "C USER joe 0 * :Joe", "connect", "S :irc.test CAP * LS :echo-message",
        "S :irc.test 001 Joe :Welcome"},
       {":irc.test CAP * LS :echo-message", ":irc.test 001 Joe :Welcome"},
       {"PASS :server-pw", "CAP LS 302", "NICK Joe", "USER joe 0 * :Joe"}, {"signedOn Joe"}, true},
      {"the password never goes on to the network", kSignedOn, {"C PASS :secret", "C pass secret", "C NICK Joe2"}, {},
       {"NICK Joe2"}, {}},
      {"nor spelled with blanks before it, a tag, a prefix or in any case", kSignedOn,
       {"C  PASS :secret", "C \tpass secret", "C @a=b PaSs :secret", "C :Joe PASS secret", "C @a=b  :Joe  pass :secret",
        "C PASS", "C PASSWORD x"},
       {}, {"PASSWORD x"}, {}},
      {"a wrong password", {}, {"C NICK Joe", "C PASS :guess", "C USER joe 0 * :Joe"},
       {"ERROR :Closing link: wrong password"}, {}, {}, false, true},
      {"no password at all", {}, {"C NICK Joe", "C USER joe 0 * :Joe", "wait 29000", "C PING :x", "wait 1000"},
       {":morva PONG morva :x", "ERROR :Closing link: no password in time"}, {}, {}, false, true},
      {"garbage before the password", {},
       QStringList(21, "C WHO #music"), {"ERROR :Closing link: give the password first"}, {}, {}, false, true},
      {"before it every line counts, CAP and PING too, and no reply repeats much of what was sent", {},
       QStringList{"C NICK " + QString(300, 'n'), "C PING :" + QString(300, 'p')} + QStringList(19, "C CAP LS 302"),
       QByteArrayList{":morva PONG morva :" + QByteArray(64, 'p')} + QByteArrayList(18, ":morva CAP * LS :sasl=PLAIN cap-notify") +
           QByteArrayList{"ERROR :Closing link: give the password first"},
       {}, {}, false, true},
      {"a line over 1 KB before the password", {}, {"C PASS :" + QString(1020, 'x')},
       {"ERROR :Closing link: line too long"}, {}, {}, false, true},
      {"a line over the limit before the password: sent away at once, not at the time limit", {},
       {"C NICK Joe", "toolong"}, {"ERROR :Closing link: line too long"}, {}, {}, false, true},
      {"the owner's over-long line is not sent, and he is told", kSignedOn, {"toolong", "C NICK Joe2"},
       {":morva 417 Joe :Input line was too long"}, {"NICK Joe2"}, {}},
      {"CAP before PASS: Morva answers it, with SASL PLAIN, then negotiates for the client", {},
       {"C CAP LS 302", "C NICK Joe", "C USER joe 0 * :Joe", "C CAP REQ :sasl", "C AUTHENTICATE PLAIN",
        "C AUTHENTICATE " + QString::fromLatin1(kSaslOk), "C CAP END", "connect",
        "S :irc.test CAP * LS * :multi-prefix sasl", "S :irc.test CAP * LS :echo-message server-time message-tags",
        "S :irc.test 001 Joe :Welcome"},
       {":morva CAP * LS :sasl=PLAIN cap-notify", ":morva CAP Joe ACK :sasl", "AUTHENTICATE +",
        ":morva 900 Joe Joe!morva@morva anyone :You are now logged in as anyone",
        ":morva 903 Joe :SASL authentication successful", ":irc.test 001 Joe :Welcome",
        ":irc.test CAP Joe NEW :multi-prefix echo-message server-time message-tags"},
       {"CAP LS 302", "PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "CAP END"}, {"signedOn Joe"}, true},
      {"with an account of Morva's own, Morva signs on to the network with SASL", {},
       {"C PASS :secret", "C NICK Joe", "C USER joe 0 * :Joe", "connect", "S :irc.test CAP * LS :sasl=EXTERNAL,PLAIN echo-message",
        "S :irc.test CAP * ACK :sasl", "S AUTHENTICATE +", "S :irc.test 900 Joe Joe!j@h joe :You are now logged in as joe",
        "S :irc.test 903 Joe :SASL authentication successful", "S :irc.test 001 Joe :Welcome"},
       {":irc.test 001 Joe :Welcome"},
       {"CAP LS 302", "PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "CAP REQ :sasl", "AUTHENTICATE PLAIN",
        "AUTHENTICATE " + QByteArray("joe\0joe\0pw", 10).toBase64(), "CAP END"},
       {"notice Signed in to the account joe", "signedOn Joe"}, true, false, {}, "joe"},
      {"the network refuses Morva's account: the client is told", {},
       {"C PASS :secret", "C NICK Joe", "C USER joe 0 * :Joe", "connect", "S :irc.test CAP * LS :sasl",
        "S :irc.test CAP * ACK :sasl", "S AUTHENTICATE +", "S :irc.test 904 Joe :SASL authentication failed"},
       {"ERROR :Closing link: SASL sign-in failed: the server refused the account or password; check the account and "
        "password in MORVA_IRC_SASL (account:password)"},
       {"CAP LS 302", "PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "CAP REQ :sasl", "AUTHENTICATE PLAIN",
        "AUTHENTICATE " + QByteArray("joe\0joe\0pw", 10).toBase64()},
       {"notice SASL sign-in failed: the server refused the account or password; check the account and password in "
        "MORVA_IRC_SASL (account:password)"},
       true, true, {}, "joe"},
      {"a wrong SASL password", {}, {"C CAP LS", "C AUTHENTICATE PLAIN", "C AUTHENTICATE " + QString::fromLatin1(kSaslBad)},
       {":morva CAP * LS :sasl=PLAIN cap-notify", "AUTHENTICATE +", ":morva 904 * :SASL authentication failed",
        "ERROR :Closing link: wrong password"}, {}, {}, false, true},

      {"a long CAP NEW comes in as many lines of 512 bytes as it needs", {},
       {"C CAP LS 302", "C NICK Joe", "C USER joe 0 * :Joe", "C PASS :secret", "C CAP END", "connect",
        "S :irc.test CAP * LS :" + QString::fromLatin1(kManyCaps.join(' ')), "S :irc.test 001 Joe :Welcome"},
       {":morva CAP * LS :sasl=PLAIN cap-notify", ":irc.test 001 Joe :Welcome",
        ":irc.test CAP Joe NEW :" + kManyCaps.mid(0, 11).join(' '), ":irc.test CAP Joe NEW :" + kManyCaps.mid(11, 11).join(' '),
        ":irc.test CAP Joe NEW :" + kManyCaps.mid(22).join(' ')},
       {"CAP LS 302", "PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "CAP END"}, {"signedOn Joe"}, true},

      // Morva's own lines go up as the owner's, and down once.
      {"an announcement, copied down without echo-message", kSignedOn, {"say #music <b>Playing</b> [Alpha]"},
       {":Joe!joe@host PRIVMSG #music :\x02Playing\x02 [Alpha]"}, {"PRIVMSG #music :\x02Playing\x02 [Alpha]"}, {}},
      {"with echo-message the network's echo is the copy", kWithEcho,
       {"say #music Playing", "S :Joe!joe@host PRIVMSG #music :Playing"}, {":Joe!joe@host PRIVMSG #music :Playing"},
       {"PRIVMSG #music :Playing"}, {}},
      {"one budget: the client's paste waits for the pace, and Morva's answer goes ahead of it", kSignedOn,
       {"C PRIVMSG #music :.play a", "C PRIVMSG #music :b", "C PRIVMSG #music :c", "C PRIVMSG #music :d",
        "C PRIVMSG #music :e", "C PRIVMSG #music :f", "say #music Playing", "wait 3999", "C PRIVMSG #music :g", "wait 1001"},
       {":Joe!joe@host PRIVMSG #music :Playing"},
       {"PRIVMSG #music :.play a", "PRIVMSG #music :b", "PRIVMSG #music :c", "PRIVMSG #music :Playing",
        "PRIVMSG #music :d", "PRIVMSG #music :e", "PRIVMSG #music :f", "PRIVMSG #music :g"},
       {"line #music Joe: .play a", "line #music Joe: b", "line #music Joe: c", "line #music Joe: d",
        "line #music Joe: e", "line #music Joe: f", "line #music Joe: g"}},
      {"/me, /msg and /nick from Morva's window go up as the owner's, paced, and down once", kSignedOn,
       {"C PRIVMSG #music :a", "C PRIVMSG #music :b", "act #music <b>dances</b>", "msg Ann hi", "msg #music psst",
        "msg Ann,Bob psst", "nick Joe 2", "wait 999", "wait 1", "wait 1000", "S :Joe!joe@host NICK :Joe_2",
        "act #nowhere waves"},
       {":Joe!joe@host PRIVMSG #music :\x01" "ACTION \x02" "dances\x01", ":Joe!joe@host PRIVMSG Ann :hi",
        ":Joe!joe@host NICK :Joe_2"},
       {"PRIVMSG #music :a", "PRIVMSG #music :b", "PRIVMSG #music :\x01" "ACTION \x02" "dances\x01", "PRIVMSG Ann :hi",
        "NICK Joe_2"},
       {"line #music Joe: a", "line #music Joe: b", "notice /msg goes to one member's name, not to #music: not sent",
        "notice /msg goes to one member's name, not to Ann,Bob: not sent", "nick Joe_2", "members #music: Joe_2",
        "notice Not in #nowhere now: not sent: * waves"}},
      {"with echo-message an action is not copied down", kWithEcho, {"act #music waves"}, {},
       {"PRIVMSG #music :\x01" "ACTION waves\x01"}, {}},
      {".pr joins through the network; the owner's line makes a room the open one", kSignedOn,
       {"join back", "S :Joe!joe@host JOIN #back", "C PRIVMSG #music :.stop"},
       {":Joe!joe@host JOIN #back"}, {"JOIN #back", "PRIVMSG #music :.stop"},
       {"joined back", "joined #music", "line #music Joe: .stop"}},
      {"members come, change their nick and go, in case-mapped names, reported at most twice a second", kSignedOn,
       {"S :irc.test 353 Joe = #music :Joe @Ann +[x]", "S :irc.test 366 Joe #music :End", "S :Bob!b@h JOIN #music",
        "S :Ann!a@h NICK Anna", "S :Joe!joe@host NICK Joey", "S :Bob!b@h QUIT :bye", "S :{X}!x@h PART #music",
        "wait 499", "S :Cy!c@h JOIN #music", "wait 1"},
       {":irc.test 353 Joe = #music :Joe @Ann +[x]", ":irc.test 366 Joe #music :End", ":Bob!b@h JOIN #music",
        ":Ann!a@h NICK Anna", ":Joe!joe@host NICK Joey", ":Bob!b@h QUIT :bye", ":{X}!x@h PART #music",
        ":Cy!c@h JOIN #music"},
       {}, {"marks #music: +[x],@Ann", "members #music: [x],Ann,Joe", "+ #music Bob", "renamed #music Ann Anna",
            "nick Joey", "quit #music Bob (bye)", "- #music {X} ()", "+ #music Cy", "members #music: Anna,Cy,Joey"}},
      {"room news for the chat window, from the lines relayed; none from a channel the owner is not in", kSignedOn,
       {"S :irc.test 005 Joe PREFIX=(qaohv)~&@%+ :are supported", "S :irc.test 332 Joe #music :Jazz only", "S :irc.test 353 Joe = #music :Joe ~Ann %Bob Cy",
        "S :irc.test 366 Joe #music :End", "S :Ann!a@h MODE #music -o+vv Ann Cy Nobody", "S :Dee!d@h JOIN #music",
        "S :Cy!c@h NICK Cyd", "S :Ann!a@h TOPIC #music :Jazz and blues", "S :Ann!a@h KICK #music Dee :out",
        "S :Bob!b@h PART #music :later", "S :Cyd!c@h QUIT :gone", "S :Eve!e@h JOIN #elsewhere",
        "S :Ann!a@h PRIVMSG #music :\x01" "ACTION dances\x01", "S :Ann!a@h PRIVMSG #elsewhere :\x01" "ACTION hides\x01",
        "S :Joe!joe@host PART #music", "S :Ann!a@h PART #music"},
       {":irc.test 005 Joe PREFIX=(qaohv)~&@%+ :are supported", ":irc.test 332 Joe #music :Jazz only",
        ":irc.test 353 Joe = #music :Joe ~Ann %Bob Cy",
        ":irc.test 366 Joe #music :End", ":Ann!a@h MODE #music -o+vv Ann Cy Nobody", ":Dee!d@h JOIN #music",
        ":Cy!c@h NICK Cyd", ":Ann!a@h TOPIC #music :Jazz and blues", ":Ann!a@h KICK #music Dee :out",
        ":Bob!b@h PART #music :later", ":Cyd!c@h QUIT :gone", ":Eve!e@h JOIN #elsewhere",
        ":Ann!a@h PRIVMSG #music :\x01" "ACTION dances\x01", ":Ann!a@h PRIVMSG #elsewhere :\x01" "ACTION hides\x01",
        ":Joe!joe@host PART #music", ":Ann!a@h PART #music"},
       {},
       {"topic #music : Jazz only", "marks #music: +Bob,@Ann", "members #music: Ann,Bob,Cy,Joe",
        "marks #music: +Bob,+Cy", "+ #music Dee", "renamed #music Cy Cyd", "topic #music Ann: Jazz and blues",
        "kicked #music Dee by Ann (out)", "- #music Bob (later)", "quit #music Cyd (gone)", "room #music: * Ann dances"}},
      // Nicks and channels as the network's 005 says, not by a fixed rule.
      {"under CASEMAPPING=ascii [x] and {x} are two members", kSignedOn,
       {"S :irc.test 005 Joe CASEMAPPING=ascii :are supported", "S :irc.test 353 Joe = #music :Joe [x] {x}",
        "S :irc.test 366 Joe #music :End", "S :{X}!x@h PART #music", "wait 500"},
       {":irc.test 005 Joe CASEMAPPING=ascii :are supported", ":irc.test 353 Joe = #music :Joe [x] {x}",
        ":irc.test 366 Joe #music :End", ":{X}!x@h PART #music"},
       {}, {"members #music: [x],Joe,{x}", "- #music {X} ()", "members #music: [x],Joe"}},
      {"under CASEMAPPING=rfc1459 they are one", kSignedOn,
       {"S :irc.test 005 Joe CASEMAPPING=rfc1459 :are supported", "S :irc.test 353 Joe = #music :Joe [x] {x}",
        "S :irc.test 366 Joe #music :End", "S :{X}!x@h PART #music", "wait 500"},
       {":irc.test 005 Joe CASEMAPPING=rfc1459 :are supported", ":irc.test 353 Joe = #music :Joe [x] {x}",
        ":irc.test 366 Joe #music :End", ":{X}!x@h PART #music"},
       {}, {"members #music: Joe,{x}", "- #music {X} ()", "members #music: Joe"}},
      {"under CHANTYPES=# a name with & is a member's, not a channel", kSignedOn,
       {"msg &music hi", "S :irc.test 005 Joe CHANTYPES=# :are supported", "msg &music hi"},
       {":irc.test 005 Joe CHANTYPES=# :are supported", ":Joe!joe@host PRIVMSG &music :hi"}, {"PRIVMSG &music :hi"},
       {"notice /msg goes to one member's name, not to &music: not sent"}},
      {"a join the network refuses is reported, and nothing is said there", kSignedOn,
       {"join &music", "S :irc.test 403 Joe &music :No such channel", "say &music hello"},
       {":irc.test 403 Joe &music :No such channel"}, {"JOIN &music"},
       {"refused &music: No such channel", "notice Not in &music now: not sent: hello"}},
      {"with --room the window waits for that channel", kPassFirst,
       {"S :irc.test 001 Joe :Welcome", "S :Joe!joe@host JOIN #other", "S :Joe!joe@host JOIN #Music"},
       {":irc.test 001 Joe :Welcome", ":Joe!joe@host JOIN #other", ":Joe!joe@host JOIN #Music"}, {},
       {"signedOn Joe", "joined music"}, false, false, "music"},
      {"the network goes: the client is told why", kSignedOn, {"say #music late", "lost the server closed the connection"},
       {":Joe!joe@host PRIVMSG #music :late", "ERROR :Closing link: the server closed the connection"}, {"PRIVMSG #music :late"},
       {"signedOff the server closed the connection"}, false, true},
      {"a client that stops reading is sent away at its bound; the network stays and Morva still hears the room",
       kSignedOn, {"unread 1048576", "unread 1048577", "S :Ann!a@h PRIVMSG #music :.stop", "say #music Stopped"},
       {"ERROR :Closing link: your client stopped reading (1024 KB waiting); the network connection stays"},
       {"PRIVMSG #music :Stopped"},
       {"notice Sent your IRC client away: your client stopped reading (1024 KB waiting); the network connection stays",
        "line #music Ann: .stop"},
       false, true},
      {"the client goes: Morva quits the network", kSignedOn, {"leave"}, {}, {"QUIT :bye"}, {"signedOff bye"}, false, true},

      // What Morva tells the owner alone, and what went wrong before.
      {"the owner's notices reach his client from *morva, never the network; kept until he is signed on", {},
       {"tell the password is in /x", "C PASS :secret", "C NICK Joe", "C USER joe 0 * :Joe", "connect",
        "S :irc.test 001 Joe :Welcome", "tell cannot show the directory /not/there"},
       {":irc.test 001 Joe :Welcome", ":*morva!morva@morva NOTICE Joe :the password is in /x",
        ":*morva!morva@morva NOTICE Joe :cannot show the directory /not/there"},
       {"PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe"}, {"signedOn Joe"}, true},
      {"with an account, NICK and USER wait for CAP LS; a network that never answers is said to offer no SASL", {},
       {"C PASS :secret", "C NICK Joe", "C USER joe 0 * :Joe", "connect", "C JOIN #music", "wait 14999", "wait 1"},
       {"ERROR :Closing link: SASL sign-in failed: the server offers no SASL (no answer to CAP LS in 15 s)"},
       {"CAP LS 302"},
       {"notice SASL sign-in failed: the server offers no SASL (no answer to CAP LS in 15 s)"},
       true, true, {}, "joe"},
      {"a network that accepts and says nothing is given up after 60 s, and the client told why", kPassFirst,
       {"wait 59999", "wait 1"},
       {"ERROR :Closing link: the server did not let us sign on in 60 s"}, {},
       {"notice Connection to the network given up: the server did not let us sign on in 60 s"}, false, true},
      {"with --room, a kick and a rejoin: the room keeps its name, and Morva keeps quiet there meanwhile",
       kPassFirst + QStringList{"S :irc.test 001 Joe :Welcome", "S :Joe!joe@host JOIN #music"},
       {"S :Op!o@h KICK #music Joe :out", "say music Playing", "say music Stopped", "S :Joe!joe@host JOIN #music",
        "C PRIVMSG #music :.stop"},
       {":Op!o@h KICK #music Joe :out", ":Joe!joe@host JOIN #music"}, {"PRIVMSG #music :.stop"},
       {"notice Op put you out of music (out); Morva says nothing there until your client joins it again",
        "joined music", "line music Joe: .stop"},
       false, false, "music"},
      {"the network back: the open room is joined once, by the client", kSignedOn,
       {"lost gone", "client", "C PASS :secret", "C NICK Joe", "C USER joe 0 * :Joe", "connect",
        "S :irc.test 001 Joe :Welcome", "join #music", "C JOIN #music", "S :Joe!joe@host JOIN #music"},
       {"ERROR :Closing link: gone", ":irc.test 001 Joe :Welcome", ":Joe!joe@host JOIN #music"},
       {"PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "JOIN #music"},
       {"signedOff gone", "signedOn Joe", "joined #music"}, true, true},
      {"a channel notice shows in the room; the server's does not", kSignedOn,
       {"S :Ann!a@h NOTICE #music :\x02hi\x02 all", "S :irc.test NOTICE #music :server says"},
       {":Ann!a@h NOTICE #music :\x02hi\x02 all", ":irc.test NOTICE #music :server says"}, {},
       {"room #music: -Ann- hi all"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    irc::ProxySessionOptions options;
    options.password = "secret";
    options.serverPassword = "server-pw";
    options.loadRoom = c.loadRoom;
    options.saslAccount = c.saslAccount;
    options.saslPassword = c.saslAccount.isEmpty() ? QByteArray() : QByteArray("pw");
    ProxySession session(options);
    Clock::time_point now{};
    session.ClientConnected(now);
    Play(session, now, c.before);
    const Outcome run = Play(session, now, c.script);
    EXPECT_EQ(run.toClient, c.toClient);
    EXPECT_EQ(run.toUpstream, c.toUpstream);
    EXPECT_EQ(run.events, c.events);
    EXPECT_EQ(run.opened, c.upstreamOpened);
    EXPECT_EQ(run.closed, c.clientClosed);
  }
}

}  // namespace
