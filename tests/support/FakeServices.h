#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "src/seams/MessageBoxes.h"
#include "src/seams/ProcessControl.h"
#include "tests/support/FakeControls.h"

// Records each box in the call log; Show returns at once, as if OK was pressed.
class FakeMessageBoxes : public MessageBoxes {
 public:
  explicit FakeMessageBoxes(CallLog& log) : log_(log) {}
  void Show(const QString& text, const QString& title, Icon icon) override {
    log_.push_back("box(" + text.toStdString() + "|" + title.toStdString() + "|" +
                   (icon == Icon::Exclamation ? "!" : "-") + ")");
  }

 private:
  CallLog& log_;
};

// Thrown instead of ending the test process.
struct ProcessEnded : std::runtime_error {
  ProcessEnded() : std::runtime_error("process ended") {}
};

class FakeProcess : public ProcessControl {
 public:
  explicit FakeProcess(CallLog& log) : log_(log) {}
  [[noreturn]] void EndProcess() override {
    log_.push_back("process.End");
    throw ProcessEnded();
  }

 private:
  CallLog& log_;
};
