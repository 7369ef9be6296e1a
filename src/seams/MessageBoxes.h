#pragma once

#include <QString>

// Modal message boxes on the owner's screen: a text, a title, an icon and one
// OK button. Show returns when the owner has closed the box.
class MessageBoxes {
 public:
  enum class Icon { None, Exclamation };
  virtual ~MessageBoxes() = default;
  virtual void Show(const QString& text, const QString& title, Icon icon) = 0;
};
