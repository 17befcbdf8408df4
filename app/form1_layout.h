#pragma once

#include <cstdint>
#include <optional>
#include <span>

// The window's controls as data: one row per control, in the order they are created. Lengths
// are in the window's unit (1/1440 inch), colours BBGGRR.
namespace layout {

enum class Kind { CommandButton, TextBox, CheckBox, Frame, Handle, Image, FileList, Label };

struct Font {
    double points = 0;  // 0: the toolkit's default control font
    bool bold = false;
};

struct ControlRow {
    Kind kind;
    const char* name;
    std::int16_t index;  // element of a control array, or -1
    const char* text;    // UTF-8
    float left, top, width, height;
    Font font;
    std::optional<std::uint32_t> backColor;
    int checkValue;      // check boxes: 0, 1 or 2
    int tabIndex;        // -1: takes no focus
    const char* inside;  // container, or nullptr for the window
};

struct LineRow {
    const char* name;
    float x1, y1, x2, y2;
};

// What a screen reader says of a control whose text does not say it (or that has none).
struct AccessibleRow {
    const char* name;
    std::int16_t index;
    const char* accessibleName;  // UTF-8
    const char* description;     // UTF-8; nullptr: none
};

struct WindowRow {
    const char* caption;
    std::uint32_t backColor;
    float clientWidth, clientHeight;
};

const WindowRow& window();
std::span<const ControlRow> controls();
std::span<const LineRow> lines();
std::span<const AccessibleRow> accessibleTexts();

}  // namespace layout
