#pragma once

#include <cstddef>
#include <cstdint>

class QImage;

namespace orlisk {

// The four-neighbour sweep over a bitmap's bytes, in place: `height` scan lines of `stride`
// bytes, scan line 0 first. Horizontal neighbours lie 3 bytes away and vertical ones one stride
// away; the sweep runs on across scan line ends, reads bytes outside the buffer as 0 and never
// writes them. Fewer than 4 scan lines are left alone.
void BlurBytes(std::uint8_t* bytes, std::ptrdiff_t stride, std::ptrdiff_t height);

// The same sweep over a picture as a 24-bit bitmap holds it: Format_RGB888 (3 bytes a pixel, so
// the 3-byte step is one pixel and every channel is averaged with itself), scan lines padded to
// 4 bytes with the padding at 0, the bottom row as scan line 0. A picture in another format is
// converted first and stays in Format_RGB888.
void BlurPicture(QImage& picture);

} // namespace orlisk
