#include "tests/support/FormFixture.h"

namespace {

class PresenceCommandsTest : public CommandFixture {};

const std::string kProduct = "<font face=\"arial\"><font color=#ff0000>\xE2\x80\xA2 Morva MP3 \xE2\x80\xA2 By: Morva "
                             "\xE2\x80\xA2 [Public]";

TEST_F(PresenceCommandsTest, AdvSendsTheProductLineThenTheLinkASecondLater) {
  const double before = runtime.Seconds();
  Say(".adv");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{
                            kProduct,
                            Red("\xE2\x80\xA2 < a href=https://morva-mp3.example/download>Download it here!</a>"
                                "<font color=#ff0000>"),
                        }));
  EXPECT_GE(runtime.Seconds() - before, 0.5);
}

TEST_F(PresenceCommandsTest, PrEntersThePrivateRoomAndAnnouncesTheArrival) {
  Say(".pr lobby2");
  EXPECT_EQ(desktop.keywords(), std::vector<std::string>{"aol://2719:2-2-lobby2"});
  EXPECT_EQ(NewLines(), std::vector<std::string>{Red("\xE2\x80\xA2 Joe entered the room")});
}

TEST_F(PresenceCommandsTest, PrKeepsTheRoomNameAsTyped) {
  Say(".pr  My Room ");
  EXPECT_EQ(desktop.keywords(), std::vector<std::string>{"aol://2719:2-2- My Room "});
}

TEST_F(PresenceCommandsTest, PrAloneDoesNothingButAnEmptyNameIsARoom) {
  Say(".pr");
  EXPECT_TRUE(desktop.keywords().empty());
  EXPECT_TRUE(NewLines().empty());
  Say(".pr ");
  EXPECT_EQ(desktop.keywords(), std::vector<std::string>{"aol://2719:2-2-"});
  EXPECT_EQ(NewLines(), std::vector<std::string>{Red("\xE2\x80\xA2 Joe entered the room")});
}

TEST_F(PresenceCommandsTest, GreetsShowsTheBoxAndSaysNothing) {
  Say(".greets");
  const std::vector<std::string> calls = NewCalls();
  ASSERT_EQ(calls.size(), 1u);
  const std::string& box = calls[0];
  EXPECT_EQ(box.rfind("box(Morva greets (In random order) : ", 0), 0u) << box;
  EXPECT_NE(box.find("|Tarlo MP3|-)"), std::string::npos) << box;
  const std::string handles = box.substr(37, box.find('|') - 37);
  EXPECT_EQ(std::count(handles.begin(), handles.end(), ','), 11) << handles;
  EXPECT_EQ(handles.find(",,"), std::string::npos);
  EXPECT_TRUE(NewLines().empty());
}

}  // namespace
