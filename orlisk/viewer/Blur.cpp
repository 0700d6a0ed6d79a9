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

// The part [from, to) of one sweep over scan lines that RowAt(n) finds; scan lines need not be
// contiguous in memory. Sweeping two adjoining parts one after the other is sweeping both.
template <typename RowAt>
void Sweep(RowAt rowAt, std::ptrdiff_t s, std::ptrdiff_t h, std::ptrdiff_t from,
           std::ptrdiff_t to) {
    if (h <= 3 || s <= 0)
        return;
    const std::ptrdiff_t size = h * s;
    const auto get = [&](std::ptrdiff_t k) -> unsigned {
        return k >= 0 && k < size ? rowAt(k / s)[k % s] : 0u;
    };
    const std::ptrdiff_t last = std::min(LastIndex(s, h), to - 1);
    std::ptrdiff_t k = std::max(FirstIndex(s), from);
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

// Format_RGB32 rows are whole pixels without padding: rows [first, end) are one run of pixels.
void SetFourthBytes(quint32* rows, std::ptrdiff_t width, std::ptrdiff_t first, std::ptrdiff_t end,
                    quint32 keep, quint32 set) {
    for (std::ptrdiff_t i = first * width; i < end * width; ++i)
        rows[i] = (rows[i] & keep) | set;
}

} // namespace

void BlurBytes(std::uint8_t* bytes, std::ptrdiff_t stride, std::ptrdiff_t height) {
    Sweep([bytes, stride](std::ptrdiff_t row) { return bytes + row * stride; }, stride, height, 0,
          stride * height);
}

void BlurPicture(QImage& picture) {
    if (picture.isNull())
        return;
    if (picture.format() != QImage::Format_RGB32)
        picture.convertTo(QImage::Format_RGB32);
    const std::ptrdiff_t w = picture.width();
    const std::ptrdiff_t s = picture.bytesPerLine();
    const std::ptrdiff_t h = picture.height();
    uchar* top = picture.bits();
    auto* pixels = reinterpret_cast<quint32*>(top);
    // A bottom-up bitmap: its scan line n is the picture's row h - 1 - n.
    const auto rowAt = [top, s, h](std::ptrdiff_t row) { return top + (h - 1 - row) * s; };
    // The screen bitmap keeps 0 in the fourth byte where QImage keeps 0xFF, and the sweep mixes
    // that byte into its neighbours. The picture is swept in bands of scan lines, clearing the
    // fourth bytes just ahead of the band and setting them again just behind it, while the
    // lines are in the cache. Picture row r is scan line h - 1 - r, so "ahead" runs upwards.
    constexpr std::ptrdiff_t kBand = 16;
    std::ptrdiff_t cleared = h;  // picture rows [cleared, h) read 0 in their fourth bytes
    std::ptrdiff_t restored = h; // picture rows [restored, h) are done and read 0xFF again
    for (std::ptrdiff_t line = 0; line < h; line += kBand) {
        const std::ptrdiff_t end = std::min(h, line + kBand);
        // This band reads up to scan line end (one above its last one).
        const std::ptrdiff_t needRow = std::max<std::ptrdiff_t>(0, h - 1 - end);
        SetFourthBytes(pixels, w, needRow, cleared, 0x00ffffffu, 0);
        cleared = needRow;
        Sweep(rowAt, s, h, line * s, end * s);
        // Scan lines below end - 1 are read no more.
        const std::ptrdiff_t doneRow = std::min(h, h - (end - 1));
        SetFourthBytes(pixels, w, doneRow, restored, 0x00ffffffu, 0xff000000u);
        restored = doneRow;
    }
    SetFourthBytes(pixels, w, 0, restored, 0x00ffffffu, 0xff000000u);
}

} // namespace orlisk
