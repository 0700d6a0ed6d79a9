#pragma once

#include <QSize>

#include <cmath>

namespace orlisk {

// The screen as the windows see it: size, colour depth and the twips scale.
class Screen {
public:
    virtual ~Screen() = default;
    virtual QSize SizePixels() const = 0;
    // Bits per pixel of the screen's pixels (what the blur needs to know).
    virtual int BitsPerPixel() const = 0;
    virtual double LogicalDpi() const = 0;

    double TwipsPerPixel() const { return 1440.0 / LogicalDpi(); }
    int ToPixels(double twips) const {
        return static_cast<int>(std::lround(twips * LogicalDpi() / 1440.0));
    }
    double ToTwips(double pixels) const { return pixels * TwipsPerPixel(); }
    double WidthTwips() const { return ToTwips(SizePixels().width()); }
    double HeightTwips() const { return ToTwips(SizePixels().height()); }
};

// A 24-bit true-colour visual stores 32-bit pixels, so depth 24 or more counts as 32.
int BitsPerPixelForDepth(int depth);

class QtScreen final : public Screen {
public:
    QSize SizePixels() const override;
    int BitsPerPixel() const override;
    double LogicalDpi() const override;
};

} // namespace orlisk
