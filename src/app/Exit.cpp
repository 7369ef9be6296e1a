#include "src/app/Form1.h"

void Form1::Label7_Click() { ExitCheck("Stop the current mp3"); }

void Form1::ExitCheck(const QString&) {}
