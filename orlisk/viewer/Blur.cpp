#include "viewer/Blur.h"

#include <QImage>

#include <algorithm>

namespace orlisk {

namespace {

// s + 1 bytes per pass for H - 3 passes: indices s + 4 up to H * s - 2 * s + H.
constexpr std::ptrdiff_t FirstIndex(std::ptrdiff_t s) {
    return s + 4;
}
constexpr std::ptrdiff_t LastIndex(std::ptrdiff_t s, std::ptrdiff_t h) {
    return h * s - 2 * s + h;
}

// One sweep over the scan lines that RowAt(n) finds; they need not be contiguous in memory.
template <typename RowAt> void Sweep(RowAt rowAt, std::ptrdiff_t s, std::ptrdiff_t h) {
    if (h <= 3 || s <= 0)
        return;
    const std::ptrdiff_t size = h * s;
    const auto get = [&](std::ptrdiff_t k) -> unsigned {
        return k >= 0 && k < size ? rowAt(k / s)[k % s] : 0u;
    };
    const std::ptrdiff_t last = LastIndex(s, h);
    std::ptrdiff_t k = FirstIndex(s);
    while (k <= last) {
        const std::ptrdiff_t row = k / s;
        std::ptrdiff_t col = k % s;
        if (col >= 3 && col + 3 < s && row + 1 < h) {
            // All four neighbours inside this scan line and its two neighbours: the hot path.
            std::uint8_t* cur = rowAt(row);
            const std::uint8_t* below = rowAt(row - 1);
            const std::uint8_t* above = rowAt(row + 1);
            const std::ptrdiff_t end = std::min(s - 3, col + (last - k) + 1);
            // The byte 3 behind was rewritten just before, so three chains of bytes run side
            // by side, each feeding the next byte of its own; their last values stay in
            // registers.
            unsigned a = cur[col - 3], b = cur[col - 2], c = cur[col - 1];
            for (; col + 3 <= end; col += 3) {
                a = (below[col] + a + cur[col + 3] + above[col]) / 4;
                cur[col] = static_cast<std::uint8_t>(a);
                b = (below[col + 1] + b + cur[col + 4] + above[col + 1]) / 4;
                cur[col + 1] = static_cast<std::uint8_t>(b);
                c = (below[col + 2] + c + cur[col + 5] + above[col + 2]) / 4;
                cur[col + 2] = static_cast<std::uint8_t>(c);
            }
            for (; col < end; ++col)
                cur[col] = static_cast<std::uint8_t>(
                    (below[col] + cur[col - 3] + cur[col + 3] + above[col]) / 4);
            k = row * s + col;
            continue;
        }
        const unsigned sum = get(k - s) + get(k - 3) + get(k + 3) + get(k + s);
        if (k < size)
            rowAt(row)[col] = static_cast<std::uint8_t>(sum / 4);
        ++k;
    }
}

// A 32-bit picture (what the picture loader makes of a JPEG) as a 24-bit bitmap, row by row on
// this thread: Qt's own conversion spreads a large picture over its thread pool, which on a busy
// machine waits longer for the pool than the conversion takes.
QImage To24Bit(const QImage& picture) {
    if (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32)
        return picture.convertToFormat(QImage::Format_RGB888);
    QImage bitmap(picture.size(), QImage::Format_RGB888);
    const int w = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        const auto* in = reinterpret_cast<const quint32*>(picture.constScanLine(y));
        uchar* out = bitmap.scanLine(y);
        for (int x = 0; x < w; ++x, out += 3) {
            const quint32 pixel = in[x];
            out[0] = static_cast<uchar>(pixel >> 16);
            out[1] = static_cast<uchar>(pixel >> 8);
            out[2] = static_cast<uchar>(pixel);
        }
    }
    return bitmap;
}

} // namespace

void BlurBytes(std::uint8_t* bytes, std::ptrdiff_t stride, std::ptrdiff_t height) {
    Sweep([bytes, stride](std::ptrdiff_t row) { return bytes + row * stride; }, stride, height);
}

void BlurPicture(QImage& picture) {
    if (picture.isNull())
        return;
    if (picture.format() != QImage::Format_RGB888)
        picture = To24Bit(picture);
    const std::ptrdiff_t s = picture.bytesPerLine();
    const std::ptrdiff_t h = picture.height();
    uchar* top = picture.bits();
    // The padding at the end of each scan line reads 0, as in a freshly loaded bitmap, so that
    // the same picture always blurs the same way.
    const std::ptrdiff_t used = std::ptrdiff_t{picture.width()} * 3;
    if (used < s)
        for (std::ptrdiff_t y = 0; y < h; ++y)
            std::fill(top + y * s + used, top + (y + 1) * s, uchar{0});
    // A bottom-up bitmap: its scan line n is the picture's row h - 1 - n.
    Sweep([top, s, h](std::ptrdiff_t row) { return top + (h - 1 - row) * s; }, s, h);
}

} // namespace orlisk
