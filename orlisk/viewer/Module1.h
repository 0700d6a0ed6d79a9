#pragma once

namespace orlisk {

class Screen;

// The screen's colour depth in bits per pixel.
int GetColorDepth(const Screen& screen);

} // namespace orlisk
