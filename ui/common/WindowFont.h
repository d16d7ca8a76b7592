#pragma once

#include <QFont>

// The controls are sized for a 9-point face; larger system fonts would not fit their rectangles.
inline constexpr int WindowFontPointSize = 9;

// The application font at 9 points, preferring faces whose Latin letters are as narrow as the design expects.
QFont WindowFont();
