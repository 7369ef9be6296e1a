// Finding a channel by a name spelled another way, under each case mapping a
// server may give: with a few channels (compared one by one) and with many
// (looked up by the folded name), the answer is the same.

#include <gtest/gtest.h>

#include <memory>

#include "platform/chatclient/irc/IrcChannels.h"

namespace {

using irc::IrcChannels;
using irc::IrcMessage;
using irc::IrcServerInfo;

struct Case {
  const char* isupport;  // the 005 line's token
  const char* kept;      // the channel as joined
  const char* asked;     // the name it is asked by
  bool same;
};

TEST(IrcChannels, FindsAChannelUnderTheServersCaseMappingAmongFewAndMany) {
  const Case cases[] = {
      {"CASEMAPPING=rfc1459", "#A[b]\\~", "#a{B}|^", true},
      {"CASEMAPPING=strict-rfc1459", "#A[b]\\", "#a{B}|", true},
      {"CASEMAPPING=strict-rfc1459", "#a~", "#a^", false},
      {"CASEMAPPING=ascii", "#Music", "#mUSIC", true},
      {"CASEMAPPING=ascii", "#a[b]", "#a{b}", false},
      {"CASEMAPPING=rfc1459", "#music", "#music2", false},
      {"CASEMAPPING=rfc1459", "#music", "#musi", false},
  };
  for (const Case& c : cases) {
    for (const int others : {0, 2 * static_cast<int>(IrcChannels::kComparedOneByOne)}) {
      SCOPED_TRACE(std::string(c.isupport) + " " + c.kept + " / " + c.asked + " among " + std::to_string(others));
      IrcServerInfo server;
      server.Read(*IrcMessage::Parse(QByteArray(":s 005 Joe ") + c.isupport + " :are supported"));
      auto channels = std::make_unique<IrcChannels>(server);
      for (int i = 0; i < others; ++i) channels->Add("room" + QString::number(i), "#other" + QString::number(i));
      channels->Add("kept", QString::fromLatin1(c.kept));
      const QString asked = QString::fromLatin1(c.asked);
      const irc::IrcChannel* found = channels->Find(asked);
      EXPECT_EQ(found != nullptr && found->room == u"kept", c.same);
      EXPECT_EQ(server.Same(asked, QString::fromLatin1(c.kept)), c.same);
      EXPECT_EQ(server.Same(asked, QLatin1StringView(c.kept)), c.same);
      EXPECT_EQ(server.Fold(asked) == server.Fold(QString::fromLatin1(c.kept)), c.same);
    }
  }
}

}  // namespace
