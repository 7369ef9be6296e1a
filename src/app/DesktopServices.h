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

// The end of the program.
class ProcessControl {
 public:
  virtual ~ProcessControl() = default;
  // Ends the process at once: no further handler runs and nothing is saved.
  [[noreturn]] virtual void EndProcess() = 0;
};
