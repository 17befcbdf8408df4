#include "form1.h"

void Form1::Command3_Click(std::int16_t) {}

void Form1::Command4_Click() {}
