#include "viewer/Module1.h"

#include "platform/Screen.h"

namespace orlisk {

int GetColorDepth(const Screen& screen) {
    return screen.BitsPerPixel();
}

} // namespace orlisk
