#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "tests/support/FormFixture.h"

namespace {

class TrackStartTest : public CommandFixture {
 protected:
  TrackStartTest() {
    MakeMusic({"a.mp3", "B.MP3", "double.mp3.mp3", "mid.mp3 live.mp3", "0.mp3"});
    NewCalls();
  }
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
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{Open(""), "player.Play"}));

  MakeMusic({"only.mp3"});
  Say(".r");
  Say(".r");
  EXPECT_EQ(NewLines(), (std::vector<std::string>{Morva("Playing [only]"), Red(""), Morva("Playing [only]")}));
  const std::string open = Open("only.mp3");
  EXPECT_EQ(NewCalls(), (std::vector<std::string>{open, open, "player.Play", "player.Stop", open, open, "player.Play"}));
}

// A folder the list cannot show is neither stored nor announced, whether it
// comes from .dir or the dir: button: the folder that was set stays, and
// standard error says why. The path is taken as typed, ~ and quotes too.
TEST_F(LibraryCommandsTest, DirKeepsTheStoredFolderWhenTheNewOneCannotBeListed) {
  MakeMusic({"x.mp3"});
  Say(".dir " + musicDir);
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Dir Is " + Utf8(musicDir))});
  const QString file = exeDir.filePath("a file");
  QFile(file).open(QIODevice::WriteOnly);
  const std::string here = Utf8(QDir::currentPath());
  const std::string typedAsIs = "; the folder is taken as typed: no ~ is expanded, no quote removed";
  struct Case {
    QString typed;
    std::string why;
  };
  for (const Case& c : {Case{"/no/such/place", "/no/such/place (No such file or directory)"},
                        Case{file, Utf8(file) + " (Not a directory)"},
                        Case{"~/music", here + "/~/music (No such file or directory)" + typedAsIs},
                        Case{"\"" + musicDir + "\"",
                             here + "/\"" + Utf8(musicDir) + "\" (No such file or directory)" + typedAsIs}}) {
    for (const bool button : {false, true}) {
      testing::internal::CaptureStderr();
      if (button) {
        form->Text2->SetText(c.typed);
        form->Command1->click();
      } else {
        Say(".dir " + c.typed);
      }
      const std::string what = Utf8(c.typed) + (button ? " with the dir: button" : " with .dir");
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                "morva: music folder not changed: cannot show the directory " + c.why + "\n")
          << what;
      EXPECT_EQ(NewLines(), std::vector<std::string>{}) << what;
      EXPECT_EQ(form->Aol().ReadIniPath("mp3dir", "dir", form->SettingsFilePath()), musicDir) << what;
      EXPECT_EQ(form->File1->Path(), musicDir) << what;
    }
  }

  // The empty text is no folder: it is stored (none chosen) and the list stays.
  Say(".dir");
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Dir Is ")});
  EXPECT_EQ(form->Aol().ReadIniPath("mp3dir", "dir", form->SettingsFilePath()), "");
  EXPECT_EQ(form->File1->ListCount(), 1);
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
