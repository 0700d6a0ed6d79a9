#include "viewer/Blur.h"

#include <QImage>

#include <algorithm>

namespace orlisk {

namespace {

// One sweep over scan lines that RowAt(n) finds; scan lines need not be contiguous in memory.
template <typename RowAt> void Sweep(RowAt rowAt, std::ptrdiff_t s, std::ptrdiff_t h) {
    if (h <= 3 || s <= 0)
        return;
    const std::ptrdiff_t size = h * s;
    const auto get = [&](std::ptrdiff_t k) -> unsigned {
        return k >= 0 && k < size ? rowAt(k / s)[k % s] : 0u;
    };
    // s + 1 bytes per pass for H - 3 passes: indices s + 4 up to H * s - 2 * s + H.
    const std::ptrdiff_t last = size - 2 * s + h;
    std::ptrdiff_t k = s + 4;
    while (k <= last) {
        const std::ptrdiff_t row = k / s;
        std::ptrdiff_t col = k % s;
        if (col >= 3 && col + 3 < s && row + 1 < h) {
            // All four neighbours inside this scan line and its two neighbours: the hot path.
            std::uint8_t* cur = rowAt(row);
            const std::uint8_t* below = rowAt(row - 1);
            const std::uint8_t* above = rowAt(row + 1);
            const std::ptrdiff_t end = std::min(s - 3, col + (last - k) + 1);
            // The three bytes behind stay in registers: each new byte feeds the one 3 further on.
            unsigned back3 = cur[col - 3], back2 = cur[col - 2], back1 = cur[col - 1];
            for (; col < end; ++col) {
                const unsigned v = (below[col] + back3 + cur[col + 3] + above[col]) / 4;
                cur[col] = static_cast<std::uint8_t>(v);
                back3 = back2;
                back2 = back1;
                back1 = v;
            }
            k = row * s + col;
            continue;
        }
        const unsigned sum = get(k - s) + get(k - 3) + get(k + 3) + get(k + s);
        if (k < size)
            rowAt(row)[col] = static_cast<std::uint8_t>(sum / 4);
        ++k;
    }
}

void SetFourthBytes(QImage& picture, quint32 keep, quint32 set) {
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = (line[x] & keep) | set;
    }
}

} // namespace

void BlurBytes(std::uint8_t* bytes, std::ptrdiff_t stride, std::ptrdiff_t height) {
    Sweep([bytes, stride](std::ptrdiff_t row) { return bytes + row * stride; }, stride, height);
}

void BlurPicture(QImage& picture) {
    if (picture.isNull())
        return;
    if (picture.format() != QImage::Format_RGB32)
        picture.convertTo(QImage::Format_RGB32);
    // The screen bitmap keeps 0 where QImage keeps 0xFF, and the sweep mixes that byte into the
    // colours of its neighbours.
    SetFourthBytes(picture, 0x00ffffffu, 0);
    const std::ptrdiff_t s = picture.bytesPerLine();
    const std::ptrdiff_t h = picture.height();
    uchar* top = picture.bits();
    // A bottom-up bitmap: its scan line n is the picture's row h - 1 - n.
    Sweep([top, s, h](std::ptrdiff_t row) { return top + (h - 1 - row) * s; }, s, h);
    SetFourthBytes(picture, 0x00ffffffu, 0xff000000u);
}

} // namespace orlisk
