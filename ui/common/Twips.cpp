#include "Twips.h"

int TwipsToPixels(int twips)
{
    // Round half away from zero, so negative and positive offsets mirror each other.
    const int half = TwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / TwipsPerPixel : -((-twips + half) / TwipsPerPixel);
}

QPoint TwipsPoint(int x, int y)
{
    return QPoint(TwipsToPixels(x), TwipsToPixels(y));
}

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}
