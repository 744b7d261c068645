// The families of language types the value converter sorts values by. Internal to the model.
#pragma once

// 8-bit texts: the characters, the fixed and dynamic texts and the fixed date and time texts.
inline bool NA_bVQNarrow(unsigned short n) {
    return n == 17 || n == 18 || n == 19 || n == 21 || n == 22 || n == 23 || n == 128 || n == 129 || n == 134;
}
// The same without the date and time texts.
inline bool NA_bVQNarrowBasic(unsigned short n) {
    return n == 17 || n == 18 || n == 19 || n == 21 || n == 22 || n == 23 || n == 134;
}
// Wide texts, with and without the date and time texts.
inline bool NA_bVQWide(unsigned short n) {
    return n == 16 || n == 20 || n == 24 || n == 25 || n == 81 || n == 110;
}
inline bool NA_bVQWideBasic(unsigned short n) {
    return n == 16 || n == 20 || n == 81 || n == 110;
}
// Every text type, dates and times included (what a text setter writes as text).
inline bool NA_bVQText(unsigned short n) {
    return (n >= 16 && n <= 25) || n == 81 || n == 110 || n == 128 || n == 129 || n == 134;
}
// The text types the server's text is copied into as text.
inline bool NA_bVQTextDB(unsigned short n) {
    return (n >= 16 && n <= 23) || n == 81 || n == 110 || n == 134;
}
// The texts a duration is not read from directly (they go through a 64-bit integer).
inline bool NA_bVQTextNotDate(unsigned short n) {
    return (n >= 16 && n <= 23) || n == 81 || n == 110 || n == 134;
}
