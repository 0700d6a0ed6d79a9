#include "platform/Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace orlisk {

int BitsPerPixelForDepth(int depth) {
    return depth >= 24 ? 32 : depth;
}

QSize QtScreen::SizePixels() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

int QtScreen::BitsPerPixel() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return BitsPerPixelForDepth(screen ? screen->depth() : 32);
}

double QtScreen::LogicalDpi() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

} // namespace orlisk
