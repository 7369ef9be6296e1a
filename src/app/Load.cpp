#include "src/app/Form1.h"

void Form1::Start() {
  Form_Load();
  show();
}

void Form1::Form_Load() {}
