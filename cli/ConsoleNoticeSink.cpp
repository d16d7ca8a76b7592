#include "ConsoleNoticeSink.h"

#include <cstdio>

void ConsoleNoticeSink::ShowNotice(const QString &text, const QString &title, NoticeKind kind)
{
    Q_UNUSED(title);
    std::FILE *stream = kind == NoticeKind::Information ? stdout : stderr;
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}
