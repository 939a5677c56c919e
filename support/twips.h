#pragma once
// Twips (1/1440 inch) and screen pixels: stored sizes and designed layouts converted for the
// screen they are shown on.
#include <windows.h>

// A whole number, halves to the even neighbour.
long RoundHalfEven(double value);
// Whether `value` rounds (halves to even) to a 32-bit integer; false for NaN and infinities.
bool RoundsToLong(double value);
// Twips per pixel rounded (halves to even), never below 1: a very high DPI must not divide by zero.
long WholeTwipsPerPixel(float twipsPerPixel);
// A designed size in twips as pixels: the twips rounded, divided by the whole twips per pixel
// (the quotient truncated).
long TwipsToPixels(double twips, float twipsPerPixel);
// A width in pixels as stored twips: pixels times twips per pixel, rounded (halves to even).
long PixelsToTwips(double pixels, float twipsPerPixel);
// Stored twips back as pixels with the same twips per pixel: the nearest pixel, halves down.
// It undoes PixelsToTwips exactly whenever a pixel is more than a twip, so a width saved and
// loaded at any DPI comes back as it was; halves go down as TwipsToPixels truncates them.
long StoredTwipsToPixels(double twips, float twipsPerPixel);
// The screen's DPI along one axis (LOGPIXELSX or LOGPIXELSY); 96 when it cannot be read.
unsigned ScreenDpi(int axis = LOGPIXELSX);
// Twips per pixel at a DPI (1440 / dpi; 15, as at 96 DPI, for a DPI of 0).
float TwipsPerPixelAt(unsigned dpi);
// A designed layout's twips as the nearest pixel.
int LayoutPixels(double twips, float twipsPerPixel);
