#pragma once

#include <QKeyEvent>
#include <cstdint>

// Keys as the controls' key events carry them: one code per key, whatever the keyboard layout,
// and the modifier keys as bits.
namespace toolkit {

namespace keys {
inline constexpr std::int16_t Return = 13;
inline constexpr std::int16_t Escape = 27;
inline constexpr std::int16_t Left = 37;
inline constexpr std::int16_t Up = 38;
inline constexpr std::int16_t Right = 39;
inline constexpr std::int16_t Down = 40;
}  // namespace keys

// Modifier bits: 1 Shift, 2 Ctrl, 4 Alt.
inline constexpr std::int16_t kShiftBit = 1;
std::int16_t shiftBits(Qt::KeyboardModifiers modifiers);

// The code of a key the window acts on (the arrows, Enter on either keypad, Escape); 0 for any
// other key.
std::int16_t keyCode(const QKeyEvent& event);

}  // namespace toolkit
