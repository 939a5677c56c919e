#include "support/twips.h"
#include "com/handle_owners.h"
#include <cmath>

long RoundHalfEven(double value) { return static_cast<long>(std::nearbyint(value)); }

bool RoundsToLong(double value) { return value >= -2147483648.5 && value < 2147483647.5; }

long WholeTwipsPerPixel(float twipsPerPixel) {
    long whole = RoundHalfEven(twipsPerPixel);
    return whole < 1 ? 1 : whole;
}

long TwipsToPixels(double twips, float twipsPerPixel) { return RoundHalfEven(twips) / WholeTwipsPerPixel(twipsPerPixel); }

long PixelsToTwips(double pixels, float twipsPerPixel) { return RoundHalfEven(pixels * twipsPerPixel); }

long StoredTwipsToPixels(double twips, float twipsPerPixel) {
    const double perPixel = twipsPerPixel > 0 ? twipsPerPixel : 15.0;
    return static_cast<long>(std::ceil(twips / perPixel - 0.5));
}

unsigned ScreenDpi(int axis) {
    const UniqueWindowDc screen = WindowDcOf(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.Get().dc, axis) : 0;
    return dpi > 0 ? static_cast<unsigned>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

float TwipsPerPixelAt(unsigned dpi) { return dpi ? 1440.0f / static_cast<float>(dpi) : 15.0f; }

int LayoutPixels(double twips, float twipsPerPixel) {
    return static_cast<int>(twips / (twipsPerPixel > 0 ? twipsPerPixel : 15.0f) + 0.5);
}
