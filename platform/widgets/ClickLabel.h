#pragma once

#include <QLabel>
#include <QMouseEvent>

// A label used as a button: a left click raises Click().
class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickLabel(const QString& caption, QWidget* parent = nullptr) : QLabel(caption, parent) {}

 signals:
  void Click();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Click();
    QLabel::mouseReleaseEvent(event);
  }
  // A press on the label belongs to the label, not to the window behind it.
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
};
