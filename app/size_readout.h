#pragma once

namespace toolkit {
class TextBox;
}

// Shows a length of the frame in its box (ANCHO or ALTO), in the window's unit, and says it in
// pixels too, in the box's tooltip and in what a screen reader reads of it.
void showSize(toolkit::TextBox& box, float units);
