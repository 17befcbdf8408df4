// The forms of the date fields that DIWriteJpgDated takes (see DIPhotoDate): the writer refuses
// anything else, and a reader of a photo's date keeps nothing else, so that a garbled field in a
// source never makes a JPEG fail.
#ifndef DIJPG_DATE_FORMS_H
#define DIJPG_DATE_FORMS_H

#include <cstddef>
#include <string_view>

namespace dijpg {

// `count` digits from `from` whose number lies within lowest..highest.
inline bool numberWithin(std::string_view text, std::size_t from, std::size_t count, long lowest,
                         long highest) {
    if (from + count > text.size()) return false;
    long value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return value >= lowest && value <= highest;
}

// "YYYY:MM:DD HH:MM:SS". Cameras that do not know the date write zeros: that is no date.
inline bool isTakenForm(std::string_view text) {
    return text.size() == 19 && text[4] == ':' && text[7] == ':' && text[10] == ' ' &&
           text[13] == ':' && text[16] == ':' && numberWithin(text, 0, 4, 1, 9999) &&
           numberWithin(text, 5, 2, 1, 12) && numberWithin(text, 8, 2, 1, 31) &&
           numberWithin(text, 11, 2, 0, 23) && numberWithin(text, 14, 2, 0, 59) &&
           numberWithin(text, 17, 2, 0, 60);
}

// One to nine digits: the fraction of the second.
inline bool isSubSecondsForm(std::string_view text) {
    return !text.empty() && text.size() <= 9 && numberWithin(text, 0, text.size(), 0, 999999999);
}

// "+HH:MM" or "-HH:MM", as far as time zones go.
inline bool isOffsetForm(std::string_view text) {
    return text.size() == 6 && (text[0] == '+' || text[0] == '-') && text[3] == ':' &&
           numberWithin(text, 1, 2, 0, 14) && numberWithin(text, 4, 2, 0, 59);
}

}  // namespace dijpg

#endif
