#include <gtest/gtest.h>

#include <limits>

#include "tests/support/FormFixture.h"

namespace {

class PlayerCommandsTest : public CommandFixture {};

TEST_F(PlayerCommandsTest, SimpleCommandsActAndAnnounce) {
  struct Case {
    const char* text;
    std::vector<std::string> calls;
    std::string line;
  };
  const std::string boldClose = "</b><font face=\"arial\"><font color=#ff0000>";
  for (const Case& c : std::vector<Case>{
           {".pause", {"player.Pause"}, Morva("MP3 Player Paused")},
           {".xpause", {"player.Play"}, Morva("MP3 Player Unpaused")},
           {".repeat", {"player.PlayCount=0"}, Morva("MP3 Player \xC2\xB7 Repeat is Now Enabled")},
           {".xrepeat", {"player.PlayCount=1"}, boldClose + "\xE2\x80\xA2 Morva MP3 \xE2\x80\xA2 Repeat is Now Disabled"},
           {".mute", {"player.Mute=true"}, Morva("MP3 Is Now Mute")},
           {".xmute", {"player.Mute=false"}, Morva("MP3 Is Now Unmuted")},
           {".stop", {"player.Stop"}, Morva("MP3 Now Stopped")},
           {".pause now", {"player.Pause"}, Morva("MP3 Player Paused")},
       }) {
    Say(c.text);
    EXPECT_EQ(NewCalls(), c.calls) << c.text;
    EXPECT_EQ(NewLines(), std::vector<std::string>{c.line}) << c.text;
  }
}

TEST_F(PlayerCommandsTest, OrderOfActionAndAnnouncement) {
  // Each call records how many lines the room had received by then.
  std::vector<std::string> order;
  player.beforeCall = [&](const std::string&) { order.push_back(std::to_string(desktop.sent().size())); };
  Say(".pause");  // acts before it announces: no line yet
  Say(".mute");   // announces first: its own line is the second
  Say(".stop");   // announces first: its own line is the third
  EXPECT_EQ(order, (std::vector<std::string>{"0", "2", "3"}));
}

TEST_F(PlayerCommandsTest, VolumeLevels) {
  struct Case {
    const char* text;
    const char* volume;  // nullptr: the volume is not set
    std::string line;    // empty: nothing is said
  };
  for (const Case& c : std::vector<Case>{
           {".vol 100", "0", Morva("Mp3 Volume At 100")},
           {".vol 0", "-2500", Morva("Mp3 Volume At 0")},
           {".vol -10", "-2750", Morva("Mp3 Volume At -10")},
           {".vol 50.5", "-1238", Morva("Mp3 Volume At 50.5")},
           {".vol 50.3", "-1242", Morva("Mp3 Volume At 50.3")},
           {".vol 050", "-1250", Morva("Mp3 Volume At 050")},
           {".vol 1e2", "0", Morva("Mp3 Volume At 1e2")},
           {".vol +7", "-2325", Morva("Mp3 Volume At +7")},
           {".vol 101", nullptr, Morva("MP3 Volume Too High!!!")},
           {".vol 100.01", nullptr, Morva("MP3 Volume Too High!!!")},
           {".vol 1e308", nullptr, Morva("MP3 Volume Too High!!!")},
           {".vol -1e300", "-2147483648", Morva("Mp3 Volume At -1e300")},
           {".vol -1e400", "-2147483648", Morva("Mp3 Volume At -1e400")},
           {".vol 1e-400", "-2500", Morva("Mp3 Volume At 1e-400")},
           {".vol", nullptr, ""},
           {".vol ", nullptr, ""},
           {".vol abc", nullptr, ""},
           {".vol nan", nullptr, ""},
           {".vol inf", nullptr, ""},
           {".vol -inf", nullptr, ""},
           {".vol 0x10", nullptr, ""},
           {".vol 5,5", nullptr, ""},
           {".vol 1e99999", nullptr, Morva("MP3 Volume Too High!!!")},
           {".vol 50 60", nullptr, ""},
       }) {
    Say(c.text);
    std::vector<std::string> calls;
    if (c.volume) calls.push_back(std::string("player.Volume=") + c.volume);
    EXPECT_EQ(NewCalls(), calls) << c.text;
    std::vector<std::string> lines;
    if (!c.line.empty()) lines.push_back(c.line);
    EXPECT_EQ(NewLines(), lines) << c.text;
  }
}

TEST_F(PlayerCommandsTest, NumeralsBeyondADoubleAreStillNumbers) {
  const QString tiny = "0." + QString(400, '0') + "1";
  Say(".vol " + tiny);
  EXPECT_EQ(NewCalls(), std::vector<std::string>{"player.Volume=-2500"});
  Say(".vol " + QString(400, '9'));
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Mp3 Volume At " + tiny.toStdString()),
                                                  Morva("MP3 Volume Too High!!!")}));
}

TEST_F(PlayerCommandsTest, SongLength) {
  struct Case {
    double duration;
    std::string shown;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const Case& c : std::vector<Case>{{245.4, "04:05"}, {59.5, "01:00"}, {0, "00:00"}, {6005, "100:05"},
                                         {0.5, "00:00"}, {1.5, "00:02"}, {59.49, "00:59"}, {nan, "00:00"},
                                         {inf, "00:00"}, {-5, "00:00"}, {3.0e7 * 60, "30000000:00"},
                                         {1e300, "16666666666666:40"}}) {
    player.duration = c.duration;
    int before = runtime.passes();
    Say(".leng");
    EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Song Length : " + c.shown)}) << c.duration;
    if (c.duration == 6005) {
      EXPECT_EQ(runtime.passes() - before, 100);  // one event pass a minute
    }
  }
}

}  // namespace
