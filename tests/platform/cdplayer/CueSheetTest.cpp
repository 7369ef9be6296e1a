#include <gtest/gtest.h>

#include "tests/platform/cdplayer/DiscImage.h"
#include "platform/cdplayer/CueSheet.h"

using namespace cdtest;

TEST(CueSheet, NamesItsDataFilesQuotedOrNotRelativeToTheSheet) {
  const std::string dir = FreshDir("cuesheet");
  WriteFile(dir + "/a.cue",
            "REM a comment\n"
            "FILE \"My Disc (1).bin\" BINARY\n"
            "  TRACK 01 AUDIO\n"
            "file plain.bin BINARY\n"
            "FILE \"My Disc (1).bin\" BINARY\n"
            "FILE /abs/elsewhere.bin BINARY\n"
            "FILENAME not-a-file-line\n");
  EXPECT_EQ(CueSheetDataFiles(dir + "/a.cue"),
            (std::vector<std::string>{dir + "/My Disc (1).bin", dir + "/plain.bin", "/abs/elsewhere.bin"}));
  EXPECT_TRUE(CueSheetDataFiles(dir + "/missing.cue").empty());
}

TEST(CueSheet, CompleteOnlyWithOneWholeBinNamedLikeTheSheet) {
  const std::string dir = FreshDir("cuecomplete");
  const std::string cue = WriteCueImage(dir, "disc", ThreeTones());
  std::string why;
  EXPECT_TRUE(CueImageIsComplete(cue, &why)) << why;

  WriteBytes(dir + "/other.bin", ToneBytes(ThreeTones()));
  WriteFile(cue, CueText("other.bin", ThreeTones()));
  EXPECT_FALSE(CueImageIsComplete(cue, &why));
  EXPECT_NE(why.find("named like the sheet"), std::string::npos) << why;

  WriteFile(cue, CueText("disc.bin", ThreeTones()) + "FILE \"other.bin\" BINARY\n");
  EXPECT_FALSE(CueImageIsComplete(cue, &why));
  EXPECT_NE(why.find("several"), std::string::npos) << why;
}
