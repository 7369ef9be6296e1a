// The proxy between the owner's own IRC client and the network, scripted on
// both sides: one table of what each side sends and what comes out.

#include <gtest/gtest.h>

#include <QStringList>

#include "tests/platform/chatclient/irc/QtPrinters.h"
#include "tests/support/irc/ProxyScript.h"

namespace {

// Scripts in the session's dialect (tests/support/irc/IrcScript.h): "<<"
// from the owner's client, "<" from the network. Each row gives, exactly and
// in order, the lines to the client, the lines to the network and the
// events, each without its "> ", ">> " or "= ".
const QStringList kPassFirst = {"<< PASS :secret", "<< NICK Joe", "<< USER joe 0 * :Joe", "connect"};
const QStringList kSignedOn = kPassFirst + QStringList{"< :irc.test 001 Joe :Welcome", "< :Joe!joe@host JOIN #music"};
const QStringList kWithEcho = kSignedOn + QStringList{"<< CAP REQ :echo-message", "< :irc.test CAP Joe ACK :echo-message"};
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
  QStringList events;  // "signed on Joe", "joined #music", "line #music Ann: hi", ...
  bool upstreamOpened = false;
  bool clientClosed = false;
  QString loadRoom = {};  // --room
  QByteArray saslAccount = {};  // MORVA_IRC_SASL's, with the password "pw"
  QByteArrayList atOnce = {};  // of toUpstream, those the relay sent before the session read them
};

// Lines the script has with raw bytes: the table keeps them readable.
QStringList With(QStringList script, const QByteArray& raw) {
  script.push_back(QString::fromLatin1(raw));
  return script;
}

