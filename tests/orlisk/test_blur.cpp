// The blur's sweep over bitmap bytes, against the sweep written one byte at a time.
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

// The bytes of a 24-bit picture as a bottom-up bitmap holds them: bottom row first.
Bytes BottomUp(const QImage& picture) {
    Bytes bytes;
    for (int y = picture.height() - 1; y >= 0; --y)
        bytes.insert(bytes.end(), picture.constScanLine(y),
                     picture.constScanLine(y) + picture.bytesPerLine());
    return bytes;
}

TEST(Blur, PictureIsSweptAsABottomUp24BitBitmapWithZeroPadding) {
    // 7 and 1 pixels wide: scan lines padded to 24 and 4 bytes; 8 wide: no padding.
    for (const QSize size : {QSize(7, 40), QSize(1, 40), QSize(8, 6)}) {
        QImage picture(size, QImage::Format_RGB32);
        const Bytes noise = Noise(std::size_t(picture.sizeInBytes()));
        std::copy(noise.begin(), noise.end(), picture.bits());
        QImage bitmap = picture.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < bitmap.height(); ++y)
            std::fill(bitmap.scanLine(y) + 3 * size.width(),
                      bitmap.scanLine(y) + bitmap.bytesPerLine(), uchar{0});
        Bytes expected = BottomUp(bitmap);
        ReferenceSweep(expected, bitmap.bytesPerLine(), size.height());

        BlurPicture(picture);
        EXPECT_EQ(picture.format(), QImage::Format_RGB888);
        EXPECT_EQ(BottomUp(picture), expected) << size.width() << " x " << size.height();
    }
}

TEST(Blur, AUniformPictureKeepsItsColour) {
    for (const QColor colour :
         {QColor(128, 128, 128), QColor(255, 255, 255), QColor(40, 90, 160), QColor(250, 0, 30)}) {
        QImage picture(320, 240, QImage::Format_RGB32);
        picture.fill(colour);
        BlurPicture(picture);
        const QImage expected = [&] {
            QImage uniform(320, 240, QImage::Format_RGB888);
            uniform.fill(colour);
            return uniform;
        }();
        EXPECT_EQ(picture, expected) << colour.name().toStdString();
    }
}
