#pragma once

#include <QPoint>
#include <QRect>

// The windows are designed in twips; Qt's high-DPI scaling takes device-independent pixels the rest of the
// way.
inline constexpr int TwipsPerPixel = 15;

int TwipsToPixels(int twips);
QPoint TwipsPoint(int x, int y);
QRect TwipsRect(int left, int top, int width, int height);
