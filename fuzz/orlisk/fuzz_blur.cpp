// Bitmaps of any shape for the blur: the sweep must touch only the buffer, agree with the sweep
// written one byte at a time, and leave a picture of any format as a 24-bit one of the same size.

#include "support/BlurReference.h"
#include "viewer/Blur.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    // Two bytes of shape, one of choice, the rest the pixels.
    const long stride = 1 + data[0] % 64;
    const long height = 1 + data[1] % 64;
    const bool asPicture = data[2] & 1;
    const QImage::Format format = data[2] & 2 ? QImage::Format_RGB32 : QImage::Format_RGB888;
    data += 3;
    size -= 3;

    std::vector<std::uint8_t> bytes(std::size_t(stride * height));
    for (std::size_t i = 0; i < bytes.size() && size > 0; ++i)
        bytes[i] = data[i % size];
    // An exact-size heap copy, so reading or writing past its end is caught.
    const auto exact = std::make_unique<std::uint8_t[]>(bytes.size());
    std::memcpy(exact.get(), bytes.data(), bytes.size());
    orlisk::BlurBytes(exact.get(), stride, height);
    orlisk::test::ReferenceSweep(bytes, stride, height);
    if (std::memcmp(exact.get(), bytes.data(), bytes.size()) != 0)
        __builtin_trap();

    if (asPicture && stride * height > 0) {
        QImage picture(int(stride), int(height), format);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.bytesPerLine(); ++x)
                picture.scanLine(y)[x] = bytes[std::size_t(y * stride + x % stride)];
        orlisk::BlurPicture(picture);
        if (picture.format() != QImage::Format_RGB888 || picture.width() != stride ||
            picture.height() != height)
            __builtin_trap();
    }
    return 0;
}
