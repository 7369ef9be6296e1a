#include <gtest/gtest.h>

#include <vector>

#include "platform/chatclient/irc/IrcCtcp.h"
#include "platform/chatclient/irc/IrcSplit.h"
#include "platform/chatclient/irc/IrcText.h"
#include "platform/chatclient/irc/IrcWire.h"
#include "tests/platform/chatclient/irc/QtPrinters.h"

namespace irc {
namespace {

TEST(IrcText, DecodesUtf8ElseLatin1) {
  struct Case {
    QByteArray bytes;
    QString text;
  };
  const std::vector<Case> cases = {
      {"plain", u"plain"_qs},
      {"caf\xc3\xa9 \xe2\x80\xa2 \xf0\x9f\x8e\xb5", u"café • 🎵"_qs},
      {"caf\xe9 \xa9", u"café ©"_qs},
      {"overlong \xc0\xaf", u"overlong À¯"_qs},
      {"surrogate \xed\xa0\x80", u"surrogate í\u00a0\u0080"_qs},
      {"beyond \xf4\x90\x80\x80", u"beyond ô\u0090\u0080\u0080"_qs},
      {"cut \xe2\x82", u"cut â\u0082"_qs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.toStdString());
    EXPECT_EQ(DecodeIrcText(c.bytes), c.text);
  }
}

TEST(IrcText, StripsFormattingCodes) {
  struct Case {
    QString in, out;
  };
  const std::vector<Case> cases = {
      {u"\x02" "bold\x02 \x1Ditalic\x1D \x1Funder\x1F \x1Estrike\x11mono\x16" "rev\x0F" "end"_qs,
       u"bold italic under strikemonorevend"_qs},
      {u"\x03" "4red \x03" "04,12both \x03" "12,5x \x03plain"_qs, u"red both x plain"_qs},
      {u"\x03" "123 keeps a third digit"_qs, u"3 keeps a third digit"_qs},
      {u"\x03" "4,text \x03,5 \x03" "04,123"_qs, u",text ,5 3"_qs},
      {u"\x04" "ff0000red \x04" "00FF00,0000ffboth \x04" "abcxyz"_qs, u"red both abcxyz"_qs},
      {u"end\x03"_qs, u"end"_qs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in.toStdString());
    EXPECT_EQ(StripIrcFormatting(c.in), c.out);
  }
}

TEST(IrcCtcp, ClassifiesPrivmsgText) {
  using Kind = PrivmsgText::Kind;
  struct Case {
    QString text;
    PrivmsgText expected;
  };
  const std::vector<Case> cases = {
      {u"hello \x01 there"_qs, {Kind::Plain, {}, u"hello \x01 there"_qs}},
      {u"\x01" "ACTION waves at all\x01"_qs, {Kind::Action, {}, u"waves at all"_qs}},
      {u"\x01" "action waves"_qs, {Kind::Action, {}, u"waves"_qs}},
      {u"\x01" "ACTION\x01"_qs, {Kind::Action, {}, {}}},
      {u"\x01" "VERSION\x01"_qs, {Kind::Ctcp, u"VERSION"_qs, {}}},
      {u"\x01" "PING 1700000000 123\x01"_qs, {Kind::Ctcp, u"PING"_qs, u"1700000000 123"_qs}},
      {u"\x01\x01"_qs, {Kind::Ctcp, {}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(ClassifyPrivmsg(c.text), c.expected);
  }
}

TEST(IrcWire, FramesOneLineWhateverTheText) {
  EXPECT_EQ(FramePrivmsg("#Lobby", QByteArray("a\r\nQUIT :x\0y\rz", 14)),
            "PRIVMSG #Lobby :a  QUIT :x y z\r\n");
  EXPECT_EQ(FramePrivmsg("#a\r\nQUIT", ""), "PRIVMSG #a  QUIT :\r\n");
}

// The owner's lines, for the IRC session and the proxy alike: each fits 512
// bytes once relayed behind his prefix; an action stays one line, cut.
TEST(IrcWire, FramesTheOwnersLinesToFitOnceRelayed) {
  const int prefix = RelayedPrefixBytes("Joe", "joe", "host");
  const auto relayed = [prefix](const QByteArray& line) { return prefix + 1 + line.size() + 2; };
  const QString text = "a\r\nQUIT :x " + QString(600, u'w');
  const std::vector<QByteArray> lines = OwnPrivmsgLines("#music", text, prefix);
  ASSERT_GE(lines.size(), 2u);
  QByteArray joined;
  for (const QByteArray& line : lines) {
    EXPECT_TRUE(line.startsWith("PRIVMSG #music :")) << line.toStdString();
    EXPECT_LE(relayed(line), 512);
    joined += line.mid(16);
  }
  EXPECT_EQ(joined, WireSafe(text.toUtf8()));

  bool cut = true;
  EXPECT_EQ(OwnActionLine("Ann", "waves\x01 back\n", prefix, &cut), "PRIVMSG Ann :\x01" "ACTION waves  back \x01");
  EXPECT_FALSE(cut);
  const QByteArray action = OwnActionLine("#music", QString(600, u'w'), prefix, &cut);
  EXPECT_TRUE(cut);
  EXPECT_EQ(relayed(action), 512);
  EXPECT_TRUE(action.endsWith("ww\x01"));
}

}  // namespace
}  // namespace irc
