#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "src/seams/ControlError.h"
#include "src/seams/MusicCollection.h"
#include "src/widgets/ClickLabel.h"
#include "src/widgets/FileListBox.h"
#include "src/widgets/ListBox.h"

namespace {

// A parent that records the mouse presses that reach it.
class PressCatcher : public QWidget {
 public:
  int presses = 0;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    ++presses;
    event->accept();
  }
};

TEST(ClickLabelTest, LeftClickRaisesClickAndKeepsThePressToItself) {
  PressCatcher parent;
  parent.resize(100, 100);
  auto* label = new ClickLabel("  x", &parent);
  label->setGeometry(10, 10, 17, 17);
  parent.show();
  QSignalSpy clicks(label, &ClickLabel::Click);
  QTest::mouseClick(label, Qt::LeftButton);
  QTest::mouseClick(label, Qt::RightButton);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(parent.presses, 0);
  // A release outside the label is no click.
  QTest::mousePress(label, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(50, 50));
  EXPECT_EQ(clicks.count(), 1);
}

TEST(ClickLabelTest, ColoursWithAndWithoutBackground) {
  ClickLabel label("  v");
  label.SetColours(Qt::white);
  EXPECT_FALSE(label.autoFillBackground());
  EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(Qt::white));
  label.SetColours(Qt::white, QColor(Qt::black));
  EXPECT_TRUE(label.autoFillBackground());
  EXPECT_EQ(label.palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_EQ(label.text(), "  v");  // plain text, leading spaces kept
}

TEST(ListBoxTest, KeepsEntriesInTheOrderAdded) {
  ListBox list;
  for (const char* entry : {"b", "  a  ", "c"}) list.AddItem(entry);
  EXPECT_EQ(list.ListCount(), 3);
  EXPECT_EQ(list.List(1), "  a  ");
  EXPECT_EQ(list.List(3), "");
  EXPECT_EQ(list.List(-1), "");
  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
}

// The list's order: the case-folded name, ties by the name.
bool ListOrder(const QString& a, const QString& b) {
  const int byFold = a.toCaseFolded().compare(b.toCaseFolded());
  return byFold != 0 ? byFold < 0 : a < b;
}

class FileListBoxTest : public ::testing::Test {
 protected:
  void Touch(const QString& name) const { QFile(dir.filePath(name)).open(QIODevice::WriteOnly); }
  // Lists the folder's MP3 files; shown at the size given, if one is.
  void ListFolder(QSize shown = {}) {
    files.SetPattern("*.mp3");
    files.SetPath(dir.path());
    if (shown.isEmpty()) return;
    files.resize(shown);
    files.show();
  }
  QTemporaryDir dir;
  FileListBox files;
};

TEST_F(FileListBoxTest, ListsMatchingFilesSortedWithoutRegardToCase) {
  for (const char* name : {"beta.mp3", "Alpha.MP3", "gamma.Mp3", "notes.txt", "mp3", "x.mp3.bak"}) Touch(name);
  QDir(dir.path()).mkdir("folder.mp3");
  ListFolder();
  ASSERT_EQ(files.ListCount(), 3);
  EXPECT_EQ(files.List(0), "Alpha.MP3");
  EXPECT_EQ(files.List(1), "beta.mp3");
  EXPECT_EQ(files.List(2), "gamma.Mp3");
  Touch("Aardvark.mp3");
  EXPECT_EQ(files.ListCount(), 3);
  files.Refresh();
  EXPECT_EQ(files.List(0), "Aardvark.mp3");
}

// The list's order is the case-folded name, ties by the name, both compared
// as UTF-16; the view shows, row for row, what the list holds, and a click on
// a row selects that entry.
TEST_F(FileListBoxTest, TheViewShowsAndSelectsTheEntriesInCaseFoldedOrder) {
  QStringList names;
  for (const char* name : {"abc.mp3", "ABC.mp3", "Äpfel.mp3", "apfel.mp3", "Zebra.MP3", "a b.mp3", "ab.mp3",
                           "x\U0001D11E.mp3", "x\uFF21.mp3", "x\uFF41 .mp3", "\u212A.mp3", "k.mp3", "ß.mp3",
                           "ss.mp3", "Σ.mp3", "σ.mp3", "ς.mp3", "A long common prefix One.mp3",
                           "a long common prefix one.mp3", "a long common prefix two.mp3",
                           "a long common prefix\uFF21.mp3", "a long common prefix\U0001D11E.mp3",
                           "An extremely long prefix shared by letters b.mp3",
                           "an extremely long prefix shared by letters a.mp3"})
    names.push_back(QString::fromUtf8(name));
  for (const QString& name : names) Touch(name);
  Touch("skip.txt");
  std::sort(names.begin(), names.end(), ListOrder);

  ListFolder({200, 60});
  ASSERT_EQ(files.ListCount(), names.size());
  ASSERT_EQ(files.model()->rowCount(), names.size());
  for (int i = 0; i < files.ListCount(); ++i) {
    EXPECT_EQ(files.List(i), names[i]) << i;
    EXPECT_EQ(files.model()->index(i, 0).data().toString(), names[i]) << i;
  }
  EXPECT_TRUE(files.uniformItemSizes());

  // A row scrolled into sight and clicked is the entry chosen.
  const int last = files.ListCount() - 1;
  files.scrollTo(files.model()->index(last, 0));
  QSignalSpy clicks(&files, &FileListBox::Click);
  QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, files.visualRect(files.model()->index(last, 0)).center());
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(files.ListIndex(), last);
  EXPECT_EQ(files.FileName(), names[last]);
  files.SetListIndex(2);
  EXPECT_EQ(files.currentIndex().row(), 2);
  EXPECT_EQ(files.FileName(), names[2]);
}

