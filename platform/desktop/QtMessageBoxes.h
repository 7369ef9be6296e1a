#pragma once

#include "src/seams/MessageBoxes.h"

// Modal message boxes on Qt Widgets. Without a display (Qt's offscreen or
// minimal platform) nobody could close a box, so it is printed to standard
// error as "[title] text" and Show returns at once.
class QtMessageBoxes : public MessageBoxes {
 public:
  void Show(const QString& text, const QString& title, Icon icon) override;
};
