#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/e2e/MorvaProcess.h"
#include "tests/e2e/MusicFolder.h"
#include "tests/support/FileMode.h"

namespace {

// Joe's red announcements, up to their text.
const QByteArray kJoe = "Joe: \xE2\x80\xA2 ";
const QByteArray kMorva = kJoe + "Morva MP3 \xE2\x80\xA2 ";

// The program installed with `cmake --install` into a prefix its user cannot
// write, so mp3.ini cannot stand beside it and goes to the user's
// configuration folder.
class InstalledSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (!nobody || QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "running as root without setpriv or a user nobody: cannot run the program as an "
                        "ordinary user, for whom a read-only folder is closed";
      nobody_ = Nobody{nobody->pw_uid, nobody->pw_gid};
    }
    // Another user must reach the folder: it lies under the system's
    // temporary folder, open for reading.
    ASSERT_TRUE(root_.isValid());
    ASSERT_EQ(::chmod(QFile::encodeName(root_.path()).constData(), 0755), 0);
    prefix_ = root_.filePath("prefix");
    QProcess install;
    install.start(MORVA_CMAKE, {"--install", MORVA_BUILD_DIR, "--prefix", prefix_});
    ASSERT_TRUE(install.waitForFinished(60000) && install.exitCode() == 0) << install.readAll().toStdString();
    ASSERT_EQ(::chmod(QFile::encodeName(prefix_ + "/bin").constData(), 0555), 0);

    home_ = root_.filePath("home");
    music_ = home_ + "/music";
    ASSERT_TRUE(QDir().mkpath(music_) && QDir().mkpath(root_.filePath("run")));
    if (!WriteToneMp3(music_ + "/Alpha Song.mp3", 2, 440)) GTEST_SKIP() << "cannot make MP3 files (is lame installed?)";
    ASSERT_TRUE(Own(home_, 0755) && Own(music_, 0755) && Own(root_.filePath("run"), 0700));
  }

  // Hands the folder to the program's user.
  bool Own(const QString& path, mode_t mode) const {
    const QByteArray name = QFile::encodeName(path);
    if (nobody_ && ::chown(name.constData(), nobody_->uid, nobody_->gid) != 0) return false;
    return ::chmod(name.constData(), mode) == 0;
  }

  void TearDown() override { ::chmod(QFile::encodeName(prefix_ + "/bin").constData(), 0755); }

  // Starts the installed program in the home folder, with XDG_CONFIG_HOME unset.
  void Start(MorvaProcess& morva) {
    QStringList command = {"env", "-u", "XDG_CONFIG_HOME", "HOME=" + home_, "XDG_RUNTIME_DIR=" + root_.filePath("run"),
                           prefix_ + "/bin/morva", "--audio", "null", "--screen-name", "Joe"};
    if (nobody_)
      command = QStringList{"--reuid=" + QString::number(nobody_->uid), "--regid=" + QString::number(nobody_->gid),
                            "--clear-groups"} +
                command;
    const QString program = nobody_ ? "setpriv" : command.takeFirst();
    ASSERT_TRUE(morva.Start(program, command, home_));
    ASSERT_TRUE(morva.WaitForLine(kJoe + "Loaded By:Joe"))
        << morva.output().toStdString();
  }

  void Say(MorvaProcess& morva, const QByteArray& line, const QByteArray& reply) {
    morva.Type(line);
    ASSERT_TRUE(morva.WaitForLine(kMorva + reply)) << morva.output().toStdString();
  }

  QTemporaryDir root_{QDir::tempPath() + "/morva-installed-XXXXXX"};
  // The user the program runs as when the tests run as root: an ordinary
  // one, for whom a 0555 folder is really closed (root may write anywhere).
  struct Nobody {
    uid_t uid;
    gid_t gid;
  };
  std::optional<Nobody> nobody_;
  QString prefix_;
  QString home_;
  QString music_;
};