// A list that nothing has looked at yet (the working directory it starts
// with) is read when it is first read.
TEST_F(FileListBoxTest, StartsOnTheWorkingDirectoryReadWhenFirstLookedAt) {
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  Touch("b.mp3");
  FileListBox files;
  files.SetPattern("*.mp3");
  Touch("a.mp3");
  Touch("notes.txt");
  QDir::setCurrent(before);
  EXPECT_EQ(QDir(files.Path()), QDir(dir.path()));
  ASSERT_EQ(files.ListCount(), 2);
  EXPECT_EQ(files.List(0), "a.mp3");
  EXPECT_EQ(files.model()->rowCount(), 2);
}

TEST_F(FileListBoxTest, NamesThatAreNotUtf8AreLeftOutNotMangled) {
  Touch(QString::fromUtf8("caf\xC3\xA9.mp3"));
  // Written by byte: Latin-1 "café.mp3", which no UTF-8 text names.
  const QByteArray latin1 = QFile::encodeName(dir.path()) + "/caf\xE9 song.mp3";
  std::fclose(std::fopen(latin1.constData(), "w"));
  FileListBox files;
  files.SetPattern("*.mp3");
  testing::internal::CaptureStderr();
  files.SetPath(dir.path());
  EXPECT_NE(testing::internal::GetCapturedStderr().find("1 file(s)"), std::string::npos);
  EXPECT_EQ(files.ListCount(), 1);
  EXPECT_EQ(files.List(0), QString::fromUtf8("caf\xC3\xA9.mp3"));
}

TEST_F(FileListBoxTest, ADirectoryItCannotShowFailsAndTheOldOneStays) {
  Touch("one.mp3");
  ListFolder();
  EXPECT_THROW(files.SetPath(dir.filePath("missing")), ControlError);
  EXPECT_THROW(files.SetPath(dir.filePath("one.mp3")), ControlError);
  EXPECT_EQ(QDir(files.Path()), QDir(dir.path()));
  EXPECT_EQ(files.ListCount(), 1);
}

TEST_F(FileListBoxTest, SelectionInCodeAndByClickBothRaiseClick) {
  Touch("a.mp3");
  Touch("b.mp3");
  ListFolder({200, 100});
  QSignalSpy clicks(&files, &FileListBox::Click);
  files.SetListIndex(1);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(files.FileName(), "b.mp3");
  EXPECT_THROW(files.SetListIndex(2), ControlError);
  EXPECT_EQ(clicks.count(), 1);
  const QRect first = files.visualRect(files.model()->index(0, 0));
  QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, first.center());
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(files.ListIndex(), 0);
  // The keyboard chooses too; a key that moves nothing chooses nothing.
  QTest::keyClick(&files, Qt::Key_Down);
  EXPECT_EQ(clicks.count(), 3);
  EXPECT_EQ(files.FileName(), "b.mp3");
  QTest::keyClick(&files, Qt::Key_Down);
  EXPECT_EQ(clicks.count(), 3);
}

// A collection that lists what the test says and hands its changes on.
class ScriptedCollection : public MusicCollection {
 public:
  std::vector<std::pair<std::string, std::string>> tracks;
  std::function<void(const TrackChanges&)> changed;

  void ListTracks(const QString&, bool, TrackSink& sink) override {
    for (const auto& [path, tags] : tracks) sink.Track(path, tags);
  }
  Count CountTracks(const QString&, int) override { return {}; }
  void Watch(const QString& folder, std::function<void(const TrackChanges&)> then) override {
    changed = folder.isEmpty() ? nullptr : std::move(then);
  }
};

