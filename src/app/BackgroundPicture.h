#pragma once

#include <QPixmap>
#include <QWidget>

// The window's client area: it paints the background picture, 400 x 300
// pixels of black, from its top-left corner, so the whole area is black in
// every view. A press on it is left to the window, which starts a move.
class BackgroundPicture : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 400;
  static constexpr int kHeight = 300;

  explicit BackgroundPicture(QWidget* parent);

  const QPixmap& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
};
