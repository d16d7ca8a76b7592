#include "TerminalQuoting.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool IsControl(QChar c)
{
    return c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
}

QString Escaped(QChar c)
{
    switch (c.unicode()) {
    case '\a':
        return u"\\a"_s;
    case '\b':
        return u"\\b"_s;
    case '\t':
        return u"\\t"_s;
    case '\n':
        return u"\\n"_s;
    case '\v':
        return u"\\v"_s;
    case '\f':
        return u"\\f"_s;
    case '\r':
        return u"\\r"_s;
    }
    QString octal;
    for (const char byte : QString(c).toUtf8())
        octal += u"\\%1"_s.arg(uint(uchar(byte)), 3, 8, QLatin1Char('0'));
    return octal;
}

} // namespace

QString QuotedForTerminal(const QString &name)
{
    if (std::none_of(name.begin(), name.end(), IsControl))
        return name;
    QString quoted;
    bool open = false;
    for (const QChar c : name) {
        if (IsControl(c)) {
            if (open)
                quoted += u'\'';
            open = false;
            quoted += u"$'"_s + Escaped(c) + u'\'';
            continue;
        }
        if (!open)
            quoted += u'\'';
        open = true;
        quoted += c == u'\'' ? u"'\\''"_s : QString(c);
    }
    if (open)
        quoted += u'\'';
    return quoted;
}
