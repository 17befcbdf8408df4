#pragma once

class Form1;

namespace convert {

// Sizes Image1, which has just taken a picture at its natural size, as the frame and the last
// touched handle say; with the kept proportion the frame follows in the other direction. Raises
// a Failure when the picture cannot be scaled to that size.
void sizeToFrame(Form1& f);

}  // namespace convert
