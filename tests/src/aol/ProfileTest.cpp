#include <gtest/gtest.h>

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
  aol.WriteIniValue("mp3dir", "dir", longValue, file);
  EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", file), QString(749, 'x'));
  QString wide(760, QChar(0x00E9));  // two bytes each in the file
  aol.WriteIniValue("mp3dir", "dir", wide, file);
  EXPECT_EQ(aol.ReadIniValue("mp3dir", "dir", file), QString(749, QChar(0x00E9)));
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

}  // namespace
