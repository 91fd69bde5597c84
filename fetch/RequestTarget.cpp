#include "fetch/RequestTarget.h"

static bool IsSentAsIs(unsigned char byte) {
    return byte >= 0x21 && byte <= 0x7E;
}

int EscapeRequestTarget(const char* text, char* out, size_t size) {
    static const char hex[] = "0123456789ABCDEF";
    size_t length = 0;
    for (; *text != '\0'; ++text) {
        const auto byte = static_cast<unsigned char>(*text);
        const size_t width = IsSentAsIs(byte) ? 1 : 3;
        if (length + width >= size) return -1;
        if (width == 1) {
            out[length++] = *text;
        } else {
            out[length++] = '%';
            out[length++] = hex[byte >> 4];
            out[length++] = hex[byte & 0xF];
        }
    }
    if (length >= size) return -1;
    out[length] = '\0';
    return static_cast<int>(length);
}
