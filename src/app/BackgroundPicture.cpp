#include "src/app/BackgroundPicture.h"

#include <QImage>
#include <QPainter>

namespace {

QPixmap BlackPicture() {
  QImage image(BackgroundPicture::kWidth, BackgroundPicture::kHeight, QImage::Format_RGB888);
  image.fill(Qt::black);
  return QPixmap::fromImage(image);
}

}  // namespace

BackgroundPicture::BackgroundPicture(QWidget* parent) : QWidget(parent), picture_(BlackPicture()) {
  // Whatever the picture does not cover is black as well.
  QPalette colours = palette();
  colours.setColor(QPalette::Window, Qt::black);
  setPalette(colours);
  setAutoFillBackground(true);
}

void BackgroundPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_);
}
