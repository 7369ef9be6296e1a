#include "src/app/Form1.h"

void Form1::File1_Click() {}