TEST(ProxySessionTest, RelaysUnchangedGatesOnThePasswordAndAddsMorvasLinesOnce) {
  const QByteArray ann = ":Ann!a@h PRIVMSG #music :.stop";
  const Case cases[] = {
      // Past the password, every line passes as it came, both ways.
      {"tags and the owner's command", kSignedOn, {"<< @+draft/reply=ab;+typing=active PRIVMSG #music :.play alpha"},
       {}, {"@+draft/reply=ab;+typing=active PRIVMSG #music :.play alpha"}, {"line #music Joe: .play alpha"}},
      {"another member's line, with server tags", kSignedOn,
       {"< @time=2026-12-08T10:00:00.000Z;msgid=x1 :Ann!a@h PRIVMSG #music :.stop"},
       {"@time=2026-12-08T10:00:00.000Z;msgid=x1 :Ann!a@h PRIVMSG #music :.stop"}, {}, {"line #music Ann: .stop"}},
      {"CTCP both ways, and an action is no command", kSignedOn,
       {"< :Ann!a@h PRIVMSG Joe :\x01VERSION\x01", "<< NOTICE Ann :\x01VERSION irssi\x01",
        "<< PRIVMSG #music :\x01" "ACTION .stop\x01"},
       {":Ann!a@h PRIVMSG Joe :\x01VERSION\x01"},
       {"NOTICE Ann :\x01VERSION irssi\x01", "PRIVMSG #music :\x01" "ACTION .stop\x01"}, {}},
      {"a long line is never cut", kSignedOn, {"<< " + QString::fromLatin1(kLong)}, {}, {kLong},
       {"line #music Joe: " + QString(700, 'x') + " end"}},
      {"odd bytes", kSignedOn, With({}, "< " + kOdd), {kOdd}, {}, {"line #music Ann: \u00ff\u00fe caf\u00e9 \x01\x7f\x1b[31m"}},
      {"batches and the client's CAP go through", kSignedOn,
       {"<< CAP REQ :batch server-time", "< :irc.test CAP Joe ACK :batch server-time",
        "< :irc.test BATCH +b1 chathistory #music", "< @batch=b1 :Ann!a@h PRIVMSG #music :old", "< :irc.test BATCH -b1"},
       {":irc.test CAP Joe ACK :batch server-time", ":irc.test BATCH +b1 chathistory #music",
        "@batch=b1 :Ann!a@h PRIVMSG #music :old", ":irc.test BATCH -b1"},
       {"CAP REQ :batch server-time"}, {"line #music Ann: old"}},

      // Only the owner gets in, and nothing reaches the network before.
      {"PASS first: the client registers with the network itself", {},
       {"<< PASS :secret", "<< CAP LS 302", "<< NICK Joe", "<< USER joe 0 * :Joe", "connect", "< :irc.test CAP * LS :echo-message",
        "< :irc.test 001 Joe :Welcome"},
       {":irc.test CAP * LS :echo-message", ":irc.test 001 Joe :Welcome"},
       {"PASS :server-pw", "CAP LS 302", "NICK Joe", "USER joe 0 * :Joe"}, {"signed on Joe"}, true},
      {"the password never goes on to the network", kSignedOn, {"<< PASS :secret", "<< pass secret", "<< NICK Joe2"}, {},
       {"NICK Joe2"}, {}},
      {"nor spelled with blanks before it, a tag, a prefix or in any case", kSignedOn,
       {"<<  PASS :secret", "<< \tpass secret", "<< @a=b PaSs :secret", "<< :Joe PASS secret", "<< @a=b  :Joe  pass :secret",
        "<< PASS", "<< PASSWORD x"},
       {}, {"PASSWORD x"}, {}},
      {"a wrong password", {}, {"<< NICK Joe", "<< PASS :guess", "<< USER joe 0 * :Joe"},
       {"ERROR :Closing link: wrong password"}, {}, {}, false, true},
      {"no password at all", {}, {"<< NICK Joe", "<< USER joe 0 * :Joe", "+29000", "<< PING :x", "+1000"},
       {":morva PONG morva :x", "ERROR :Closing link: no password in time"}, {}, {}, false, true},
      {"garbage before the password", {},
       QStringList(21, "<< WHO #music"), {"ERROR :Closing link: give the password first"}, {}, {}, false, true},
      {"before it every line counts, CAP and PING too, and no reply repeats much of what was sent", {},
       QStringList{"<< NICK " + QString(300, 'n'), "<< PING :" + QString(300, 'p')} + QStringList(19, "<< CAP LS 302"),
       QByteArrayList{":morva PONG morva :" + QByteArray(64, 'p')} + QByteArrayList(18, ":morva CAP * LS :sasl=PLAIN cap-notify") +
           QByteArrayList{"ERROR :Closing link: give the password first"},
       {}, {}, false, true},
      {"a line over 1 KB before the password", {}, {"<< PASS :" + QString(1020, 'x')},
       {"ERROR :Closing link: line too long"}, {}, {}, false, true},
      {"a line over the limit before the password: sent away at once, not at the time limit", {},
       {"<< NICK Joe", "toolong"}, {"ERROR :Closing link: line too long"}, {}, {}, false, true},
      {"the owner's over-long line is not sent, and he is told", kSignedOn, {"toolong", "<< NICK Joe2"},
       {":morva 417 Joe :Input line was too long"}, {"NICK Joe2"}, {}},
      {"CAP before PASS: Morva answers it, with SASL PLAIN, then negotiates for the client", {},
       {"<< CAP LS 302", "<< NICK Joe", "<< USER joe 0 * :Joe", "<< CAP REQ :sasl", "<< AUTHENTICATE PLAIN",
        "<< AUTHENTICATE " + QString::fromLatin1(kSaslOk), "<< CAP END", "connect",
        "< :irc.test CAP * LS * :multi-prefix sasl", "< :irc.test CAP * LS :echo-message server-time message-tags",
        "< :irc.test 001 Joe :Welcome"},
       {":morva CAP * LS :sasl=PLAIN cap-notify", ":morva CAP Joe ACK :sasl", "AUTHENTICATE +",
        ":morva 900 Joe Joe!morva@morva anyone :You are now logged in as anyone",
        ":morva 903 Joe :SASL authentication successful", ":irc.test 001 Joe :Welcome",
        ":irc.test CAP Joe NEW :multi-prefix echo-message server-time message-tags"},
       {"CAP LS 302", "PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "CAP END"}, {"signed on Joe"}, true},
      {"with an account of Morva's own, Morva signs on to the network with SASL", {},
       {"<< PASS :secret", "<< NICK Joe", "<< USER joe 0 * :Joe", "connect", "< :irc.test CAP * LS :sasl=EXTERNAL,PLAIN echo-message",
        "< :irc.test CAP * ACK :sasl", "< AUTHENTICATE +", "< :irc.test 900 Joe Joe!j@h joe :You are now logged in as joe",
        "< :irc.test 903 Joe :SASL authentication successful", "< :irc.test 001 Joe :Welcome"},
       {":irc.test 001 Joe :Welcome"},
       {"CAP LS 302", "PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "CAP REQ :sasl", "AUTHENTICATE PLAIN",
        "AUTHENTICATE " + QByteArray("joe\0joe\0pw", 10).toBase64(), "CAP END"},
       {"notice Signed in to the account joe", "signed on Joe"}, true, false, {}, "joe"},
      {"the network refuses Morva's account: the client is told", {},
       {"<< PASS :secret", "<< NICK Joe", "<< USER joe 0 * :Joe", "connect", "< :irc.test CAP * LS :sasl",
        "< :irc.test CAP * ACK :sasl", "< AUTHENTICATE +", "< :irc.test 904 Joe :SASL authentication failed"},
       {"ERROR :Closing link: SASL sign-in failed: the server refused the account or password; check the account and "
        "password in MORVA_IRC_SASL (account:password)"},
       {"CAP LS 302", "PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "CAP REQ :sasl", "AUTHENTICATE PLAIN",
        "AUTHENTICATE " + QByteArray("joe\0joe\0pw", 10).toBase64()},
       {"notice SASL sign-in failed: the server refused the account or password; check the account and password in "
        "MORVA_IRC_SASL (account:password)"},
       true, true, {}, "joe"},
      {"a wrong SASL password", {}, {"<< CAP LS", "<< AUTHENTICATE PLAIN", "<< AUTHENTICATE " + QString::fromLatin1(kSaslBad)},
       {":morva CAP * LS :sasl=PLAIN cap-notify", "AUTHENTICATE +", ":morva 904 * :SASL authentication failed",
        "ERROR :Closing link: wrong password"}, {}, {}, false, true},

      {"a long CAP NEW comes in as many lines of 512 bytes as it needs", {},
       {"<< CAP LS 302", "<< NICK Joe", "<< USER joe 0 * :Joe", "<< PASS :secret", "<< CAP END", "connect",
        "< :irc.test CAP * LS :" + QString::fromLatin1(kManyCaps.join(' ')), "< :irc.test 001 Joe :Welcome"},
       {":morva CAP * LS :sasl=PLAIN cap-notify", ":irc.test 001 Joe :Welcome",
        ":irc.test CAP Joe NEW :" + kManyCaps.mid(0, 11).join(' '), ":irc.test CAP Joe NEW :" + kManyCaps.mid(11, 11).join(' '),
        ":irc.test CAP Joe NEW :" + kManyCaps.mid(22).join(' ')},
       {"CAP LS 302", "PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "CAP END"}, {"signed on Joe"}, true},

      // Morva's own lines go up as the owner's, and down once.
      {"an announcement, copied down without echo-message", kSignedOn, {"say #music <b>Playing</b> [Alpha]"},
       {":Joe!joe@host PRIVMSG #music :\x02Playing\x02 [Alpha]"}, {"PRIVMSG #music :\x02Playing\x02 [Alpha]"}, {}},
      {"with echo-message the network's echo is the copy", kWithEcho,
       {"say #music Playing", "< :Joe!joe@host PRIVMSG #music :Playing"}, {":Joe!joe@host PRIVMSG #music :Playing"},
       {"PRIVMSG #music :Playing"}, {}},
      {"one budget: the client's paste waits for the pace, and Morva's answer goes ahead of it", kSignedOn,
       {"<< PRIVMSG #music :.play a", "<< PRIVMSG #music :b", "<< PRIVMSG #music :c", "<< PRIVMSG #music :d",
        "<< PRIVMSG #music :e", "<< PRIVMSG #music :f", "say #music Playing", "+3999", "<< PRIVMSG #music :g", "+1001"},
       {":Joe!joe@host PRIVMSG #music :Playing"},
       {"PRIVMSG #music :.play a", "PRIVMSG #music :b", "PRIVMSG #music :c", "PRIVMSG #music :Playing",
        "PRIVMSG #music :d", "PRIVMSG #music :e", "PRIVMSG #music :f", "PRIVMSG #music :g"},
       {"line #music Joe: .play a", "line #music Joe: b", "line #music Joe: c", "line #music Joe: d",
        "line #music Joe: e", "line #music Joe: f", "line #music Joe: g"}},
      {"/me, /msg and /nick from Morva's window go up as the owner's, paced, and down once", kSignedOn,
       {"<< PRIVMSG #music :a", "<< PRIVMSG #music :b", "act #music <b>dances</b>", "msg Ann hi", "msg #music psst",
        "msg Ann,Bob psst", "nick Joe 2", "+999", "+1", "+1000", "< :Joe!joe@host NICK :Joe_2",
        "act #nowhere waves"},
       {":Joe!joe@host PRIVMSG #music :\x01" "ACTION \x02" "dances\x01", ":Joe!joe@host PRIVMSG Ann :hi",
        ":Joe!joe@host NICK :Joe_2"},
       {"PRIVMSG #music :a", "PRIVMSG #music :b", "PRIVMSG #music :\x01" "ACTION \x02" "dances\x01", "PRIVMSG Ann :hi",
        "NICK Joe_2"},
       {"line #music Joe: a", "line #music Joe: b", "notice /msg goes to one member's name, not to #music: not sent",
        "notice /msg goes to one member's name, not to Ann,Bob: not sent", "now Joe_2", "members #music: Joe_2",
        "notice Not in #nowhere now: not sent: * waves"}},
      {"with echo-message an action is not copied down", kWithEcho, {"act #music waves"}, {},
       {"PRIVMSG #music :\x01" "ACTION waves\x01"}, {}},
      {".pr joins through the network; the owner's line makes a room the open one", kSignedOn,
       {"join back", "< :Joe!joe@host JOIN #back", "<< PRIVMSG #music :.stop"},
       {":Joe!joe@host JOIN #back"}, {"JOIN #back", "PRIVMSG #music :.stop"},
       {"joined back", "joined #music", "line #music Joe: .stop"}},
      {"members come, change their nick and go, in case-mapped names, reported at most twice a second", kSignedOn,
       {"< :irc.test 353 Joe = #music :Joe @Ann +[x]", "< :irc.test 366 Joe #music :End", "< :Bob!b@h JOIN #music",
        "< :Ann!a@h NICK Anna", "< :Joe!joe@host NICK Joey", "< :Bob!b@h QUIT :bye", "< :{X}!x@h PART #music",
        "+499", "< :Cy!c@h JOIN #music", "+1"},
       {":irc.test 353 Joe = #music :Joe @Ann +[x]", ":irc.test 366 Joe #music :End", ":Bob!b@h JOIN #music",
        ":Ann!a@h NICK Anna", ":Joe!joe@host NICK Joey", ":Bob!b@h QUIT :bye", ":{X}!x@h PART #music",
        ":Cy!c@h JOIN #music"},
       {}, {"marks #music: +[x] @Ann", "members #music: [x] Ann Joe", "joins #music: Bob", "renames #music: Ann: Anna",
            "now Joey", "quits #music: Bob: bye", "parts #music: {X}", "joins #music: Cy", "members #music: Anna Cy Joey"}},
      {"room news for the chat window, from the lines relayed; none from a channel the owner is not in", kSignedOn,
       {"< :irc.test 005 Joe PREFIX=(qaohv)~&@%+ :are supported", "< :irc.test 332 Joe #music :Jazz only", "< :irc.test 353 Joe = #music :Joe ~Ann %Bob Cy",
        "< :irc.test 366 Joe #music :End", "< :Ann!a@h MODE #music -o+vv Ann Cy Nobody", "< :Dee!d@h JOIN #music",
        "< :Cy!c@h NICK Cyd", "< :Ann!a@h TOPIC #music :Jazz and blues", "< :Ann!a@h KICK #music Dee :out",
        "< :Bob!b@h PART #music :later", "< :Cyd!c@h QUIT :gone", "< :Eve!e@h JOIN #elsewhere",
        "< :Ann!a@h PRIVMSG #music :\x01" "ACTION dances\x01", "< :Ann!a@h PRIVMSG #elsewhere :\x01" "ACTION hides\x01",
        "< :Joe!joe@host PART #music", "< :Ann!a@h PART #music"},
       {":irc.test 005 Joe PREFIX=(qaohv)~&@%+ :are supported", ":irc.test 332 Joe #music :Jazz only",
        ":irc.test 353 Joe = #music :Joe ~Ann %Bob Cy",
        ":irc.test 366 Joe #music :End", ":Ann!a@h MODE #music -o+vv Ann Cy Nobody", ":Dee!d@h JOIN #music",
        ":Cy!c@h NICK Cyd", ":Ann!a@h TOPIC #music :Jazz and blues", ":Ann!a@h KICK #music Dee :out",
        ":Bob!b@h PART #music :later", ":Cyd!c@h QUIT :gone", ":Eve!e@h JOIN #elsewhere",
        ":Ann!a@h PRIVMSG #music :\x01" "ACTION dances\x01", ":Ann!a@h PRIVMSG #elsewhere :\x01" "ACTION hides\x01",
        ":Joe!joe@host PART #music", ":Ann!a@h PART #music"},
       {},
       {"topic #music: Jazz only", "marks #music: +Bob @Ann", "members #music: Ann Bob Cy Joe",
        "marks #music: +Bob +Cy", "joins #music: Dee", "renames #music: Cy: Cyd", "topic #music: Ann: Jazz and blues",
        "kicked #music: Dee by Ann: out", "parts #music: Bob: later", "quits #music: Cyd: gone", "room #music: * Ann dances"}},
      // Nicks and channels as the network's 005 says, not by a fixed rule.
      {"under CASEMAPPING=ascii [x] and {x} are two members", kSignedOn,
       {"< :irc.test 005 Joe CASEMAPPING=ascii :are supported", "< :irc.test 353 Joe = #music :Joe [x] {x}",
        "< :irc.test 366 Joe #music :End", "< :{X}!x@h PART #music", "+500"},
       {":irc.test 005 Joe CASEMAPPING=ascii :are supported", ":irc.test 353 Joe = #music :Joe [x] {x}",
        ":irc.test 366 Joe #music :End", ":{X}!x@h PART #music"},
       {}, {"members #music: [x] Joe {x}", "parts #music: {X}", "members #music: [x] Joe"}},
      {"under CASEMAPPING=rfc1459 they are one", kSignedOn,
       {"< :irc.test 005 Joe CASEMAPPING=rfc1459 :are supported", "< :irc.test 353 Joe = #music :Joe [x] {x}",
        "< :irc.test 366 Joe #music :End", "< :{X}!x@h PART #music", "+500"},
       {":irc.test 005 Joe CASEMAPPING=rfc1459 :are supported", ":irc.test 353 Joe = #music :Joe [x] {x}",
        ":irc.test 366 Joe #music :End", ":{X}!x@h PART #music"},
       {}, {"members #music: Joe {x}", "parts #music: {X}", "members #music: Joe"}},
      {"under CHANTYPES=# a name with & is a member's, not a channel", kSignedOn,
       {"msg &music hi", "< :irc.test 005 Joe CHANTYPES=# :are supported", "msg &music hi"},
       {":irc.test 005 Joe CHANTYPES=# :are supported", ":Joe!joe@host PRIVMSG &music :hi"}, {"PRIVMSG &music :hi"},
       {"notice /msg goes to one member's name, not to &music: not sent"}},
      {"a join the network refuses is reported, and nothing is said there", kSignedOn,
       {"join &music", "< :irc.test 403 Joe &music :No such channel", "say &music hello"},
       {":irc.test 403 Joe &music :No such channel"}, {"JOIN &music"},
       {"refused &music: No such channel", "notice Not in &music now: not sent: hello"}},
      {"with --room the window waits for that channel", kPassFirst,
       {"< :irc.test 001 Joe :Welcome", "< :Joe!joe@host JOIN #other", "< :Joe!joe@host JOIN #Music"},
       {":irc.test 001 Joe :Welcome", ":Joe!joe@host JOIN #other", ":Joe!joe@host JOIN #Music"}, {},
       {"signed on Joe", "joined music"}, false, false, "music"},
      {"the network goes: the client is told why", kSignedOn, {"say #music late", "lost the server closed the connection"},
       {":Joe!joe@host PRIVMSG #music :late", "ERROR :Closing link: the server closed the connection"}, {"PRIVMSG #music :late"},
       {"lost, retry: the server closed the connection"}, false, true},
      {"a client that stops reading is sent away at its bound; the network stays and Morva still hears the room",
       kSignedOn, {"unread 1048576", "unread 1048577", "< :Ann!a@h PRIVMSG #music :.stop", "say #music Stopped"},
       {"ERROR :Closing link: your client stopped reading (1024 KB waiting); the network connection stays"},
       {"PRIVMSG #music :Stopped"},
       {"notice Sent your IRC client away: your client stopped reading (1024 KB waiting); the network connection stays",
        "line #music Ann: .stop"},
       false, true},
      {"the client goes: Morva quits the network", kSignedOn, {"leave"}, {}, {"QUIT :bye"}, {"lost, retry: bye"}, false, true},

      // What Morva tells the owner alone, and what went wrong before.
      {"the owner's notices reach his client from *morva, never the network; kept until he is signed on", {},
       {"tell the password is in /x", "<< PASS :secret", "<< NICK Joe", "<< USER joe 0 * :Joe", "connect",
        "< :irc.test 001 Joe :Welcome", "tell cannot show the directory /not/there"},
       {":irc.test 001 Joe :Welcome", ":*morva!morva@morva NOTICE Joe :the password is in /x",
        ":*morva!morva@morva NOTICE Joe :cannot show the directory /not/there"},
       {"PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe"}, {"signed on Joe"}, true},
      {"with an account, NICK and USER wait for CAP LS; a network that never answers is said to offer no SASL", {},
       {"<< PASS :secret", "<< NICK Joe", "<< USER joe 0 * :Joe", "connect", "<< JOIN #music", "+14999", "+1"},
       {"ERROR :Closing link: SASL sign-in failed: the server offers no SASL (no answer to CAP LS in 15 s)"},
       {"CAP LS 302"},
       {"notice SASL sign-in failed: the server offers no SASL (no answer to CAP LS in 15 s)"},
       true, true, {}, "joe"},
      {"a network that accepts and says nothing is given up after 60 s, and the client told why", kPassFirst,
       {"+59999", "+1"},
       {"ERROR :Closing link: the server did not let us sign on in 60 s"}, {},
       {"notice Connection to the network given up: the server did not let us sign on in 60 s"}, false, true},
      {"with --room, a kick and a rejoin: the room keeps its name, and Morva keeps quiet there meanwhile",
       kPassFirst + QStringList{"< :irc.test 001 Joe :Welcome", "< :Joe!joe@host JOIN #music"},
       {"< :Op!o@h KICK #music Joe :out", "say music Playing", "say music Stopped", "< :Joe!joe@host JOIN #music",
        "<< PRIVMSG #music :.stop"},
       {":Op!o@h KICK #music Joe :out", ":Joe!joe@host JOIN #music"}, {"PRIVMSG #music :.stop"},
       {"notice Op put you out of music (out); Morva says nothing there until your client joins it again",
        "joined music", "line music Joe: .stop"},
       false, false, "music"},
      {"the network back: the open room is joined once, by the client", kSignedOn,
       {"lost gone", "client", "<< PASS :secret", "<< NICK Joe", "<< USER joe 0 * :Joe", "connect",
        "< :irc.test 001 Joe :Welcome", "join #music", "<< JOIN #music", "< :Joe!joe@host JOIN #music"},
       {"ERROR :Closing link: gone", ":irc.test 001 Joe :Welcome", ":Joe!joe@host JOIN #music"},
       {"PASS :server-pw", "NICK Joe", "USER joe 0 * :Joe", "JOIN #music"},
       {"lost, retry: gone", "signed on Joe", "joined #music"}, true, true},
      // The relay's road: only a signed-on client's line, with nothing
      // waiting before it and room in the pace, goes up before the
      // session reads it; the rest keeps its turn.
      {"the relay: a plain line goes at once and is read", kSignedOn, {"relay PRIVMSG #music :.play alpha"}, {},
       {"PRIVMSG #music :.play alpha"}, {"line #music Joe: .play alpha"}, false, false, {}, {},
       {"PRIVMSG #music :.play alpha"}},
      {"the relay: nothing at once before the welcome, nor a PASS after it", kPassFirst,
       {"relay JOIN #music", "< :irc.test 001 Joe :Welcome", "relay PASS :secret"}, {":irc.test 001 Joe :Welcome"},
       {"JOIN #music"}, {"signed on Joe"}},
      // Three lines of the burst are left once the client signed on.
      {"the relay: the pace spent, the owner's line waits behind Morva's", kSignedOn,
       {"relay PRIVMSG #music :1", "relay PRIVMSG #music :2", "relay PRIVMSG #music :3", "say #music m",
        "relay PRIVMSG #music :4", "+1000", "+1000"},
       {":Joe!joe@host PRIVMSG #music :m"},
       {"PRIVMSG #music :1", "PRIVMSG #music :2", "PRIVMSG #music :3", "PRIVMSG #music :m", "PRIVMSG #music :4"},
       {"line #music Joe: 1", "line #music Joe: 2", "line #music Joe: 3", "line #music Joe: 4"}, false, false, {}, {},
       {"PRIVMSG #music :1", "PRIVMSG #music :2", "PRIVMSG #music :3"}},
      {"a channel notice shows in the room; the server's does not", kSignedOn,
       {"< :Ann!a@h NOTICE #music :\x02hi\x02 all", "< :irc.test NOTICE #music :server says"},
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
    ProxyScript script(options);
    auto run = [&script](const QStringList& steps) {
      for (const QString& step : steps) script.Step(step.toStdString());
    };
    run(c.before);
    script.Forget();
    run(c.script);
    auto strings = [](const auto& list) {
      std::vector<QString> all;
      for (const auto& item : list) all.push_back(QString::fromLatin1(item));
      return all;
    };
    EXPECT_EQ(script.Only(">> "), strings(c.toClient));
    EXPECT_EQ(script.Only("> "), strings(c.toUpstream));
    EXPECT_EQ(script.Only("= "), std::vector<QString>(c.events.begin(), c.events.end()));
    EXPECT_EQ(script.Only("! "), strings(c.atOnce));
    EXPECT_EQ(script.opened(), c.upstreamOpened);
    EXPECT_EQ(script.closed(), c.clientClosed);
  }
}

}  // namespace
