// The blur's sweep over bitmap bytes, against a plain transcription of its loops.
#include "viewer/Blur.h"

#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <vector>

using namespace orlisk;

namespace {

using Bytes = std::vector<std::uint8_t>;

// For y = 1 to H - 3, for x = 0 to s: k = k + 1, b(k) = the four neighbours' sum \ 4, with
// k starting at s + 3; bytes outside the buffer read as 0 and are never written.
void ReferenceSweep(Bytes& b, long s, long h) {
    const long size = static_cast<long>(b.size());
    const auto at = [&](long i) { return i >= 0 && i < size ? int{b[std::size_t(i)]} : 0; };
    long k = s + 3;
    for (long y = 1; y <= h - 3; ++y) {
        for (long x = 0; x <= s; ++x) {
            ++k;
            const int sum = at(k - s) + at(k - 3) + at(k + 3) + at(k + s);
            if (k >= 0 && k < size)
                b[std::size_t(k)] = static_cast<std::uint8_t>(sum / 4);
        }
    }
}

Bytes Noise(std::size_t n, quint32 seed) {
    QRandomGenerator generator(seed);
    Bytes b(n);
    for (auto& byte : b)
        byte = static_cast<std::uint8_t>(generator.bounded(256));
    return b;
}

} // namespace

TEST(Blur, SweepMatchesItsLoopsByteForByte) {
    struct Case {
        long stride;
        long height;
    } cases[] = {
        {12, 4},   // 4 x 4 pixels at 24 bits: indices 16 to 28 only
        {12, 5},   // one more pass
        {16, 5},   // 32-bit pixels
        {13, 7},   // an odd stride
        {4, 9},    // taller than wide: neighbours beyond the end read as 0
        {3, 12},   // the horizontal and vertical neighbours coincide
        {1, 6},    // one byte a line: writes beyond the end are dropped
        {7680, 6}, // a full-HD line
        {12, 3},   // three lines or fewer: nothing
        {12, 1},   {12, 0},
    };
    for (const Case& c : cases) {
        const Bytes original =
            Noise(std::size_t(c.stride * c.height), quint32(c.stride * 31 + c.height));
        Bytes expected = original;
        ReferenceSweep(expected, c.stride, c.height);
        Bytes actual = original;
        BlurBytes(actual.data(), c.stride, c.height);
        EXPECT_EQ(actual, expected) << c.stride << " x " << c.height;
        if (c.height <= 3) {
            EXPECT_EQ(actual, original) << c.stride << " x " << c.height;
        }
    }

    // The 4 x 4 picture at 24 bits changes no byte outside 16 to 28.
    const Bytes original = Noise(48, 7);
    Bytes b = original;
    BlurBytes(b.data(), 12, 4);
    for (std::size_t i = 0; i < b.size(); ++i)
        if (i < 16 || i > 28) {
            EXPECT_EQ(b[i], original[i]) << i;
        }
}

TEST(Blur, UniformBytesStayAsTheyAre) {
    Bytes grey(12 * 8, 128);
    BlurBytes(grey.data(), 12, 8);
    EXPECT_EQ(grey, Bytes(12 * 8, 128));
}

TEST(Blur, PictureIsSweptBottomRowFirstWithItsFourthBytesAtZero) {
    // Small, taller than one band of the sweep, and one pixel wide (reads beyond the top).
    for (const QSize size : {QSize(5, 6), QSize(7, 40), QSize(1, 40)}) {
        const int w = size.width();
        const int h = size.height();
        QImage picture(size, QImage::Format_RGB32);
        const Bytes noise = Noise(std::size_t(w * h * 3), quint32(w * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* p = &noise[std::size_t((y * w + x) * 3)];
                picture.setPixel(x, y, qRgb(p[0], p[1], p[2]));
            }
        // The screen bitmap's bytes: bottom row first, fourth bytes 0.
        const long s = picture.bytesPerLine();
        Bytes screen;
        for (int y = h - 1; y >= 0; --y) {
            const uchar* line = picture.constScanLine(y);
            for (long i = 0; i < s; ++i)
                screen.push_back(i % 4 == 3 ? 0 : line[i]);
        }
        ReferenceSweep(screen, s, h);

        BlurPicture(picture);
        ASSERT_EQ(picture.format(), QImage::Format_RGB32);
        Bytes actual;
        for (int y = h - 1; y >= 0; --y)
            actual.insert(actual.end(), picture.constScanLine(y), picture.constScanLine(y) + s);
        for (std::size_t i = 3; i < screen.size(); i += 4)
            screen[i] = 0xff;
        EXPECT_EQ(actual, screen) << w << " x " << h;
    }

    // Other formats are converted to the 32-bit one first.
    QImage indexed(8, 8, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(128, 128, 128)});
    indexed.fill(0);
    BlurPicture(indexed);
    EXPECT_EQ(indexed.format(), QImage::Format_RGB32);
}
