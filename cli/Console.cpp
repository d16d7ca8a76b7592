#include "Console.h"

#include "ConsoleOutput.h"
#include "FileError.h"
#include "ProcessStart.h"

void Console::ShowNotice(const QString &text, const QString &title, NoticeKind kind)
{
    Q_UNUSED(title);
    Print(kind == NoticeKind::Information ? stdout : stderr, text + QLatin1Char('\n'));
}

void Console::Print(std::FILE *stream, const QString &text)
{
    QString lost;
    // Held open on the null device since, which would take it without a word.
    if (ClosedAtStart(stream))
        lost = QStringLiteral("它在程序启动时已被关闭");
    else if (const int code = WriteToStream(stream, text))
        lost = FileError::reasonOf(code);
    if (stream == stdout && m_lostOutput.isEmpty())
        m_lostOutput = lost;
}
