#include "icon/PictureBmp.h"

#include <cstdio>
#include <utility>

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr size_t InfoHeaderSize = 40;
constexpr size_t PixelOffset = FileHeaderSize + InfoHeaderSize;
constexpr uint16_t BitsPerPixel = 16;
constexpr size_t MaxFileSize =
    PixelOffset + static_cast<size_t>(MaxBmpSide) * MaxBmpSide * sizeof(Pixel555) + 4 * MaxBmpSide;

size_t RowStride(int width) {
    return (static_cast<size_t>(width) * sizeof(Pixel555) + 3) & ~size_t{3};
}

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

uint32_t Get16(const uint8_t* data, size_t at) {
    return data[at] | (data[at + 1] << 8);
}

uint32_t Get32(const uint8_t* data, size_t at) {
    return Get16(data, at) | (Get16(data, at + 2) << 16);
}

int32_t GetSigned32(const uint8_t* data, size_t at) {
    return static_cast<int32_t>(Get32(data, at));
}

size_t PixelAt(size_t stride, int height, int x, int y) {
    return PixelOffset + (static_cast<size_t>(height) - 1 - y) * stride +
           2 * static_cast<size_t>(x);
}

bool HeadersAccepted(const uint8_t* data, size_t size) {
    if (size < PixelOffset || data[0] != 'B' || data[1] != 'M') return false;
    const int32_t width = GetSigned32(data, 18), height = GetSigned32(data, 22);
    // Top-down rows (negative height) are not this form.
    if (width < 1 || width > MaxBmpSide || height < 1 || height > MaxBmpSide) return false;
    return Get32(data, 10) == PixelOffset && Get32(data, 14) == InfoHeaderSize &&
           Get16(data, 26) == 1 && Get16(data, 28) == BitsPerPixel && Get32(data, 30) == 0 &&
           Get32(data, 46) == 0 &&
           PixelOffset + RowStride(width) * static_cast<size_t>(height) <= size;
}

} // namespace

std::vector<uint8_t> EncodePictureBmp(const Picture& picture) {
    const size_t stride = RowStride(picture.width);
    const size_t imageSize = stride * static_cast<size_t>(picture.height);
    std::vector<uint8_t> out(PixelOffset + imageSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<uint32_t>(out.size()));
    Put32(out, 10, PixelOffset);
    Put32(out, 14, InfoHeaderSize);
    Put32(out, 18, static_cast<uint32_t>(picture.width));
    Put32(out, 22, static_cast<uint32_t>(picture.height));
    Put16(out, 26, 1);
    Put16(out, 28, BitsPerPixel);
    Put32(out, 34, static_cast<uint32_t>(imageSize));
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            Put16(out, PixelAt(stride, picture.height, x, y), picture.At(x, y));
    return out;
}

bool DecodePictureBmp(const uint8_t* data, size_t size, Picture& picture) {
    if (!HeadersAccepted(data, size)) return false;
    Picture decoded(GetSigned32(data, 18), GetSigned32(data, 22), 0);
    const size_t stride = RowStride(decoded.width);
    for (int y = 0; y < decoded.height; ++y)
        for (int x = 0; x < decoded.width; ++x)
            decoded.At(x, y) =
                static_cast<Pixel555>(Get16(data, PixelAt(stride, decoded.height, x, y)));
    picture = std::move(decoded);
    return true;
}

bool WritePictureBmp(const char* path, const Picture& picture) {
    const std::vector<uint8_t> bytes = EncodePictureBmp(picture);
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool ReadPictureBmp(const char* path, Picture& picture) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    size_t got = 0;
    while (bytes.size() <= MaxFileSize && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes.size() <= MaxFileSize && DecodePictureBmp(bytes.data(), bytes.size(), picture);
}
