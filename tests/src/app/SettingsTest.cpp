#include <climits>

#include <QDir>

#include "src/shared/Announcements.h"
#include "tests/support/FormFixture.h"

namespace {

class SettingsTest : public FormFixture {
 protected:
  // Saves the directory the way the system does, then starts a new window.
  void SaveAndRestart(const QString& directory) {
    MakeForm().Aol().WriteIniValue("mp3dir", "dir", directory, form->SettingsFilePath());
    MakeForm().Start();
  }
};

TEST_F(SettingsTest, TheFileLivesBesideTheExecutable) {
  EXPECT_EQ(MakeForm().SettingsFilePath(), exeDir.path() + "/mp3.ini");
}

TEST_F(SettingsTest, OddDirectoriesComeBackUnchanged) {
  const QString base = exeDir.path();
  for (const QString& relative : {QString("with  two spaces "), QString::fromUtf8("музыка/音楽"),
                                  QString("trailing/"), QString("semi;colon=equals[brackets]")}) {
    const QString directory = base + "/" + relative;
    MakeMusicFolder(relative, {"song.mp3"});
    SaveAndRestart(directory);
    EXPECT_EQ(form->Aol().ReadIniValue("mp3dir", "dir", form->SettingsFilePath()), directory);
    EXPECT_EQ(QDir(form->File1->Path()), QDir(directory)) << directory.toStdString();
    EXPECT_EQ(form->File1->List(0), "song.mp3");
  }
}

TEST_F(SettingsTest, AHandEditedKeyInAnyCaseIsRead) {
  const QString music = MakeMusicFolder("music", {"x.mp3"});
  for (const char* key : {"dir", "Dir", "dIR", "DIR"}) {
    WriteSettings("[mp3dir]\n" + QByteArray(key) + "=" + music.toUtf8() + "\n");
    MakeForm().Start();
    EXPECT_EQ(form->File1->Path(), music) << key;
  }
}

// A folder under `base` whose path is `length` characters long, made of
// `unit` repeated in names the file system takes (at most 255 bytes each).
QString FolderOfLength(const QString& base, qsizetype length, const QString& unit) {
  const qsizetype perName = unit.toUtf8().size() == unit.size() ? 255 : 255 / 3;  // characters of up to 3 bytes
  QString path = base;
  while (path.size() < length) {
    const qsizetype name = std::min(perName, length - path.size() - 1);
    path += "/" + (name > 0 ? unit.repeated(name).left(name) : QString("_"));
  }
  return path;
}

// What .dir or the "dir:" button stores comes back whole at the next start,
// up to the longest path the system takes; never cut at 749 characters.
TEST_F(SettingsTest, AStoredFolderComesBackWholeAtTheNextStart) {
  const QString e = QString::fromUtf8("\u00e9"), yin = QString::fromUtf8("\u97f3");
  struct Case {
    qsizetype length;
    QString unit;
  };
  for (const Case& c : {Case{1, "/"}, Case{749, "d"}, Case{750, "d"}, Case{844, "d"}, Case{4000, "d"},
                        Case{750, e}, Case{844, e + yin}, Case{1300, yin}}) {
    const QString directory = c.length == 1 ? QString("/") : FolderOfLength(exeDir.path(), c.length, c.unit);
    const std::string what = std::to_string(c.length) + " characters of " + Utf8(c.unit);
    ASSERT_EQ(directory.size(), c.length) << what;
    ASSERT_LT(directory.toUtf8().size(), PATH_MAX) << what;
    if (c.length > 1) {
      ASSERT_TRUE(QDir().mkpath(directory)) << what;
      ASSERT_TRUE(QFile(directory + "/deep.mp3").open(QIODevice::WriteOnly)) << what;
    }
    SaveAndRestart(directory);
    EXPECT_EQ(form->Aol().ReadIniPath("mp3dir", "dir", form->SettingsFilePath()).toUtf8(), directory.toUtf8())
        << what;
    EXPECT_EQ(form->File1->Path().toUtf8(), directory.toUtf8()) << what;
    EXPECT_EQ(form->File1->ListCount(), c.length > 1 ? 1 : 0) << what;  // "/" holds no MP3
  }
}

TEST_F(SettingsTest, AFailedSaveNamesTheFileOnStandardError) {
  const QString missing = exeDir.filePath("gone");
  Form1& f = MakeForm(nullptr, missing);
  testing::internal::CaptureStderr();
  f.Aol().WriteIniValue("mp3dir", "dir", "/music", f.SettingsFilePath());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(Utf8(missing + "/mp3.ini")), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
}

}  // namespace

namespace {

// The subfolder switch: the window's box and the chat words set the same
// state, each announcing, and the choice is kept for the next start.
TEST_F(SettingsTest, TheSubfolderSwitchIsOneStateForTheBoxAndTheWordsAndIsKept) {
  const std::string on = MorvaLine("MP3 List " + kMiddleDot + " Subfolders are Now Enabled").toStdString();
  const std::string off = MorvaLine("MP3 List " + kMiddleDot + " Subfolders are Now Disabled").toStdString();
  MakeForm().Start();
  NewLines();
  form->DeepSwitch->trigger();
  EXPECT_TRUE(form->File1->Subfolders());
  EXPECT_TRUE(form->DeepSwitch->isChecked());
  EXPECT_EQ(NewLines(), std::vector<std::string>{on});
  EXPECT_EQ(form->Aol().ReadIniValue("mp3dir", "deep", form->SettingsFilePath()), "1");

  form.reset();  // before the next is made: going, it lets go of the chat
  MakeForm().Start();
  EXPECT_TRUE(form->File1->Subfolders());
  EXPECT_TRUE(form->DeepSwitch->isChecked());
  NewLines();
  Say(".xdeep");
  EXPECT_FALSE(form->File1->Subfolders());
  EXPECT_FALSE(form->DeepSwitch->isChecked());
  EXPECT_EQ(NewLines(), std::vector<std::string>{off});
  MakeForm().Start();
  EXPECT_FALSE(form->File1->Subfolders());
}

}  // namespace
