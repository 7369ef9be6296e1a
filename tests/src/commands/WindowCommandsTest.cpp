#include "tests/support/FormFixture.h"

namespace {

class WindowCommandsTest : public CommandFixture {
 protected:
  WindowCommandsTest() {
    form->SetOuterHeight(Form1::kDesignOuterHeight);
    form->show();
  }
};

TEST_F(WindowCommandsTest, HideThenComsShowsTheCommandView) {
  form->SetOuterHeight(Form1::kDirectoryView);
  Say(".hide");
  EXPECT_FALSE(form->IsShown());
  EXPECT_EQ(form->OuterHeight(), Form1::kDirectoryView);  // hidden, it keeps its height
  EXPECT_TRUE(NewLines().empty());
  Say(".coms");
  EXPECT_TRUE(form->IsShown());
  EXPECT_EQ(form->OuterHeight(), Form1::kCommandView);
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Viewing Commands")});
}

TEST_F(WindowCommandsTest, ComsOnAShownWindowOnlyAnnounces) {
  Say(".viewmp3s");
  EXPECT_EQ(form->OuterHeight(), Form1::kPlayerView);
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Viewing MP3's")});
  Say(".coms");
  EXPECT_EQ(form->OuterHeight(), Form1::kPlayerView);
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Viewing Commands")});
}

TEST_F(WindowCommandsTest, ComsOnAMinimisedWindowLeavesItMinimised) {
  form->SetOuterHeight(Form1::kPlayerView);
  form->Label1_Click();
  Say(".coms");
  EXPECT_TRUE(form->IsMinimised());
  EXPECT_EQ(form->OuterHeight(), Form1::kPlayerView);
  EXPECT_EQ(NewLines(), std::vector<std::string>{Morva("Viewing Commands")});
}

TEST_F(WindowCommandsTest, XHideShowsAtTheHeightItHad) {
  form->SetOuterHeight(Form1::kPlayerView);
  Say(".hide");
  Say(".xhide");
  EXPECT_TRUE(form->IsShown());
  EXPECT_EQ(form->OuterHeight(), Form1::kPlayerView);
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(WindowCommandsTest, ViewMp3sShowsAHiddenWindowInThePlayerView) {
  Say(".hide");
  Say(".viewmp3s");
  EXPECT_TRUE(form->IsShown());
  EXPECT_EQ(form->OuterHeight(), Form1::kPlayerView);
}

TEST_F(WindowCommandsTest, XViewMp3sAndXComsHideTheWholeWindow) {
  for (const char* command : {".xviewmp3s", ".xcoms"}) {
    form->SetOuterHeight(Form1::kDirectoryView);
    form->show();
    NewLines();
    Say(command);
    EXPECT_FALSE(form->IsShown()) << command;
    EXPECT_EQ(form->OuterHeight(), Form1::kDirectoryView) << command;
    EXPECT_EQ(NewLines(), std::vector<std::string>{Morva(std::string(command) == ".xcoms" ? "Hiding Commands"
                                                                                          : "Hiding MP3's")});
  }
}

}  // namespace
