#include "WindowFont.h"

#include <QApplication>
#include <QString>
#include <QStringList>

using namespace Qt::StringLiterals;

QFont WindowFont()
{
    QFont font = QApplication::font();
    // Wide Latin faces such as DejaVu Sans push the longer labels past their rectangles; the first face found
    // wins.
    font.setFamilies({ u"SimSun"_s, u"WenQuanYi Micro Hei"_s, font.family() });
    font.setPointSize(WindowFontPointSize);
    return font;
}
