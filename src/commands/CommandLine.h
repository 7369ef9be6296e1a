#pragma once

#include <QString>

// The owner's command line as the handlers see it.
struct CommandLine {
  QString text;
  // 1-based position of the first space; 0 when the text holds none.
  qsizetype firstSpace = 0;

  // The text from its n-th character (1-based) on; empty when it is shorter.
  QString From(qsizetype n) const { return n - 1 < text.size() ? text.mid(n - 1) : QString(); }
};