TEST_F(InstalledSettingsTest, DirIsKeptInTheUsersConfigurationFolderAndUsedAtTheNextStart) {
  {
    MorvaProcess morva;
    ASSERT_NO_FATAL_FAILURE(Start(morva));
    Say(morva, ".dir " + music_.toUtf8(), "Dir Is " + music_.toUtf8());
    morva.Type("/quit");
    EXPECT_EQ(morva.WaitForExit(), 0);
  }
  const QString folder = home_ + "/.config/morva";
  QFile settings(folder + "/mp3.ini");
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly)) << "no " << settings.fileName().toStdString();
  EXPECT_EQ(settings.readAll(), "[mp3dir]\nDIR=" + music_.toUtf8() + "\n");
  EXPECT_EQ(ModeOf(folder), 0700);
  EXPECT_EQ(QDir(prefix_ + "/bin").entryList(QDir::Files), QStringList{"morva"});

  // The home folder holds no MP3 file: only the stored folder has Alpha Song.
  MorvaProcess again;
  ASSERT_NO_FATAL_FAILURE(Start(again));
  Say(again, ".play alpha", "Playing [Alpha Song]");
  again.Type("/quit");
  EXPECT_EQ(again.WaitForExit(), 0);
}

// A folder that cannot be listed is not stored, and standard error says why;
// a start whose file list is empty, or that cannot show the stored folder,
// says which folder it shows and how to choose another.
TEST_F(InstalledSettingsTest, AFolderThatCannotBeListedIsNotStoredAndAStartSaysWhereItLooks) {
  const QString settings = home_ + "/.config/morva/mp3.ini";
  const QByteArray showsHome = "the file list shows " + home_.toUtf8() +
                               ", which holds no MP3 files; choose the music folder with .dir FOLDER in the chat "
                               "room or the dir: row of the window";
  const QString file = root_.filePath("a file");
  ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
  // Closed to the program's user: root's own folder when it runs as nobody,
  // else a folder of ours with no permissions at all.
  const QString locked = root_.filePath("locked");
  ASSERT_TRUE(QDir().mkpath(locked) && QFile(locked + "/Hidden.mp3").open(QIODevice::WriteOnly));
  ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), nobody_ ? 0700 : 0), 0);
  struct Unlistable {
    QString folder;
    const char* why;
  };
  const Unlistable unlistable[] = {{root_.filePath("not there"), "No such file or directory"},
                                   {file, "Not a directory"},
                                   {locked, "Permission denied"}};
  {
    MorvaProcess morva;
    morva.KeepErrors();
    ASSERT_NO_FATAL_FAILURE(Start(morva));
    QByteArray said = "morva: no music folder is set in " + settings.toUtf8() + "; " + showsHome + "\n";
    Say(morva, ".dir " + music_.toUtf8(), "Dir Is " + music_.toUtf8());
    for (const Unlistable& bad : unlistable) {
      morva.Type(".dir " + bad.folder.toUtf8());
      said += "morva: music folder not changed: cannot show the directory " + bad.folder.toUtf8() + " (" + bad.why +
              ")\n";
    }
    Say(morva, ".total", "Total MP3s [1]");
    EXPECT_TRUE(morva.WaitForErrorLine(said.chopped(1).split('\n').last())) << morva.errors().toStdString();
    EXPECT_EQ(morva.errors().toStdString(), said.toStdString());
    EXPECT_EQ(morva.output().count("Dir Is"), 1) << "the room was told of a folder that was not set";
    morva.Type("/quit");
    EXPECT_EQ(morva.WaitForExit(), 0);
  }
  QFile stored(settings);
  ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
  EXPECT_EQ(stored.readAll(), "[mp3dir]\nDIR=" + music_.toUtf8() + "\n");

  // The stored folder is shown at the next start, without a word.
  {
    MorvaProcess again;
    again.KeepErrors();
    ASSERT_NO_FATAL_FAILURE(Start(again));
    Say(again, ".total", "Total MP3s [1]");
    again.Type("/quit");
    EXPECT_EQ(again.WaitForExit(), 0);
    EXPECT_EQ(again.errors().toStdString(), "");
  }

  // Once it has gone, the start says so and what it shows instead.
  ASSERT_TRUE(QDir().rename(music_, music_ + "-gone"));
  MorvaProcess gone;
  gone.KeepErrors();
  ASSERT_NO_FATAL_FAILURE(Start(gone));
  EXPECT_TRUE(gone.WaitForErrorLine("morva: the stored music folder is not used: cannot show the directory " +
                                    music_.toUtf8() + " (No such file or directory); " + showsHome))
      << gone.errors().toStdString();
  gone.Type("/quit");
  EXPECT_EQ(gone.WaitForExit(), 0);
}

}  // namespace
