#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include "platform/win32/WindowSystem.h"
#include "src/aol/AolClient.h"
#include "tests/support/FakeRuntime.h"

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  QString Read() const {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
  }
  void Write(const QString& content) const {
    QFile f(file);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(content.toUtf8());
  }

  QTemporaryDir dir;
  QString file = dir.filePath("mp3.ini");
  WindowSystem windows;
  FakeRuntime runtime;
  AolClient aol{windows, runtime};
};

TEST_F(ProfileTest, MissingFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", file), "");
  Write("[other]\ndir=x\n");
  EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", file), "");
  Write("[mp3dir]\nfolder=x\n");
  EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", file), "");
}

TEST_F(ProfileTest, WriteStoresTheUpperCaseKeyAndReadsBackUnchanged) {
  for (QString value : {QString("/home/joe/Music"), QString(" spaced out/ "), QString::fromUtf8("/музыка/音楽/"),
                        QString("\"quoted\""), QString("a=b;c[d]"), QString("")}) {
    aol.WriteIniValue("mp3dir", "dir", value, file);
    EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", file), value);
  }
  EXPECT_EQ(Read().count("DIR="), 1);  // saving again keeps one key line
  EXPECT_TRUE(Read().startsWith("[mp3dir]\nDIR="));
}

TEST_F(ProfileTest, HandEditedNamesMatchInAnyCaseAndOtherLinesSurvive) {
  Write("; my settings\n[Other]\nkeep=1\n\n[MP3DIR]\nDir = /music\nextra=2\n[last]\nz=3\n");
  EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", file), "/music");
  aol.WriteIniValue("mp3dir", "dir", "/new", file);
  EXPECT_EQ(Read(), "; my settings\n[Other]\nkeep=1\n\n[MP3DIR]\nDIR=/new\nextra=2\n[last]\nz=3\n");
  aol.WriteIniValue("fresh", "k", "v", file);
  EXPECT_TRUE(Read().endsWith("[last]\nz=3\n[fresh]\nK=v\n"));
  EXPECT_EQ(aol.ReadIniValue("Fresh", "K", file), "v");
}

TEST_F(ProfileTest, LongValuesAreCutTo749Characters) {
  QString longValue(800, 'x');
  aol.WriteIniValue("other", "note", longValue, file);
  EXPECT_EQ(aol.ReadIniValue("other", "note", file), QString(749, 'x'));
  QString wide(760, QChar(0x00E9));  // two bytes each in the file
  aol.WriteIniValue("other", "note", wide, file);
  EXPECT_EQ(aol.ReadIniValue("other", "note", file), QString(749, QChar(0x00E9)));
}

TEST_F(ProfileTest, FailedWriteLeavesTheOldFileWhole) {
  aol.WriteIniValue("mp3dir", "dir", "/kept", file);
  aol.WriteIniValue("mp3dir", "dir", "two\nlines", file);  // refused: it would break the file
  EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", file), "/kept");
  aol.WriteIniValue("mp3dir", "dir", "/x", dir.filePath("missing/dir/mp3.ini"));
  EXPECT_FALSE(QFile::exists(dir.filePath("missing/dir/mp3.ini")));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"mp3.ini"});  // no temporary left behind
}

TEST_F(ProfileTest, AWriteKeepsALinkALinkAndTheFileItsPermissions) {
  const QString real = dir.filePath("settings/real.ini");
  QDir(dir.path()).mkpath("settings");
  aol.WriteIniValue("mp3dir", "dir", "/first", real);
  QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  ASSERT_TRUE(QFile::link(real, file));
  aol.WriteIniValue("mp3dir", "dir", "/second", file);
  EXPECT_TRUE(QFileInfo(file).isSymLink());
  EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", real), "/second");
  const auto permissions = QFile::permissions(real);
  EXPECT_TRUE(permissions & QFileDevice::WriteOwner);
  EXPECT_FALSE(permissions & (QFileDevice::ReadGroup | QFileDevice::ReadOther));
}

TEST_F(ProfileTest, WritersKilledAtAnyMomentLeaveAWholeFileAndOneTemporaryAtMost) {
  Write("[other]\nkeep=1\n");
  const QByteArray path = QFile::encodeName(file);
  std::mt19937 random(13);
  for (int round = 0; round < 50; ++round) {
    // Two programs beside one settings file, each saving the music directory
    // over and over; each tells of every save that returned.
    int ends[2][2];
    ASSERT_EQ(::pipe(ends[0]), 0);
    ASSERT_EQ(::pipe(ends[1]), 0);
    pid_t writers[2] = {};
    for (int w = 0; w < 2; ++w) {
      writers[w] = ::fork();
      if (writers[w] != 0) continue;
      const int told = ends[w][1];
      for (int fd : {ends[0][0], ends[0][1], ends[1][0], ends[1][1]})
        if (fd != told) ::close(fd);
      for (int n = 0;; ++n) {  // until killed
        const std::string value = "/music/" + std::to_string(w) + "/" + std::to_string(n);
        if (windows.WritePrivateProfileStringA("mp3dir", "DIR", value.c_str(), path.constData())) {
          [[maybe_unused]] const ssize_t wrote = ::write(told, "s", 1);
        }
      }
    }
    // Each is killed after a few saves, somewhere in the middle of the next.
    for (int w = 0; w < 2; ++w) {
      ::close(ends[w][1]);
      if (writers[w] > 0) {
        const int wanted = std::uniform_int_distribution<int>(1, 3)(random);
        char byte = 0;
        for (int i = 0; i < wanted && ::read(ends[w][0], &byte, 1) == 1; ++i) {
        }
        ::kill(writers[w], SIGKILL);
        ::waitpid(writers[w], nullptr, 0);
      }
      ::close(ends[w][0]);
    }
    ASSERT_TRUE(writers[0] > 0 && writers[1] > 0) << "fork failed";
    SCOPED_TRACE(round);
    QStringList others = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    others.removeAll("mp3.ini");
    EXPECT_LE(others.size(), 1) << others.join(", ").toStdString();
    EXPECT_EQ(aol.ReadIniValue("other", "keep", file), "1");
    EXPECT_TRUE(aol.ReadIniValue("mp3dir", "dir", file).startsWith("/music/"));
  }
}

}  // namespace