// Tracks that come in list order (as an index gives them) and the same
// tracks in any other order make the same list.
TEST_F(FileListBoxTest, TracksInListOrderOrNotMakeTheSameList) {
  std::vector<std::pair<std::string, std::string>> inOrder;
  for (const char* path : {"a b/x.mp3", "A/abc.mp3", "a/ABC.mp3", "a/abc.mp3", "a/b c.mp3", "a/bc.mp3",
                           "x\uFF21.mp3", "Z.MP3", "z/ß.mp3", "Ä/x.mp3", "ä/x.mp3"})
    inOrder.emplace_back(path, std::string("Tag\0", 4));
  // In order; one out of place; all in reverse.
  for (const int arrangement : {0, 1, 2}) {
    ScriptedCollection collection;
    collection.tracks = inOrder;
    if (arrangement == 1) std::rotate(collection.tracks.begin() + 2, collection.tracks.begin() + 3, collection.tracks.end());
    if (arrangement == 2) std::reverse(collection.tracks.begin(), collection.tracks.end());
    FileListBox files;
    files.SetPattern("*.mp3");
    files.SetCollection(&collection);
    files.SetSubfolders(true);
    files.SetPath(dir.path());
    ASSERT_EQ(files.ListCount(), static_cast<int>(inOrder.size())) << arrangement;
    for (int row = 0; row < files.ListCount(); ++row) {
      EXPECT_EQ(files.Names().NameBytes(row), inOrder[static_cast<std::size_t>(row)].first) << arrangement << " " << row;
      EXPECT_TRUE(files.Names().SearchForm(row).ends_with("tag")) << arrangement << " " << row;
    }
  }
}

// Changes go into the list in place: it stays in list order (case-folded,
// then by name), a removed folder takes only its own tracks (not those of a
// folder whose name differs in case), a changed track's tags are searched,
// and the entry selected stays selected without a Click. Many changes at
// once (one pass over the list) do the same.
TEST_F(FileListBoxTest, ChangesGoInPlaceInListOrderAndTheSelectionStays) {
  using namespace std::string_literals;
  ScriptedCollection collection;
  collection.tracks = {{"B/two.mp3", ""}, {"a/one.mp3", ""}, {"C/x.mp3", ""}};
  FileListBox files;
  files.SetPattern("*.mp3");
  files.SetCollection(&collection);
  files.SetSubfolders(true);
  files.SetPath(dir.path());
  ASSERT_TRUE(collection.changed);
  std::set<QString> now = {"B/two.mp3", "a/one.mp3", "C/x.mp3"};
  auto expectListed = [&](const char* what) {
    std::vector<QString> sorted(now.begin(), now.end());
    std::sort(sorted.begin(), sorted.end(), ListOrder);
    ASSERT_EQ(files.ListCount(), static_cast<int>(sorted.size())) << what;
    ASSERT_EQ(files.model()->rowCount(), files.ListCount()) << what;
    for (int row = 0; row < files.ListCount(); ++row) EXPECT_EQ(files.List(row), sorted[row]) << what << " " << row;
  };

  collection.changed({{"C/x.mp3"}, {{"A/zero.mp3", "Artist\0\0\0"s}, {"b/three.mp3", ""}, {"notes.txt", ""}}});
  now = {"B/two.mp3", "a/one.mp3", "A/zero.mp3", "b/three.mp3"};
  expectListed("added and removed");
  for (int row = 0; row < files.ListCount(); ++row)
    if (files.List(row) == "b/three.mp3") files.SetListIndex(row);
  ASSERT_EQ(files.FileName(), "b/three.mp3");
  QSignalSpy clicks(&files, &FileListBox::Click);

  collection.changed({{"B/"}, {}});
  now.erase("B/two.mp3");
  expectListed("a folder removed");
  collection.changed({{}, {{"A/zero.mp3", "Other\0\0\0"s}}});
  expectListed("a track's tags changed");
  ASSERT_EQ(files.List(1), "A/zero.mp3");
  EXPECT_NE(files.Names().SearchForm(1).find("other"), std::string_view::npos);
  EXPECT_EQ(files.FileName(), "b/three.mp3");

  TrackChanges many{{"a/"}, {}};
  for (int i = 0; i < 300; ++i) {
    const std::string path = "M/" + std::to_string(i) + ".mp3";
    many.added.emplace_back(path, "");
    now.insert(QString::fromStdString(path));
  }
  now.erase("a/one.mp3");
  collection.changed(many);
  expectListed("many at once");
  EXPECT_EQ(files.FileName(), "b/three.mp3");
  EXPECT_EQ(clicks.count(), 0);
}

}  // namespace
