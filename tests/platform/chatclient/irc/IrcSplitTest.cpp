#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/platform/chatclient/irc/IrcMarkup.h"
#include "tests/platform/chatclient/irc/QtPrinters.h"
#include "platform/chatclient/irc/IrcFormatCode.h"
#include "platform/chatclient/irc/IrcFormatState.h"
#include "platform/chatclient/irc/IrcSplit.h"
#include "platform/chatclient/irc/IrcText.h"

namespace irc {
namespace {

// Every byte of text a client shows, with the formatting it shows it in,
// reading the line from its start.
std::vector<std::pair<char, QByteArray>> Shown(QByteArrayView line) {
  std::vector<std::pair<char, QByteArray>> shown;
  IrcFormatState state;
  for (qsizetype i = 0; i < line.size();) {
    if (const qsizetype code = FormatCodeLength(line, i)) {
      state.Apply(line.sliced(i, code));
      i += code;
    } else {
      shown.emplace_back(line[i++], state.Codes());
    }
  }
  return shown;
}

TEST(IrcSplit, PiecesFitAsRelayedAndShowTheWholeLine) {
  const QByteArray words = Irc(u"{C04}• Morva MP3 • Playing {B}Café Noir{B} — 日本語の歌 🎵🎶, "
                               u"{C12,01}12 34 {C}plain {C03}{B},5 green"_qs)
                               .toUtf8();
  const QByteArray longWord = Irc(u"{C07,02}{B}"_qs).toUtf8() + QByteArray("日本🎵é").repeated(60);
  struct Case {
    const char* name;
    QByteArray text;
    QByteArray nick, user, host, channel;
  };
  const std::vector<Case> cases = {
      {"mixed text, known host", words.repeated(20), "Morva", "~morva", "host.example.net",
       "#Lobby"},
      {"mixed text, unknown host", words.repeated(20), "Morva", "", "", "#Back_Room"},
      {"one word of multibyte characters", longWord + " end", "Morva", "", "", "#a"},
      {"commas after each blank", Irc(u"{C04}x "_qs).toUtf8() + QByteArray(",5 ").repeated(700),
       "M", "", "", "#a"},
      {"short", "just one piece", "Morva", "", "", "#a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int budget = PrivmsgTextBytes(RelayedPrefixBytes(c.nick, c.user, c.host), c.channel);
    const std::vector<QByteArray> pieces = SplitIrcText(c.text, budget);
    std::vector<std::pair<char, QByteArray>> shown;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      const QByteArray relayed = ":" + c.nick + "!" +
                                 (c.user.isEmpty() ? QByteArray(kUnknownUserBytes, 'u') : c.user) +
                                 "@" +
                                 (c.host.isEmpty() ? QByteArray(kUnknownHostBytes, 'h') : c.host) +
                                 " PRIVMSG " + c.channel + " :" + pieces[i] + "\r\n";
      EXPECT_LE(relayed.size(), kRelayedLineBytes) << "piece " << i;
      EXPECT_TRUE(IsValidUtf8(pieces[i])) << "piece " << i;
      // Pieces are full but for the last (and a word moved whole to the next).
      if (i + 1 < pieces.size()) {
        EXPECT_GT(pieces[i].size(), budget * 3 / 4) << "piece " << i;
      }
      for (auto& byte : Shown(pieces[i])) shown.push_back(std::move(byte));
    }
    EXPECT_EQ(shown, Shown(c.text));
    EXPECT_EQ(pieces.size() == 1, c.text.size() <= budget);
  }
  EXPECT_TRUE(SplitIrcText("", 400).empty());
}

}  // namespace
}  // namespace irc
