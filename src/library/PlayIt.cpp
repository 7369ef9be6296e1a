#include "src/app/Form1.h"

void Form1::PlayIt(const QString&) {}
