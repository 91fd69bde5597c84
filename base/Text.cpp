#include "base/Text.h"

#include <cstdint>

namespace {

constexpr char32_t Replacement = 0xFFFD;

// Code points of the bytes 0x80-0xBF. 0x98 has no character; it keeps the
// control code Windows gives it, so that such a byte in a file survives a
// round trip.
const char16_t UpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char32_t FirstRussianLetter = 0x0410; // 0xC0-0xFF: А to я in order

char32_t Cp1251CodePoint(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte < 0xC0) return UpperHalf[byte - 0x80];
    return FirstRussianLetter + (byte - 0xC0);
}

// The byte for a code point, or -1 when Windows-1251 has none.
int Cp1251Byte(char32_t code) {
    if (code < 0x80) return static_cast<int>(code);
    if (code >= FirstRussianLetter && code < FirstRussianLetter + 64)
        return static_cast<int>(0xC0 + (code - FirstRussianLetter));
    for (int i = 0; i < 64; ++i)
        if (UpperHalf[i] == code) return 0x80 + i;
    return -1;
}

// Reads one character of UTF-8 at text, which is not at its terminator, and
// moves past it. Overlong forms, surrogates and stray bytes read as U+FFFD.
char32_t NextUtf8(const char*& text) {
    const auto lead = static_cast<unsigned char>(*text++);
    if (lead < 0x80) return lead;
    int trail = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
    if (trail < 0 || lead >= 0xF5) return Replacement;
    char32_t code = lead & (0x3F >> trail);
    for (int i = 0; i < trail; ++i) {
        const auto next = static_cast<unsigned char>(*text);
        if ((next & 0xC0) != 0x80) return Replacement;
        code = (code << 6) | (next & 0x3F);
        ++text;
    }
    const char32_t lowest[] = {0, 0x80, 0x800, 0x10000};
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < lowest[trail] || surrogate || code > 0x10FFFF ? Replacement : code;
}

char32_t NextUtf16(const Utf16Unit*& text) {
    const auto unit = static_cast<char32_t>(*text++);
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    const auto low = static_cast<char32_t>(*text);
    if (unit >= 0xDC00 || low < 0xDC00 || low > 0xDFFF) return Replacement;
    ++text;
    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
}

char32_t NextCp1251(const char*& text) {
    return Cp1251CodePoint(static_cast<unsigned char>(*text++));
}

// Appends one character's units if they fit before the terminator's place.
bool PutUtf16(char32_t code, Utf16Unit* out, size_t& length, size_t outSize) {
    size_t units = code >= 0x10000 ? 2 : 1;
    if (length + units >= outSize) return false;
    if (units == 1) {
        out[length++] = static_cast<Utf16Unit>(code);
    } else {
        out[length++] = static_cast<Utf16Unit>(0xD800 + ((code - 0x10000) >> 10));
        out[length++] = static_cast<Utf16Unit>(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
    return true;
}

bool PutUtf8(char32_t code, char* out, size_t& length, size_t outSize) {
    size_t bytes = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    if (length + bytes >= outSize) return false;
    if (bytes == 1) {
        out[length++] = static_cast<char>(code);
        return true;
    }
    const unsigned char leads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    out[length++] = static_cast<char>(leads[bytes] | (code >> (6 * (bytes - 1))));
    for (size_t i = bytes - 1; i > 0; --i)
        out[length++] = static_cast<char>(0x80 | ((code >> (6 * (i - 1))) & 0x3F));
    return true;
}

bool PutCp1251(char32_t code, char* out, size_t& length, size_t outSize) {
    int byte = Cp1251Byte(code);
    if (byte < 0 || length + 1 >= outSize) return false;
    out[length++] = static_cast<char>(byte);
    return true;
}

// Reads characters with next and writes them with put until the text ends
// or one cannot be written; always terminates out.
template <typename In, typename Out, typename Next, typename Put>
bool Convert(const In* text, Out* out, size_t outSize, Next next, Put put) {
    if (outSize == 0) return false;
    size_t length = 0;
    bool whole = true;
    while (*text != 0) {
        if (!put(next(text), out, length, outSize)) {
            whole = false;
            break;
        }
    }
    out[length] = 0;
    return whole;
}

} // namespace

bool Utf8ToUtf16(const char* text, Utf16Unit* out, size_t outSize) {
    return Convert(text, out, outSize, NextUtf8, PutUtf16);
}

bool Utf16ToUtf8(const Utf16Unit* text, char* out, size_t outSize) {
    return Convert(text, out, outSize, NextUtf16, PutUtf8);
}

bool Cp1251ToUtf16(const char* text, Utf16Unit* out, size_t outSize) {
    return Convert(text, out, outSize, NextCp1251, PutUtf16);
}

bool Cp1251ToUtf8(const char* text, char* out, size_t outSize) {
    return Convert(text, out, outSize, NextCp1251, PutUtf8);
}

bool Utf8ToCp1251(const char* text, char* out, size_t outSize) {
    return Convert(text, out, outSize, NextUtf8, PutCp1251);
}
