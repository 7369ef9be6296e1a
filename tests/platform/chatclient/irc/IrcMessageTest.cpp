#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/chatclient/irc/IrcLineReader.h"
#include "platform/chatclient/irc/IrcMessage.h"
#include "tests/platform/chatclient/irc/QtPrinters.h"

namespace irc {
namespace {

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

TEST(IrcMessage, ParsesLinesAndRefusesMalformedOnes) {
  struct Case {
    std::string line;
    bool parses;
    QByteArray nick, user, host, command;
    std::vector<QByteArray> params;
  };
  const std::vector<Case> cases = {
      {"@time=2024-01-01T00:00:00Z;msgid=x :Joe!~joe@10.0.0.1 PRIVMSG #Lobby :hello  there",
       true, "Joe", "~joe", "10.0.0.1", "PRIVMSG", {"#Lobby", "hello  there"}},
      {"@a=b  PING x", true, "", "", "", "PING", {"x"}},
      {":irc.example.net 001 Morva :Welcome to IRC", true, "irc.example.net", "", "", "001",
       {"Morva", "Welcome to IRC"}},
      {":Joe@host JOIN #a", true, "Joe", "", "host", "JOIN", {"#a"}},
      {":Joe!joe PART #a", true, "Joe", "joe", "", "PART", {"#a"}},
      {":srv 433 *", true, "srv", "", "", "433", {"*"}},
      {"005", true, "", "", "", "005", {}},
      {"privmsg #a :", true, "", "", "", "PRIVMSG", {"#a", ""}},
      {":n PRIVMSG   #a    :x  y ", true, "n", "", "", "PRIVMSG", {"#a", "x  y "}},
      {"MODE #a +o   Joe   ", true, "", "", "", "MODE", {"#a", "+o", "Joe"}},
      {"PRIVMSG #a ::-) \xff\xfe", true, "", "", "", "PRIVMSG", {"#a", ":-) \xff\xfe"}},
      {"X 1 2 3 4 5 6 7 8 9 10 11 12 13 14 the rest :of it", true, "", "", "", "X",
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14",
        "the rest :of it"}},
      {"", false, {}, {}, {}, {}, {}},
      {"   ", false, {}, {}, {}, {}, {}},
      {":Joe!joe@host", false, {}, {}, {}, {}, {}},
      {":Joe!joe@host   ", false, {}, {}, {}, {}, {}},
      {": PRIVMSG #a :x", false, {}, {}, {}, {}, {}},
      {"@a=b", false, {}, {}, {}, {}, {}},
      {"@a=b :srv", false, {}, {}, {}, {}, {}},
      {"12 x", false, {}, {}, {}, {}, {}},
      {"1234 x", false, {}, {}, {}, {}, {}},
      {"PRIV-MSG #a :x", false, {}, {}, {}, {}, {}},
      {"\xff\xfe\x01 x", false, {}, {}, {}, {}, {}},
      {std::string("PRIVMSG #a :a\0b", 15), false, {}, {}, {}, {}, {}},
      {"PING :a\rPING :b", false, {}, {}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto message = IrcMessage::Parse(Bytes(c.line));
    ASSERT_EQ(message.has_value(), c.parses);
    if (!message) continue;
    EXPECT_EQ(message->nick(), c.nick);
    EXPECT_EQ(message->user(), c.user);
    EXPECT_EQ(message->host(), c.host);
    EXPECT_EQ(message->command(), c.command);
    std::vector<QByteArray> params;
    for (const QByteArrayView param : message->params()) params.push_back(param.toByteArray());
    EXPECT_EQ(params, c.params);
    EXPECT_EQ(message->Param(c.params.size()), QByteArray());
  }
}

// The parts are views into the message's own line: they stay right whatever
// becomes of the bytes the line came from, and of the message first parsed.
TEST(IrcMessage, PartsOutliveTheBytesTheyCameFrom) {
  std::optional<IrcMessage> copy;
  {
    QByteArray line = ":Ann!ann@host privmsg #Lobby :hello there";
    const std::optional<IrcMessage> parsed = IrcMessage::Parse(line);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(line, ":Ann!ann@host privmsg #Lobby :hello there");  // upper case only in the message
    copy = parsed;
    line.fill('x');
  }
  char raw[] = "PING :raw";
  const std::optional<IrcMessage> fromRaw = IrcMessage::Parse(QByteArray::fromRawData(raw, sizeof raw - 1));
  raw[6] = '?';
  ASSERT_TRUE(copy && fromRaw);
  EXPECT_EQ(copy->nick(), "Ann");
  EXPECT_EQ(copy->host(), "host");
  EXPECT_EQ(copy->command(), "PRIVMSG");
  EXPECT_EQ(copy->Param(0), "#Lobby");
  EXPECT_EQ(copy->params().back(), "hello there");
  EXPECT_EQ(fromRaw->Param(0), "raw");
}

TEST(IrcLineReader, CutsChunksIntoBoundedLines) {
  const qsizetype max = IrcLineReader::kMaxLineBytes;
  struct Case {
    std::string name;
    QByteArray input;
    qsizetype chunk;
    std::vector<QByteArray> lines;
    qsizetype tooLong = 0;  // known by the end of the chunk that goes over
  };
  const std::vector<Case> cases = {
      {"CR LF, bare LF, empty lines", "PING :a\r\nPRIVMSG #x :b\n\r\n\nPONG c\r\nrest", 1,
       {"PING :a", "PRIVMSG #x :b", "PONG c"}},
      {"odd chunks", "PING :a\r\nPRIVMSG #x :b\n\r\n\nPONG c\r\nrest", 3,
       {"PING :a", "PRIVMSG #x :b", "PONG c"}},
      {"all in one chunk", "PING :a\r\nPRIVMSG #x :b\n\r\n\nPONG c\r\nrest", 64,
       {"PING :a", "PRIVMSG #x :b", "PONG c"}},
      {"NUL discards its line", QByteArray("A x\r\nB \0y\r\nC z\r\n", 17), 5, {"A x", "C z"}},
      {"longest line kept", "P " + QByteArray(max - 2, 'x') + "\r\nQ\n", 1000,
       {"P " + QByteArray(max - 2, 'x'), "Q"}},
      {"a line over the limit in one chunk is counted", "P " + QByteArray(max, 'x') + "\r\nQ\n", 1 << 16, {"Q"}, 1},
      {"one byte more discarded", "P " + QByteArray(max - 1, 'x') + "\r\nQ\n", 1000, {"Q"}, 1},
      {"a megabyte with no LF", "A\n" + QByteArray(1 << 20, 'x') + "\r\nPING :after\r\n", 4093,
       {"A", "PING :after"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IrcLineReader reader;
    std::vector<QByteArray> lines;
    for (qsizetype at = 0; at < c.input.size(); at += c.chunk) {
      for (QByteArray& line : reader.Feed(QByteArrayView(c.input).sliced(at).first(
               std::min(c.chunk, c.input.size() - at)))) {
        lines.push_back(std::move(line));
      }
      ASSERT_LE(reader.pendingBytes(), max + 1);
      if (at + c.chunk > max + 4) {
        EXPECT_EQ(reader.linesTooLong(), c.tooLong) << at;
      }
    }
    EXPECT_EQ(lines, c.lines);
  }
}

}  // namespace
}  // namespace irc
