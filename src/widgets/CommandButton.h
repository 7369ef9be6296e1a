#pragma once

#include <QPushButton>

// A push button; Click() is raised when it is pressed.
class CommandButton : public QPushButton {
  Q_OBJECT

 public:
  explicit CommandButton(const QString& caption, QWidget* parent = nullptr) : QPushButton(caption, parent) {
    connect(this, &QPushButton::clicked, this, [this] { emit Click(); });
  }

 signals:
  void Click();
};
