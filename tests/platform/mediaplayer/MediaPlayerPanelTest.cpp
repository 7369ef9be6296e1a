#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include "tests/platform/mediaplayer/Mp3Fixtures.h"
#include "tests/platform/mediaplayer/PlayerHarness.h"
#include "platform/mediaplayer/MediaPlayerPanel.h"

using namespace std::chrono_literals;

namespace {

class MediaPlayerPanelTest : public ::testing::Test {
 protected:
  PlayerHarness harness;
  Mp3Player& player = harness.player();
  MediaPlayerPanel panel{player, nullptr};

  template <typename T>
  T* Child(const char* name) {
    auto* child = panel.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  // Delivers the queued signals and timers that are due.
  static void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
};

}  // namespace

TEST_F(MediaPlayerPanelTest, ButtonsActThroughThePlayerAndFollowItsState) {
  EXPECT_EQ(panel.size(), QSize(257, 49));
  auto* play = Child<QToolButton>("play");
  auto* pause = Child<QToolButton>("pause");
  auto* stop = Child<QToolButton>("stop");
  auto* time = Child<QLabel>("time");
  EXPECT_FALSE(play->isEnabled());
  EXPECT_TRUE(time->text().isEmpty());

  harness.recording().HoldAt(100);
  harness.Open(Mp3Fixtures::Get().sweep);
  Settle();
  EXPECT_FALSE(play->isEnabled());
  EXPECT_TRUE(pause->isEnabled());
  EXPECT_EQ(time->text(), QStringLiteral("0:00 / 0:02"));

  pause->click();
  EXPECT_EQ(player.PlayState(), Mp3Player::kPaused);
  EXPECT_TRUE(play->isEnabled());
  play->click();
  EXPECT_EQ(player.PlayState(), Mp3Player::kPlaying);
  stop->click();
  EXPECT_EQ(player.PlayState(), Mp3Player::kStopped);
  EXPECT_FALSE(stop->isEnabled());

  // A stop from elsewhere (a chat command) shows as well.
  play->click();
  player.Stop();
  Settle();
  EXPECT_TRUE(play->isEnabled());
}

TEST_F(MediaPlayerPanelTest, MuteToggleAndSeekBarUseThePlayer) {
  auto* mute = Child<QToolButton>("mute");
  auto* seek = Child<QSlider>("seek");
  harness.recording().HoldAt(100);
  harness.Open(Mp3Fixtures::Get().tone);
  Settle();
  mute->click();
  EXPECT_TRUE(player.Muted());
  player.SetMute(false);
  Settle();
  EXPECT_FALSE(mute->isChecked());

  EXPECT_EQ(seek->maximum(), 245400);
  seek->triggerAction(QAbstractSlider::SliderPageStepAdd);
  Settle();
  EXPECT_NEAR(player.Position(), 24.54, 0.01);
  EXPECT_EQ(Child<QLabel>("time")->text(), QStringLiteral("0:24 / 4:05"));
}
