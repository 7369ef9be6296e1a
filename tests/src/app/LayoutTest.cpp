#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "tests/support/FormFixture.h"

namespace {

// Pixels within the client area: twips / 15.
struct Bounds {
  const char* name;
  QWidget* control;
  QRect rect;
};

class LayoutTest : public FormFixture {
 protected:
  LayoutTest() {
    MakeForm([this](QWidget* parent) {
      panel = new QWidget(parent);
      return panel;
    });
  }

  std::vector<Bounds> Shown() const {
    return {
        {"List1", form->List1, {8, 8, 241, 60}},        {"File1", form->File1, {8, 80, 257, 71}},
        {"panel", panel, {8, 144, 257, 49}},            {"Command1", form->Command1, {8, 200, 25, 17}},
        {"Text2", form->Text2, {40, 200, 225, 19}},     {"Label1", form->Label1, {248, 0, 17, 17}},
        {"Label7", form->Label7, {264, 0, 17, 17}},     {"Label5", form->Label5, {248, 56, 33, 17}},
        {"Label6", form->Label6, {264, 80, 17, 17}},    {"Label8", form->Label8, {264, 176, 17, 17}},
        {"Label9", form->Label9, {264, 200, 17, 17}},
    };
  }

  // The names of the controls that show at least one pixel in the client area.
  std::vector<std::string> Visible() const {
    std::vector<std::string> names;
    auto all = Shown();
    all.push_back({"List2", form->List2, {}});
    all.push_back({"Text1", form->Text1, {}});
    for (const Bounds& b : all)
      if (b.control->geometry().intersects(form->ClientArea->rect())) names.push_back(b.name);
    return names;
  }

  int Index(QObject* control) const {
    return static_cast<int>(form->ClientArea->children().indexOf(control));
  }

  QWidget* panel = nullptr;
};

TEST_F(LayoutTest, EveryControlAtItsBounds) {
  for (const Bounds& b : Shown()) {
    EXPECT_EQ(b.control->parentWidget(), form->ClientArea) << b.name;
    EXPECT_EQ(b.control->geometry(), b.rect) << b.name;
  }
  EXPECT_EQ(form->List2->geometry(), QRect(48, 224, 217, 17));
  EXPECT_EQ(form->Text1->geometry(), QRect(160, 312, 137, 145));
  // The frame is three pixels on each side; the client area sits inside it.
  EXPECT_EQ(form->ClientArea->geometry(), QRect(3, 3, 278, 72));
  EXPECT_EQ(form->size(), QSize(284, 78));
  EXPECT_EQ(form->OuterHeight(), 1170);
}

TEST_F(LayoutTest, WindowIsFramelessFixedInWidthAndInTheTopRightCorner) {
  EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(form->windowTitle().isEmpty());
  EXPECT_EQ(form->minimumWidth(), 284);
  EXPECT_EQ(form->maximumWidth(), 284);
  form->Start();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(form->frameGeometry().topRight(), screen.topRight());
  EXPECT_EQ(form->size(), QSize(284, 78));
}

TEST_F(LayoutTest, CaptionsColoursAndFonts) {
  const std::pair<QString, const char*> captions[] = {
      {form->Label1->text(), "  -"}, {form->Label7->text(), "  x"}, {form->Label5->text(), "     v"},
      {form->Label6->text(), "  ^"}, {form->Label8->text(), "  v"}, {form->Label9->text(), "  ^"},
      {form->Command1->text(), "dir:"}};
  for (const auto& [shown, caption] : captions) EXPECT_EQ(shown, caption) << caption;
  EXPECT_EQ(form->Text2->Text(), "");
  EXPECT_EQ(form->Text1->Text(), "Text1");
  EXPECT_EQ(form->File1->Pattern(), "*.mp3");

  EXPECT_EQ(form->List1->palette().color(QPalette::Base), QColor(0, 0, 0));
  EXPECT_EQ(form->List1->palette().color(QPalette::Text), QColor(255, 0, 0));
  EXPECT_EQ(form->File1->palette().color(QPalette::Base), QColor(0, 0, 64));
  EXPECT_EQ(form->File1->palette().color(QPalette::Text), QColor(255, 255, 255));
  for (ClickLabel* label : {form->Label1, form->Label7, form->Label5, form->Label6, form->Label8, form->Label9})
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 255, 255)) << label->text().toStdString();
  for (ClickLabel* label : {form->Label7, form->Label5, form->Label6}) {
    EXPECT_TRUE(label->autoFillBackground());
    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(0, 0, 0));
  }
  for (ClickLabel* label : {form->Label1, form->Label8, form->Label9}) EXPECT_FALSE(label->autoFillBackground());

  auto font = [](QWidget* w) { return std::make_pair(w->font().family().toStdString(), w->font().pointSizeF()); };
  EXPECT_EQ(font(form->List1), std::make_pair(std::string("Times New Roman"), 8.25));
  EXPECT_EQ(font(form->Label1), std::make_pair(std::string("Tahoma"), 9.0));
  EXPECT_EQ(font(form->Label7), std::make_pair(std::string("Tahoma"), 8.25));
  for (QWidget* w : std::initializer_list<QWidget*>{form->Label5, form->File1, form->Command1, form->Text2})
    EXPECT_EQ(font(w), std::make_pair(std::string("MS Sans Serif"), 8.25));
}

