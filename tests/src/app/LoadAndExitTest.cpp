#include <QDir>
#include <QTest>

#include "src/app/HelpLines.h"
#include "src/shared/Announcements.h"
#include "tests/support/FormFixture.h"

namespace {

class LoadTest : public FormFixture {};

TEST_F(LoadTest, StepsRunInOrderAndTheWindowShowsLast) {
  Form1& f = MakeForm();
  log.clear();
  runtime.SetNow(1000.2);
  f.Start();

  const CallLog expected = {
      "setwindowpos:-1:3",
      "line:" + Utf8(ProductLine()),
      "line:" + Utf8(LoadedLine("Joe")),
      "chat.StartScanning",
  };
  EXPECT_EQ(log, expected);
  EXPECT_GE(runtime.Seconds(), 1000.2 + 0.5);  // the one-second wait ran on the test's clock
  EXPECT_EQ(desktop.SentIn(room), (std::vector<std::string>{Utf8(ProductLine()), Utf8(LoadedLine("Joe"))}));
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(f.IsTopmost());
  EXPECT_EQ(f.OuterHeight(), Form1::kDesignOuterHeight);
}

TEST_F(LoadTest, ScanningStartsAfterTheLoadedLineAndBeforeTheHelpList) {
  // The scanner notes, when it is started, what the load has done so far.
  MakeForm();
  std::size_t linesAtStart = 0;
  int helpAtStart = -1;
  bool shownAtStart = true;
  chat.beforeCall = [&](const std::string&) {
    linesAtStart = desktop.sent().size();
    helpAtStart = form->List1->ListCount();
    shownAtStart = form->isVisible();
  };
  form->Start();
  EXPECT_EQ(linesAtStart, 2u);
  EXPECT_EQ(helpAtStart, 0);
  EXPECT_FALSE(shownAtStart);
  EXPECT_TRUE(chat.scanning);
}

// The help list's lines themselves are held against the command table in HelpAndTableTest.
TEST_F(LoadTest, TheLoadShowsTheHelpListInItsOwnOrder) {
  MakeForm().Start();
  QStringList shown;
  for (int i = 0; i < form->List1->ListCount(); ++i) shown.push_back(form->List1->List(i));
  EXPECT_EQ(shown, HelpLines());
}

TEST_F(LoadTest, SignedOffTheLoadCompletesSilently) {
  WindowSystem empty;
  form = std::make_unique<Form1>(
      Form1::Platform{empty, runtime, player, chat, cd, boxes, process, exeDir.path(), nullptr});
  form->Start();
  EXPECT_TRUE(desktop.sent().empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->List1->ListCount(), 34);
  EXPECT_TRUE(chat.scanning);
  form.reset();  // before the window system it is registered in
}

TEST_F(LoadTest, TheMusicDirectoryIsRestoredFromTheSettings) {
  const QString music = MakeMusicFolder("my music", {"b.mp3", "A.MP3", "notes.txt"});
  WriteSettings("[MP3Dir]\ndir=" + music.toUtf8() + "\n");
  MakeForm().Start();
  EXPECT_EQ(form->File1->Path(), music);
  ASSERT_EQ(form->File1->ListCount(), 2);
  EXPECT_EQ(form->File1->List(0), "A.MP3");
  EXPECT_EQ(form->Text2->Text(), "");  // the setting is not shown in the box
}

TEST_F(LoadTest, AMissingEmptyOrBadSettingLeavesTheFileList) {
  const QString start = QDir::currentPath();
  for (const QByteArray& content :
       {QByteArray(), QByteArray("[mp3dir]\n"), QByteArray("[mp3dir]\nDIR=\n"),
        QByteArray("[mp3dir]\nDIR=/no/such/directory\n"), QByteArray("[other]\nDIR=/tmp\n")}) {
    QFile::remove(exeDir.filePath("mp3.ini"));
    if (!content.isNull()) WriteSettings(content);
    MakeForm().Start();
    EXPECT_EQ(form->File1->Path(), start) << content.toStdString();
    EXPECT_TRUE(form->isVisible());
  }
}

class ExitTest : public FormFixture {
 protected:
  ExitTest() {
    MakeForm().Start();
    log.clear();
  }
  std::size_t LinesBefore() const { return desktop.sent().size(); }
};

TEST_F(ExitTest, CloseLabelRefusesWhileATrackPlays) {
  player.state = MediaPlayerControl::kPlaying;
  const std::size_t lines = LinesBefore();
  form->Label7_Click();
  EXPECT_EQ(log, (CallLog{"box(Stop the current mp3|Morva MP3|!)"}));
  EXPECT_EQ(desktop.sent().size(), lines);
  EXPECT_EQ(player.state, MediaPlayerControl::kPlaying);
}

TEST_F(ExitTest, CloseLabelEndsWithTheExitAnnouncementOtherwise) {
  for (int state : {MediaPlayerControl::kPaused, MediaPlayerControl::kStopped, MediaPlayerControl::kClosed}) {
    log.clear();
    player.state = state;
    cd.track = 2;  // a CD playing does not hold the exit back
    const double before = runtime.Seconds();
    EXPECT_THROW(form->Label7_Click(), ProcessEnded) << state;
    EXPECT_EQ(log, (CallLog{"line:" + Utf8(ProductLine()), "line:" + Utf8(UnloadedLine("Joe")), "process.End"}));
    EXPECT_GE(runtime.Seconds() - before, 0.5);
  }
}

TEST_F(ExitTest, ExitCommandHasItsOwnRefusalText) {
  player.state = MediaPlayerControl::kPlaying;
  chat.Receive("Joe", ".exit");
  EXPECT_EQ(log, (CallLog{"box(Stop the current MP3|Morva MP3|!)"}));
  player.state = MediaPlayerControl::kPaused;
  log.clear();
  EXPECT_THROW(chat.Receive("Joe", ".exit"), ProcessEnded);
  EXPECT_EQ(log, (CallLog{"line:" + Utf8(ProductLine()), "line:" + Utf8(UnloadedLine("Joe")), "process.End"}));
}

TEST_F(ExitTest, ClickingTheCloseLabelRunsTheCheck) {
  player.state = MediaPlayerControl::kPlaying;
  QTest::mouseClick(form->Label7, Qt::LeftButton);
  EXPECT_EQ(Logged("box("), (CallLog{"box(Stop the current mp3|Morva MP3|!)"}));
}

}  // namespace
