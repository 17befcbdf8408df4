#include "form1.h"

void Form1::Picture2_MouseMove(std::int16_t, std::int16_t, std::int16_t, float, float) {}

void Form1::Picture3_MouseMove(std::int16_t, std::int16_t, std::int16_t, float, float) {}
