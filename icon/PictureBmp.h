#pragma once
// BMP files of 16-bit 5-5-5 pictures, in the one form the program's bitmaps
// use: file header, 40-byte info header, BI_RGB, no colour table, rows
// bottom-up and each padded to four bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "icon/Picture.h"

// Pictures larger than this on either side are refused when read.
inline constexpr int MaxBmpSide = 4096;

std::vector<uint8_t> EncodePictureBmp(const Picture& picture);

// False, leaving picture alone, for anything but the form above.
bool DecodePictureBmp(const uint8_t* data, size_t size, Picture& picture);

bool WritePictureBmp(const char* path, const Picture& picture);
bool ReadPictureBmp(const char* path, Picture& picture);
