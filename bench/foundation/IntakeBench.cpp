// Lines per second through the chat intake: 100,000 lines of other members
// with 50 child windows open, each line reading the owner's name anew; the
// intake alone, and the whole road of a line (chat client, scanner, intake).
// The same with only the chat client's own windows is the peer, measured in
// the same run. Medians of five rounds.
#include <cstdio>

#include <QCoreApplication>

#include "bench/foundation/IntakeMeasure.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  PrintIntakeFigures(100000, 5);
  return 0;
}
