#pragma once

#include <cstddef>
#include <cstdint>

class QImage;

namespace orlisk {

// The four-neighbour sweep over a bitmap's bytes, in place: `height` scan lines of `stride`
// bytes, scan line 0 first. Horizontal neighbours lie 3 bytes away and vertical ones one stride
// away, whatever the pixel size; the sweep runs on across scan line ends, reads bytes outside the
// buffer as 0 and never writes them. Fewer than 4 scan lines are left alone.
void BlurBytes(std::uint8_t* bytes, std::ptrdiff_t stride, std::ptrdiff_t height);

// The same sweep over a picture's pixels as the 32-bit screen bitmap holds them: the bottom row
// is scan line 0, and the fourth byte of every pixel reads 0. The picture ends up in
// Format_RGB32 with its fourth bytes at 0xFF again.
void BlurPicture(QImage& picture);

} // namespace orlisk
