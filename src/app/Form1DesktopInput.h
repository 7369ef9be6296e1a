#pragma once

#include "src/seams/DesktopInput.h"

class Form1;

// The desktop's input wired to the main window: a command runs on the
// window's session as the owner's typed line does, announcement included.
class Form1DesktopInput : public DesktopInput {
 public:
  explicit Form1DesktopInput(Form1& form) : form_(form) {}

  void RunAsOwner(const QString& commandLine) override;
  void Raise() override;
  int TrackCount() const override;
  bool HasNext() const override;
  bool HasPrevious() const override;
  bool Shuffling() const override;
  void SetPlayOnChangedHandler(std::function<void()> handler) override;

 private:
  Form1& form_;
};