TEST_F(LayoutTest, RenderedBackgroundFrameAndLists) {
  form->SetOuterHeight(Form1::kPlayerView);
  form->show();
  const QImage image = form->grab().toImage();
  // The frame: light outer edge at the top left, black at the bottom right.
  EXPECT_EQ(image.pixelColor(0, 0), QColor(192, 192, 192));
  EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 255, 255));
  EXPECT_EQ(image.pixelColor(283, 202), QColor(0, 0, 0));
  // Background between the list and the labels, and under the panel.
  EXPECT_EQ(image.pixelColor(3 + 255, 3 + 30), QColor(0, 0, 0));
  EXPECT_EQ(image.pixelColor(3 + 4, 3 + 195), QColor(0, 0, 0));
  // Inside the lists, away from any entry.
  EXPECT_EQ(image.pixelColor(3 + 200, 3 + 60), QColor(0, 0, 0));
  EXPECT_EQ(image.pixelColor(3 + 200, 3 + 135), QColor(0, 0, 64));
  // The panel covers the file list's foot.
  EXPECT_EQ(image.pixelColor(3 + 200, 3 + 148), QColor(0, 0, 0));
}

TEST_F(LayoutTest, ViewsShowWhatTheirHeightReaches) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(Visible(), (Names{"List1", "Label1", "Label7", "Label5"}));
  // Design-time size: the lowest pixel of "     v" is cut off.
  EXPECT_EQ(form->Label5->geometry().intersected(form->ClientArea->rect()).height(), 16);

  form->SetOuterHeight(Form1::kCommandView);
  EXPECT_EQ(Visible(), (Names{"List1", "Label1", "Label7", "Label5"}));
  EXPECT_EQ(form->Label5->geometry().intersected(form->ClientArea->rect()).height(), 17);

  form->SetOuterHeight(Form1::kPlayerView);
  EXPECT_EQ(Visible(), (Names{"List1", "File1", "panel", "Label1", "Label7", "Label5", "Label6", "Label8"}));
  EXPECT_EQ(form->ClientArea->height() * 15, 3045 - 90);

  form->SetOuterHeight(Form1::kDirectoryView);
  EXPECT_EQ(Visible(), (Names{"List1", "File1", "panel", "Command1", "Text2", "Label1", "Label7", "Label5", "Label6",
                              "Label8", "Label9"}));
  EXPECT_EQ(form->width(), 284);
}

TEST_F(LayoutTest, LabelsLieBehindAndThePanelInFrontOfTheFileList) {
  const std::vector<QWidget*> labels = {form->Label1, form->Label5, form->Label6,
                                        form->Label7, form->Label8, form->Label9};
  const std::vector<QWidget*> others = {form->List1,    form->File1, panel,       form->Command1,
                                        form->Text2,    form->List2, form->Text1};
  for (QWidget* label : labels)
    for (QWidget* other : others) EXPECT_LT(Index(label), Index(other));
  EXPECT_GT(Index(panel), Index(form->File1));
}

