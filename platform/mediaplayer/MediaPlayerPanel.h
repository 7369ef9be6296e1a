#pragma once

#include <QWidget>

class Mp3Player;
class QLabel;
class QSlider;
class QTimer;
class QToolButton;

// The player's panel, 257 x 49 pixels (3855 x 735 twips): play, pause and
// stop buttons, a seek bar, elapsed and total time and a mute toggle. Every
// button acts through the player's own calls, and the panel follows the
// player's state however it changes (chat commands included): at once on its
// signals, and for the elapsed time a few times a second while it plays, and
// only then: an idle panel never wakes the program.
class MediaPlayerPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 257;
  static constexpr int kHeight = 49;

  // The player must outlive the panel.
  MediaPlayerPanel(Mp3Player& player, QWidget* parent = nullptr);

  // Reads the player's state into the widgets (also run by the timer).
  void Refresh();

 private:
  Mp3Player& player_;
  QToolButton* play_;
  QToolButton* pause_;
  QToolButton* stop_;
  QToolButton* mute_;
  QSlider* seek_;
  QLabel* time_;
  QTimer* timer_;
};
