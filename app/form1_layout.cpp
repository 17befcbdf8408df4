#include "app/form1_layout.h"

#include "toolkit/controls/units.h"

namespace layout {

namespace {

using toolkit::rgb;
constexpr Font kDefault{};
constexpr Font kBold975{9.75, true};
constexpr Font kRegular975{9.75, false};
constexpr Font kBold12{12, true};
constexpr Font kRegular12{12, false};
constexpr Font kBold18{18, true};
constexpr std::uint32_t kFormColour = rgb(255, 192, 255);

const WindowRow kWindow{
    "Velaria 1.0 - contacto@velaria.example - soporte@velaria.example",
    kFormColour,
    9435,
    8175,
};

constexpr const char* kWidthKeys =
    "Flecha izquierda o derecha: un píxel más estrecho o más ancho; con Mayúsculas, diez";
constexpr const char* kHeightKeys =
    "Flecha arriba o abajo: un píxel más bajo o más alto; con Mayúsculas, diez";

// clang-format off
const ControlRow kControls[] = {
//   kind                 name          idx text                          left  top   width height font        back colour              chk tab inside
    {Kind::CommandButton, "Command4",    -1, "AUTOR",                       120, 7440, 1935,  375, kBold12,    rgb(255, 192, 192),      0, 20, nullptr},
    {Kind::CommandButton, "Command3",     1, "BMP",                        1440, 5400,  615,  375, kBold975,   rgb(0, 255, 255),        0, 19, nullptr},
    {Kind::CommandButton, "Command3",     0, "JPG",                        1440, 4920,  615,  375, kBold975,   rgb(0, 255, 255),        0, 18, nullptr},
    {Kind::TextBox,       "Text2",       -1, "Text2",                      3600,  120, 4935,  285, kDefault,   std::nullopt,            0, 16, nullptr},
    {Kind::CommandButton, "Command2",    -1, "SELECCIONAR CARPETA",         120,  960, 1935,  735, kBold12,    rgb(192, 255, 192),      0, 15, nullptr},
    {Kind::TextBox,       "Text1",        1, "0",                           120, 6840, 1935,  375, kRegular12, std::nullopt,            0, 12, nullptr},
    {Kind::TextBox,       "Text1",        0, "0",                           120, 6120, 1935,  375, kRegular12, std::nullopt,            0, 11, nullptr},
    {Kind::CheckBox,      "Check2",       2, "Mantener proporcionalidad",   120,  240, 1935,  495, kBold975,   kFormColour,             1, 10, nullptr},
    {Kind::CheckBox,      "Check2",       1, "BMP",                         120, 5400, 1815,  375, kBold12,    kFormColour,             0,  9, nullptr},
    {Kind::CheckBox,      "Check2",       0, "JPG",                         120, 4920, 1815,  375, kBold12,    kFormColour,             1,  8, nullptr},
    {Kind::Handle,        "Picture3",     1, "",                           2160, 1320,  255,  255, kDefault,   std::nullopt,            0,  7, nullptr},
    {Kind::Handle,        "Picture3",     0, "",                           2160,  480,  255,  255, kDefault,   std::nullopt,            0,  6, nullptr},
    {Kind::Handle,        "Picture2",     1, "",                           3240,  120,  255,  255, kDefault,   std::nullopt,            0,  5, nullptr},
    {Kind::Handle,        "Picture2",     0, "",                           2520,  120,  255,  255, kDefault,   std::nullopt,            0,  4, nullptr},
    {Kind::CommandButton, "Command1",    -1, "INICIAR ",                    120, 4200, 1935,  615, kBold18,    rgb(255, 255, 192),      0,  2, nullptr},
    {Kind::Frame,         "Picture1",    -1, "",                           2520,  480, 6615, 5415, kDefault,   std::nullopt,            0,  1, nullptr},
    {Kind::Image,         "Image1",      -1, "",                              0,    0, 6615, 5415, kDefault,   std::nullopt,            0, -1, "Picture1"},
    {Kind::FileList,      "File1",       -1, "",                            120, 2400, 1935, 1650, kDefault,   std::nullopt,            0,  0, nullptr},
    {Kind::CheckBox,      "Check1",      -1, "PROGRSESIVO",                2880, 5280, 1695,  375, kDefault,   std::nullopt,            1,  3, nullptr},
    {Kind::Label,         "Label2",      -1, "Se ha de marcar un archivo y después abrir",
                                                                            120, 1800, 2055,  855, kRegular975, std::nullopt,           0, 17, nullptr},
    {Kind::Label,         "Label1",       1, "ALTO",                       1200, 6600,  855,  255, kBold975,   std::nullopt,            0, 14, nullptr},
    {Kind::Label,         "Label1",       0, "ANCHO",                      1200, 5880,  855,  255, kBold975,   std::nullopt,            0, 13, nullptr},
};

const LineRow kLines[] = {
    {"Line2", 2280, 840, 2280, 1200},
    {"Line1", 2760, 240, 3240, 240},
};

const AccessibleRow kAccessible[] = {
    {"File1",    -1, "Archivos de la carpeta", nullptr},
    {"Picture1", -1, "Marco de la vista previa",
                     "Su ancho y su alto son el tamaño de las imágenes que se escriben"},
    {"Image1",   -1, "Vista previa", nullptr},
    {"Picture2",  0, "Ancho: asa izquierda, fija; las flechas mueven el asa derecha", kWidthKeys},
    {"Picture2",  1, "Ancho: asa derecha, se arrastra o se mueve con las flechas", kWidthKeys},
    {"Picture3",  0, "Alto: asa superior, fija; las flechas mueven el asa inferior", kHeightKeys},
    {"Picture3",  1, "Alto: asa inferior, se arrastra o se mueve con las flechas", kHeightKeys},
    // Their descriptions say the size in pixels as well, and follow it.
    {"Text1",     0, "Ancho del marco", nullptr},
    {"Text1",     1, "Alto del marco", nullptr},
};
// clang-format on

}  // namespace

const WindowRow& window() {
    return kWindow;
}
std::span<const ControlRow> controls() {
    return kControls;
}
std::span<const LineRow> lines() {
    return kLines;
}
std::span<const AccessibleRow> accessibleTexts() {
    return kAccessible;
}

}  // namespace layout