TEST_F(LayoutTest, EachHeightLabelFromEachView) {
  form->show();
  struct Case {
    int from;
    ClickLabel* label;
    int to;
  };
  const int design = Form1::kDesignOuterHeight, command = Form1::kCommandView, player = Form1::kPlayerView,
            directory = Form1::kDirectoryView;
  // Every label that shows in a view, clicked from that view.
  const std::vector<Case> cases = {
      {design, form->Label5, player},       {command, form->Label5, player},   {player, form->Label5, player},
      {directory, form->Label5, player},    {player, form->Label6, command},   {directory, form->Label6, command},
      {player, form->Label8, directory},    {directory, form->Label8, directory},
      {directory, form->Label9, player},
  };
  for (const Case& c : cases) {
    form->SetOuterHeight(c.from);
    const QPoint topLeft = form->pos();
    QTest::mouseClick(c.label, Qt::LeftButton);
    EXPECT_EQ(form->OuterHeight(), c.to) << c.from << " " << c.label->text().toStdString();
    EXPECT_EQ(form->pos(), topLeft);  // grows and shrinks downwards
    EXPECT_EQ(form->width(), 284);
  }
  // Only a left click counts.
  form->SetOuterHeight(command);
  QTest::mouseClick(form->Label5, Qt::RightButton);
  EXPECT_EQ(form->OuterHeight(), command);
}

TEST_F(LayoutTest, MinimiseLabel) {
  form->show();
  QTest::mouseClick(form->Label1, Qt::LeftButton);
  EXPECT_TRUE(form->IsMinimised());
  EXPECT_TRUE(form->IsShown());
}

TEST_F(LayoutTest, PressOnTheBackgroundOrFrameStartsAMove) {
  form->SetOuterHeight(Form1::kPlayerView);
  form->show();
  const std::string move = "syscommand:" + std::to_string(0xFFFFF012u) + ":0";
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    log.clear();
    QTest::mousePress(form->ClientArea, button, Qt::ShiftModifier, QPoint(255, 30));
    QTest::mouseRelease(form->ClientArea, button, Qt::ShiftModifier, QPoint(255, 30));
    EXPECT_EQ(log, (CallLog{"releasecapture", move})) << button;
  }
  log.clear();
  QTest::mousePress(form.get(), Qt::LeftButton, {}, QPoint(1, 1));
  QTest::mouseRelease(form.get(), Qt::LeftButton, {}, QPoint(1, 1));
  EXPECT_EQ(log, (CallLog{"releasecapture", move}));
}

TEST_F(LayoutTest, PressOnAControlDoesNotMove) {
  form->SetOuterHeight(Form1::kDirectoryView);
  form->show();
  log.clear();
  // Points in the client area: the list, the file list, a label, the panel
  // where it covers the file list's foot, the text box.
  for (QPoint at : {QPoint(20, 20), QPoint(20, 100), QPoint(260, 60), QPoint(100, 148), QPoint(100, 205)}) {
    QTest::mousePress(form->ClientArea, Qt::RightButton, {}, at);
    QTest::mouseRelease(form->ClientArea, Qt::RightButton, {}, at);
  }
  EXPECT_TRUE(Logged("syscommand").empty());
  EXPECT_TRUE(Logged("releasecapture").empty());
}

TEST_F(LayoutTest, KeepOnTopNeitherMovesNorResizesNorShows) {
  const QRect before = form->geometry();
  form->Aol().KeepOnTop(form->hWnd());
  EXPECT_EQ(Logged("setwindowpos"), (CallLog{"setwindowpos:-1:3"}));
  EXPECT_TRUE(form->IsTopmost());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->geometry(), before);
}

TEST_F(LayoutTest, KeepOnTopOnAShownWindowKeepsItShownInPlace) {
  form->SetOuterHeight(Form1::kPlayerView);
  form->show();
  const QRect before = form->geometry();
  form->Aol().KeepOnTop(form->hWnd());
  EXPECT_TRUE(form->IsTopmost());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->geometry(), before);
}

}  // namespace
