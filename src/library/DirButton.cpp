#include "src/app/Form1.h"

void Form1::Command1_Click() {}
