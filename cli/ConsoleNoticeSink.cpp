#include "ConsoleNoticeSink.h"

#include "ConsoleOutput.h"

#include <cstdio>

void ConsoleNoticeSink::ShowNotice(const QString &text, const QString &title, NoticeKind kind)
{
    Q_UNUSED(title);
    std::FILE *stream = kind == NoticeKind::Information ? stdout : stderr;
    WriteToStream(stream, text + QLatin1Char('\n'));
}
