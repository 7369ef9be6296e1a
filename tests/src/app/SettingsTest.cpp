#include <QDir>

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

TEST_F(SettingsTest, ALongValueIsCutTo749Characters) {
  // A real directory whose path is exactly 749 characters long.
  QString directory = exeDir.path();
  while (directory.size() < 749) {
    const qsizetype room = 749 - directory.size() - 1;
    directory += "/" + QString(std::min<qsizetype>(room, 200), 'd');
  }
  ASSERT_EQ(directory.size(), 749);
  ASSERT_TRUE(QDir().mkpath(directory));
  QFile(directory + "/deep.mp3").open(QIODevice::WriteOnly);

  WriteSettings("[mp3dir]\nDIR=" + (directory + QString(51, 'x')).toUtf8() + "\n");
  MakeForm().Start();
  EXPECT_EQ(form->Aol().ReadIniValue("mp3dir", "dir", form->SettingsFilePath()).size(), 749);
  EXPECT_EQ(form->File1->Path(), directory);
  EXPECT_EQ(form->File1->List(0), "deep.mp3");
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
