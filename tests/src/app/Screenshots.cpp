// Renders the main window offscreen in each of its views and saves the
// pictures as PNG files in the test's build folder, to be looked at.

#include <QDir>

#include "platform/audio/AudioOutput.h"
#include "platform/mediaplayer/MediaPlayerPanel.h"
#include "platform/mediaplayer/Mp3Player.h"
#include "tests/support/FormFixture.h"
#include "tests/support/TestFolder.h"

namespace {

class Screenshots : public FormFixture {};

TEST_F(Screenshots, EveryView) {
  const QString music = MakeMusicFolder("music", {"Artist - First Song.mp3", "Second.mp3", "third track.MP3"});
  WriteSettings("[mp3dir]\nDIR=" + music.toUtf8() + "\n");
  Mp3Player mp3(MakeNullSinkFactory(NullPacing::None));
  MakeForm([&mp3](QWidget* parent) -> QWidget* { return new MediaPlayerPanel(mp3, parent); }).Start();
  form->Text2->SetText("/home/joe/Music");

  const QString folder = QString::fromStdString((TestFilesRoot() / "screenshots").string());
  QDir().mkpath(folder);
  for (auto [name, height] : {std::pair{"design", Form1::kDesignOuterHeight}, std::pair{"command", Form1::kCommandView},
                              std::pair{"player", Form1::kPlayerView}, std::pair{"directory", Form1::kDirectoryView}}) {
    form->SetOuterHeight(height);
    const QPixmap shot = form->grab();
    EXPECT_EQ(shot.height(), height / 15);
    const QString file = folder + "/form1-" + name + ".png";
    EXPECT_TRUE(shot.save(file)) << file.toStdString();
    // Three times as large, pixel for pixel, for a closer look.
    shot.scaled(shot.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(folder + "/form1-" + name + "-x3.png");
  }
  form.reset();  // the panel goes before the player
}

}  // namespace
