// Bitmaps of any shape for the blur: the sweep must touch only the buffer, agree with a plain
// transcription of its loops, and leave a picture of any format as a 32-bit one of the same size.

#include "viewer/Blur.h"

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void Reference(std::vector<std::uint8_t>& b, long s, long h) {
    const long size = static_cast<long>(b.size());
    const auto at = [&](long i) { return i >= 0 && i < size ? int{b[std::size_t(i)]} : 0; };
    long k = s + 3;
    for (long y = 1; y <= h - 3; ++y)
        for (long x = 0; x <= s; ++x) {
            ++k;
            const int sum = at(k - s) + at(k - 3) + at(k + 3) + at(k + s);
            if (k >= 0 && k < size)
                b[std::size_t(k)] = static_cast<std::uint8_t>(sum / 4);
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    // Two bytes of shape, one of choice, the rest the pixels.
    const long stride = 1 + data[0] % 64;
    const long height = 1 + data[1] % 64;
    const bool asPicture = data[2] & 1;
    data += 3;
    size -= 3;

    std::vector<std::uint8_t> bytes(std::size_t(stride * height));
    for (std::size_t i = 0; i < bytes.size() && size > 0; ++i)
        bytes[i] = data[i % size];
    // An exact-size heap copy, so reading or writing past its end is caught.
    auto* exact = new std::uint8_t[bytes.size() + 1];
    std::memcpy(exact, bytes.data(), bytes.size());
    orlisk::BlurBytes(exact, stride, height);
    Reference(bytes, stride, height);
    if (std::memcmp(exact, bytes.data(), bytes.size()) != 0)
        __builtin_trap();
    delete[] exact;

    if (asPicture && stride * height > 0) {
        QImage picture(int(stride), int(height), QImage::Format_RGB888);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.bytesPerLine(); ++x)
                picture.scanLine(y)[x] = bytes[std::size_t(y * stride + x % stride)];
        orlisk::BlurPicture(picture);
        if (picture.format() != QImage::Format_RGB32 || picture.width() != stride ||
            picture.height() != height)
            __builtin_trap();
    }
    return 0;
}
