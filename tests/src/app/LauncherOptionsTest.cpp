#include <gtest/gtest.h>

#include "src/app/LauncherOptions.h"

namespace {

TEST(LauncherOptionsTest, NothingGivenMeansTheDefaults) {
  const LauncherOptions options = ParseLauncherOptions({});
  EXPECT_TRUE(options.error.isEmpty());
  EXPECT_FALSE(options.help || options.version || options.signedOff || options.noRoom);
  EXPECT_EQ(options.audio, "auto");
  EXPECT_FALSE(options.cd || options.screenName || options.room);
}

TEST(LauncherOptionsTest, ValuesComeSeparateOrAfterAnEqualsSign) {
  const LauncherOptions options =
      ParseLauncherOptions({"--audio", "null", "--cd=/tmp/disc image.cue", "--screen-name", "Joe Bloggs",
                            "--room=a=b", "--signed-off", "--no-room"});
  EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
  EXPECT_EQ(options.audio, "null");
  EXPECT_EQ(options.cd, "/tmp/disc image.cue");
  EXPECT_EQ(options.screenName, "Joe Bloggs");
  EXPECT_EQ(options.room, "a=b");
  EXPECT_TRUE(options.signedOff);
  EXPECT_TRUE(options.noRoom);
}

TEST(LauncherOptionsTest, HelpAndVersion) {
  EXPECT_TRUE(ParseLauncherOptions({"--help"}).help);
  EXPECT_TRUE(ParseLauncherOptions({"--version"}).version);
  EXPECT_TRUE(LauncherUsage({"auto", "null"}).contains("  --audio OUTPUT       sound output: auto (default) or null\n"));
}

TEST(LauncherOptionsTest, FaultsAreNamed) {
  EXPECT_EQ(ParseLauncherOptions({"--loud"}).error, "unknown option --loud");
  EXPECT_EQ(ParseLauncherOptions({"music"}).error, "unexpected argument music");
  EXPECT_EQ(ParseLauncherOptions({"--cd"}).error, "--cd needs a value");
  EXPECT_EQ(ParseLauncherOptions({"--no-room=yes"}).error, "--no-room takes no value");
}

}  // namespace
