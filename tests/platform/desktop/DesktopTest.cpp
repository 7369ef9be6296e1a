#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/desktop/ImmediateExit.h"
#include "platform/desktop/QtMessageBoxes.h"
#include "platform/desktop/Screen.h"

namespace {

TEST(QtMessageBoxesTest, WithoutADisplayTheBoxGoesToStandardError) {
  ASSERT_FALSE(HasScreen());
  QtMessageBoxes boxes;
  testing::internal::CaptureStderr();
  boxes.Show("Stop the current mp3", "Morva MP3", MessageBoxes::Icon::Exclamation);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "[Morva MP3] Stop the current mp3\n");
}

TEST(ImmediateExitTest, EndsAtOnceWithStatusZeroAfterWritingWhatIsBuffered) {
  EXPECT_EXIT(
      {
        static char buffer[256];
        std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
        std::atexit([] { std::fputs("handler ran", stderr); });
        std::fputs("buffered", stderr);
        ImmediateExit().EndProcess();
      },
      ::testing::ExitedWithCode(0), "^buffered$");
}

}  // namespace
