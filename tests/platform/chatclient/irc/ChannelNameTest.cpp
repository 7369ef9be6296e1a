#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/chatclient/irc/QtPrinters.h"
#include "platform/chatclient/irc/ChannelName.h"

namespace irc {
namespace {

TEST(ChannelName, MakesAJoinableChannelOrRefuses) {
  struct Case {
    QString room, channel;
  };
  const std::vector<Case> cases = {
      {u"Lobby"_qs, u"#Lobby"_qs},
      {u"  Back Room\t2 "_qs, u"#Back_Room_2"_qs},
      {u"a,b:c\x07" "d\r\ne\x7F" "f\u0085g"_qs, u"#abcdefg"_qs},
      {u"Café Noir"_qs, u"#Café_Noir"_qs},
      {u"#irc-help"_qs, u"#irc-help"_qs},
      {u"&local, room"_qs, u"&local_room"_qs},
      {u"##two"_qs, u"##two"_qs},
      {u",:\x07"_qs, QString()},
      {u""_qs, QString()},
      {u"#"_qs, QString()},
      {u"&,"_qs, QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.room.toStdString());
    EXPECT_EQ(ChannelFromRoom(c.room), c.channel);
  }
}

}  // namespace
}  // namespace irc
