#pragma once
#include <cstddef>

// The icon's source bitmaps as committed in res/, built into the probe so
// that it draws with the program's own pictures wherever it runs.
struct EmbeddedBitmap {
    const char* name; // the file name without .bmp, e.g. "digits"
    const unsigned char* bytes;
    size_t size;
};

extern const EmbeddedBitmap embeddedBitmaps[];
extern const int embeddedBitmapCount;
