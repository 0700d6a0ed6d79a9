// The blur's sweep over bitmap bytes, against a plain transcription of its loops.
#include "support/BlurReference.h"
#include "viewer/Blur.h"

#include <QImage>
#include <QRandomGenerator>

#include <algorithm>

#include <gtest/gtest.h>

#include <vector>

using namespace orlisk;
using test::ReferenceSweep;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Noise(std::size_t n) {
    static QRandomGenerator generator(42);
    Bytes b(n);
    std::generate(b.begin(), b.end(), [] { return std::uint8_t(generator.bounded(256)); });
    return b;
}

} // namespace

TEST(Blur, SweepMatchesItsLoopsByteForByte) {
    // 12 x 4: 4 x 4 pixels at 24 bits, indices 16 to 28 only; 4 x 9: taller than wide, so
    // neighbours beyond the end read as 0; 1 x 6: writes beyond the end are dropped; three lines
    // or fewer: nothing.
    const std::pair<long, long> shapes[] = {{12, 4}, {12, 5}, {16, 5}, {13, 7}, {7680, 6},
                                            {4, 9},  {1, 6},  {12, 3}, {12, 1}, {12, 0}};
    for (const auto& [stride, height] : shapes) {
        const Bytes original = Noise(std::size_t(stride * height));
        Bytes expected = original;
        ReferenceSweep(expected, stride, height);
        Bytes actual = original;
        BlurBytes(actual.data(), stride, height);
        EXPECT_EQ(actual, expected) << stride << " x " << height;
        EXPECT_EQ(actual == original, height <= 3) << stride << " x " << height;
    }
}

TEST(Blur, PictureIsSweptBottomRowFirstWithItsFourthBytesAtZero) {
    // Taller than one band of the sweep; one pixel wide, reading beyond the top.
    for (const QSize size : {QSize(7, 40), QSize(1, 40)}) {
        const int h = size.height();
        QImage picture(size, QImage::Format_RGB888);
        const Bytes noise = Noise(std::size_t(picture.sizeInBytes()));
        std::copy(noise.begin(), noise.end(), picture.bits());
        picture.convertTo(QImage::Format_RGB32);
        // The screen bitmap's bytes: bottom row first, fourth bytes 0.
        const long s = picture.bytesPerLine();
        Bytes screen;
        for (int y = h - 1; y >= 0; --y)
            for (long i = 0; i < s; ++i)
                screen.push_back(i % 4 == 3 ? 0 : picture.constScanLine(y)[i]);
        ReferenceSweep(screen, s, h);
        for (std::size_t i = 3; i < screen.size(); i += 4)
            screen[i] = 0xff;

        BlurPicture(picture);
        Bytes actual;
        for (int y = h - 1; y >= 0; --y)
            actual.insert(actual.end(), picture.constScanLine(y), picture.constScanLine(y) + s);
        EXPECT_EQ(actual, screen) << size.width() << " x " << h;
    }
}
