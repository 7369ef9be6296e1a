#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "src/library/SettingsLocation.h"
#include "src/library/Library.h"
#include "tests/support/FormFixture.h"
#include "tests/support/FileMode.h"

namespace {

TEST(SettingsLocationTest, BesideTheExecutableOrInTheUsersConfigurationFolder) {
  struct Case {
    const char* name;
    bool executableFolderWritable;
    bool iniBesideIt;
    const char* xdgConfigHome;
    const char* home;
    const char* expected;  // EXE stands for the executable's folder
  };
  const Case cases[] = {
      {"a writable executable folder", true, false, "/cfg", "/home/joe", "EXE/mp3.ini"},
      {"a read-only executable folder", false, false, "/cfg", "/home/joe", "/cfg/morva/mp3.ini"},
      {"an mp3.ini beside a read-only executable", false, true, "/cfg", "/home/joe", "EXE/mp3.ini"},
      {"XDG_CONFIG_HOME unset", false, false, "", "/home/joe", "/home/joe/.config/morva/mp3.ini"},
      {"XDG_CONFIG_HOME not absolute", false, false, "cfg", "/home/joe", "/home/joe/.config/morva/mp3.ini"},
      {"no configuration folder and no home", false, false, "", "", "EXE/mp3.ini"},
  };
  for (const Case& c : cases) {
    QTemporaryDir executable;
    if (c.iniBesideIt) QFile(executable.filePath("mp3.ini")).open(QIODevice::WriteOnly);
    QStringList asked;
    const auto writable = [&](const QString& folder) {
      asked << folder;
      return c.executableFolderWritable;
    };
    const QString chosen = ChooseSettingsFile(executable.path(), c.xdgConfigHome, c.home, writable);
    EXPECT_EQ(chosen, QString(c.expected).replace("EXE", executable.path())) << c.name;
    EXPECT_EQ(asked, QStringList{executable.path()}) << c.name;
  }
}

TEST(SettingsLocationTest, WritabilityIsAskedOfTheSystem) {
  QTemporaryDir folder;
  EXPECT_TRUE(FolderIsWritable(folder.path()));
  EXPECT_FALSE(FolderIsWritable(folder.filePath("missing")));
  // Root may write anywhere: only an ordinary user sees a 0555 folder as closed.
  ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0555), 0);
  EXPECT_EQ(FolderIsWritable(folder.path()), ::geteuid() == 0);
  ::chmod(QFile::encodeName(folder.path()).constData(), 0700);
}

TEST(SettingsLocationTest, TheFolderIsMadePrivateAndExistingFoldersAreLeftAlone) {
  QTemporaryDir root;
  ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
  EXPECT_TRUE(MakeSettingsFolder(root.filePath("config/morva/mp3.ini")));
  EXPECT_EQ(ModeOf(root.filePath("config")), 0700);
  EXPECT_EQ(ModeOf(root.filePath("config/morva")), 0700);
  EXPECT_EQ(ModeOf(root.path()), 0755);
  EXPECT_TRUE(MakeSettingsFolder(root.filePath("config/morva/mp3.ini")));

  QFile(root.filePath("file")).open(QIODevice::WriteOnly);
  EXPECT_FALSE(MakeSettingsFolder(root.filePath("file/morva/mp3.ini")));
}

class SettingsFolderTest : public FormFixture {};

TEST_F(SettingsFolderTest, TheFirstSaveMakesTheFolderAndTheNextStartReadsIt) {
  const QString folder = exeDir.filePath("home/.config/morva");
  const QString music = MakeMusicFolder("music", {"song.mp3"});
  library::SetMusicDirectory(MakeForm(nullptr, folder).session(), music);
  EXPECT_EQ(form->SettingsFilePath(), folder + "/mp3.ini");
  EXPECT_TRUE(QFileInfo::exists(folder + "/mp3.ini"));

  MakeForm(nullptr, folder).Start();
  EXPECT_EQ(form->File1->Path(), music);
}

TEST_F(SettingsFolderTest, ASaveThatStillFailsNamesTheFile) {
  QFile(exeDir.filePath("in-the-way")).open(QIODevice::WriteOnly);
  const QString folder = exeDir.filePath("in-the-way/morva");
  testing::internal::CaptureStderr();
  library::SetMusicDirectory(MakeForm(nullptr, folder).session(), musicDir);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(Utf8(folder + "/mp3.ini")), std::string::npos) << said;
}

}  // namespace
