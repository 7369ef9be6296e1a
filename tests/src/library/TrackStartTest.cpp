#include <gtest/gtest.h>

#include <QDir>

#include "tests/support/FormFixture.h"

namespace {

class TrackStartTest : public CommandFixture {
 protected:
  TrackStartTest() {
    MakeMusic({"a.mp3", "B.MP3", "double.mp3.mp3", "mid.mp3 live.mp3", "0.mp3"});
    NewCalls();
  }
  std::string Open(const std::string& name) { return "player.OpenFile(" + musicDir.toStdString() + "/" + name + ")"; }
};

TEST_F(TrackStartTest, ChoosingWhileNothingPlaysOpensAndAnnounces) {
  form->File1->SetListIndex(1);
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{Open("a.mp3")}));
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Playing [a]")});
}

TEST_F(TrackStartTest, TitlesLoseEveryMp3InAnyCase) {
  // Sorted without regard to case: "0.mp3", "a.mp3", "B.MP3", "double...", "mid..."
  for (int i = 0; i < 5; ++i) {
    player.state = MediaPlayerControl::kStopped;
    form->File1->SetListIndex(i);
  }
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Playing [0]"), Morva("Playing [a]"), Morva("Playing [B]"),
                                                  Morva("Playing [double]"), Morva("Playing [mid live]")}));
}

TEST_F(TrackStartTest, ChoosingWhilePlayingStopsSendsTheBarePrefixAndWaits) {
  player.state = MediaPlayerControl::kPlaying;
  runtime.SetNow(1000.2);
  form->File1->SetListIndex(2);
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{"player.Stop", Open("B.MP3")}));
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Red(""), Morva("Playing [B]")}));
  EXPECT_DOUBLE_EQ(runtime.Seconds(), 1001.0);
}

TEST_F(TrackStartTest, ASecondChoiceDuringTheWaitWinsInBothRuns) {
  player.state = MediaPlayerControl::kPlaying;
  runtime.SetNow(1000.0);
  runtime.At(1000.3, [&] { form->File1->SetListIndex(3); });
  form->File1->SetListIndex(1);
  // The inner run finds the player stopped by the outer one.
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{"player.Stop", Open("double.mp3.mp3"), Open("double.mp3.mp3")}));
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Red(""), Morva("Playing [double]"), Morva("Playing [double]")}));
}

TEST_F(TrackStartTest, AFailedOpenSendsNoPlayingLine) {
  player.failing.insert("OpenFile");
  form->File1->SetListIndex(1);
  EXPECT_TRUE(NewLines().empty());
}

class LibraryCommandsTest : public CommandFixture {};

TEST_F(LibraryCommandsTest, RandomPlayWithOneFileAndWithNone) {
  // Empty list: nothing to select; the open of the bare directory fails quietly.
  player.failOpenIf = [](const QString& path) { return path.endsWith('/'); };
  Say(".r");
  EXPECT_TRUE(NewLines().empty());
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{"player.OpenFile(" + musicDir.toStdString() + "/)", "player.Play"}));

  MakeMusic({"only.mp3"});
  Say(".r");
  Say(".r");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Playing [only]"), Red(""), Morva("Playing [only]")}));
  const std::string open = "player.OpenFile(" + musicDir.toStdString() + "/only.mp3)";
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{open, open, "player.Play", "player.Stop", open, open, "player.Play"}));
}

TEST_F(LibraryCommandsTest, DirStoresAndAnnouncesEvenAMissingDirectory) {
  MakeMusic({"x.mp3"});
  Say(".dir /no/such/place");
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Dir Is /no/such/place")});
  EXPECT_EQ(form->File1->ListCount(), 1);  // the list stays where it was
  EXPECT_EQ(form->Aol().ReadIniValue("mp3dir", "dir", form->SettingsFilePath()), "/no/such/place");

  Say(".dir");
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Dir Is ")});
  EXPECT_EQ(form->Aol().ReadIniValue("mp3dir", "dir", form->SettingsFilePath()), "");

  QDir(exeDir.path()).mkpath("other music");
  Say(".dir " + exeDir.filePath("other music"));
  EXPECT_EQ(form->File1->ListCount(), 0);
  EXPECT_EQ(form->File1->Path(), exeDir.filePath("other music"));
}

TEST_F(LibraryCommandsTest, DirButtonUsesText2) {
  MakeMusic({"x.mp3"});
  form->Text2->SetText("");
  form->Command1->click();
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Dir is ")});
  form->Text2->SetText(musicDir);
  form->Command1->click();
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Dir is " + musicDir.toStdString())});
  EXPECT_EQ(form->Aol().ReadIniValue("mp3dir", "dir", form->SettingsFilePath()), musicDir);
}

TEST_F(LibraryCommandsTest, RefreshAndTotal) {
  Say(".total");
  MakeMusic({"one.mp3", "two.Mp3", "notes.txt", ".hidden.mp3"});  // a hidden file is not listed
  Say(".total");
  QFile(QDir(musicDir).filePath("three.mp3")).open(QIODevice::WriteOnly);
  Say(".total");
  Say(".refresh");
  Say(".total");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Total MP3s [0]"), Morva("Total MP3s [2]"),
                                                  Morva("Total MP3s [2]"), Morva("MP3 List Refreshed"),
                                                  Morva("Total MP3s [3]")}));
}

}  // namespace
