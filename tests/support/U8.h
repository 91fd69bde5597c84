#pragma once
// Narrow literals in the tests are Windows-1251, as in the program; a UTF-8
// text (a setting, a path) is spelt u8"..." and handed over as chars. gtest
// spells its arguments in Windows-1251, so such texts stay out of its macros.
inline const char* U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}
